#include "fileio/PathLookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "fileio/Text.h"

namespace {
constexpr time_t kSettleSeconds = 2;

// Splits "/a/b/c" into its parent "/a/b/" and the name "c".
void SplitLast(const std::string& path, std::string& dir, std::string& name) {
  const auto slash = path.rfind('/');
  dir = path.substr(0, slash + 1);
  name = path.substr(slash + 1);
}
}  // namespace

bool IsRegularFile(const std::string& nativePath) {
  struct stat st;
  return stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& nativePath) {
  struct stat st;
  return stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TFileLookup::TFileLookup(const std::string& base) {
  if (base.empty() || base.front() != '/') return;
  FBase = base;
  if (FBase.back() != '/') FBase.push_back('/');
}

bool TFileLookup::TStamp::operator==(const TStamp& other) const {
  return Exists == other.Exists && Device == other.Device && Inode == other.Inode &&
         Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
}

TFileLookup::TStamp TFileLookup::StampOf(const std::string& dir) {
  TStamp stamp;
  struct stat st;
  if (stat(dir.c_str(), &st) != 0) return stamp;
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Modified = st.st_mtim;
  return stamp;
}

void TFileLookup::Refresh() {
  for (const auto& [dir, listing] : Cache) {
    if (listing.Settled && StampOf(dir) == listing.Stamp) continue;
    Cache.clear();
    Folders.clear();
    return;
  }
}

std::string_view TFileLookup::TListing::Name(uint32_t i) const {
  const uint32_t end =
      i + 1 < Starts.size() ? Starts[i + 1] - 1 : static_cast<uint32_t>(Names.size()) - 1;
  return std::string_view(Names).substr(Starts[i], end - Starts[i]);
}

void TFileLookup::TListing::MakeTable() {
  Index.Reserve(Starts.size());
  const auto key = [this](uint32_t i) { return Name(i); };
  while (Index.Size() < Starts.size()) Index.Add(key);
}

long TFileLookup::TListing::Lookup(std::string_view name) const {
  long best = -1;
  for (uint32_t i = Index.Find(name, [this](uint32_t k) { return Name(k); });
       i != TFoldedIndex::kNone; i = Index.Next(i)) {
    const std::string_view candidate = Name(i);
    if (candidate == name) return i;
    // The least name wins where several differ only in case, the same on every run.
    if (best < 0 || candidate < Name(static_cast<uint32_t>(best))) best = i;
  }
  return best;
}

TFileLookup::TListing& TFileLookup::Listing(const std::string& dir) {
  auto [it, inserted] = Cache.try_emplace(dir);
  if (!inserted) return it->second;
  TListing& listing = it->second;
  listing.Stamp = StampOf(dir);
  // Two changes within one tick of the file system's clock (up to 2 s on FAT) leave the same
  // stamp: a folder changed that recently is listed again next time.
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  listing.Settled =
      !listing.Stamp.Exists || listing.Stamp.Modified.tv_sec + kSettleSeconds < now.tv_sec;
  DIR* d = opendir(dir.c_str());
  if (!d) return listing;
  listing.Readable = true;
  while (dirent* e = readdir(d)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    // Offsets are 32-bit: a folder of more than 4 GB of names is listed as far as they reach.
    const std::size_t length = std::strlen(e->d_name);
    if (listing.Names.size() + length + 1 > UINT32_MAX) break;
    listing.Starts.push_back(static_cast<uint32_t>(listing.Names.size()));
    listing.Names.append(e->d_name, length + 1);
    listing.Types.push_back(e->d_type);
  }
  closedir(d);
  listing.MakeTable();
  return listing;
}

std::optional<TFileLookup::TEntry> TFileLookup::Entry(const std::string& dir,
                                                      const std::string& name) {
  TListing& listing = Listing(dir);
  if (!listing.Readable) {
    // An unlistable directory may still be searchable: only the exact name can be tried.
    struct stat st;
    if (lstat((dir + name).c_str(), &st) != 0) return std::nullopt;
    return TEntry{name, DT_UNKNOWN};
  }
  const long i = listing.Lookup(name);
  if (i < 0) return std::nullopt;
  const auto index = static_cast<uint32_t>(i);
  return TEntry{std::string(listing.Name(index)), listing.Types[index]};
}

std::optional<std::string> TFileLookup::Find(const std::string& nativePath) {
  if (nativePath.empty() || nativePath.front() != '/') return std::nullopt;
  std::string resolved = "/";
  std::string_view rest(nativePath);
  rest.remove_prefix(1);
  if (!FBase.empty() && nativePath.compare(0, FBase.size(), FBase) == 0) {
    resolved = FBase;
    rest = std::string_view(nativePath).substr(FBase.size());
  }
  while (!rest.empty()) {
    const auto slash = rest.find('/');
    const std::string component(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (resolved.size() > 1) {
        resolved.pop_back();
        resolved.erase(resolved.rfind('/') + 1);
      }
      continue;
    }
    auto entry = Entry(resolved, component);
    if (!entry) return std::nullopt;
    resolved += entry->Name;
    if (!rest.empty()) resolved += '/';
  }
  if (!nativePath.empty() && nativePath.back() == '/' && resolved.back() != '/') resolved += '/';
  return resolved;
}

std::optional<std::string> TFileLookup::FindFile(const std::string& nativePath) {
  if (nativePath.empty() || nativePath.back() == '/') return std::nullopt;
  std::string dir, name;
  SplitLast(nativePath, dir, name);
  if (dir.empty()) dir.push_back('/');
  auto folder = Folders.find(dir);
  if (folder == Folders.end()) folder = Folders.emplace(dir, Find(dir)).first;
  const auto& parent = folder->second;
  if (!parent) return std::nullopt;
  auto entry = Entry(*parent, name);
  if (!entry) return std::nullopt;
  const std::string path = *parent + entry->Name;
  // The listing's type saves a stat for the common case of a plain file.
  if (entry->Type == DT_REG) return path;
  if (entry->Type == DT_DIR) return std::nullopt;
  if (!IsRegularFile(path)) return std::nullopt;
  return path;
}
