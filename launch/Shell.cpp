// The shell's "Open" on this system: the program started in its own session, with its arguments
// taken from the parameter text and no command interpreter in between, and watched.
#include "launch/Shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <variant>
#include <vector>

#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/Folders.h"
#include "launch/LogKeeper.h"

namespace {

// The parameter text split at runs of blanks; nothing in it is interpreted.
std::vector<std::string> SplitAtBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (true) {
    at = text.find_first_not_of(' ', at);
    if (at == std::string::npos) break;
    const std::size_t end = text.find(' ', at);
    words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end;
  }
  return words;
}

bool IsWindowsImage(const std::string& path) {
  const TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.IsOpen()) return false;
  char head[2] = {};
  return ReadFull(fd.Get(), head, sizeof head) == 2 && head[0] == 'M' && head[1] == 'Z';
}

// The first executable file of that name in a PATH directory. Empty entries (the current
// directory) are skipped, so a stray file in the working directory is never run by accident.
std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t at = 0;
  while (at <= dirs.size()) {
    std::size_t end = dirs.find(':', at);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(at, end - at);
    at = end + 1;
    if (dir.empty()) continue;
    const std::string candidate = dir + (dir.back() == '/' ? "" : "/") + name;
    if (IsRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// The wine to run a Windows program with: $WINE when set (a path, relative ones taken from the
// working directory, or a name looked up on the PATH), else "wine" on the PATH. The rest of the
// environment, WINEPREFIX included, reaches the program as it is.
struct TWine {
  std::optional<std::string> Program;
  TMessage Missing;  // why there is none
};

TWine FindWine(const std::string& workDir) {
  const char* chosen = std::getenv("WINE");
  if (!chosen || !*chosen) {
    if (auto wine = FindOnPath("wine")) return {wine, {}};
    return {std::nullopt, TMessage::Template(QT_TRANSLATE_NOOP(
                              "Message",
                              "a Windows program needs \"wine\", which is not on the PATH (WINE "
                              "may name the wine program to use)"))};
  }
  const std::string name = chosen;
  if (name.find('/') == std::string::npos) {
    if (auto wine = FindOnPath(name)) return {wine, {}};
    return {
        std::nullopt,
        TMessage::Template(
            QT_TRANSLATE_NOOP("Message", "WINE names \"%1\", which is not on the PATH"), {name})};
  }
  const std::string path = name[0] == '/' ? name : workDir + name;
  if (IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0) return {path, {}};
  return {
      std::nullopt,
      TMessage::Template(
          QT_TRANSLATE_NOOP("Message", "WINE names \"%1\", which is no executable file"), {name})};
}

enum TStage : int { stFork = 1, stDirectory, stExec, stKeeper, stWatch };

struct TFailure {
  int Stage;
  int Error;
};

// Only async-signal-safe calls in a child: the front-end may run other threads.
[[noreturn]] void FailInChild(int pipe, TStage stage, int error) {
  const int message[2] = {stage, error};
  ssize_t ignored = ::write(pipe, message, sizeof message);
  (void)ignored;
  ::_exit(127);
}

// A copy of `fd` above the standard descriptors, so that moving others onto 0..4 cannot
// overwrite it (a front-end started with its own stdin closed hands out 0 for a new file).
int Lift(int pipe, int fd) {
  const int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
  if (lifted < 0) FailInChild(pipe, stFork, errno);
  return lifted;
}

void Place(int pipe, int fd, int target) {
  if (::dup2(fd, target) < 0) FailInChild(pipe, stFork, errno);
}

// A fresh program: default signal handling, nothing blocked, and of this process's files only
// what was placed on 0..`keep`-1 (the rest close on exec, the error pipe among them).
void CleanSlate(unsigned keep) {
  struct sigaction defaults = {};
  defaults.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &defaults, nullptr);
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  // The front-end's own files (list file and its lock, sockets) are none of the child's business.
  ::close_range(keep, ~0U, CLOSE_RANGE_CLOEXEC);
}

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// The error pipe's report: nothing when the exec went through (the pipe closed empty).
std::optional<TFailure> ExecResult(TFd& errorRead) {
  int message[2];
  if (ReadFull(errorRead.Get(), message, sizeof message) == sizeof message)
    return TFailure{message[0], message[1]};
  return std::nullopt;
}

void Reap(pid_t pid) {
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// The emulator: a child of this process in its own session, stdin from /dev/null and stdout
// and stderr on `output`. It waits on `go` before its exec, so that its keeper is in place
// before it writes; a close of `go` lets it run, a SIGKILL stops it unstarted.
pid_t ForkEmulator(const std::vector<char*>& argv, const std::string& dir, int null, int output,
                   int go, int goWrite, int errorWrite) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::close(goWrite);
  char byte;
  while (::read(go, &byte, 1) < 0 && errno == EINTR) {
  }
  // Its own session: a signal to the front-end's terminal or process group leaves it alone.
  ::setsid();
  const int in = Lift(errorWrite, null);
  const int out = Lift(errorWrite, output);
  Place(errorWrite, in, 0);
  Place(errorWrite, out, 1);
  Place(errorWrite, out, 2);
  CleanSlate(3);
  if (::chdir(dir.c_str()) != 0) FailInChild(errorWrite, stDirectory, errno);
  ::execv(argv[0], argv.data());
  FailInChild(errorWrite, stExec, errno);
}

// The log keeper, started as a grandchild so it belongs to no one here: the child in between is
// reaped at once and the keeper, which outlives this process, is never left as a zombie.
std::optional<TFailure> SpawnKeeper(const std::vector<std::string>& command, int null, int input,
                                    int log, int process, int drained) {
  const std::vector<char*> argv = Argv(command);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return TFailure{stKeeper, errno};
  TFd errorRead(fds[0]), errorWrite(fds[1]);
  const pid_t child = ::fork();
  if (child < 0) return TFailure{stKeeper, errno};
  if (child == 0) {
    const int pipe = errorWrite.Get();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) FailInChild(pipe, stKeeper, errno);
    if (grandchild > 0) ::_exit(0);
    ::setsid();
    const int from[5] = {Lift(pipe, input), Lift(pipe, log), Lift(pipe, null), Lift(pipe, process),
                         Lift(pipe, drained)};
    const int to[5] = {kKeeperOutput, kKeeperLog, 2, kKeeperProcess, kKeeperDrained};
    for (int i = 0; i < 5; ++i) Place(pipe, from[i], to[i]);
    CleanSlate(5);
    if (::chdir("/") != 0) FailInChild(pipe, stKeeper, errno);
    ::execv(argv[0], argv.data());
    FailInChild(pipe, stKeeper, errno);
  }
  errorWrite.Reset();
  Reap(child);
  if (auto failure = ExecResult(errorRead)) return failure;
  return std::nullopt;
}

