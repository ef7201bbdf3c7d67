// ludra's commands without a window, run as a user runs them: a real process, no display.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "app/RunCommand.h"
#include "app/WindowEmulatorFolder.h"
#include "launch/RunReport.h"
#include "tests/ui/MainWindowFixture.h"

namespace {
// A copy of the program in `dir` (a copy in the emulator's folder is what a user runs), started
// there with no display and no session bus at all; the emulator's logs go to dir/state.
TRun Ludra(const std::string& dir, const std::string& arguments, const std::string& env = "") {
  if (!std::filesystem::exists(dir + "ludra"))
    std::filesystem::copy_file(LUDRA_PROGRAM, dir + "ludra");
  const std::string command = "cd '" + dir +
                              "' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                              "-u DBUS_SESSION_BUS_ADDRESS XDG_STATE_HOME='" +
                              dir + "state' " + env + " ./ludra " + arguments + " 2>&1";
  return RunCommand(command);
}

// A stand-in emulator that writes down the parameter text it was started with.
void StandIn(const std::string& dir) {
  WriteFileBytes(dir + "tavi.exe",
                 "#!/bin/sh\nprintf '%s' \"$*\" > \"$(dirname \"$0\")/args.tmp\"\n"
                 "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
  chmod((dir + "tavi.exe").c_str(), 0755);
}

// A stand-in emulator that fails at once, with a line of output.
void FailingStandIn(const std::string& dir) {
  WriteFileBytes(dir + "tavi.exe", "#!/bin/sh\necho 'fatal: cannot find sfe-04a'\nexit 3\n");
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
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Fighter's \"Best\" 100%"));
  f.DoubleClick();
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  const std::string clicked = f.Shell.Calls[0].Parameters;
  ASSERT_NE(clicked.find("--renderer=" + f.Dir.Path() + "gpu_test.tvi"), std::string::npos);
  const std::string config = ReadFileBytes(f.Dir / "renderer.cfg");
  std::filesystem::remove(f.Dir / "renderer.cfg");

  // A broken font set-up is no concern of a mode that shows no text: nothing reads fonts there.
  const TRun run = Ludra(f.Dir.Path(), "--run 2", "FONTCONFIG_FILE=/nonexistent/fonts.conf");
  EXPECT_EQ(run.ExitCode, 0) << run.Out;
  EXPECT_EQ(run.Out.find("Fontconfig"), std::string::npos) << run.Out;
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
  const std::string longTitle(1000, 'L');
  WriteFileBytes(dir + "ludra.ini", std::string(kTwoGames) +
                                        "[Rom3]\nGame=FIGHTER S: best (100)\nRomname=b.zip\n"
                                        "[Rom4]\nGame=" +
                                        longTitle + "\nRomname=l.zip\n");
  WriteFileBytes(dir + "Shots/FIRST.JPG", "a picture");
  StandIn(dir);
  const std::string data = top / "data";
  const std::string apps = data + "/applications/";
  // The path of the entry written, from what the command prints.
  auto entry = [&](int game) {
    const TRun run =
        Ludra(dir, "--desktop-entry " + std::to_string(game), "XDG_DATA_HOME='" + data + "'");
    EXPECT_EQ(run.ExitCode, 0) << run.Out;
    EXPECT_EQ(run.Out.rfind(apps + "ludra-", 0), 0u) << run.Out;
    return run.Out.empty() ? std::string() : run.Out.substr(0, run.Out.size() - 1);
  };

  const std::string file = entry(1);
  const std::string text = ReadFileBytes(file);
  // Quoted for Exec ($ and ` escaped, % doubled), then escaped as a string (\ doubled); started
  // through env, which launchers find before they undo the doubled %.
  const std::string exec =
      "\nExec=env \"" + top.Path() + "Arcade \\\\$HOME \\\\`x\\\\` 50%%/ludra\" --run 1\n";
  EXPECT_NE(text.find(exec), std::string::npos) << text;
  EXPECT_NE(text.find("\nPath=" + dir + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nIcon=" + dir + "Shots/FIRST.JPG\n"), std::string::npos) << text;

  // Titles that differ only in case and punctuation, and one past any file name's length, each
  // get an entry of their own; the title stays the entry's name.
  const std::string best = entry(2), twin = entry(3), longest = entry(4);
  EXPECT_NE(best, twin);
  EXPECT_NE(ReadFileBytes(best).find("\nName=Fighter's \"Best\" 100%\n"), std::string::npos);
  EXPECT_NE(ReadFileBytes(best).find("\nIcon=org.ludra.Ludra\n"), std::string::npos);
  EXPECT_NE(ReadFileBytes(twin).find("\nName=FIGHTER S: best (100)\n"), std::string::npos);
  EXPECT_NE(ReadFileBytes(longest).find("\nName=" + longTitle + "\n"), std::string::npos);

  // The same name on the next run; the entry this game had under its title's name goes, another
  // game's entry under such a name stays.
  std::filesystem::rename(file, apps + "ludra-first.desktop");
  WriteFileBytes(apps + "ludra-fighter-s-best-100.desktop", ReadFileBytes(best));
  EXPECT_EQ(entry(1), file);
  EXPECT_FALSE(std::filesystem::exists(apps + "ludra-first.desktop"));
  EXPECT_EQ(entry(3), twin);
  EXPECT_TRUE(std::filesystem::exists(apps + "ludra-fighter-s-best-100.desktop"));

  // The same copy started from another emulator's folder writes that folder's own entry.
  const std::string second = top / "second/";
  MakeDirs(second);
  StandIn(second);
  const TRun elsewhere = RunCommand("cd '" + second + "' && env -u DISPLAY XDG_DATA_HOME='" + data +
                                    "' '" + dir + "ludra' --desktop-entry 1");
  EXPECT_EQ(elsewhere.ExitCode, 0) << elsewhere.Out;
  EXPECT_NE(elsewhere.Out, file + "\n");
  EXPECT_NE(ReadFileBytes(file).find("\nPath=" + dir + "\n"), std::string::npos);

  // GLib's launcher loads the entry and starts the game.
  if (std::system("command -v gio >/dev/null") == 0) {
    const TRun launched = RunCommand(
        "env -u DISPLAY -u WAYLAND_DISPLAY -u DBUS_SESSION_BUS_ADDRESS XDG_STATE_HOME='" +
        top / "state" + "' gio launch '" + file + "' 2>&1");
    EXPECT_EQ(launched.ExitCode, 0) << launched.Out;
    EXPECT_EQ(WaitForText(dir + "args.txt").rfind("1 ", 0), 0u);
  }
  if (std::system("command -v desktop-file-validate >/dev/null") != 0)
    GTEST_SKIP() << "desktop-file-validate is not installed";
  for (const std::string& path : {file, best, longest})
    EXPECT_EQ(std::system(("desktop-file-validate '" + path + "'").c_str()), 0) << path;
}

// An entry for a folder without the emulator could only fail: refused, naming what is missing,
// and nothing is written there.
TEST(CommandLine, DesktopEntryRefusesAFolderWithoutTheEmulator) {
  TTempDir dir;
  const TRun run = Ludra(dir.Path(), "--desktop-entry 1", "XDG_DATA_HOME='" + dir / "data" + "'");
  EXPECT_EQ(run.ExitCode, 1) << run.Out;
  EXPECT_NE(run.Out.find(dir / "tavi.exe"), std::string::npos) << run.Out;
  EXPECT_FALSE(std::filesystem::exists(dir / "ludra.ini"));
  EXPECT_FALSE(std::filesystem::exists(dir / "data"));
}

// Only Ludra's own entries are replaced or removed. A file of the user's (also a customised one
// under the old title's name, starting the same command), a link (its target untouched), a named
// pipe or a folder at an entry's name stays as it is, and --desktop-entry says so.
TEST(CommandLine, DesktopEntryTouchesOnlyWhatLudraWrote) {
  TTempDir top;
  const std::string dir = top / "emu/";
  MakeDirs(dir);
  WriteFileBytes(dir + "ludra.ini", kTwoGames);
  StandIn(dir);
  const std::string apps = top / "data/applications/";
  const std::string env = "XDG_DATA_HOME='" + top / "data" + "'";
  const TRun first = Ludra(dir, "--desktop-entry 1", env);
  ASSERT_EQ(first.ExitCode, 0) << first.Out;
  const std::string file = first.Out.substr(0, first.Out.size() - 1);
  const std::string ours = ReadFileBytes(file);
  EXPECT_NE(ours.find("\nTryExec=" + dir + "ludra\n"), std::string::npos) << ours;
  const std::size_t mark = ours.find("\nX-Ludra-Game=");
  ASSERT_NE(mark, std::string::npos) << ours;
  std::string custom = ours;
  custom.erase(mark, custom.find('\n', mark + 1) - mark);
  custom.replace(custom.find("Name=First"), 10, "Name=My First");

  WriteFileBytes(apps + "ludra-first.desktop", custom);
  EXPECT_EQ(Ludra(dir, "--desktop-entry 1", env).ExitCode, 0);
  EXPECT_EQ(ReadFileBytes(apps + "ludra-first.desktop"), custom);

  WriteFileBytes(top / "target", "mine\n");
  auto kept = [&](int kind) {
    switch (kind) {
      case 0:
        return ReadFileBytes(file) == custom;
      case 1:
        return std::filesystem::is_symlink(file) && ReadFileBytes(top / "target") == "mine\n";
      case 2:
        return std::filesystem::is_fifo(file);
      default:
        return std::filesystem::is_directory(file);
    }
  };
  for (int kind = 0; kind < 4; ++kind) {
    std::filesystem::remove_all(file);
    if (kind == 0) WriteFileBytes(file, custom);
    if (kind == 1) {
      ASSERT_EQ(::symlink((top / "target").c_str(), file.c_str()), 0);
    }
    if (kind == 2) {
      ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    }
    if (kind == 3) MakeDirs(file);
    const TRun run = Ludra(dir, "--desktop-entry 1", env);
    EXPECT_EQ(run.ExitCode, 1) << run.Out;
    EXPECT_NE(run.Out.find("Cannot write \"" + file + "\": something that is no entry of Ludra's"),
              std::string::npos)
        << run.Out;
    EXPECT_TRUE(kept(kind)) << kind;
  }
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
  WriteFileBytes(dir / "picked/TAVI.EXE", "MZ");
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

TEST(CommandLine, RunReportsAQuickFailureWithTheEmulatorsLastLinesAndTheMissingRoms) {
  TTempDir dir;
  std::string list = kTwoGames;
  list.insert(list.find("first.zip\n") + 10, "Files=sfe-04a,sfe-05m\n");
  WriteFileBytes(dir / "ludra.ini", list);
  MakeDirs(dir / "My Roms");
  TZipMember member;
  member.Name = "sfe-04a";
  WriteFileBytes(dir / "My Roms/first.zip", BuildZip({member}));
  FailingStandIn(dir.Path());
  const auto started = std::chrono::steady_clock::now();
  const TRun run = Ludra(dir.Path(), "--run 1");
  EXPECT_LT(std::chrono::steady_clock::now() - started, kQuickFailureWindow);
  EXPECT_EQ(run.ExitCode, 1) << run.Out;
  for (const std::string& part :
       {std::string("\"First\" (game 1) ended after "), std::string("with exit status 3"),
        std::string("\n  fatal: cannot find sfe-04a\n"), dir / "state/ludra/1-first.log",
        std::string("Its ROM files are incomplete: My Roms/first.zip lacks 1 of its 2 files: "
                    "sfe-05m\n")})
    EXPECT_NE(run.Out.find(part), std::string::npos) << part << " in " << run.Out;
}

TEST(CommandLine, RunFromADesktopEntryAlsoNotifiesTheDesktop) {
  if (std::system("command -v dbus-run-session >/dev/null && command -v dbus-monitor >/dev/null"))
    GTEST_SKIP() << "dbus-run-session or dbus-monitor is not installed";
  TTempDir dir;
  WriteFileBytes(dir / "ludra.ini", kTwoGames);
  FailingStandIn(dir.Path());
  std::filesystem::copy_file(LUDRA_PROGRAM, dir / "ludra");
  // A private session bus with no notification service on it: the call is seen, and its
  // failure costs --run nothing. stderr is a file, as under a desktop entry.
  const TRun run = RunCommand(
      "cd '" + dir.Path() +
      "' && env -u DISPLAY -u WAYLAND_DISPLAY XDG_STATE_HOME=\"$PWD/state\" dbus-run-session -- "
      "sh -c '"
      "dbus-monitor --session interface=org.freedesktop.Notifications > bus.txt 2>&1 & "
      "sleep 0.5; ./ludra --run 1 2> err.txt; echo $?; sleep 0.2; kill $!' 2>/dev/null");
  EXPECT_EQ(run.Out, "1\n");
  const std::string bus = ReadFileBytes(dir / "bus.txt");
  EXPECT_NE(bus.find("member=Notify"), std::string::npos) << bus;
  EXPECT_NE(bus.find("fatal: cannot find sfe-04a"), std::string::npos) << bus;
  EXPECT_NE(ReadFileBytes(dir / "err.txt").find("fatal: cannot find sfe-04a"), std::string::npos);
}

// The bus's thread outlived the type registry at the process's end: "Trying to construct an
// instance of an invalid type" on stderr in about one run of three.
TEST(CommandLine, RunUnderASessionBusWritesNothingButItsReport) {
  if (std::system("command -v dbus-run-session >/dev/null"))
    GTEST_SKIP() << "dbus-run-session is not installed";
  TTempDir dir;
  WriteFileBytes(dir / "ludra.ini", kTwoGames);
  FailingStandIn(dir.Path());
  std::filesystem::copy_file(LUDRA_PROGRAM, dir / "ludra");
  const int runs = 50;
  const TRun run = RunCommand(
      "cd '" + dir.Path() +
      "' && env -u DISPLAY -u WAYLAND_DISPLAY XDG_STATE_HOME=\"$PWD/state\" dbus-run-session -- "
      "sh -c 'i=0; while [ $i -lt " +
      std::to_string(runs) + " ]; do ./ludra --run 1 2>> err.txt; i=$((i + 1)); done' 2>/dev/null");
  EXPECT_EQ(run.ExitCode, 0) << run.Out;
  const std::string err = ReadFileBytes(dir / "err.txt");
  int reports = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = err.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = err.substr(start, end - start);
    if (line.rfind("ludra: \"First\" (game 1) ended after ", 0) == 0)
      ++reports;
    else
      EXPECT_TRUE(line.rfind("Its last lines (all of its output is in ", 0) == 0 ||
                  line == "  fatal: cannot find sfe-04a")
          << line;
  }
  EXPECT_EQ(reports, runs);
  EXPECT_EQ(start, err.size());  // every line ended
}

TEST(CommandLine, RunLeavesAnEmulatorStillRunningAfterTheWatchRunning) {
  TTempDir dir;
  WriteFileBytes(dir / "ludra.ini", kTwoGames);
  WriteFileBytes(dir / "tavi.exe",
                 "#!/bin/sh\ncd \"$(dirname \"$0\")\" && echo $$ > pid.tmp && mv pid.tmp pid\n"
                 "echo first\nsleep 1\n"
                 "echo second\nexit 1\n");
  chmod((dir / "tavi.exe").c_str(), 0755);
  TRunOptions options;
  options.LogDir = dir / "state/";
  options.Keeper = {LUDRA_PROGRAM, "--keep-log"};
  // The program's own, in this process, with the watch shortened from ten seconds.
  EXPECT_EQ(RunGame(TPaths{dir.Path(), dir.Path()}, 1, options, std::chrono::milliseconds(300)), 0);
  const pid_t pid = std::stoi(WaitForText(dir / "pid"));
  EXPECT_EQ(::kill(pid, 0), 0);  // still running once --run is done
  // Its output goes on into the log without Ludra.
  const std::string log = dir / "state/1-first.log";
  for (int i = 0; i < 500 && ReadFileBytes(log) != "first\nsecond\n"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadFileBytes(log), "first\nsecond\n");
  ::waitpid(pid, nullptr, 0);  // what init does for a --run that has ended
}
