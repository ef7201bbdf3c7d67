#include "catalogue/AuditEngine.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "catalogue/AuditCache.h"
#include "catalogue/FileCheck.h"
#include "catalogue/ListFile.h"
#include "catalogue/UZipList.h"
#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/FoldedIndex.h"

namespace {
// Calls f(name) for each name of a Files value until f returns true; true when it did. "a,b" ->
// a, b; a comma at the very end adds no empty name, two in a row add one. Untrimmed. Nothing is
// stored: most archives match on their first member and first name.
template <class F>
bool AnyName(std::string_view files, F&& f) {
  while (!files.empty()) {
    const char* comma = FindByte(files.data(), files.data() + files.size(), ',');
    if (!comma) return f(files);
    const auto length = static_cast<std::size_t>(comma - files.data());
    if (f(files.substr(0, length))) return true;
    files.remove_prefix(length + 1);
  }
  return false;
}

void SplitFiles(std::string_view files, std::vector<std::string_view>& names) {
  names.clear();
  AnyName(files, [&](std::string_view name) {
    names.push_back(name);
    return false;
  });
}

// Nothing at a path: the one failure that makes an archive missing.
bool Absent(int error) {
  return error == ENOENT || error == ENOTDIR;
}

// Why the folder that holds `path` cannot be examined (into `folder`), or 0 when it can: its
// storage failed (ENOTCONN of a share whose server is gone, EIO, ESTALE, ETIMEDOUT) or, when
// opening the archive was refused (`openError`), it may not be searched. Either says nothing of
// whether the archive is there.
int FolderFailure(const std::string& path, int openError, std::string& folder) {
  const std::size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  while (folder.size() > 1 && folder.ends_with("//")) folder.pop_back();  // "Roms/\\" as written
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) return Absent(errno) ? 0 : errno;
  // The folder's parents may be searched, so a refusal to look inside is the folder's.
  if (openError == EACCES && stat(path.c_str(), &info) != 0 && errno == EACCES) return EACCES;
  return 0;
}

[[noreturn]] void RaiseFolderUnreadable(const std::string& folder, int error) {
  throw ERomFolderUnreadable(folder,
                             FileError(QT_TRANSLATE_NOOP("Message", "read the ROM folder"), folder,
                                       SysErrorMessage(error)),
                             error);
}

// An archive at `path` that could not be opened or read: when its folder cannot be examined,
// that is the failure, and it is raised.
void RaiseIfFolderFailed(const std::string& path, int openError = 0) {
  std::string folder;
  if (const int error = FolderFailure(path, openError, folder))
    RaiseFolderUnreadable(folder, error);
}

// The ROM folder, opened once; `error` is why it could not be, 0 when it was.
TFd OpenFolder(const std::string& path, int& error) {
  TFd folder(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  error = folder.IsOpen() ? 0 : errno;
  return folder;
}

// A stored name appended as a native one: "/" for "\\".
void AppendNative(std::string& out, std::string_view stored) {
  const std::size_t start = out.size();
  out.append(stored);
  for (std::size_t i = start; i < out.size(); ++i)
    if (out[i] == '\\') out[i] = '/';
}

void AssignPreview(std::string& out, std::string_view romName) {
  const char* const dot = FindByte(romName.data(), romName.data() + romName.size(), '.');
  out.clear();
  out.append(romName.data(), dot ? static_cast<std::size_t>(dot - romName.data()) + 1 : 0);
  out.append("jpg", 3);
}

// Distinct companies in order of first appearance, compared exactly: the folded index finds the
// few that differ only in letter case, and the exact one among them.
class TCompanies {
 public:
  void Add(std::string_view company) {
    const auto key = [this](uint32_t i) -> std::string_view { return FList[i]; };
    for (uint32_t i = FIndex.Find(company, key); i != TFoldedIndex::kNone; i = FIndex.Next(i))
      if (FList[i] == company) return;
    FList.emplace_back(company);
    FIndex.Add(key);
  }
  std::vector<std::string> Take() { return std::move(FList); }

 private:
  std::vector<std::string> FList;
  TFoldedIndex FIndex;
};

// In the order the catalogue writes them, so that each key line finds its name early.
enum { kGame, kCountry, kCompany, kSystem, kYear, kRomname, kFiles, kSound, kPreview, kKeys };
constexpr std::string_view kNames[kKeys] = {"Game",    "Country", "Company", "System", "Year",
                                            "Romname", "Files",   "Sound",   "Preview"};

// "Rom<n>" in `section`, reusing its storage.
void AssignSection(std::string& section, std::size_t n) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
  section.assign("Rom", 3);
  section.append(digits, end);
}

