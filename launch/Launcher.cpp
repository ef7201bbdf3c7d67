// The emulator's start: its parameter text and the shell's "Open" of "tavi.exe".
#include "launch/Launcher.h"

#include <string>

#include "catalogue/ListFile.h"

namespace {

const char* YesNo(bool value) {
  return value ? "yes" : "no";
}

}  // namespace

std::string TLauncher::Parameters(int p) const {
  const TGameSettings& s = GameSettings;
  std::string text = std::to_string(p + 1);
  // Values go in as they stand, unquoted, blanks included.
  if (!s.RomDir.empty()) text += " --roms-directory=" + s.RomDir;
  text += std::string(" --use-sound=") + YesNo(s.Sound);
  text += std::string(" --sound-filter-enable=") + YesNo(s.Filter);
  text += " --sound-filter-cutoff=" + s.CutOff;
  text += std::string(" --sound-surround-lite-enable=") + YesNo(s.Surround);
  text += " --sound-surround-lite-multiplier=" + s.Multiplier;
  text += std::string(" --sound-stereo-exciter=") + YesNo(s.Stereo);
  // The emulator's option is the reverse of the check box.
  text += std::string(" --use-slow-geometry=") + YesNo(!s.Geometry);
  text += " --renderer=";
  if (s.Renderer >= 0 && static_cast<std::size_t>(s.Renderer) < Renderers.size())
    text += FPaths.ExeDir + Renderers[s.Renderer];
  text += " --use-renderer-cfg-file=renderer.cfg";
  return text;
}

void TLauncher::PlayGame(int p) {
  const std::string path = ListFilePath(FPaths);
  EnsureListFile(path);
  const TListFile file(path);
  LoadSettings(p + 1, file);
  // A failure here raises, so the emulator never starts with a stale or missing file.
  WriteRendererConfig();
  // The title names the game's log and, should it fail, the game in the report.
  const TGameRef game{p + 1, file.ReadString("Rom" + std::to_string(p + 1), "Game", "")};
  FShell.OpenGame("tavi.exe", Parameters(p), game);
}
