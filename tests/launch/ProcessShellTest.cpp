#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <thread>

#include "launch/LogKeeper.h"
#include "tests/launch/LaunchSupport.h"

namespace fs = std::filesystem;

namespace {

// A stand-in program that records its arguments, one a line, then its working directory.
// The record appears in one step (rename), so a reader never sees half of it.
void WriteRecorder(const std::string& path, const std::string& record,
                   const std::string& firstLine = "") {
  std::string script = "#!/bin/sh\n{ ";
  if (!firstLine.empty()) script += "printf '%s\\n' '" + firstLine + "'; ";
  script += "for a in \"$@\"; do printf '%s\\n' \"$a\"; done; pwd -P; } > '" + record +
            ".tmp' && mv '" + record + ".tmp' '" + record + "'\n";
  WriteFileBytes(path, script);
  ::chmod(path.c_str(), 0755);
}

std::vector<std::string> WaitForRecord(const std::string& record) {
  if (!WaitForFile(record)) return {};
  return SplitLines(ReadFileBytes(record));
}

// Children of this process, zombies included; the launch must leave none behind.
std::vector<std::string> ChildProcesses() {
  std::vector<std::string> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;
    const auto close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long ppid = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && ppid == ::getpid())
      children.push_back(stat);
  }
  return children;
}

// Sets (or, given nothing, removes) one environment variable for one test.
class TEnvOverride {
 public:
  TEnvOverride(const char* name, const std::optional<std::string>& value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    Set(value);
  }
  ~TEnvOverride() { Set(FOld); }

 private:
  void Set(const std::optional<std::string>& value) {
    if (value)
      ::setenv(FName, value->c_str(), 1);
    else
      ::unsetenv(FName);
  }
  const char* FName;
  std::optional<std::string> FOld;
};

// Puts a folder first on the PATH for one test.
class TPathOverride : public TEnvOverride {
 public:
  explicit TPathOverride(const std::string& path) : TEnvOverride("PATH", path) {}
};

// The real shell, whose runs all end before the test does: it is their parent, and a run left
// unreaped would be a zombie in a later count.
class TShell : public TProcessShell {
 public:
  TShell(const TPaths& paths, IShellReporter* reporter, TRunOptions options = {})
      : TProcessShell(paths, reporter, std::move(options)) {}
  ~TShell() override { EndAll(); }
  bool EndAll() {
    bool all = true;
    for (auto& run : Runs()) all = run->WaitFor(std::chrono::seconds(10)) && all;
    Runs().clear();
    return all;
  }
};

// The output kept as the program keeps it, in dir/state/.
TRunOptions KeptOutput(const TTempDir& dir) {
  TRunOptions options;
  options.LogDir = dir / "state/";
  options.Keeper = {LUDRA_LOG_KEEPER};
  return options;
}

void StandIn(const std::string& path, const std::string& script) {
  WriteFileBytes(path, "#!/bin/sh\n" + script);
  ::chmod(path.c_str(), 0755);
}

// The descriptors a process holds, by number, each with what it refers to.
std::map<int, std::string> OpenFiles(pid_t pid) {
  std::map<int, std::string> files;
  const fs::path dir = "/proc/" + std::to_string(pid) + "/fd";
  for (const auto& entry : fs::directory_iterator(dir))
    files[std::stoi(entry.path().filename())] = fs::read_symlink(entry.path()).string();
  return files;
}

std::string RealDir(const TTempDir& dir) {
  return fs::canonical(dir.Path()).string();
}

}  // namespace

// ---- Starting the program ------------------------------------------------------------------

TEST(ProcessShell, DocumentedLaunchArrivesAsArguments) {
  TTempDir exe, work;
  WriteRecorder(work / "tavi.exe", work / "record");
  TRecordingReporter reporter;
  TShell shell(TPaths{exe.Path(), work.Path()}, &reporter);
  TLauncher launcher(TPaths{exe.Path(), work.Path()}, shell);
  launcher.Renderers = {"soft.tvi"};
  launcher.PlayGame(0);

  const std::vector<std::string> expected = {"1",
                                             "--roms-directory=Roms\\",
                                             "--use-sound=yes",
                                             "--sound-filter-enable=no",
                                             "--sound-filter-cutoff=22050",
                                             "--sound-surround-lite-enable=no",
                                             "--sound-surround-lite-multiplier=40",
                                             "--sound-stereo-exciter=no",
                                             "--use-slow-geometry=no",
                                             "--renderer=" + exe.Path() + "soft.tvi",
                                             "--use-renderer-cfg-file=renderer.cfg",
                                             RealDir(work)};
  EXPECT_EQ(WaitForRecord(work / "record"), expected);
  EXPECT_TRUE(reporter.Messages.empty());
  EXPECT_TRUE(shell.EndAll());
  EXPECT_TRUE(ChildProcesses().empty());
}