// One game from the reading of its section to its hand-over. Values are left where they lie in
// the list file's text unless they had to be converted (into their store); every buffer is reused
// by the games that pass through the slot after it, so the audit allocates next to nothing per
// game.
struct TSlot {
  TGameView Game;
  std::string_view RomName, Files, Sound;
  std::string Stores[kKeys];
  std::string Preview, RomPath, Native, Moved;
  TAuditNote Note;
  std::exception_ptr Error;       // the archive could not be opened or read
  bool FolderFailed = false;      // Error is the ROM folder's: the game is not handed over
  std::atomic<bool> Done{false};  // read; the slot belongs to the handing-over thread again
};

// What a reading thread keeps from one archive to the next.
struct TReader {
  TArchiveFile File;
  long Cached = -1;  // the archive's entry in the cache, when it was found there unchanged
  long Next = -1;    // the cache's entry after the one found last
  TAuditCache::TRecord Record;
  std::string Converted, Whole;
  TFileChecker Check;
  std::string Parent;  // the native path of a parent's archive
};

using TClock = std::chrono::steady_clock;

// An archive in the page cache is read in microseconds; one that takes longer was waited for on a
// device (a share, a disk), and that is when more reads in flight pay. Until most reads wait, the
// calling thread reads alone, as fast as an audit without threads: a few slow ones (the listing of
// the folder for a name in another letter case, a moment without the processor) change nothing.
constexpr auto kDeviceRead = std::chrono::microseconds(100);
constexpr std::size_t kSlowReadsSeen = 4;

// What the readers' buffers hold together at most, the calling thread's included (an archive's
// directory may take 16 MiB): the parallel audit needs no more memory than one at a time plus
// this. The rest a reader holds is one member's name at a time.
constexpr std::size_t kReadersMemory = std::size_t{64} << 20;

// The games go through a ring of slots: the calling thread reads their sections into free slots
// (a batch at a time, so the readers are woken seldom), the readers claim the slots in catalogue
// order and read their archives, and the calling thread hands the games over in that order,
// reading an archive itself when the next game's is not yet claimed by anyone. The readers are
// started only once the archives turn out to be slow to read.
class TAudit {
 public:
  TAudit(const TIniFile& list, const std::string& workDir, std::string& RomDir, bool withNotes,
         TGameVisitor visit, const TAuditOptions& options)
      : FList(list),
        FRomDir(RomDir = IncludeTrailingBackslash(list.ReadString("General", "Path", "Roms\\"))),
        // Archives are opened relative to the ROM folder, whose path is resolved once; when it
        // cannot be opened, each archive is looked for by its whole path (and its name's case).
        FRomFolderPath(AbsolutePath(workDir, FRomDir)),
        FRomFolder(OpenFolder(FRomFolderPath, FRomFolderError)),
        // One listing of the ROM directory serves every game. A folder that opened is spelled as
        // it is on disk, so names are looked up from there without listing the folders above it.
        FLookup(FRomFolder.IsOpen() ? FRomFolderPath : workDir),
        FWithNotes(withNotes),
        FVisit(visit),
        FOptions(options),
        FReads(static_cast<std::size_t>(std::max(1, options.Reads))),
        // Room for each reader to run well ahead of the game handed over next.
        FRingSize(FReads == 1 ? 1 : 4 * FReads),
        FRing(std::make_unique<TSlot[]>(FRingSize)) {
    FOwnReader.File.BoundBy(&FReadersMemory);
    for (std::size_t i = 0; i < FRingSize; ++i) {
      FRing[i].RomPath = FRomDir;        // RomDir stays at its start
      FRing[i].Native = FRomFolderPath;  // the folder's path stays at its start
    }
  }
  ~TAudit() { StopReaders(); }

