#include <gtest/gtest.h>

#include <filesystem>

#include "tests/launch/LaunchSupport.h"

namespace {

const std::string kExampleHead =
    "1 --roms-directory=Roms\\ --use-sound=yes --sound-filter-enable=no "
    "--sound-filter-cutoff=22050 --sound-surround-lite-enable=no "
    "--sound-surround-lite-multiplier=40 --sound-stereo-exciter=no --use-slow-geometry=no "
    "--renderer=";
const std::string kCfgOption = " --use-renderer-cfg-file=renderer.cfg";

}  // namespace

// ---- Parameter text ------------------------------------------------------------------------

TEST(PlayGame, DefaultsGiveTheDocumentedText) {
  TLaunchSetup s;
  s.Launcher.Renderers = {"soft.tvi"};
  s.Launcher.PlayGame(0);
  ASSERT_EQ(s.Shell.Calls.size(), 1u);
  EXPECT_EQ(s.Shell.Calls[0].Program, "tavi.exe");
  EXPECT_EQ(s.Shell.Calls[0].Parameters, kExampleHead + s.Dir.Path() + "soft.tvi" + kCfgOption);
  EXPECT_TRUE(std::filesystem::exists(s.Dir / "renderer.cfg"));
}

TEST(PlayGame, LoadsTheGamesOwnSection) {
  TLaunchSetup s;
  s.Launcher.PlayGame(17);  // Rom18, "Sound=0"
  ASSERT_EQ(s.Shell.Calls.size(), 1u);
  const std::string& text = s.Shell.Calls[0].Parameters;
  EXPECT_EQ(text.rfind("18 --roms-directory=Roms\\ --use-sound=no ", 0), 0u) << text;
}

TEST(PlayGame, EmptyRomDirectoryLeavesTheOptionOut) {
  TLaunchSetup s;
  WriteFileBytes(s.ListFile(), "[General]\r\nPath=\r\n[Rom1]\r\nGame=X\r\n");
  s.Launcher.Renderers = {"soft.tvi"};
  s.Launcher.PlayGame(0);
  ASSERT_EQ(s.Shell.Calls.size(), 1u);
  EXPECT_EQ(s.Shell.Calls[0].Parameters.rfind("1 --use-sound=yes ", 0), 0u);
  EXPECT_EQ(s.Shell.Calls[0].Parameters.find("--roms-directory"), std::string::npos);
}

TEST(PlayGame, NoRendererPassesAnEmptyValue) {
  TLaunchSetup s;
  s.Launcher.PlayGame(0);
  ASSERT_EQ(s.Shell.Calls.size(), 1u);
  EXPECT_EQ(s.Shell.Calls[0].Parameters, kExampleHead + kCfgOption);
}

TEST(Parameters, ChecksBecomeYesOrNoAndGeometryIsReversed) {
  TLaunchSetup s;
  TGameSettings& g = s.Launcher.GameSettings;
  g.Sound = false;
  g.Filter = g.Surround = g.Stereo = true;
  g.Geometry = false;
  g.CutOff = "1";
  g.Multiplier = "2";
  g.RomDir = "/srv/My Roms/";  // unquoted, blank and all
  s.Launcher.Renderers = {"a.tvi", "b.tvi"};
  g.Renderer = 1;
  EXPECT_EQ(s.Launcher.Parameters(4),
            "5 --roms-directory=/srv/My Roms/ --use-sound=no --sound-filter-enable=yes "
            "--sound-filter-cutoff=1 --sound-surround-lite-enable=yes "
            "--sound-surround-lite-multiplier=2 --sound-stereo-exciter=yes "
            "--use-slow-geometry=yes --renderer=" +
                s.Dir.Path() + "b.tvi" + kCfgOption);
}

TEST(PlayGame, ConfigGoesNextToTheExecutableNotTheWorkingDirectory) {
  TTempDir exe, work;
  TRecordingShell shell;
  TLauncher launcher(TPaths{exe.Path(), work.Path()}, shell);
  launcher.PlayGame(0);
  EXPECT_TRUE(std::filesystem::exists(exe / "renderer.cfg"));
  EXPECT_FALSE(std::filesystem::exists(work / "renderer.cfg"));
  ASSERT_EQ(shell.Calls.size(), 1u);
  EXPECT_NE(shell.Calls[0].Parameters.find(" --use-renderer-cfg-file=renderer.cfg"),
            std::string::npos);
}
