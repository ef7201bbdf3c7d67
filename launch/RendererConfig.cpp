// "renderer.cfg": the display options of the game about to start, read by the emulator.
#include <string>
#include <utility>
#include <vector>

#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"
#include "launch/Launcher.h"

namespace {

// The text of the chosen item; nothing chosen (or an index that names no item) gives "".
std::string ItemText(const std::vector<std::string>& items, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < items.size() ? items[index] : "";
}

const char* Flag(bool value) {
  return value ? "1" : "0";
}

std::string ColorDepth(int bpp) {
  switch (bpp) {
    case 0:
      return "15";
    case 1:
      return "16";
    default:
      // Nothing chosen: the emulator gets the default depth rather than no value at all.
      return "32";
  }
}

[[noreturn]] void RaiseWriteError(const std::string& path, int code, const TMessage& reason = {}) {
  throw EInOutError(
      path, FileError("write", path, reason.IsEmpty() ? SysErrorMessage(code) : reason), code);
}

}  // namespace

std::string TLauncher::RendererConfigText() const {
  const TGameSettings& s = GameSettings;
  const int quality =
      s.Quality >= 0 && static_cast<std::size_t>(s.Quality) < kQualityItems.size() ? s.Quality : -1;
  const std::pair<const char*, std::string> lines[] = {
      {"XSize", s.Xmax},
      {"YSize", s.Ymax},
      {"FullScreen", Flag(!s.Windowed)},
      {"ColorDepth", ColorDepth(s.BPP)},
      {"ScanLines", ItemText(kScanlinesItems, s.Scanlines)},
      {"Filtering", ItemText(kFilteringItems, s.Filtering)},
      {"Blending", ItemText(kBlendingItems, s.Blending)},
      {"Dithering", Flag(s.Dithering)},
      {"ShowFPS", Flag(s.FPS)},
      {"FrameLimitation", Flag(s.FrameLimit)},
      {"FrameSkipping", Flag(s.Skip)},
      {"FramerateDetection", Flag(s.Detection)},
      {"FramerateManual", s.FrameRate},
      {"TextureType", std::to_string(quality)},
      {"TextureCaching", ItemText(kCachingItems, s.Caching)},
      {"TurnDisplay", ItemText(kDisplayItems, s.Display)},
  };
  std::string text;
  for (const auto& [key, value] : lines) text += std::string(key) + "=" + value + "\r\n";
  return text;
}

void TLauncher::WriteRendererConfig() {
  const std::string path = FPaths.ExeDir + "renderer.cfg";
  const std::string text = RendererConfigText();

  // Written whole or not at all, as the list file is: on a full disk the emulator must not start
  // on a half-written file, and the previous one stays as it was. A named pipe or a device in its
  // place is refused, never waited on.
  WriteFileAtomic(path, text,
                  [&](int code, const TMessage& reason) { RaiseWriteError(path, code, reason); });
}