  std::vector<std::string> Run();

 private:
  bool ReadSection(std::size_t p, TSlot& s);
  void ReadArchive(std::size_t p, TSlot& s, TReader& reader);
  void CheckFiles(TReader& reader, TAuditNote& note);
  void ReadParents(TReader& reader, const TDatGame& game);
  void ReadParent(TReader& reader, std::string_view name);
  void Open(int dirFd, const char* name, const std::string& path, TReader& reader);
  std::size_t Scan(TReader& reader, TFunctionRef<bool(const TZipEntry&)> visit);
  void Process(std::size_t p, TReader& reader);
  std::optional<std::size_t> Claim();
  void Work();
  void ReadOwn(std::size_t p);
  void StopReaders();
  bool Cancelled() const {
    return FOptions.Control && FOptions.Control->Cancel.load(std::memory_order_relaxed);
  }

  const TIniFile& FList;
  const std::string FRomDir;
  const std::string FRomFolderPath;
  int FRomFolderError = 0;  // why the folder did not open
  const TFd FRomFolder;
  std::mutex FLookupLock;  // the listing cache is shared by the readers
  TFileLookup FLookup;
  const bool FWithNotes;
  const TGameVisitor FVisit;
  const TAuditOptions& FOptions;
  const std::size_t FReads, FRingSize;
  std::unique_ptr<TSlot[]> FRing;         // game p sits in slot p % FRingSize
  std::atomic<std::size_t> FPrepared{0};  // games whose sections are read: claimable below this
  std::atomic<std::size_t> FClaimed{0};   // games claimed by a reader: the next one to claim
  std::atomic<bool> FStop{false};
  TMemoryBudget FReadersMemory{kReadersMemory};
  std::vector<std::thread> FReaders;
  bool FReadersStarted = false;
  std::string FSection;
  TReader FOwnReader;
  // Archives read by the calling thread while it read alone, and how many of them were slow.
  std::size_t FOwnReads = 0, FSlowReads = 0;
};

bool TAudit::ReadSection(std::size_t p, TSlot& s) {
  static const TIniFile::TKeyNames keys(kNames, kKeys);
  std::string_view* const views[kKeys] = {&s.Game.Game,   &s.Game.Country, &s.Game.Company,
                                          &s.Game.System, &s.Game.Year,    &s.RomName,
                                          &s.Files,       &s.Sound,        &s.Game.Preview};
  TIniFile::TValueOut values[kKeys];
  for (int k = 0; k < kKeys; ++k) values[k] = {&s.Stores[k], views[k]};
  // One pass over the game's section reads all its keys. The first section is Rom1.
  AssignSection(FSection, p + 1);
  bool present[kKeys] = {};
  FList.ReadSection(FSection, keys, values, present);
  for (int k = 0; k < kKeys; ++k)
    if (!present[k]) *views[k] = {};
  if (s.Game.Game.empty()) return false;
  int32_t soundValue = 0;
  s.Game.SoundFlag = ParseProfileInteger(s.Sound, soundValue) && soundValue != 0;
  if (!present[kPreview]) {
    AssignPreview(s.Preview, s.RomName);  // reuses the string's storage
    s.Game.Preview = s.Preview;
  }
  s.RomPath.resize(FRomDir.size());
  s.RomPath.append(s.RomName);
  s.Game.RomPath = s.RomPath;
  s.Game.Available = false;
  s.Error = nullptr;
  s.FolderFailed = false;
  return true;
}

