#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "LaunchSupport.h"

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

TEST(ProcessShell, FrontEndFilesAreNotInherited) {
  TTempDir dir;
  const int fd = ::open((dir / "held").c_str(), O_CREAT | O_WRONLY, 0644);  // inheritable
  ASSERT_GE(fd, 3);
  const std::string record = dir / "record";
  WriteFileBytes(dir / "tavi.exe", "#!/bin/sh\nif [ -e /proc/$$/fd/" + std::to_string(fd) +
                                       " ]; then echo open; else echo closed; fi > '" + record +
                                       ".tmp' && mv '" + record + ".tmp' '" + record + "'\n");
  ::chmod((dir / "tavi.exe").c_str(), 0755);
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr);
  shell.Open("tavi.exe", "1");
  EXPECT_EQ(WaitForRecord(record), std::vector<std::string>{"closed"});
  ::close(fd);
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
                             record + ".tmp' && mv '" + record + ".tmp' '" + record + "'\n";
  WriteFileBytes(own / "my-wine", script);
  ::chmod((own / "my-wine").c_str(), 0755);
  TPathOverride path(bin.Path() + ":" + own.Path() + ":" +
                     (std::getenv("PATH") ? std::getenv("PATH") : ""));
  TEnvOverride prefix("WINEPREFIX", dir / "prefix with blank");
  TShell shell(TPaths{dir.Path(), dir.Path()}, nullptr);

  TEnvOverride absolute("WINE", own / "my-wine");
  shell.Open("tavi.exe", "2");
  EXPECT_EQ(WaitForRecord(record),
            (std::vector<std::string>{own / "my-wine", dir / "prefix with blank", dir / "tavi.exe",
                                      "2"}));
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
  TShell shell(TPaths{dir.Path(), dir.Path()}, &reporter);
  shell.Open("tavi.exe", "1");
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
