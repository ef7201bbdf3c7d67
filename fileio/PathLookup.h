#pragma once
// Stored paths come from a file system that ignores letter case; this one does not. The lookup
// here finds a file under any spelling of its path's components.
#include <optional>
#include <string>
#include <unordered_map>

// Finds files whose stored names differ in letter case from the names on disk. Directory listings
// are cached for the life of the object (one audit, one command), so looking up thousands of
// archives in one folder reads that folder once.
class TFileLookup {
 public:
  // The existing path, matched exactly where possible and case-insensitively otherwise,
  // or nothing when no such entry exists. `nativePath` must be absolute.
  std::optional<std::string> Find(const std::string& nativePath);

  // Like Find, but only regular files (and links to them) count; a directory is no file.
  std::optional<std::string> FindFile(const std::string& nativePath);

 private:
  struct TEntry {
    std::string Name;
    unsigned char Type;  // dirent d_type
  };
  struct TListing {
    bool Readable = false;
    std::unordered_map<std::string, unsigned char> Exact;  // name -> dirent d_type
    // Lower-cased name -> the least name of that spelling; made at the first miss only.
    std::unordered_map<std::string, std::string> Folded;
    bool FoldedMade = false;
  };
  TListing& Listing(const std::string& dir);
  std::optional<TEntry> Entry(const std::string& dir, const std::string& name);

  std::unordered_map<std::string, TListing> Cache;
  // Folders already resolved, as asked for -> as found (nothing when absent).
  std::unordered_map<std::string, std::optional<std::string>> Folders;
};

// True for a regular file (following links) at exactly this native path.
bool IsRegularFile(const std::string& nativePath);
bool IsDirectory(const std::string& nativePath);