struct TOutput {
  TFd Log;
  std::string Path;
  TMessage Problem;
};

// The game's log file, empty; its folder is made when missing.
TOutput OpenLog(const std::string& dir, const TGameRef& game) {
  TOutput output;
  try {
    MakeFolders(dir, 0700);
  } catch (const EFileError& e) {
    output.Problem = e.Message;
    return output;
  } catch (const std::exception& e) {
    output.Problem = std::string(e.what());
    return output;
  }
  const std::string path = dir + LogFileName(game);
  // A fresh file: a run of the same game still going keeps writing to its own, now nameless.
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    output.Problem = FileError("replace", path, SysErrorMessage(errno));
    return output;
  }
  TFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0600));
  struct stat st;
  const bool stated = fd.IsOpen() && ::fstat(fd.Get(), &st) == 0;
  if (!stated || !S_ISREG(st.st_mode)) {
    output.Problem =
        FileError("write", path, stated ? NotRegularReason(st.st_mode) : SysErrorMessage(errno));
    return output;
  }
  output.Log = std::move(fd);
  output.Path = path;
  return output;
}

// Starts the emulator and, when its output is kept, its keeper. A failure leaves nothing running.
std::variant<std::unique_ptr<TEmulatorRun>, TFailure> Start(const std::vector<std::string>& args,
                                                            const std::string& dir,
                                                            const TRunOptions& options,
                                                            const TGameRef& game,
                                                            std::vector<std::string> notes) {
  const std::vector<char*> argv = Argv(args);
  const TFd null(::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (!null.IsOpen()) return TFailure{stFork, errno};
  TOutput output;
  const bool keep = !options.LogDir.empty() && !options.Keeper.empty();
  if (keep) output = OpenLog(options.LogDir, game);
  // A start that fails leaves no empty log behind (the last run's went as this one was made).
  struct TDropLog {
    const std::string& Path;
    bool Kept = false;
    ~TDropLog() {
      if (!Kept && !Path.empty()) ::unlink(Path.c_str());
    }
  } dropLog{output.Path};
  if (!keep && output.Problem.IsEmpty())
    output.Problem = TMessage::Template(QT_TRANSLATE_NOOP("Message", "the output is not kept"));

  int fds[2];
  TFd outRead, outWrite, goRead, goWrite, errorRead, errorWrite, drainedRead, drainedWrite;
  auto pipe = [&](TFd& read, TFd& write) {
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read.Reset(fds[0]);
    write.Reset(fds[1]);
    return true;
  };
  if (!pipe(goRead, goWrite) || !pipe(errorRead, errorWrite) ||
      (output.Log.IsOpen() && (!pipe(outRead, outWrite) || !pipe(drainedRead, drainedWrite))))
    return TFailure{stFork, errno};

  const auto started = TEmulatorRun::TClock::now();
  const pid_t pid =
      ForkEmulator(argv, dir, null.Get(), output.Log.IsOpen() ? outWrite.Get() : null.Get(),
                   goRead.Get(), goWrite.Get(), errorWrite.Get());
  if (pid < 0) return TFailure{stFork, errno};
  auto abandon = [&](TFailure failure) {
    ::kill(pid, SIGKILL);
    Reap(pid);
    return failure;
  };
  // glibc's own pidfd_open is declared without C linkage in some releases.
  TFd process(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  if (!process.IsOpen()) return abandon({stWatch, errno});
  if (output.Log.IsOpen()) {
    if (auto failure = SpawnKeeper(options.Keeper, null.Get(), outRead.Get(), output.Log.Get(),
                                   process.Get(), drainedWrite.Get()))
      return abandon(*failure);
    outWrite.Reset();
    drainedWrite.Reset();
  }
  errorWrite.Reset();
  goWrite.Reset();  // the emulator goes ahead
  if (auto failure = ExecResult(errorRead)) {
    Reap(pid);
    return *failure;
  }
  auto run =
      std::make_unique<TEmulatorRun>(pid, started, std::move(process), std::move(drainedRead), game,
                                     std::move(output.Log), output.Path, std::move(notes));
  run->LogProblem = output.Problem;
  dropLog.Kept = true;
  return run;
}

}  // namespace

TProcessShell::TProcessShell(const TPaths& paths, IShellReporter* reporter, TRunOptions options)
    : FPaths(paths), FReporter(reporter), FOptions(std::move(options)) {}

void TProcessShell::Open(const std::string& program, const std::string& parameters) {
  TGameRef game;
  const auto words = SplitAtBlanks(parameters);
  if (!words.empty()) game.Number = std::atoi(words[0].c_str());
  OpenGame(program, parameters, game);
}

void TProcessShell::OpenGame(const std::string& program, const std::string& parameters,
                             const TGameRef& game) {
  const std::string wanted =
      !program.empty() && program[0] == '/' ? program : FPaths.WorkDir + ToNativePath(program);
  auto fail = [&](const std::string& shown, const TMessage& reason) {
    if (FReporter) FReporter->ShellMessage(FileError("run", shown, reason));
  };

  // Copied from a case-insensitive file system, "tavi.exe" may well be "TAVI.EXE" here.
  TFileLookup lookup;
  const auto found = lookup.FindFile(wanted);
  if (!found) return fail(wanted, SysErrorMessage(ENOENT));

  std::vector<std::string> args;
  std::vector<std::string> notes;
  std::string runner;
  if (IsWindowsImage(*found)) {
    const TWine wine = FindWine(FPaths.WorkDir);
    if (!wine.Program) return fail(*found, wine.Missing);
    runner = *wine.Program;
    args.push_back(runner);
    // Wine's own settings, which decide much of how a Windows program fares.
    for (const char* name : {"WINE", "WINEPREFIX"})
      if (const char* value = std::getenv(name); value && *value)
        notes.push_back(std::string(name) + "=" + value);
  }
  args.push_back(*found);
  for (auto& word : SplitAtBlanks(parameters)) args.push_back(std::move(word));

  auto started = Start(args, FPaths.WorkDir, FOptions, game, std::move(notes));
  if (auto* run = std::get_if<std::unique_ptr<TEmulatorRun>>(&started)) {
    // Runs nobody watches are reaped here, at the next start.
    std::erase_if(FRuns, [](const auto& kept) { return kept->Update(); });
    if (FOptions.Watcher)
      FOptions.Watcher->Watch(std::move(*run));
    else
      FRuns.push_back(std::move(*run));
    return;
  }
  const TFailure failure = std::get<TFailure>(started);
  TMessage reason = SysErrorMessage(failure.Error);
  if (failure.Stage == stDirectory)
    reason = TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (working directory \"%2\")"),
                                {reason, FPaths.WorkDir});
  if (failure.Stage == stExec && !runner.empty())
    reason =
        TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (through \"%2\")"), {reason, runner});
  if (failure.Stage == stKeeper)
    reason = TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (keeping its output with \"%2\")"),
                                {reason, FOptions.Keeper.front()});
  if (failure.Stage == stWatch)
    reason = TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (watching it)"), {reason});
  fail(*found, reason);
}
