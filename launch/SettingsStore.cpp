// Loading and saving the settings record: keys of the game's own Rom<n> section plus General/Path.
#include <string>

#include "Launcher.h"
#include "ListFile.h"
#include "Plugins.h"

namespace {

const char* const kGeneral = "General";
const char* const kDefaultRomDir = "Roms\\";

std::string GameSection(int number) {
  return "Rom" + std::to_string(number);
}

// A stored index that names no item leaves the list without a selection.
int ReadIndex(const TListFile& file, const std::string& section, const char* key, int def,
              std::size_t count) {
  const int32_t value = file.ReadInteger(section, key, def);
  return value >= 0 && static_cast<std::size_t>(value) < count ? value : -1;
}

}  // namespace

TLauncher::TLauncher(const TPaths& paths, IShell& shell) : FPaths(paths), FShell(shell) {}

void TLauncher::DiscoverRenderers() {
  Renderers = FindRenderers(FPaths.ExeDir);
  GameSettings.Renderer = Renderers.empty() ? -1 : 0;
}

void TLauncher::LoadSettings(int Number) {
  const std::string path = ListFilePath(FPaths);
  EnsureListFile(path);
  LoadSettings(Number, TListFile(path));
}

void TLauncher::LoadSettings(int Number, const TListFile& file) {
  TGameSettings& s = GameSettings;

  if (Number > 0) {
    const std::string sec = GameSection(Number);
    s.CutOff = file.ReadString(sec, "CutOff", "22050");
    s.CBuffer = file.ReadString(sec, "CBuffer", "4096");
    s.DBuffer = file.ReadString(sec, "DBuffer", "2048");
    s.Interpreter = file.ReadBool(sec, "Interpreter", true);
    s.Geometry = file.ReadBool(sec, "Geometry", true);
    // The catalogue's sound flag; a game that has none is assumed to have working sound.
    s.Sound = file.ReadBool(sec, "Sound", true);
    s.Filter = file.ReadBool(sec, "Filter", false);
    s.Surround = file.ReadBool(sec, "Surround", false);
    s.Stereo = file.ReadBool(sec, "Stereo", false);
    s.Multiplier = file.ReadString(sec, "Multiplier", "40");
    s.Renderer = ReadIndex(file, sec, "Renderer", 0, Renderers.size());
    s.Windowed = file.ReadBool(sec, "Windowed", true);
    s.Xmax = file.ReadString(sec, "Xmax", "640");
    s.Ymax = file.ReadString(sec, "Ymax", "480");
    s.Dithering = file.ReadBool(sec, "Dithering", false);
    s.BPP = ReadIndex(file, sec, "BPP", 2, kBPPItems.size());
    s.FPS = file.ReadBool(sec, "FPS", true);
    s.Skip = file.ReadBool(sec, "Skip", false);
    s.Detection = file.ReadBool(sec, "Detection", true);
    s.FrameLimit = file.ReadBool(sec, "FrameLimit", true);
    s.FrameRate = file.ReadString(sec, "FrameRate", "100");
    s.Filtering = ReadIndex(file, sec, "Filtering", 0, kFilteringItems.size());
    s.Caching = ReadIndex(file, sec, "Caching", 2, kCachingItems.size());
    s.Quality = ReadIndex(file, sec, "Quality", 3, kQualityItems.size());
    s.Display = ReadIndex(file, sec, "Display", 0, kDisplayItems.size());
    s.Blending = ReadIndex(file, sec, "Blending", 0, kBlendingItems.size());
    s.Scanlines = ReadIndex(file, sec, "Scanlines", 0, kScanlinesItems.size());
  }

  s.RomDir = file.ReadString(kGeneral, "Path", kDefaultRomDir);
}

void TLauncher::SaveSettings(int Number) {
  // No EnsureListFile here: the first write creates a missing file with just these keys.
  TListFile file(ListFilePath(FPaths));
  const TGameSettings& s = GameSettings;
  const std::string sec = GameSection(Number);

  // This order is also the order in which the keys of a new section are appended.
  file.WriteString(sec, "CutOff", s.CutOff);
  file.WriteString(sec, "CBuffer", s.CBuffer);
  file.WriteString(sec, "DBuffer", s.DBuffer);
  file.WriteBool(sec, "Interpreter", s.Interpreter);
  file.WriteBool(sec, "Geometry", s.Geometry);
  file.WriteBool(sec, "Sound", s.Sound);
  file.WriteBool(sec, "Filter", s.Filter);
  file.WriteBool(sec, "Surround", s.Surround);
  file.WriteBool(sec, "Stereo", s.Stereo);
  file.WriteString(sec, "Multiplier", s.Multiplier);
  file.WriteInteger(sec, "Renderer", s.Renderer);
  file.WriteString(kGeneral, "Path", s.RomDir);
  file.WriteBool(sec, "Windowed", s.Windowed);
  file.WriteString(sec, "Xmax", s.Xmax);
  file.WriteString(sec, "Ymax", s.Ymax);
  file.WriteBool(sec, "Dithering", s.Dithering);
  file.WriteInteger(sec, "BPP", s.BPP);
  file.WriteBool(sec, "FPS", s.FPS);
  file.WriteBool(sec, "Skip", s.Skip);
  file.WriteBool(sec, "Detection", s.Detection);
  file.WriteBool(sec, "FrameLimit", s.FrameLimit);
  file.WriteString(sec, "FrameRate", s.FrameRate);
  file.WriteInteger(sec, "Filtering", s.Filtering);
  file.WriteInteger(sec, "Caching", s.Caching);
  file.WriteInteger(sec, "Quality", s.Quality);
  file.WriteInteger(sec, "Display", s.Display);
  file.WriteInteger(sec, "Blending", s.Blending);
  file.WriteInteger(sec, "Scanlines", s.Scanlines);
}
