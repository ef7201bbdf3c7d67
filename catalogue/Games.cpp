#include "Games.h"

#include <fcntl.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <new>
#include <optional>
#include <utility>

#include "Errors.h"
#include "FileDescriptor.h"
#include "ListFile.h"
#include "UZipList.h"

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

// Distinct companies in order of first appearance: an open-addressing table of their indexes,
// which finds a company in one hash of a few bytes.
class TCompanies {
 public:
  void Add(std::string_view company) {
    if (FSlots.size() < 2 * (FList.size() + 1)) Grow();
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t slot = HashSlot(FoldedHash(company), FSlots.size());;
         slot = (slot + 1) & mask) {
      const uint32_t entry = FSlots[slot];
      if (entry == 0) {
        FList.emplace_back(company);
        FSlots[slot] = static_cast<uint32_t>(FList.size());
        return;
      }
      if (FList[entry - 1] == company) return;
    }
  }
  std::vector<std::string> Take() { return std::move(FList); }

 private:
  void Grow() {
    FSlots.assign(std::max<std::size_t>(16, 2 * FSlots.size()), 0);
    const std::size_t mask = FSlots.size() - 1;
    for (uint32_t i = 0; i < FList.size(); ++i) {
      std::size_t slot = HashSlot(FoldedHash(FList[i]), FSlots.size());
      while (FSlots[slot] != 0) slot = (slot + 1) & mask;
      FSlots[slot] = i + 1;
    }
  }
  std::vector<std::string> FList;
  std::vector<uint32_t> FSlots;  // 1 + an index into FList, 0 when empty; a power of 2
};
}  // namespace

std::string DerivePreview(const std::string& romName) {
  std::string preview;
  AssignPreview(preview, romName);
  return preview;
}

std::vector<std::string> LoadGames(const TPaths& paths, TGameList& Games, std::string& RomDir,
                                   std::vector<TAuditNote>* notes) {
  const std::string listPath = ListFilePath(paths);
  EnsureListFile(listPath);
  const TListFile list(listPath);
  try {
    return LoadGamesFrom(list.Ini(), paths.WorkDir, Games, RomDir, notes);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(listPath);  // the games it lists (an archive's own says so)
  }
}

std::vector<std::string> LoadGamesFrom(const TIniFile& list, const std::string& workDir,
                                       TGameList& Games, std::string& RomDir,
                                       std::vector<TAuditNote>* notes) {
  Games.clear();
  Games.reserve(list.SectionCount());
  if (notes) {
    notes->clear();
    notes->reserve(Games.capacity());
  }
  return AuditGames(list, workDir, RomDir, notes != nullptr,
                    [&](const TGameView& game, TAuditNote* note) {
                      Games.push_back(game.ToGame());
                      if (notes) notes->push_back(std::move(*note));
                    });
}

TGame TGameView::ToGame() const {
  TGame game;
  game.Game = Game;
  game.Country = Country;
  game.Company = Company;
  game.System = System;
  game.Year = Year;
  game.RomPath = RomPath;
  game.Preview = Preview;
  game.Available = Available;
  game.SoundFlag = SoundFlag;
  return game;
}