void TAudit::ReadArchive(std::size_t p, TSlot& s, TReader& reader) {
  if (FOptions.BeforeRead) FOptions.BeforeRead(p);
  if (!Absent(FRomFolderError) && FRomFolderError != 0)
    RaiseFolderUnreadable(FRomFolderPath, FRomFolderError);
  // The archive is opened once, at its stored name first; the folder is listed (once per audit)
  // only for names that differ in letter case from the file on disk. Its whole path is the ROM
  // folder's followed by its native name, as RomDir is followed by Romname.
  s.Native.resize(FRomFolderPath.size());
  AppendNative(s.Native, s.RomName);
  TArchiveFile& file = reader.File;
  if (FRomFolder.IsOpen()) {
    // A leading "/" of a stored name does not make it absolute below the folder ("Roms\\" +
    // "/x.zip" is "Roms//x.zip").
    std::size_t start = FRomFolderPath.size();
    while (start < s.Native.size() && s.Native[start] == '/') ++start;
    Open(FRomFolder.Get(), s.Native.c_str() + start, s.Native, reader);
  } else {
    Open(AT_FDCWD, s.Native.c_str(), s.Native, reader);
  }
  const std::string* archive = nullptr;  // where the archive is, when it is anywhere
  if (reader.Cached >= 0 || file.IsFile()) {
    archive = &s.Native;
  } else if (file.Missing()) {
    std::optional<std::string> other;
    {
      const std::lock_guard lock(FLookupLock);
      other = FLookup.FindFile(s.Native);
    }
    if (other) {
      s.Moved = std::move(*other);
      archive = &s.Moved;
      Open(AT_FDCWD, s.Moved.c_str(), s.Moved, reader);
    } else {
      RaiseIfFolderFailed(s.Native);  // the folder's listing may have failed with it
    }
  } else if (file.OpenError() != 0) {
    // Not opened, and not for its absence: when its folder cannot be examined, that is said.
    // Else the archive itself refuses to open, which ScanZip says below, unless it is no file.
    RaiseIfFolderFailed(s.Native, file.OpenError());
    struct stat info;
    if (stat(s.Native.c_str(), &info) == 0 ? S_ISREG(info.st_mode) : !Absent(errno))
      archive = &s.Native;
  }
  s.Game.Available = archive != nullptr;
  TAuditNote* const note = FWithNotes ? &s.Note : nullptr;
  if (note) {
    note->Reason = archive ? TAuditNote::Ok : TAuditNote::ArchiveMissing;
    // Most archives are where RomPath says; their path is derived when it is shown.
    note->ArchivePath.clear();
    if (archive && *archive != s.Native) note->ArchivePath = *archive;
    note->Found.clear();
    note->Expected.clear();
  }
  TFileChecker& check = reader.Check;
  if (note) {
    const TDatGame* dat = FOptions.Dat ? FOptions.Dat->Find(DatGameName(s.RomName)) : nullptr;
    note->DatGame = dat ? dat->Name : std::string();
    note->DatCloneOf = dat ? dat->CloneOf : std::string();
    note->DatRomOf = dat ? dat->RomOf : std::string();
    check.Begin(s.Files, dat);
    note->Listed = 0;
    note->Bad.clear();
    if (!archive) return CheckFiles(reader, *note);  // every file missing, but merged ones
  }
  // With notes every member is visited, so that every listed file is accounted for.
  const bool checking = note && check.Active();
  if (!archive || (s.Files.empty() && !checking)) return;
  // Until its directory is read the game is available on the archive's existence alone, which is
  // also what an archive that cannot be opened leaves behind.
  if (note && !s.Files.empty()) note->Reason = TAuditNote::DirectoryUnreadable;
  // The directory is walked where it lies in the read buffer and, unless every listed file is
  // accounted for, the walk stops at the first expected name; an archive that cannot be opened or
  // read raises here.
  std::optional<std::string_view> found;
  const auto visit = [&](const TZipEntry& entry) {
    const std::string_view member = entry.FileName(reader.Converted);
    if (checking) check.Member(entry, member, reader.Whole);
    if (found || s.Files.empty()) return checking;
    AnyName(s.Files, [&](std::string_view expected) {
      if (!SameName(expected, member)) return false;
      found = expected;
      return true;
    });
    return checking || !found;
  };
  std::size_t members = 0;
  try {
    members = Scan(reader, visit);
  } catch (const EFileError&) {
    RaiseIfFolderFailed(*archive);  // the share went away while the archive was read
    throw;
  }
  if (members == 0) {
    // A directory that cannot be read holds none of the listed files.
    if (!checking) return;
    CheckFiles(reader, *note);
    if (s.Files.empty() && !note->Bad.empty()) note->Reason = TAuditNote::Incomplete;
    return;
  }
  if (!s.Files.empty()) s.Game.Available = found.has_value();
  if (!note) return;
  if (checking) CheckFiles(reader, *note);
  if (s.Files.empty()) {
    if (note->Reason == TAuditNote::Ok && !note->Bad.empty()) note->Reason = TAuditNote::Incomplete;
    return;
  }
  note->Reason = TAuditNote::Ok;
  if (found) {
    note->Found = *found;
    if (!note->Bad.empty()) note->Reason = TAuditNote::Incomplete;
  } else {
    note->Reason = TAuditNote::NoExpectedFile;
    std::vector<std::string_view> names;
    SplitFiles(s.Files, names);
    note->Expected.assign(names.begin(), names.end());
  }
}

