#include "Games.h"

#include <fcntl.h>

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "FileDescriptor.h"
#include "ListFile.h"
#include "UZipList.h"

namespace {
// "a,b" -> a, b; a comma at the very end adds no empty name, two in a row add one. Untrimmed.
void SplitFiles(std::string_view files, std::vector<std::string_view>& names) {
  names.clear();
  while (!files.empty()) {
    const auto comma = files.find(',');
    if (comma == std::string_view::npos) {
      names.emplace_back(files);
      break;
    }
    names.emplace_back(files.substr(0, comma));
    files.remove_prefix(comma + 1);
  }
}

// The archive's name below the ROM folder, for opening it relative to the folder: a leading "/"
// of a stored name does not make it absolute ("Roms\\" + "/x.zip" is "Roms//x.zip").
std::string BelowFolder(const std::string& romName) {
  std::string native = ToNativePath(romName);
  native.erase(0, native.find_first_not_of('/'));
  return native;
}
}  // namespace

std::string DerivePreview(const std::string& romName) {
  const auto dot = romName.find('.');
  return (dot == std::string::npos ? std::string() : romName.substr(0, dot + 1)) + "jpg";
}

std::vector<std::string> LoadGames(const TPaths& paths, TGameList& Games, std::string& RomDir,
                                   std::vector<TAuditNote>* notes) {
  const std::string listPath = ListFilePath(paths);
  EnsureListFile(listPath);
  return LoadGamesFrom(TListFile(listPath).Ini(), paths.WorkDir, Games, RomDir, notes);
}

std::vector<std::string> LoadGamesFrom(const TIniFile& list, const std::string& workDir,
                                       TGameList& Games, std::string& RomDir,
                                       std::vector<TAuditNote>* notes) {
  RomDir = IncludeTrailingBackslash(list.ReadString("General", "Path", "Roms\\"));

  Games.clear();
  Games.reserve(list.SectionCount());
  if (notes) {
    notes->clear();
    notes->reserve(Games.capacity());
  }
  TFileLookup lookup;  // one listing of the ROM directory serves every game
  // Archives are opened relative to the ROM folder, whose path is resolved once; when it cannot
  // be opened, each archive is looked for by its whole path (and its name's letter case).
  const TFd romFolder(
      ::open(AbsolutePath(workDir, RomDir).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::vector<std::string_view> names;  // reused by every game
  std::string converted;                // a member name that is not ASCII, in UTF-8
  for (int n = 1;; ++n) {
    // One pass over the game's section reads all its keys.
    enum { kGame, kCountry, kCompany, kSystem, kYear, kSound, kRomname, kPreview, kFiles, kKeys };
    static constexpr std::string_view kNames[kKeys] = {
        "Game", "Country", "Company", "System", "Year", "Sound", "Romname", "Preview", "Files"};
    std::string values[kKeys];
    bool present[kKeys] = {};
    list.ReadSection("Rom" + std::to_string(n), kNames, kKeys, values, present);
    TGame game;
    game.Game = std::move(values[kGame]);
    if (game.Game.empty()) break;
    game.Country = std::move(values[kCountry]);
    game.Company = std::move(values[kCompany]);
    game.System = std::move(values[kSystem]);
    game.Year = std::move(values[kYear]);
    int32_t sound = 0;
    game.SoundFlag = ParseProfileInteger(values[kSound], sound) && sound != 0;
    const std::string romName = std::move(values[kRomname]);
    game.Preview = present[kPreview] ? std::move(values[kPreview]) : DerivePreview(romName);
    game.RomPath = RomDir + romName;
    const std::string files = std::move(values[kFiles]);

    // The archive is opened once, at its stored name first; the folder is listed (once per
    // audit) only for names that differ in letter case from the file on disk.
    const std::string native = AbsolutePath(workDir, game.RomPath);
    TArchiveFile file = romFolder.IsOpen()
                            ? TArchiveFile(romFolder.Get(), BelowFolder(romName), native)
                            : TArchiveFile(native);
    std::optional<std::string> archive;
    if (file.IsFile()) {
      archive = native;
    } else if (file.Missing()) {
      archive = lookup.FindFile(native);
      if (archive) file = TArchiveFile(*archive);
    } else if (IsRegularFile(native)) {
      archive = native;  // there, but it cannot be opened: TZip says so below
    }
    game.Available = archive.has_value();
    Games.push_back(std::move(game));
    TAuditNote* note = nullptr;
    if (notes) {
      note = &notes->emplace_back();
      note->Reason = archive ? TAuditNote::Ok : TAuditNote::ArchiveMissing;
      // Most archives are where RomPath says; their path is derived when it is shown.
      if (archive && *archive != native) note->ArchivePath = std::move(*archive);
    }

    if (!archive || files.empty()) continue;
    // Until its directory is read the game is available on the archive's existence alone,
    // which is also what an archive that cannot be opened leaves behind.
    if (note) note->Reason = TAuditNote::DirectoryUnreadable;
    SplitFiles(files, names);
    // The directory is walked where it lies in the read buffer and the walk stops at the first
    // expected name; an archive that cannot be opened or read ends the load here.
    std::optional<std::string_view> found;
    const std::size_t members = ScanZip(file, [&](const TZipEntry& entry) {
      const std::string_view member = entry.FileName(converted);
      for (const std::string_view expected : names) {
        if (SameName(expected, member)) {
          found = expected;
          return false;
        }
      }
      return !names.empty();
    });
    if (members == 0) continue;
    if (note) note->Reason = TAuditNote::Ok;
    if (names.empty()) continue;
    Games.back().Available = found.has_value();
    if (!note) continue;
    if (found) {
      note->Found = *found;
    } else {
      note->Reason = TAuditNote::NoExpectedFile;
      note->Expected.assign(names.begin(), names.end());
    }
  }

  std::vector<std::string> companies;
  std::unordered_set<std::string> seen;
  for (const auto& game : Games)
    if (seen.insert(game.Company).second) companies.push_back(game.Company);
  return companies;
}
