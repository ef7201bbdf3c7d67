#pragma once
// What the audit read, kept between runs: for each archive, the members of its central directory
// as the audit uses them (name, size, CRC-32), keyed by the file's identity and state. An archive
// whose key is unchanged is not opened again: a re-audit costs one look at each archive's entry
// in its folder, as a version-control index or a ROM manager's scan cache does.
//
// One file per catalogue in the user's cache folder, replaced whole by each audit that changed
// it. A file that is unreadable, damaged, foreign or of another format is ignored (and replaced
// by the next save); a folder that cannot be made turns the cache off without a word. The cache
// never changes an answer: whatever could be stale is read again.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/UZipList.h"
#include "fileio/FunctionRef.h"

// A file's identity and state: a change of any of them (a replacement, a write, a touch, a
// rename over it) makes another key.
struct TFileKey {
  uint64_t Dev = 0, Ino = 0, Size = 0;
  int64_t MtimeNs = 0, CtimeNs = 0;
  bool operator==(const TFileKey&) const = default;
};
TFileKey FileKeyOf(const struct stat& st);

class TAuditCache {
 public:
  // Entries of files changed this recently before a save are not kept: a later change within the
  // same tick of the file system's clock (two seconds on FAT) would leave their key as it was.
  static constexpr std::chrono::nanoseconds kRacyWindow = std::chrono::seconds(3);

  // The cache of the catalogue named `owner` (the list file's path) in `folder` (made when
  // missing). Never raises.
  TAuditCache(const std::string& folder, const std::string& owner,
              std::chrono::nanoseconds racyWindow = kRacyWindow);
  ~TAuditCache();
  TAuditCache(const TAuditCache&) = delete;
  TAuditCache& operator=(const TAuditCache&) = delete;

  // Off: the folder could not be made. The audit then records nothing.
  bool On() const { return FOn; }
  // The file this catalogue's cache lives in, and its folder.
  const std::string& Path() const { return FPath; }
  const std::string& Folder() const { return FFolder; }
  std::chrono::nanoseconds RacyWindow() const { return FRacyWindow; }

  // ---- For the audit engine; any thread ----
  // The entry read for the archive at `path` by an earlier audit (-1: none). `hint`, the entry
  // after the one found last, is looked at first: the entries are kept in catalogue order.
  long Find(const std::string& path, long hint = -1) const;
  // Whether the entry still holds for the file of that key; the next save keeps one that does.
  bool Holds(long entry, const TFileKey& key);
  // The archives found unchanged so far, which were not opened.
  std::size_t Hits() const { return FHits.load(std::memory_order_relaxed); }
  // Visits the entry's members in directory order until `visit` returns false, as ScanZip visited
  // them; the number of members visited.
  std::size_t Replay(long entry, TFunctionRef<bool(const TZipEntry&)> visit);

  // An archive read afresh, its members added one by one, then kept (or dropped when the
  // directory could not be read to its end).
  class TRecord {
   public:
    void Begin(const std::string& path, const TFileKey& key);
    void Member(const TZipEntry& entry);
    const std::string& Bytes() const { return FBytes; }

   private:
    friend class TAuditCache;
    std::string FBytes;
    std::size_t FCountAt = 0;
    bool FOverflow = false;
    uint32_t FCount = 0;
    int64_t FNewest = 0;  // the later of the file's modification and status-change times
  };
  void Keep(TRecord& record);

  // Writes what this audit read when it differs from what was loaded; a file of another program
  // written meanwhile is replaced (the last writer wins). Never raises.
  void Save();

  // The cache folder's size, beyond which the oldest catalogues' files are dropped, and the age
  // at which an unused one goes.
  static constexpr std::uint64_t kFolderLimit = std::uint64_t{256} << 20;
  static constexpr std::chrono::hours kUnusedFor{24 * 90};
  // An archive's directory is kept up to this size (some 8,000 members; arcade sets hold a few
  // hundred), and an audit keeps this much in all: what it holds beyond the readers' own memory
  // stays bounded, whatever the archives. Larger ones are read as without a cache.
  static constexpr std::size_t kRecordLimit = std::size_t{256} << 10;
  static constexpr std::size_t kKeptLimit = std::size_t{128} << 20;

 private:
  struct TEntry {
    std::size_t Begin, End;  // the entry's bytes in FBytes
    std::size_t Members;     // where its members start
    std::string_view Path;
    TFileKey Key;
  };
  void Load();

  std::string FFolder, FOwner, FPath;
  const std::chrono::nanoseconds FRacyWindow;
  bool FOn = false;
  std::string FBytes;  // the file as loaded: entries are views of it
  std::vector<TEntry> FEntries;
  std::vector<uint32_t> FSlots;  // 1 + an index into FEntries, 0 when empty; a power of 2
  std::unique_ptr<std::atomic<bool>[]> FUsed;
  std::atomic<std::size_t> FHits{0};
  std::mutex FLock;  // over FNew
  struct TNew {
    std::string Bytes;
    int64_t Newest;
  };
  std::vector<TNew> FNew;
  std::size_t FNewBytes = 0;
};

// The DAT at `path`, taken from the cache in `folder` when the file is unchanged since it was
// parsed (the same DAT, notes and all), else read with ReadDat, which raises as it does, and kept
// for the next audit. An empty `folder` reads it only. A DAT that cannot be read is never kept.
class TDat;
TDat ReadDatCached(const std::string& path, const std::string& folder,
                   std::chrono::nanoseconds racyWindow = TAuditCache::kRacyWindow);

// The user's cache folder for Ludra: "$XDG_CACHE_HOME/ludra/", or "$HOME/.cache/ludra/".
std::string UserCacheFolder();