// The archive `name` below `dirFd`, whose whole path is `path`: found in the cache when its key is
// unchanged, and then not opened at all; else opened. Only an archive that the cache holds is
// looked at before it is opened, so a first audit costs no more than one without a cache.
void TAudit::Open(int dirFd, const char* name, const std::string& path, TReader& reader) {
  reader.Cached = -1;
  if (TAuditCache* const cache = FOptions.Cache) {
    const long entry = cache->Find(path, reader.Next);
    if (entry >= 0) reader.Next = entry + 1;
    struct stat st;
    if (entry >= 0 && fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode) &&
        cache->Holds(entry, FileKeyOf(st))) {
      reader.Cached = entry;
      return;
    }
  }
  reader.File.Open(dirFd, name, path);
}

// A directory walk that a cancel cuts short: a directory may hold hundreds of thousands of
// members. The members of the archive opened last come from the cache or from its directory;
// a directory read to its end is added to the cache whole, also past the member where `visit`
// stopped.
std::size_t TAudit::Scan(TReader& reader, TFunctionRef<bool(const TZipEntry&)> visit) {
  std::size_t seen = 0;
  const auto cut = [&](const TZipEntry& entry) {
    if (++seen % 4096 == 0 && Cancelled()) return false;
    return visit(entry);
  };
  TAuditCache* const cache = FOptions.Cache;
  TArchiveFile& file = reader.File;
  std::size_t members = 0;
  if (reader.Cached >= 0) {
    members = cache->Replay(reader.Cached, cut);
  } else if (!cache || !cache->On() || !file.IsFile()) {
    members = ScanZip(file, cut);
  } else {
    TAuditCache::TRecord& record = reader.Record;
    record.Begin(file.FileName(), FileKeyOf(file.Info()));
    bool visiting = true;
    ScanZip(file, [&](const TZipEntry& entry) {
      if (++seen % 4096 == 0 && Cancelled()) return false;
      record.Member(entry);
      if (visiting) {
        ++members;
        visiting = visit(entry);
      }
      return true;
    });
    if (!Cancelled()) cache->Keep(record);  // a walk cut short holds only part of it
  }
  if (Cancelled()) throw EAuditCancelled();
  return members;
}

// The files of the game not in its own archive are looked for up its chain of parents (a split
// set: a clone's, then its parent's, then a BIOS's), then the result goes into the note.
void TAudit::CheckFiles(TReader& reader, TAuditNote& note) {
  TFileChecker& check = reader.Check;
  if (check.Game() && check.WantsParents()) ReadParents(reader, *check.Game());
  check.End(note);
}

