// ludra's commands without a window, run as a user runs them: a real process, no display.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "FolderChooser.h"
#include "MainWindowFixture.h"

namespace {
// A copy of the program in `dir` (a copy in the emulator's folder is what a user runs), started
// there with no display at all.
TRun Ludra(const std::string& dir, const std::string& arguments, const std::string& env = "") {
  if (!std::filesystem::exists(dir + "ludra"))
    std::filesystem::copy_file(LUDRA_PROGRAM, dir + "ludra");
  const std::string command = "cd '" + dir +
                              "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env +
                              " ./ludra " + arguments + " 2>&1";
  return RunCommand(command);
}

// A stand-in emulator that writes down the parameter text it was started with.
void StandIn(const std::string& dir) {
  WriteFileBytes(dir + "tavi.exe",
                 "#!/bin/sh\nprintf '%s' \"$*\" > \"$(dirname \"$0\")/args.tmp\"\n"
                 "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
  chmod((dir + "tavi.exe").c_str(), 0755);
}

std::string WaitForText(const std::string& path) {
  for (int i = 0; i < 500 && !std::filesystem::exists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return std::filesystem::exists(path) ? ReadFileBytes(path) : "(nothing)";
}

const char* const kTwoGames =
    "[General]\nPath=My Roms\\\n"
    "[Rom1]\nGame=First\nCompany=A\nYear=1996\nRomname=first.zip\n"
    "[Rom2]\nGame=Fighter's \"Best\" 100%\nCompany=B\nYear=1997\nRomname=best.zip\n"
    "Sound=0\nFilter=1\nCutOff=11025\nRenderer=0\n";
}  // namespace

TEST(CommandLine, RunStartsTheGameAsADoubleClickDoesWithoutADisplay) {
  TMainWindowFixture f;
  f.List(kTwoGames);
  std::filesystem::copy_file(std::string(LUDRA_PLUGIN_FIXTURES) + "renderer.tvi",
                             f.Dir / "gpu_test.tvi");
  StandIn(f.Dir.Path());
  f.Launcher.DiscoverRenderers();  // as the properties dialog does at the window's start
  f.Main().FormActivate();
  ASSERT_TRUE(f.SelectGame("Fighter's \"Best\" 100%"));
  f.Main().lvGamesDblClick();
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  const std::string clicked = f.Shell.Calls[0].Parameters;
  ASSERT_NE(clicked.find("--renderer=" + f.Dir.Path() + "gpu_test.tvi"), std::string::npos);
  const std::string config = ReadFileBytes(f.Dir / "renderer.cfg");
  std::filesystem::remove(f.Dir / "renderer.cfg");

  const TRun run = Ludra(f.Dir.Path(), "--run 2");
  EXPECT_EQ(run.ExitCode, 0) << run.Out;
  EXPECT_EQ(WaitForText(f.Dir / "args.txt"), clicked);
  EXPECT_EQ(ReadFileBytes(f.Dir / "renderer.cfg"), config);

  const TRun none = Ludra(f.Dir.Path(), "--run 3");
  EXPECT_EQ(none.ExitCode, 2) << none.Out;
  EXPECT_NE(none.Out.find("no game 3 in \"" + f.Dir.Path() + "ludra.ini\""), std::string::npos)
      << none.Out;
  EXPECT_EQ(Ludra(f.Dir.Path(), "--run 2 --run 1").ExitCode, 2);
  EXPECT_EQ(Ludra(f.Dir.Path(), "--run -platform offscreen").ExitCode, 2);

  std::filesystem::remove(f.Dir / "tavi.exe");
  const TRun failed = Ludra(f.Dir.Path(), "--run 1");
  EXPECT_EQ(failed.ExitCode, 1) << failed.Out;
  EXPECT_NE(failed.Out.find(f.Dir.Path() + "tavi.exe"), std::string::npos) << failed.Out;
}

TEST(CommandLine, HelpFollowsTheLocale) {
  TTempDir dir;
  const TRun german =
      Ludra(dir.Path(), "--help", "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=de_DE.UTF-8");
  EXPECT_EQ(german.ExitCode, 0);
  EXPECT_EQ(german.Out.rfind("Aufruf: ludra [--emulator-dir ORDNER", 0), 0u) << german.Out;
  const TRun english = Ludra(dir.Path(), "--help", "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=C");
  EXPECT_EQ(english.Out.rfind("usage: ludra [--emulator-dir DIR", 0), 0u) << english.Out;
}

TEST(CommandLine, DesktopEntryStartsTheGameFromItsFolderWithItsScreenshot) {
  TTempDir top;
  const std::string dir = top / "Arcade $HOME `x` 50%/";
  MakeDirs(dir + "Shots");
  WriteFileBytes(dir + "ludra.ini", kTwoGames);
  WriteFileBytes(dir + "Shots/FIRST.JPG", "a picture");
  const std::string data = top / "data";

  const TRun first = Ludra(dir, "--desktop-entry 1", "XDG_DATA_HOME='" + data + "'");
  ASSERT_EQ(first.ExitCode, 0) << first.Out;
  const std::string file = data + "/applications/ludra-first.desktop";
  EXPECT_EQ(first.Out, file + "\n");
  const std::string text = ReadFileBytes(file);
  // Quoted for Exec ($ and ` escaped, % doubled), then escaped as a string (\ doubled).
  EXPECT_NE(
      text.find("\nExec=\"" + top.Path() + "Arcade \\\\$HOME \\\\`x\\\\` 50%%/ludra\" --run 1\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("\nPath=" + dir + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=" + dir + "Shots/FIRST.JPG\n"), std::string::npos) << text;

  const TRun second = Ludra(dir, "--desktop-entry 2", "XDG_DATA_HOME='" + data + "'");
  ASSERT_EQ(second.ExitCode, 0) << second.Out;
  const std::string best = ReadFileBytes(data + "/applications/ludra-fighter-s-best-100.desktop");
  EXPECT_NE(best.find("\nName=Fighter's \"Best\" 100%\n"), std::string::npos) << best;
  EXPECT_NE(best.find("\nIcon=org.ludra.Ludra\n"), std::string::npos) << best;

  if (std::system("command -v desktop-file-validate >/dev/null") != 0)
    GTEST_SKIP() << "desktop-file-validate is not installed";
  for (const std::string& entry : {file, data + "/applications/ludra-fighter-s-best-100.desktop"})
    EXPECT_EQ(std::system(("desktop-file-validate '" + entry + "'").c_str()), 0) << entry;
}

TEST(CommandLine, AnInstalledWindowAsksForTheEmulatorsFolderOnlyWhenNoneIsKnownAndRemembersIt) {
  TTempDir dir;
  const TEmulatorFolder folders(dir / "config/ludra/");
  TFakeChooser chooser;
  EXPECT_EQ(WindowEmulatorFolder(std::nullopt, chooser, folders), std::nullopt);  // cancelled
  EXPECT_EQ(chooser.Prompt, QStringLiteral("Choose the emulator's folder"));
  EXPECT_EQ(chooser.Start, QDir::homePath());
  EXPECT_TRUE(chooser.Told.empty());
  EXPECT_FALSE(std::filesystem::exists(folders.RememberedFile()));

  // A folder without the emulator is refused with a word and the chooser asks again, from there.
  MakeDirs(dir / "empty");
  MakeDirs(dir / "picked");
  WriteFileBytes(dir / "picked/TAVI.EXE", "");
  chooser.Asked = 0;
  chooser.Answers = {QString::fromStdString(dir / "empty"), QString::fromStdString(dir / "picked")};
  EXPECT_EQ(WindowEmulatorFolder(std::nullopt, chooser, folders), dir / "picked/");
  EXPECT_EQ(chooser.Asked, 2);
  ASSERT_EQ(chooser.Told.size(), 1u);
  EXPECT_TRUE(chooser.Told[0].contains(QString::fromStdString(dir / "empty/")))
      << chooser.Told[0].toStdString();
  EXPECT_EQ(chooser.Start, QString::fromStdString(dir / "empty"));
  EXPECT_EQ(folders.Remembered(), dir / "picked/");

  MakeDirs(dir / "found");
  EXPECT_EQ(WindowEmulatorFolder(dir / "found/", chooser, folders), dir / "found/");
  EXPECT_EQ(chooser.Asked, 2);  // found without asking
  EXPECT_EQ(folders.RememberedPath(), dir / "found/");

  // Asked anew (the desktop entry's action): opens at the folder in use; cancelling keeps it.
  chooser.Answers.clear();
  chooser.Asked = 0;
  EXPECT_EQ(WindowEmulatorFolder(dir / "found/", chooser, folders, true), dir / "found/");
  EXPECT_EQ(chooser.Start, QString::fromStdString(dir / "found/"));
  chooser.Asked = 0;
  chooser.Answers = {QString::fromStdString(dir / "picked")};
  EXPECT_EQ(WindowEmulatorFolder(dir / "found/", chooser, folders, true), dir / "picked/");
  EXPECT_EQ(folders.Remembered(), dir / "picked/");

  // The remembered folder has gone: named before the chooser opens near it.
  std::filesystem::remove_all(dir / "picked");
  chooser.Answers.clear();
  chooser.Told.clear();
  EXPECT_EQ(WindowEmulatorFolder(std::nullopt, chooser, folders), std::nullopt);
  ASSERT_EQ(chooser.Told.size(), 1u);
  EXPECT_TRUE(chooser.Told[0].contains(QString::fromStdString(dir / "picked/")))
      << chooser.Told[0].toStdString();
  EXPECT_TRUE(chooser.Told[0].contains(QStringLiteral("no longer exists")))
      << chooser.Told[0].toStdString();
  EXPECT_EQ(chooser.Start, QString::fromStdString(dir.Path()));
}