TEST(ProcessShell, BlankInRomDirectoryMakesTwoArguments) {
  TTempDir dir;
  WriteRecorder(dir / "tavi.exe", dir / "record");
  WriteFileBytes(dir / "ludra.ini", "[General]\r\nPath=My Roms\\\r\n[Rom1]\r\nGame=X\r\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr);
  TLauncher launcher(TPaths{dir.Path(), dir.Path()}, shell);
  launcher.PlayGame(0);
  const auto args = WaitForRecord(dir / "record");
  ASSERT_GE(args.size(), 3u);
  EXPECT_EQ(args[1], "--roms-directory=My");
  EXPECT_EQ(args[2], "Roms\\");
  EXPECT_EQ(args[3], "--use-sound=yes");
}

TEST(ProcessShell, MetacharactersArriveAsPlainText) {
  TTempDir dir;
  WriteRecorder(dir / "tavi.exe", dir / "record");
  TRecordingReporter reporter;
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter);
  shell.Open("tavi.exe",
             "1  ;touch${IFS}pwned $(touch pwned2) `touch pwned3` >out |cat & ~ * \"q\" 'a'  ");
  const std::vector<std::string> expected = {"1",       ";touch${IFS}pwned",
                                             "$(touch", "pwned2)",
                                             "`touch",  "pwned3`",
                                             ">out",    "|cat",
                                             "&",       "~",
                                             "*",       "\"q\"",
                                             "'a'",     RealDir(dir)};
  EXPECT_EQ(WaitForRecord(dir / "record"), expected);
  for (const char* name : {"pwned", "pwned2", "pwned3", "out"})
    EXPECT_FALSE(fs::exists(dir / name)) << name;
  EXPECT_TRUE(reporter.Messages.empty());
}

TEST(ProcessShell, ProgramNameIgnoresLetterCase) {
  TTempDir dir;
  WriteRecorder(dir / "TAVI.EXE", dir / "record");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr);
  shell.Open("tavi.exe", "7");
  EXPECT_EQ(WaitForRecord(dir / "record"), (std::vector<std::string>{"7", RealDir(dir)}));
}

// ---- Windows programs ----------------------------------------------------------------------

TEST(ProcessShell, WindowsProgramGoesThroughWine) {
  TEnvOverride noChoice("WINE", std::nullopt);
  TTempDir dir, bin;
  WriteFileBytes(dir / "tavi.exe", std::string("MZ\x90\0", 4) + std::string(60, '\0'));
  WriteRecorder(bin / "wine", dir / "record", "wine");
  TPathOverride path(bin.Path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : ""));
  TRecordingReporter reporter;
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter);
  shell.Open("tavi.exe", "3 --use-sound=no");
  EXPECT_EQ(
      WaitForRecord(dir / "record"),
      (std::vector<std::string>{"wine", dir / "tavi.exe", "3", "--use-sound=no", RealDir(dir)}));
  EXPECT_TRUE(reporter.Messages.empty());
  EXPECT_TRUE(shell.EndAll());
  EXPECT_TRUE(ChildProcesses().empty());
}