void TAudit::ReadParents(TReader& reader, const TDatGame& game) {
  TFileChecker& check = reader.Check;
  std::vector<const TDatGame*> chain{&game};
  for (const TDatGame* from = &game; check.WantsParents();) {
    const std::string_view link = from->Parent;
    if (link.empty()) return;  // the chain ends: what is left is missing
    // A DAT's name is a name: one that would reach another folder is never made a path of.
    if (link == "." || link == ".." || link.find_first_of("/\\") != std::string_view::npos)
      return check.ParentTrouble(
          {},
          TMessage::Template(
              QT_TRANSLATE_NOOP("Message",
                                "the parent \"%1\" of \"%2\" in the DAT is no archive name"),
              {std::string(link), from->Name}),
          false);
    const TDatGame* next = FOptions.Dat->Find(link);
    if (next && std::find(chain.begin(), chain.end(), next) != chain.end())
      return check.ParentTrouble(
          {},
          TMessage::Template(
              QT_TRANSLATE_NOOP("Message",
                                "the DAT's chain of parents of \"%1\" comes back to \"%2\""),
              {game.Name, next->Name}),
          false);
    ReadParent(reader, link);
    if (!next) {
      if (check.WantsParents())
        check.ParentTrouble(
            {},
            TMessage::Template(
                QT_TRANSLATE_NOOP("Message", "the DAT has no game \"%1\", the parent of \"%2\""),
                {std::string(link), from->Name}),
            false);
      return;
    }
    chain.push_back(next);
    from = next;
  }
}

// One archive of the chain, looked for as the game's own is. One that is not there or cannot be
// read makes the files looked for in it "not readable", and the audit goes on.
void TAudit::ReadParent(TReader& reader, std::string_view name) {
  TFileChecker& check = reader.Check;
  reader.Parent = FRomFolderPath;
  AppendNative(reader.Parent, name);
  reader.Parent.append(".zip");
  TArchiveFile& file = reader.File;
  Open(AT_FDCWD, reader.Parent.c_str(), reader.Parent, reader);
  if (reader.Cached < 0 && file.Missing()) {
    std::optional<std::string> other;
    {
      const std::lock_guard lock(FLookupLock);
      other = FLookup.FindFile(reader.Parent);
    }
    if (!other) return check.ParentTrouble(reader.Parent, {}, true);
    reader.Parent = std::move(*other);
    Open(AT_FDCWD, reader.Parent.c_str(), reader.Parent, reader);
  }
  try {
    if (reader.Cached < 0 && !file.IsFile() && (file.Missing() || !IsRegularFile(reader.Parent)))
      return check.ParentTrouble(reader.Parent, {}, true);
    Scan(reader, [&](const TZipEntry& entry) {
      check.ParentMember(entry, reader.Whole);
      return check.WantsParents();
    });
  } catch (const EFileError& e) {
    check.ParentTrouble(reader.Parent, e.Message, false);
  }
}

void TAudit::Process(std::size_t p, TReader& reader) {
  TSlot& s = FRing[p % FRingSize];
  try {
    ReadArchive(p, s, reader);
  } catch (const ERomFolderUnreadable&) {
    s.Error = std::current_exception();
    s.FolderFailed = true;
  } catch (...) {
    s.Error = std::current_exception();
  }
  s.Done.store(true, std::memory_order_release);
  s.Done.notify_one();
}

std::optional<std::size_t> TAudit::Claim() {
  std::size_t next = FClaimed.load(std::memory_order_relaxed);
  while (next < FPrepared.load(std::memory_order_acquire))
    if (FClaimed.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) return next;
  return std::nullopt;
}

void TAudit::Work() {
  TReader reader;
  reader.File.BoundBy(&FReadersMemory);
  for (;;) {
    const std::size_t prepared = FPrepared.load(std::memory_order_acquire);
    if (FStop.load(std::memory_order_acquire)) return;
    if (const auto p = Claim()) {
      // A claim past the last section read is the wake-up call of StopReaders.
      if (FStop.load(std::memory_order_acquire)) return;
      Process(*p, reader);
      continue;
    }
    // Nothing to claim: sleep until more sections are read (or the audit ends).
    reader.File.TrimBuffer();
    FPrepared.wait(prepared, std::memory_order_acquire);
  }
}