std::vector<std::string> AuditGames(const TIniFile& list, const std::string& workDir,
                                    std::string& RomDir, bool withNotes, TGameVisitor visit) {
  RomDir = IncludeTrailingBackslash(list.ReadString("General", "Path", "Roms\\"));

  // Archives are opened relative to the ROM folder, whose path is resolved once; when it cannot
  // be opened, each archive is looked for by its whole path (and its name's letter case).
  const std::string romFolderPath = AbsolutePath(workDir, RomDir);
  const TFd romFolder(::open(romFolderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  // One listing of the ROM directory serves every game. A folder that opened is spelled as it
  // is on disk, so names are looked up from there without listing the folders above it.
  TFileLookup lookup(romFolder.IsOpen() ? romFolderPath : workDir);
  // One game's record and every buffer are made once and reused, so the audit allocates next to
  // nothing per game. Values are left where they lie in the list file's text, unless they had to
  // be converted (into their store).
  TGameView game;
  TAuditNote noteStore;
  TAuditNote* const note = withNotes ? &noteStore : nullptr;
  std::string section = "Rom", romPath = RomDir, preview, native = romFolderPath, moved, converted;
  std::string_view sound, romName, files;
  // In the order the catalogue writes them, so that each key line finds its name early.
  enum { kGame, kCountry, kCompany, kSystem, kYear, kRomname, kFiles, kSound, kPreview, kKeys };
  static constexpr std::string_view kNames[kKeys] = {
      "Game", "Country", "Company", "System", "Year", "Romname", "Files", "Sound", "Preview"};
  const TIniFile::TKeyNames keys(kNames, kKeys);
  std::string stores[kKeys];
  std::string_view* const views[kKeys] = {&game.Game,   &game.Country, &game.Company,
                                          &game.System, &game.Year,    &romName,
                                          &files,       &sound,        &game.Preview};
  TIniFile::TValueOut values[kKeys];
  for (int k = 0; k < kKeys; ++k) values[k] = {&stores[k], views[k]};
  std::vector<std::string_view> names;
  TArchiveFile file;
  TCompanies companies;
  for (int n = 1;; ++n) {
    // One pass over the game's section reads all its keys.
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    section.resize(3);
    section.append(digits, end);
    bool present[kKeys] = {};
    list.ReadSection(section, keys, values, present);
    for (int k = 0; k < kKeys; ++k)
      if (!present[k]) *views[k] = {};
    if (game.Game.empty()) break;
    int32_t soundValue = 0;
    game.SoundFlag = ParseProfileInteger(sound, soundValue) && soundValue != 0;
    if (!present[kPreview]) {
      AssignPreview(preview, romName);  // reuses the string's storage
      game.Preview = preview;
    }
    romPath.resize(RomDir.size());  // RomDir stays at its start
    romPath.append(romName);
    game.RomPath = romPath;
    companies.Add(game.Company);

    // The archive is opened once, at its stored name first; the folder is listed (once per
    // audit) only for names that differ in letter case from the file on disk. Its whole path is
    // the ROM folder's followed by its native name, as RomDir is followed by Romname.
    native.resize(romFolderPath.size());  // the folder's path stays at its start
    AppendNative(native, romName);
    if (romFolder.IsOpen()) {
      // A leading "/" of a stored name does not make it absolute below the folder ("Roms\\" +
      // "/x.zip" is "Roms//x.zip").
      std::size_t start = romFolderPath.size();
      while (start < native.size() && native[start] == '/') ++start;
      file.Open(romFolder.Get(), native.c_str() + start, native);
    } else {
      file.Open(AT_FDCWD, native.c_str(), native);
    }
    const std::string* archive = nullptr;  // where the archive is, when it is anywhere
    if (file.IsFile()) {
      archive = &native;
    } else if (file.Missing()) {
      if (auto other = lookup.FindFile(native)) {
        moved = std::move(*other);
        archive = &moved;
        file.Open(AT_FDCWD, moved.c_str(), moved);
      }
    } else if (IsRegularFile(native)) {
      archive = &native;  // there, but it cannot be opened: ScanZip says so below
    }
    game.Available = archive != nullptr;
    if (note) {
      note->Reason = archive ? TAuditNote::Ok : TAuditNote::ArchiveMissing;
      // Most archives are where RomPath says; their path is derived when it is shown.
      note->ArchivePath.clear();
      if (archive && *archive != native) note->ArchivePath = *archive;
      note->Found.clear();
      note->Expected.clear();
    }
    if (!archive || files.empty()) {
      visit(game, note);
      continue;
    }
    // Until its directory is read the game is available on the archive's existence alone,
    // which is also what an archive that cannot be opened leaves behind.
    if (note) note->Reason = TAuditNote::DirectoryUnreadable;
    // The directory is walked where it lies in the read buffer and the walk stops at the first
    // expected name; an archive that cannot be opened or read ends the audit here.
    std::optional<std::string_view> found;
    std::size_t members;
    try {
      members = ScanZip(file, [&](const TZipEntry& entry) {
        const std::string_view member = entry.FileName(converted);
        return !AnyName(files, [&](std::string_view expected) {
          if (!SameName(expected, member)) return false;
          found = expected;
          return true;
        });
      });
    } catch (...) {
      visit(game, note);
      throw;
    }
    if (members > 0) {
      if (note) note->Reason = TAuditNote::Ok;
      game.Available = found.has_value();
      if (note && found) {
        note->Found = *found;
      } else if (note) {
        note->Reason = TAuditNote::NoExpectedFile;
        SplitFiles(files, names);
        note->Expected.assign(names.begin(), names.end());
      }
    }
    visit(game, note);
  }
  return companies.Take();
}
