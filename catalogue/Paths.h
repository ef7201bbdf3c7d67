#pragma once
// Where files live, and how stored paths (written for a case-insensitive file system with "\"
// separators) are found on this one.
#include <string>
#include <string_view>

#include "fileio/PathLookup.h"  // TFileLookup, IsRegularFile, IsDirectory

// Looked up once at start and handed down, so tests can point both at temporary folders.
struct TPaths {
  std::string ExeDir;   // directory of the running executable, ending in '/'
  std::string WorkDir;  // the process's working directory, ending in '/'
};

// "\" stays "\" in stored text; on disk it is a separator.
std::string ToNativePath(const std::string& stored);

// A stored path (absolute, or relative to `base`) as a native absolute path, not yet checked.
std::string AbsolutePath(const std::string& base, const std::string& stored);
// The same into `out`, reusing its storage (the audit makes one for every game).
void AssignAbsolutePath(std::string& out, const std::string& base, std::string_view stored);