void TAudit::ReadOwn(std::size_t p) {
  if (FReadersStarted || FReads == 1) {
    Process(p, FOwnReader);
    return;
  }
  const TClock::time_point start = TClock::now();
  Process(p, FOwnReader);
  ++FOwnReads;
  if (TClock::now() - start > kDeviceRead) ++FSlowReads;
  // Most reads waited: the archives are on a device.
  if (FSlowReads < kSlowReadsSeen || 2 * FSlowReads <= FOwnReads) return;
  FReadersStarted = true;
  ShareHeaps();
  try {
    FReaders.reserve(FReads - 1);
    for (std::size_t r = 1; r < FReads; ++r) {
      if (FOptions.BeforeThread) FOptions.BeforeThread();
      FReaders.emplace_back([this] { Work(); });
    }
  } catch (...) {
    // No more threads to be had (a process limit, no memory): the readers there are read on, and
    // this thread with them, which claims what they do not. The outcome is the same.
  }
}

void TAudit::StopReaders() {
  FStop.store(true, std::memory_order_release);
  FPrepared.fetch_add(1, std::memory_order_acq_rel);  // wakes the sleepers, which see FStop
  FPrepared.notify_all();
  for (std::thread& reader : FReaders) reader.join();  // each ends after its current read
  FReaders.clear();
}

std::vector<std::string> TAudit::Run() {
  TAuditControl* const control = FOptions.Control;
  if (control) {
    control->Done.store(0, std::memory_order_relaxed);
    control->Total.store(CountGames(FList), std::memory_order_relaxed);
  }
  TCompanies companies;
  const std::size_t batch = std::max<std::size_t>(1, FRingSize / 4);
  std::size_t read = 0, handed = 0;  // sections read, games handed over
  bool ended = false;
  for (;;) {
    if (ended && handed == read) break;  // a cancel after the last game changes nothing
    if (Cancelled()) throw EAuditCancelled();
    if (!ended && FRingSize - (read - handed) >= batch) {
      while (!ended && read - handed < FRingSize) {
        if (ReadSection(read, FRing[read % FRingSize]))
          ++read;
        else
          ended = true;
      }
      FPrepared.store(read, std::memory_order_release);
      FPrepared.notify_all();
    }
    if (handed == read) continue;
    TSlot& s = FRing[handed % FRingSize];
    if (!s.Done.load(std::memory_order_acquire)) {
      // Rather than wait, read an archive no one has claimed yet: the next game's, as often as
      // not.
      if (const auto p = Claim()) {
        ReadOwn(*p);
        continue;
      }
      FOwnReader.File.TrimBuffer();  // the reader of that game may wait for its memory
      s.Done.wait(false, std::memory_order_acquire);
      continue;  // the cancel is looked at again before the hand-over
    }
    // A folder that cannot be examined says nothing of this game, which is not handed over.
    if (s.FolderFailed) std::rethrow_exception(s.Error);
    companies.Add(s.Game.Company);
    FVisit(s.Game, FWithNotes ? &s.Note : nullptr);
    if (s.Error) std::rethrow_exception(s.Error);  // the readers stop with the audit
    s.Done.store(false, std::memory_order_relaxed);
    ++handed;
    if (control) control->Done.store(handed, std::memory_order_relaxed);
  }
  return companies.Take();
}
}  // namespace

std::string DerivePreview(const std::string& romName) {
  std::string preview;
  AssignPreview(preview, romName);
  return preview;
}

void ShareHeaps() {
#ifdef M_ARENA_MAX
  static const bool once = (mallopt(M_ARENA_MAX, 1), true);
  (void)once;
#endif
}

std::size_t CountGames(const TIniFile& list) {
  static constexpr std::string_view kTitle[] = {"Game"};
  static const TIniFile::TKeyNames keys(kTitle, 1);
  std::string section, store;
  std::string_view title;
  const TIniFile::TValueOut value{&store, &title};
  std::size_t n = 0;
  for (;; ++n) {
    AssignSection(section, n + 1);
    bool present = false;
    list.ReadSection(section, keys, &value, &present);
    if (!present || title.empty()) return n;
  }
}

std::vector<std::string> AuditGames(const TIniFile& list, const std::string& workDir,
                                    std::string& RomDir, bool withNotes, TGameVisitor visit,
                                    const TAuditOptions* options) {
  static const TAuditOptions kDefaults;
  return TAudit(list, workDir, RomDir, withNotes, visit, options ? *options : kDefaults).Run();
}