TEST(ProcessShell, WineChosenByTheUserGetsTheEnvironmentAsItIs) {
  TTempDir dir, bin, own;
  WriteFileBytes(dir / "tavi.exe", std::string("MZ\x90\0", 4));
  WriteRecorder(bin / "wine", dir / "record", "wine on the PATH");
  // The user's wine says which it is and which prefix it was given.
  const std::string record = dir / "record";
  const std::string script = "#!/bin/sh\n{ printf '%s\\n' \"$0\" \"$WINEPREFIX\" \"$@\"; } > '" +
                             record + ".tmp' && mv '" + record + ".tmp' '" + record +
                             "'\necho 'err:module:import_dll Library d3d8.dll not found' >&2\n";
  WriteFileBytes(own / "my-wine", script);
  ::chmod((own / "my-wine").c_str(), 0755);
  TPathOverride path(bin.Path() + ":" + own.Path() + ":" +
                     (std::getenv("PATH") ? std::getenv("PATH") : ""));
  TEnvOverride prefix("WINEPREFIX", dir / "prefix with blank");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));

  TEnvOverride absolute("WINE", own / "my-wine");
  shell.Open("tavi.exe", "2");
  EXPECT_EQ(WaitForRecord(record),
            (std::vector<std::string>{own / "my-wine", dir / "prefix with blank", dir / "tavi.exe",
                                      "2"}));
  // Wine's own complaints are the emulator's output, and its settings are part of the report.
  ASSERT_TRUE(shell.Runs().at(0)->WaitFor(std::chrono::seconds(10)));
  EXPECT_EQ(shell.Runs()[0]->LastLines(15),
            std::vector<std::string>{"err:module:import_dll Library d3d8.dll not found"});
  EXPECT_EQ(shell.Runs()[0]->Notes(),
            (std::vector<std::string>{"WINE=" + own / "my-wine",
                                      "WINEPREFIX=" + dir / "prefix with blank"}));
  fs::remove(record);
  TEnvOverride byName("WINE", "my-wine");  // looked up on the PATH, after a "wine" there
  shell.Open("tavi.exe", "3");
  EXPECT_EQ(WaitForRecord(record),
            (std::vector<std::string>{own / "my-wine", dir / "prefix with blank", dir / "tavi.exe",
                                      "3"}));
}

TEST(ProcessShell, WindowsProgramWithoutWineIsReported) {
  TTempDir dir, emptyBin;
  WriteFileBytes(dir / "tavi.exe", "MZ");
  TPathOverride path(emptyBin.Path());
  TRecordingReporter reporter;
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter);
  {
    TEnvOverride noChoice("WINE", std::nullopt);
    shell.Open("tavi.exe", "1");
  }
  TEnvOverride missing("WINE", "/nowhere/wine");
  shell.Open("tavi.exe", "1");
  ASSERT_EQ(reporter.Messages.size(), 2u);
  for (const std::string& message : reporter.Messages) {
    EXPECT_NE(message.find("tavi.exe"), std::string::npos) << message;
    EXPECT_NE(message.find("WINE"), std::string::npos) << message;
  }
  EXPECT_NE(reporter.Messages[1].find("/nowhere/wine"), std::string::npos);
}

// ---- Failures ------------------------------------------------------------------------------

TEST(ProcessShell, MissingProgramIsReportedAfterTheConfigIsWritten) {
  TTempDir dir;
  TRecordingReporter reporter;
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter);
  TLauncher launcher(TPaths{dir.Path(), dir.Path()}, shell);
  EXPECT_NO_THROW(launcher.PlayGame(0));
  ASSERT_EQ(reporter.Messages.size(), 1u);
  EXPECT_NE(reporter.Messages[0].find(dir / "tavi.exe"), std::string::npos) << reporter.Messages[0];
  EXPECT_TRUE(fs::exists(dir / "renderer.cfg"));
  EXPECT_TRUE(shell.EndAll());
  EXPECT_TRUE(ChildProcesses().empty());
}

TEST(ProcessShell, FailedExecIsReported) {
  TTempDir dir;
  WriteRecorder(dir / "tavi.exe", dir / "record");
  ::chmod((dir / "tavi.exe").c_str(), 0644);  // no execute bit stops even root
  TRecordingReporter reporter;
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter, KeptOutput(dir));
  shell.Open("tavi.exe", "1");
  EXPECT_TRUE(fs::is_empty(dir / "state/"));  // no empty log of a run that never was
  ASSERT_EQ(reporter.Messages.size(), 1u);
  EXPECT_NE(reporter.Messages[0].find("tavi.exe"), std::string::npos);
  EXPECT_NE(reporter.Messages[0].find("Permission denied"), std::string::npos)
      << reporter.Messages[0];
  EXPECT_TRUE(shell.EndAll());
  EXPECT_TRUE(ChildProcesses().empty());
}

TEST(ProcessShell, ProgramWithoutInterpreterLineIsNotRunByAShell) {
  TTempDir dir;
  WriteFileBytes(dir / "tavi.exe", "touch ran\n");
  ::chmod((dir / "tavi.exe").c_str(), 0755);
  TRecordingReporter reporter;
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter);
  shell.Open("tavi.exe", "1");
  EXPECT_EQ(reporter.Messages.size(), 1u);
  EXPECT_FALSE(fs::exists(dir / "ran"));
}

TEST(ProcessShell, WithoutReporterFailuresAreSilent) {
  TTempDir dir;
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr);
  EXPECT_NO_THROW(shell.Open("tavi.exe", "1"));
}

