#include "catalogue/AuditCache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <unordered_set>

#include "catalogue/Dat.h"
#include "fileio/AtomicFile.h"
#include "fileio/Text.h"

// Every field of a directory's member is kept: a field added to TZipEntry must be added to the
// cache's format (and its version raised) too.
static_assert(sizeof(TZipEntry) == 56, "a new field of TZipEntry must be kept by the cache");
// So must a new field of the DAT's model.
static_assert(sizeof(TDatRom) == 2 * sizeof(std::string) + 16, "a new field of TDatRom");
static_assert(sizeof(TDatGame) == 4 * sizeof(std::string) + sizeof(std::vector<TDatRom>),
              "a new field of TDatGame");

namespace {
// The file: a fixed header, then the body: the owner's name and the entries. Numbers are the
// machine's own (the file names inodes of this machine's file systems anyway); the marker tells
// another byte order apart.
constexpr char kMagic[8] = {'L', 'u', 'd', 'r', 'a', 'A', 'C', '\n'};
// Raised whenever the entries' layout changes: a file of another version is read again.
constexpr uint32_t kFormat = 1;
constexpr char kDatMagic[8] = {'L', 'u', 'd', 'r', 'a', 'D', 'C', '\n'};
constexpr uint32_t kDatFormat = 1;
constexpr uint32_t kByteOrder = 0x01020304;
struct THeader {
  char Magic[8];
  uint32_t Format, ByteOrder;
  uint64_t BodySize, BodyHash;
};
static_assert(sizeof(THeader) == 32);

// A hash of the body, so that a damaged or torn file is never trusted.
uint64_t BodyHash(std::string_view bytes) {
  uint64_t h = 0x6A09E667F3BCC909ull ^ bytes.size();
  const char* p = bytes.data();
  std::size_t n = bytes.size();
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
  }
  uint64_t w = 0;
  std::memcpy(&w, p, n);
  h = (h ^ w) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

// The body of a cache file of that kind, or nothing when its header does not vouch for it.
std::optional<std::string_view> CheckedBody(std::string_view bytes, const char (&magic)[8],
                                            uint32_t format) {
  THeader header;
  if (bytes.size() < sizeof header) return std::nullopt;
  std::memcpy(&header, bytes.data(), sizeof header);
  const std::string_view body = bytes.substr(sizeof header);
  if (std::memcmp(header.Magic, magic, sizeof header.Magic) != 0 || header.Format != format ||
      header.ByteOrder != kByteOrder || header.BodySize != body.size() ||
      header.BodyHash != BodyHash(body))
    return std::nullopt;
  return body;
}

// Writes the header of a cache file of that kind into the room kept for it before the body.
void StampHeader(std::string& bytes, const char (&magic)[8], uint32_t format) {
  const std::string_view body = std::string_view(bytes).substr(sizeof(THeader));
  THeader header;
  std::memcpy(header.Magic, magic, sizeof header.Magic);
  header.Format = format;
  header.ByteOrder = kByteOrder;
  header.BodySize = body.size();
  header.BodyHash = BodyHash(body);
  std::memcpy(bytes.data(), &header, sizeof header);
}

void PutVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>(v | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

template <class T>
void PutRaw(std::string& out, const T& v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// Reads from [At, End); a read past the end sets Bad and yields zeros, so a crafted file can
// neither be read beyond nor loop.
struct TReaderAt {
  const char* At;
  const char* End;
  bool Bad = false;
  uint64_t Varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (At >= End) break;
      const auto byte = static_cast<unsigned char>(*At++);
      v |= static_cast<uint64_t>(byte & 0x7F) << shift;
      if (!(byte & 0x80)) return v;
    }
    Bad = true;
    return 0;
  }
  template <class T>
  T Raw() {
    T v{};
    if (static_cast<std::size_t>(End - At) < sizeof v) {
      Bad = true;
      At = End;
      return v;
    }
    std::memcpy(&v, At, sizeof v);
    At += sizeof v;
    return v;
  }
  std::string_view Bytes(uint64_t n) {
    if (static_cast<uint64_t>(End - At) < n) {
      Bad = true;
      At = End;
      return {};
    }
    const std::string_view v(At, static_cast<std::size_t>(n));
    At += n;
    return v;
  }
};

int64_t Nanoseconds(const struct timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t NowNs() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

std::string Hex(uint64_t v) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, v >>= 4) out[static_cast<std::size_t>(i)] = kDigits[v & 15];
  return out;
}

