#pragma once
// Shared test helpers: temporary folders, whole-file reads and writes, and the ZIP writer.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/ZipWriter.h"  // BuildZip, for archives the tests write

// A fresh folder under the system's temporary directory, removed with everything in it.
class TTempDir {
 public:
  TTempDir();
  explicit TTempDir(const std::string& parent);  // inside `parent` instead
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return FPath; }  // ends in '/'
  std::string operator/(const std::string& name) const { return FPath + name; }

 private:
  std::string FPath;
};

// The process's peak resident size so far, in KiB. A test compares it before and after one call:
// the peak can only have grown by what that call held at its worst.
long PeakRssKiB();
constexpr long kMiB = 1024;  // in the KiB that PeakRssKiB counts

// A shell command's standard output and exit code (-1 when it did not exit normally).
struct TRun {
  std::string Out;
  int ExitCode = -1;
};
TRun RunCommand(const std::string& command);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
void MakeDirs(const std::string& path);

// List file texts of every shape the write rules must keep: empty, the default catalogue, keys
// present and missing, duplicate sections, LF only, a lone CR at the end, no final line end,
// comments and blank separators, lines before the first section.
std::vector<std::string> VariedListFiles();
