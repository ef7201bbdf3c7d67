// "renderer.cfg": the display options of the game about to start, read by the emulator.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "AtomicFile.h"
#include "Errors.h"
#include "FileDescriptor.h"
#include "Launcher.h"

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

  // Written in place (like any text file the emulator reads): an existing file keeps its
  // permissions and links, and is emptied once it is known to be a file. Opened without blocking,
  // and only a regular file is written: a named pipe or a device there is refused, never waited on.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    RaiseWriteError(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL, NotRegularReason(st.st_mode));
  TFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
  if (!fd.IsOpen()) RaiseWriteError(path, errno);
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd.Get(), 0) != 0)
    RaiseWriteError(path, errno, S_ISREG(st.st_mode) ? TMessage() : NotRegularReason(st.st_mode));
  if (!WriteFull(fd.Get(), text.data(), text.size())) RaiseWriteError(path, errno);
  // A delayed write error (full disk on some file systems) shows up only here.
  if (fd.Close() != 0) RaiseWriteError(path, errno);
}