// The folder and those above it, as mkdir -p; the cache's own for its owner alone.
bool MakeFolder(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) == 0)
    return S_ISDIR(st.st_mode) && access(folder.c_str(), W_OK) == 0;
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), slash + 1 >= folder.size() ? 0700 : 0755) != 0 && errno != EEXIST)
      return false;
  }
  if (folder.back() != '/' && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(folder.c_str(), W_OK) == 0;
}

bool IsCacheFile(std::string_view name) {
  return name.ends_with(".cache") && !name.starts_with('.');
}

// Drops the files of the catalogues (and DATs) audited longest ago while the folder holds more
// than its limit, and those unused for long; never `own`, just written.
void PruneFolder(const std::string& folder, const std::string& ownPath) {
  DIR* listing = opendir(folder.c_str());
  if (!listing) return;
  struct TFile {
    int64_t Used;
    uint64_t Size;
    std::string Name;
  };
  std::vector<TFile> files;
  while (const dirent* entry = readdir(listing)) {
    struct stat st;
    if (!IsCacheFile(entry->d_name) ||
        fstatat(dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
      continue;
    files.push_back({Nanoseconds(st.st_mtim), static_cast<uint64_t>(st.st_size), entry->d_name});
  }
  const int64_t unused =
      NowNs() -
      std::chrono::duration_cast<std::chrono::nanoseconds>(TAuditCache::kUnusedFor).count();
  std::sort(files.begin(), files.end(),
            [](const TFile& a, const TFile& b) { return a.Used > b.Used; });
  const std::string own = ownPath.substr(ownPath.rfind('/') + 1);
  uint64_t total = 0;
  for (const TFile& f : files) {
    total += f.Size;
    if (f.Name != own && (f.Used < unused || total > TAuditCache::kFolderLimit))
      unlinkat(dirfd(listing), f.Name.c_str(), 0);
  }
  closedir(listing);
}

}  // namespace

TFileKey FileKeyOf(const struct stat& st) {
  return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
          static_cast<uint64_t>(st.st_size), Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

std::string UserCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && xdg[0] == '/')
    return std::string(xdg) + (std::string_view(xdg).ends_with('/') ? "" : "/") + "ludra/";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  return std::string(home) + (std::string_view(home).ends_with('/') ? "" : "/") + ".cache/ludra/";
}

TAuditCache::TAuditCache(const std::string& folder, const std::string& owner,
                         std::chrono::nanoseconds racyWindow)
    : FFolder(folder.empty() || folder.back() == '/' ? folder : folder + "/"),
      FOwner(owner),
      FRacyWindow(racyWindow) {
  if (FFolder.empty() || !MakeFolder(FFolder)) return;
  FOn = true;
  FPath = FFolder + "audit-" + Hex(BodyHash(owner)) + ".cache";
  try {
    Load();
  } catch (...) {
    // Unreadable, too large, no memory: the audit reads every archive, as without a cache.
    FEntries.clear();
    FSlots.clear();
    FBytes.clear();
  }
  if (FEntries.empty()) std::string().swap(FBytes);  // a file not taken holds no memory
  FUsed = std::make_unique<std::atomic<bool>[]>(FEntries.size());
}

TAuditCache::~TAuditCache() = default;