// ---- Watching the run ----------------------------------------------------------------------

TEST(ProcessShellRun, ExitStatusAndOutputAreKeptInTheGamesLog) {
  TTempDir dir;
  StandIn(dir / "tavi.exe", "echo 'fatal: cannot find sfe-04a'\nexit 3\n");
  WriteFileBytes(dir / "ludra.ini", "[Rom1]\r\nGame=Street Fighter EX\r\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));
  TLauncher launcher(TPaths{dir.Path(), dir.Path()}, shell);
  launcher.PlayGame(0);
  ASSERT_EQ(shell.Runs().size(), 1u);
  TEmulatorRun& run = *shell.Runs()[0];
  ASSERT_TRUE(run.WaitFor(std::chrono::seconds(10)));
  EXPECT_FALSE(run.End().Signaled);
  EXPECT_EQ(run.End().Code, 3);
  EXPECT_EQ(DescribeEnd(run.End()), "exit status 3");
  EXPECT_EQ(run.Game().Title, "Street Fighter EX");
  EXPECT_EQ(run.LogPath(), dir / "state/1-street-fighter-ex.log");
  EXPECT_EQ(ReadFileBytes(run.LogPath()), "fatal: cannot find sfe-04a\n");
  EXPECT_EQ(run.LastLines(15), std::vector<std::string>{"fatal: cannot find sfe-04a"});
}

// Any title gives a log name well within the file system's limit; long titles that start alike
// keep logs of their own.
TEST(ProcessShellRun, ALongTitleGivesABoundedLogName) {
  const std::string a = LogFileName({7, std::string(1000, 'A')});
  const std::string b = LogFileName({7, std::string(999, 'A') + "B"});
  EXPECT_LT(a.size(), 70u);
  EXPECT_EQ(a.substr(0, 10), "7-aaaaaaaa");
  EXPECT_EQ(a.substr(a.size() - 4), ".log");
  EXPECT_NE(a, b);
  EXPECT_EQ(LogFileName({1, "Street Fighter EX"}), "1-street-fighter-ex.log");
}

// On a full disk (here a file size limit on the keeper) the last lines are still the last.
TEST(ProcessShellRun, OnAFullDiskTheLastLinesAreStillTheLast) {
  TTempDir dir;
  StandIn(dir / "tavi.exe", "seq 1 20000\nexit 1\n");  // 109 KB
  TRunOptions options = KeptOutput(dir);
  options.Keeper = {"/bin/sh", "-c", "ulimit -f 100 && exec \"$0\"", LUDRA_LOG_KEEPER};
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, options);
  shell.Open("tavi.exe", "1");
  ASSERT_EQ(shell.Runs().size(), 1u);
  ASSERT_TRUE(shell.Runs()[0]->WaitFor(std::chrono::seconds(10)));
  EXPECT_EQ(shell.Runs()[0]->LastLines(2), (std::vector<std::string>{"19999", "20000"}));
}

