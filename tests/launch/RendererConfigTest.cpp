#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "fileio/Errors.h"
#include "tests/launch/LaunchSupport.h"

namespace {

const char* const kDefaultConfig =
    "XSize=640\r\nYSize=480\r\nFullScreen=0\r\nColorDepth=32\r\nScanLines=0\r\nFiltering=0\r\n"
    "Blending=0\r\nDithering=0\r\nShowFPS=1\r\nFrameLimitation=1\r\nFrameSkipping=0\r\n"
    "FramerateDetection=1\r\nFramerateManual=100\r\nTextureType=3\r\nTextureCaching=2\r\n"
    "TurnDisplay=0\r\n";

}  // namespace

// ---- Content -------------------------------------------------------------------------------

TEST(RendererConfig, DefaultsGiveTheSixteenLines) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(1);
  s.Launcher.WriteRendererConfig();
  EXPECT_EQ(ReadFileBytes(s.Dir / "renderer.cfg"), kDefaultConfig);
}

TEST(RendererConfig, FollowsTheSettings) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(1);
  TGameSettings& g = s.Launcher.GameSettings;
  g.Windowed = false;
  g.Xmax = "1280";
  g.Ymax = " 9x";  // texts as typed
  g.BPP = 1;
  g.Scanlines = 2;
  g.Filtering = 3;
  g.Blending = 1;
  g.Dithering = true;
  g.FPS = g.FrameLimit = g.Detection = false;
  g.Skip = true;
  g.FrameRate = "";
  g.Quality = 0;
  g.Caching = 0;
  g.Display = 1;
  EXPECT_EQ(s.Launcher.RendererConfigText(),
            "XSize=1280\r\nYSize= 9x\r\nFullScreen=1\r\nColorDepth=16\r\nScanLines=2\r\n"
            "Filtering=3\r\nBlending=1\r\nDithering=1\r\nShowFPS=0\r\nFrameLimitation=0\r\n"
            "FrameSkipping=1\r\nFramerateDetection=0\r\nFramerateManual=\r\nTextureType=0\r\n"
            "TextureCaching=0\r\nTurnDisplay=1\r\n");
  g.BPP = 0;
  EXPECT_NE(s.Launcher.RendererConfigText().find("\r\nColorDepth=15\r\n"), std::string::npos);
}

TEST(RendererConfig, NothingChosenGivesEmptyValuesAndDefaultDepth) {
  TLaunchSetup s;  // before any load: every list without a selection
  const auto lines = SplitLines(s.Launcher.RendererConfigText());
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[3], "ColorDepth=32");
  EXPECT_EQ(lines[4], "ScanLines=");
  EXPECT_EQ(lines[5], "Filtering=");
  EXPECT_EQ(lines[6], "Blending=");
  EXPECT_EQ(lines[13], "TextureType=-1");
  EXPECT_EQ(lines[14], "TextureCaching=");
  EXPECT_EQ(lines[15], "TurnDisplay=");
}

TEST(RendererConfig, ReplacesALongerFileCompletely) {
  TLaunchSetup s;
  WriteFileBytes(s.Dir / "renderer.cfg", std::string(5000, 'x'));
  s.Launcher.LoadSettings(1);
  s.Launcher.WriteRendererConfig();
  EXPECT_EQ(ReadFileBytes(s.Dir / "renderer.cfg"), kDefaultConfig);
}

// ---- Failures ------------------------------------------------------------------------------

TEST(RendererConfig, UnwritableTargetRaisesNamingTheFile) {
  TLaunchSetup s;
  MakeDirs(s.Dir / "renderer.cfg");  // a directory in the way stops even root
  s.Launcher.LoadSettings(1);
  try {
    s.Launcher.WriteRendererConfig();
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.FileName, s.Dir / "renderer.cfg");
    EXPECT_EQ(e.ErrorCode, EISDIR);
    const std::string message = e.what();
    EXPECT_NE(message.find(s.Dir / "renderer.cfg"), std::string::npos) << message;
    EXPECT_NE(message.find("it is a directory"), std::string::npos) << message;
  }
}

TEST(RendererConfig, ANamedPipeIsRefusedNotWaitedOn) {
  TLaunchSetup s;
  const std::string path = s.Dir / "renderer.cfg";
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);  // with no reader, a blocking open waits for ever
  s.Launcher.LoadSettings(1);
  try {
    s.Launcher.WriteRendererConfig();
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot write \"" + path + "\": it is a named pipe, not a file.");
  }
}

TEST(RendererConfig, MissingExecutableDirectoryRaises) {
  TTempDir dir;
  TRecordingShell shell;
  TLauncher launcher(TPaths{dir / "gone/", dir.Path()}, shell);
  EXPECT_THROW(launcher.WriteRendererConfig(), EInOutError);
}

TEST(RendererConfig, FailedWriteStopsTheLaunch) {
  TLaunchSetup s;
  MakeDirs(s.Dir / "renderer.cfg");
  EXPECT_THROW(s.Launcher.PlayGame(0), EInOutError);
  EXPECT_TRUE(s.Shell.Calls.empty());
}

// Out of space: the previous file stays whole, nothing is left beside it, the emulator is not
// started.
TEST(RendererConfig, AFullDiskKeepsThePreviousFileAndStartsNothing) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small memory disk needs root";
  TLaunchSetup s;
  const std::string exe = s.Dir / "exe/";
  MakeDirs(exe);
  if (mount("tmpfs", exe.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "no memory disk: " << std::strerror(errno);
  struct TUnmount {
    std::string Dir;
    ~TUnmount() { umount2(Dir.c_str(), MNT_DETACH); }
  } unmount{exe};
  TLauncher launcher(TPaths{exe, s.Dir.Path()}, s.Shell);
  launcher.LoadSettings(1);  // the list file is made while there is room
  const std::string previous = std::string(kDefaultConfig) + "; the last game's\r\n";
  WriteFileBytes(exe + "renderer.cfg", previous);
  {
    const int fill = open((exe + "fill").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const std::string page(4096, 'x');
    while (write(fill, page.data(), page.size()) > 0) {
    }
    close(fill);
  }
  EXPECT_THROW(launcher.WriteRendererConfig(), EInOutError);
  EXPECT_THROW(launcher.PlayGame(0), EInOutError);
  EXPECT_TRUE(s.Shell.Calls.empty());
  EXPECT_EQ(ReadFileBytes(exe + "renderer.cfg"), previous);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(exe)) ++entries;
  EXPECT_EQ(entries, 3);  // the list file, renderer.cfg, the filling
}