void TAuditCache::Load() {
  if (!ReadWholeFile(FPath, FBytes, kFolderLimit)) return;
  const auto body = CheckedBody(FBytes, kMagic, kFormat);
  if (!body) return;
  TReaderAt in{body->data(), body->data() + body->size()};
  if (in.Bytes(in.Varint()) != FOwner || in.Bad) return;
  std::vector<TEntry> entries;
  while (in.At < in.End && !in.Bad) {
    TEntry e;
    e.Begin = static_cast<std::size_t>(in.At - FBytes.data());
    e.Path = in.Bytes(in.Varint());
    e.Key = in.Raw<TFileKey>();
    const uint32_t length = in.Raw<uint32_t>();
    e.Members = static_cast<std::size_t>(in.At - FBytes.data());
    in.Bytes(length);
    e.End = static_cast<std::size_t>(in.At - FBytes.data());
    if (!in.Bad) entries.push_back(e);
  }
  if (in.Bad) return;
  std::size_t size = 16;
  while (size < 2 * entries.size()) size *= 2;
  FSlots.assign(size, 0);
  const std::size_t mask = size - 1;
  for (uint32_t i = 0; i < entries.size(); ++i) {
    std::size_t slot = HashSlot(FoldedHash(entries[i].Path), size);
    while (FSlots[slot] != 0) slot = (slot + 1) & mask;
    FSlots[slot] = i + 1;
  }
  FEntries = std::move(entries);
}

long TAuditCache::Find(const std::string& path, long hint) const {
  if (FEntries.empty()) return -1;
  if (hint >= 0 && static_cast<std::size_t>(hint) < FEntries.size() &&
      FEntries[static_cast<std::size_t>(hint)].Path == path)
    return hint;
  const std::size_t mask = FSlots.size() - 1;
  for (std::size_t slot = HashSlot(FoldedHash(path), FSlots.size());; slot = (slot + 1) & mask) {
    const uint32_t entry = FSlots[slot];
    if (entry == 0) return -1;
    if (FEntries[entry - 1].Path == path) return static_cast<long>(entry - 1);
  }
}

bool TAuditCache::Holds(long entry, const TFileKey& key) {
  if (!(FEntries[static_cast<std::size_t>(entry)].Key == key)) return false;
  FUsed[static_cast<std::size_t>(entry)].store(true, std::memory_order_relaxed);
  FHits.fetch_add(1, std::memory_order_relaxed);
  return true;
}

std::size_t TAuditCache::Replay(long entry, TFunctionRef<bool(const TZipEntry&)> visit) {
  const TEntry& e = FEntries[static_cast<std::size_t>(entry)];
  TReaderAt in{FBytes.data() + e.Members, FBytes.data() + e.End};
  const uint32_t count = in.Raw<uint32_t>();
  std::size_t visited = 0;
  for (uint32_t i = 0; i < count && !in.Bad; ++i) {
    TZipEntry z;
    const std::string_view name = in.Bytes(in.Varint());
    z.RawName = reinterpret_cast<const unsigned char*>(name.data());
    z.RawLength = name.size();
    const auto flags = in.Raw<uint8_t>();
    z.Utf8Flag = flags & 1;
    z.FullSizeKnown = flags & 2;
    z.Time = in.Raw<uint16_t>();
    z.Date = in.Raw<uint16_t>();
    z.CompressedSize = static_cast<uint32_t>(in.Varint());
    z.Size = static_cast<uint32_t>(in.Varint());
    z.FullSize = in.Varint();
    z.Crc32 = in.Raw<uint32_t>();
    if (in.Bad) break;
    ++visited;
    if (!visit(z)) break;
  }
  return visited;
}

void TAuditCache::TRecord::Begin(const std::string& path, const TFileKey& key) {
  FBytes.clear();
  FBytes.reserve(512);
  PutVarint(FBytes, path.size());
  FBytes.append(path);
  PutRaw(FBytes, key);
  // The members' length and count are filled in when the record is kept.
  FCountAt = FBytes.size();
  PutRaw(FBytes, uint32_t{0});
  PutRaw(FBytes, uint32_t{0});
  FCount = 0;
  FOverflow = false;
  FNewest = std::max(key.MtimeNs, key.CtimeNs);
}

