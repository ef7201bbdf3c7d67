// Loading and saving the settings record: keys of the game's own Rom<n> section plus General/Path,
// as kSettings describes them.
#include <string>

#include "catalogue/ListFile.h"
#include "launch/Launcher.h"
#include "launch/Plugins.h"

namespace {

std::string GameSection(int number) {
  return "Rom" + std::to_string(number);
}

int32_t DefaultNumber(const TSetting& setting) {
  int32_t value = 0;
  ParseProfileInteger(setting.Default, value);
  return value;
}

// The text a setting is stored as: texts as they stand, check boxes "1"/"0", indexes in decimal.
std::string StoredText(const TGameSettings& s, const TSetting& setting) {
  if (auto text = std::get_if<std::string TGameSettings::*>(&setting.Field)) return s.**text;
  if (auto flag = std::get_if<bool TGameSettings::*>(&setting.Field)) return s.**flag ? "1" : "0";
  return std::to_string(s.*std::get<int TGameSettings::*>(setting.Field));
}

}  // namespace

TLauncher::TLauncher(const TPaths& paths, IShell& shell) : FPaths(paths), FShell(shell) {}

void TLauncher::DiscoverRenderers() {
  Renderers = FindRenderers(FPaths.ExeDir);
  GameSettings.Renderer = Renderers.empty() ? -1 : 0;
}

void TLauncher::LoadSettings(int number) {
  const std::string path = ListFilePath(FPaths);
  EnsureListFile(path);
  LoadSettings(number, TListFile(path));
}

void TLauncher::LoadSettings(int number, const TListFile& file) {
  TGameSettings& s = GameSettings;
  const std::string game = GameSection(number);

  for (const TSetting& setting : kSettings) {
    // The ROM directory is read whatever the number is; game keys only for a game.
    if (!setting.Section && number <= 0) continue;
    const std::string section = setting.Section ? setting.Section : game;
    if (auto text = std::get_if<std::string TGameSettings::*>(&setting.Field)) {
      s.** text = file.ReadString(section, setting.Key, setting.Default);
    } else if (auto flag = std::get_if<bool TGameSettings::*>(&setting.Field)) {
      s.** flag = file.ReadBool(section, setting.Key, DefaultNumber(setting) != 0);
    } else {
      // A stored index that names no item leaves the list without a selection.
      const int32_t value = file.ReadInteger(section, setting.Key, DefaultNumber(setting));
      const std::size_t count = setting.Items ? setting.Items->size() : Renderers.size();
      s.*std::get<int TGameSettings::*>(setting.Field) =
          value >= 0 && static_cast<std::size_t>(value) < count ? value : -1;
    }
  }
}

void TLauncher::SaveSettings(int number) {
  // No EnsureListFile here: a missing file is created with just these keys.
  TListFileChange change(ListFilePath(FPaths));
  const std::string game = GameSection(number);
  for (const TSetting& setting : kSettings)
    change.WriteString(setting.Section ? setting.Section : game, setting.Key,
                       StoredText(GameSettings, setting));
  change.Commit();
}

void TLauncher::SaveRomDirectory(const std::string& romDir) {
  // A missing list file is created from the default catalogue in the same change.
  TListFileChange change(ListFilePath(FPaths), TListFileChange::StartFromCatalogue);
  change.WriteString(RomDirSetting().Section, RomDirSetting().Key, romDir);
  change.Commit();
}