// The keeper run by hand (in a terminal) leaves its input as it found it: not non-blocking.
TEST(ProcessShellRun, TheKeeperPutsBackItsInputsFlags) {
  TTempDir dir;
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int log = ::open((dir / "log").c_str(), O_RDWR | O_CREAT, 0600);
    if (log < 0 || ::dup2(fds[0], 0) < 0 || ::dup2(log, 1) < 0) _exit(127);
    for (const int fd : {fds[0], fds[1], log}) ::close(fd);
    ::execl(LUDRA_LOG_KEEPER, LUDRA_LOG_KEEPER, static_cast<char*>(nullptr));
    _exit(127);
  }
  EXPECT_EQ(::write(fds[1], "a line\n", 7), 7);
  ::close(fds[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(::fcntl(fds[0], F_GETFL) & O_NONBLOCK, 0);
  ::close(fds[0]);
  EXPECT_EQ(ReadFileBytes(dir / "log"), "a line\n");
}

TEST(ProcessShellRun, DeathBySignalIsNamed) {
  TTempDir dir;
  StandIn(dir / "tavi.exe", "echo 'loading'\nkill -SEGV $$\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));
  shell.Open("tavi.exe", "1");
  ASSERT_TRUE(shell.Runs().at(0)->WaitFor(std::chrono::seconds(10)));
  const TRunEnd& end = shell.Runs()[0]->End();
  EXPECT_TRUE(end.Signaled);
  EXPECT_EQ(end.Code, SIGSEGV);
  EXPECT_EQ(DescribeEnd(end), "signal SIGSEGV (Segmentation fault)");
  EXPECT_EQ(shell.Runs()[0]->LastLines(15), std::vector<std::string>{"loading"});
}

TEST(ProcessShellRun, FloodOfOutputKeepsTheLogCappedAndThisProcessFlat) {
  TTempDir dir;
  StandIn(dir / "tavi.exe", "yes 'a line of output' | head -n 3000000\necho 'the last line'\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));
  const long before = PeakRssKiB();
  shell.Open("tavi.exe", "1");
  ASSERT_TRUE(shell.Runs().at(0)->WaitFor(std::chrono::seconds(60)));
  EXPECT_LT(PeakRssKiB() - before, 4 * kMiB);
  const std::string log = ReadFileBytes(shell.Runs()[0]->LogPath());
  EXPECT_LE(log.size(), kLogCap);
  EXPECT_GE(log.size(), kLogCap / 4);
  EXPECT_EQ(log.substr(0, 18), "a line of output\na");  // cut at a line's start
  EXPECT_EQ(shell.Runs()[0]->LastLines(2),
            (std::vector<std::string>{"a line of output", "the last line"}));
}

TEST(ProcessShellRun, ChildLeftBehindHoldsNothingOfOursAndLeavesNoZombie) {
  TTempDir dir;
  // Inheritable on purpose: a list file held open and a socket.
  const int held = ::open((dir / "ludra.ini").c_str(), O_CREAT | O_WRONLY, 0644);
  int sockets[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  // The child writes without end into the emulator's output.
  StandIn(dir / "tavi.exe",
          "sh -c 'echo $$ > child.tmp && mv child.tmp child && exec yes spam' &\n"
          "while [ ! -e child ]; do sleep 0.01; done\necho 'fatal: no sound'\nexit 3\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));
  shell.Open("tavi.exe", "1");
  ASSERT_TRUE(WaitForFile(dir / "child"));
  const pid_t child = std::stoi(ReadFileBytes(dir / "child"));
  // The run is over when the emulator is, whatever its child goes on doing.
  EXPECT_TRUE(shell.Runs().at(0)->WaitFor(std::chrono::seconds(10)));
  EXPECT_EQ(shell.Runs()[0]->End().Code, 3);
  EXPECT_TRUE(ChildProcesses().empty());
  const std::string comm = "/proc/" + std::to_string(child) + "/comm";
  for (int i = 0; i < 500 && ReadFileBytes(comm) != "yes\n"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto files = OpenFiles(child);
  ::kill(child, SIGKILL);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files.at(0), "/dev/null");
  EXPECT_EQ(files.at(1).rfind("pipe:", 0), 0u) << files.at(1);
  EXPECT_EQ(files.at(2), files.at(1));
  for (int fd : {held, sockets[0], sockets[1]}) ::close(fd);
}

TEST(ProcessShellRun, EmulatorOutlivesItsWatcherAndItsLogIsComplete) {
  TTempDir dir;
  StandIn(dir / "tavi.exe", "echo first\nsleep 0.3\necho second\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));
  shell.Open("tavi.exe", "1");
  const pid_t pid = shell.Runs().at(0)->Pid();
  const std::string log = shell.Runs()[0]->LogPath();
  shell.Runs().clear();  // as when Ludra is closed
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ReadFileBytes(log) != "first\nsecond\n" && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadFileBytes(log), "first\nsecond\n");
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);  // what init does once Ludra is gone
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ProcessShellRun, SecondStartOfAGameTakesTheLogWhileTheFirstKeepsItsOwn) {
  TTempDir dir;
  StandIn(dir / "tavi.exe",
          "if [ -e started ]; then echo two; exit 3; fi\n"
          ": > started\necho one\nsleep 0.3\necho 'one again'\nexit 4\n");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr, KeptOutput(dir));
  shell.Open("tavi.exe", "1");
  ASSERT_TRUE(WaitForFile(dir / "started"));
  shell.Open("tavi.exe", "1");
  ASSERT_EQ(shell.Runs().size(), 2u);
  for (auto& run : shell.Runs()) ASSERT_TRUE(run->WaitFor(std::chrono::seconds(10)));
  EXPECT_EQ(shell.Runs()[0]->LastLines(15), (std::vector<std::string>{"one", "one again"}));
  EXPECT_EQ(shell.Runs()[1]->LastLines(15), std::vector<std::string>{"two"});
  EXPECT_EQ(ReadFileBytes(dir / "state/1.log"), "two\n");
}