void TAuditCache::TRecord::Member(const TZipEntry& entry) {
  if (FOverflow || FBytes.size() + entry.RawLength > kRecordLimit) {
    FOverflow = true;
    return;
  }
  PutVarint(FBytes, entry.RawLength);
  FBytes.append(reinterpret_cast<const char*>(entry.RawName), entry.RawLength);
  PutRaw(FBytes, static_cast<uint8_t>(entry.Utf8Flag | entry.FullSizeKnown << 1));
  PutRaw(FBytes, entry.Time);
  PutRaw(FBytes, entry.Date);
  PutVarint(FBytes, entry.CompressedSize);
  PutVarint(FBytes, entry.Size);
  PutVarint(FBytes, entry.FullSize);
  PutRaw(FBytes, entry.Crc32);
  ++FCount;
}

void TAuditCache::Keep(TRecord& record) {
  if (!FOn || record.FOverflow) return;
  const auto length = static_cast<uint32_t>(record.FBytes.size() - record.FCountAt - 4);
  std::memcpy(record.FBytes.data() + record.FCountAt, &length, 4);
  std::memcpy(record.FBytes.data() + record.FCountAt + 4, &record.FCount, 4);
  const std::lock_guard lock(FLock);
  if (FNewBytes + record.FBytes.size() > kKeptLimit) return;
  FNewBytes += record.FBytes.size();
  FNew.push_back({std::move(record.FBytes), record.FNewest});
}

void TAuditCache::Save() {
  if (!FOn) return;
  try {
    // What changed within the racy window before this write is not kept: a change in the same
    // tick of the file system's clock would leave its key as it is.
    const int64_t racy = NowNs() - FRacyWindow.count();
    std::unordered_set<std::string_view> fresh;
    std::vector<const std::string*> kept;
    // The newest reading of an archive counts (a file changed during the audit was read twice).
    for (auto n = FNew.rbegin(); n != FNew.rend(); ++n) {
      TReaderAt in{n->Bytes.data(), n->Bytes.data() + n->Bytes.size()};
      const std::string_view path = in.Bytes(in.Varint());
      if (!fresh.insert(path).second || n->Newest > racy) continue;
      kept.push_back(&n->Bytes);
    }
    bool changed = !kept.empty();
    for (std::size_t i = 0; i < FEntries.size() && !changed; ++i)
      changed = !FUsed[i].load(std::memory_order_relaxed);
    if (!changed) {
      // Only its time, which tells the oldest catalogues' files apart.
      utimensat(AT_FDCWD, FPath.c_str(), nullptr, 0);
      return;
    }
    // One buffer, the header first, filled in once the body is there.
    std::size_t size = sizeof(THeader) + 10 + FOwner.size();
    for (std::size_t i = 0; i < FEntries.size(); ++i) size += FEntries[i].End - FEntries[i].Begin;
    for (const std::string* bytes : kept) size += bytes->size();
    if (size > kFolderLimit) return;
    std::string file;
    file.reserve(size);
    file.resize(sizeof(THeader));
    PutVarint(file, FOwner.size());
    file.append(FOwner);
    for (std::size_t i = 0; i < FEntries.size(); ++i)
      if (FUsed[i].load(std::memory_order_relaxed) && !fresh.contains(FEntries[i].Path))
        file.append(FBytes, FEntries[i].Begin, FEntries[i].End - FEntries[i].Begin);
    for (const std::string* bytes : kept) file.append(*bytes);
    StampHeader(file, kMagic, kFormat);
    ReplaceFileUnflushed(FPath, file);
    PruneFolder(FFolder, FPath);
  } catch (...) {
    // A full disk, a folder gone: the next audit reads what it must.
  }
}

