#pragma once
// Stored paths come from a file system that ignores letter case; this one does not. The lookup
// here finds a file under any spelling of its path's components.
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fileio/FoldedIndex.h"

// Finds files whose stored names differ in letter case from the names on disk. Directory listings
// are cached for the life of the object (one audit, one command), so looking up thousands of
// archives in one folder reads that folder once.
class TFileLookup {
 public:
  // `base`, when given, is a folder known to exist as spelled (the working directory): paths
  // inside it are resolved from there, without listing the folders above it.
  explicit TFileLookup(const std::string& base = {});

  // The existing path, matched exactly where possible and case-insensitively otherwise,
  // or nothing when no such entry exists. `nativePath` must be absolute.
  std::optional<std::string> Find(const std::string& nativePath);

  // Like Find, but only regular files (and links to them) count; a directory is no file.
  std::optional<std::string> FindFile(const std::string& nativePath);

  // Forgets every listing when one of the folders listed has changed since (its modification
  // time or identity differs) or was changed too shortly before it was read to tell, so a
  // lookup kept across commands sees files come and go.
  void Refresh();

 private:
  // What tells a folder's listing is still current.
  struct TStamp {
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    timespec Modified = {};
    bool operator==(const TStamp& other) const;
  };
  static TStamp StampOf(const std::string& dir);

  struct TEntry {
    std::string Name;
    unsigned char Type;  // dirent d_type
  };
  // A folder's names in one block, indexed by their folded form, which answers both the exact
  // and the case-insensitive question: thousands of names cost a few allocations, not one per
  // name.
  struct TListing {
    TStamp Stamp;  // taken before reading, so a change during the read shows as one later
    // Changed longer ago than a timestamp's coarsest tick: a later change moves the stamp.
    bool Settled = false;
    bool Readable = false;
    std::string Names;                 // every name, each followed by a NUL
    std::vector<uint32_t> Starts;      // where each name begins in Names
    std::vector<unsigned char> Types;  // its dirent d_type
    TFoldedIndex Index;                // of the names
    std::string_view Name(uint32_t i) const;
    void MakeTable();
    // The entry of exactly `name`, else the least name of the same folding; -1 when none.
    long Lookup(std::string_view name) const;
  };
  TListing& Listing(const std::string& dir);
  std::optional<TEntry> Entry(const std::string& dir, const std::string& name);

  std::string FBase;
  std::unordered_map<std::string, TListing> Cache;
  // Folders already resolved, as asked for -> as found (nothing when absent).
  std::unordered_map<std::string, std::optional<std::string>> Folders;
};

// True for a regular file (following links) at exactly this native path.
bool IsRegularFile(const std::string& nativePath);
bool IsDirectory(const std::string& nativePath);