namespace {
void PutText(std::string& out, std::string_view text) {
  PutVarint(out, text.size());
  out.append(text);
}

// The file that caches the DAT at `path`.
std::string DatCacheFile(const std::string& folder, const std::string& path) {
  return folder + "dat-" + Hex(BodyHash(path)) + ".cache";
}

std::string DatBody(const std::string& path, const TFileKey& key, const TDat& dat) {
  std::string out;
  PutText(out, path);
  PutRaw(out, key);
  PutText(out, dat.Name);
  PutVarint(out, dat.Disks);
  PutVarint(out, dat.Notes.size());
  for (const std::string& note : dat.Notes) PutText(out, note);
  PutVarint(out, dat.Games.size());
  for (const TDatGame& game : dat.Games) {
    PutText(out, game.Name);
    PutText(out, game.Parent);
    PutText(out, game.CloneOf);
    PutText(out, game.RomOf);
    PutVarint(out, game.Roms.size());
    for (const TDatRom& rom : game.Roms) {
      PutText(out, rom.Name);
      PutText(out, rom.Merge);
      PutVarint(out, rom.Size);
      PutRaw(out, rom.Crc);
      PutRaw(out, static_cast<uint8_t>(rom.HasSize | rom.HasCrc << 1 | rom.NoDump << 2 |
                                       rom.BadDump << 3));
    }
  }
  return out;
}

// The DAT kept for `path` with that key; false when there is none that holds.
bool LoadDat(const std::string& file, const std::string& path, const TFileKey& key, TDat& dat) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes, TAuditCache::kFolderLimit)) return false;
  const auto body = CheckedBody(bytes, kDatMagic, kDatFormat);
  if (!body) return false;
  TReaderAt in{body->data(), body->data() + body->size()};
  const auto text = [&in] { return std::string(in.Bytes(in.Varint())); };
  // A count is never more than the bytes left could hold.
  const auto count = [&in] {
    const uint64_t n = in.Varint();
    if (n > static_cast<uint64_t>(in.End - in.At)) in.Bad = true;
    return in.Bad ? 0 : static_cast<std::size_t>(n);
  };
  if (in.Bytes(in.Varint()) != path || !(in.Raw<TFileKey>() == key) || in.Bad) return false;
  dat.Name = text();
  dat.Disks = static_cast<std::size_t>(in.Varint());
  dat.Notes.resize(count());
  for (std::string& note : dat.Notes) note = text();
  dat.Games.resize(count());
  for (TDatGame& game : dat.Games) {
    game.Name = text();
    game.Parent = text();
    game.CloneOf = text();
    game.RomOf = text();
    game.Roms.resize(count());
    for (TDatRom& rom : game.Roms) {
      rom.Name = text();
      rom.Merge = text();
      rom.Size = in.Varint();
      rom.Crc = in.Raw<uint32_t>();
      const auto flags = in.Raw<uint8_t>();
      rom.HasSize = flags & 1;
      rom.HasCrc = flags & 2;
      rom.NoDump = flags & 4;
      rom.BadDump = flags & 8;
    }
    if (in.Bad) return false;
  }
  if (in.Bad || in.At != in.End) return false;
  dat.Index();
  return true;
}
}  // namespace

TDat ReadDatCached(const std::string& path, const std::string& folder,
                   std::chrono::nanoseconds racyWindow) {
  struct stat st;
  const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  if (dir.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !MakeFolder(dir))
    return ReadDat(path);
  const TFileKey key = FileKeyOf(st);
  const std::string file = DatCacheFile(dir, path);
  try {
    TDat dat;
    if (LoadDat(file, path, key, dat)) {
      utimensat(AT_FDCWD, file.c_str(), nullptr, 0);  // used: the oldest files go first
      return dat;
    }
  } catch (...) {
    // Unreadable, no memory: read as none.
  }
  TDat dat = ReadDat(path);
  // A DAT changed within the racy window is read again next time.
  if (std::max(key.MtimeNs, key.CtimeNs) > NowNs() - racyWindow.count()) return dat;
  try {
    std::string bytes(sizeof(THeader), '\0');
    bytes.append(DatBody(path, key, dat));
    StampHeader(bytes, kDatMagic, kDatFormat);
    if (bytes.size() <= TAuditCache::kFolderLimit) {
      ReplaceFileUnflushed(file, bytes);
      PruneFolder(dir, file);
    }
  } catch (...) {
    // A full disk: the next audit parses it again.
  }
  return dat;
}
