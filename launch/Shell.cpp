// The shell's "Open" on this system: the program started detached, with its arguments taken
// from the parameter text and no command interpreter in between.
#include "Shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

#include "Errors.h"
#include "FileDescriptor.h"

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

enum TStage : int { stFork = 1, stDirectory, stExec };

struct TFailure {
  int Stage;
  int Error;
};

// Only async-signal-safe calls from here on: the front-end may run other threads.
[[noreturn]] void FailInChild(int pipe, TStage stage, int error) {
  const int message[2] = {stage, error};
  ssize_t ignored = ::write(pipe, message, sizeof message);
  (void)ignored;
  ::_exit(127);
}

// Starts argv[0] in `dir` as a grandchild, so it belongs to no one here: the child in between
// is reaped at once and the program is never left as a zombie. A close-on-exec pipe tells a
// successful exec (the pipe closes with nothing in it) from a failed one (the errno arrives).
std::optional<TFailure> SpawnDetached(const std::vector<std::string>& args,
                                      const std::string& dir) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return TFailure{stFork, errno};
  const pid_t child = ::fork();
  if (child < 0) {
    const int error = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return TFailure{stFork, error};
  }
  if (child == 0) {
    ::close(fds[0]);
    const pid_t grandchild = ::fork();
    if (grandchild < 0) FailInChild(fds[1], stFork, errno);
    if (grandchild > 0) ::_exit(0);
    // Its own session: a signal to the front-end's terminal or process group leaves it alone.
    ::setsid();
    struct sigaction defaults = {};
    defaults.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &defaults, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // The front-end's own files (list file, sockets) are none of the emulator's business;
    // the error pipe is close-on-exec already.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    if (::chdir(dir.c_str()) != 0) FailInChild(fds[1], stDirectory, errno);
    ::execv(argv[0], argv.data());
    FailInChild(fds[1], stExec, errno);
  }

  ::close(fds[1]);
  while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  int message[2];
  const TFd errorPipe(fds[0]);
  if (ReadFull(errorPipe.Get(), message, sizeof message) == sizeof message)
    return TFailure{message[0], message[1]};
  return std::nullopt;
}

}  // namespace

TProcessShell::TProcessShell(const TPaths& paths, IShellReporter* reporter)
    : FPaths(paths), FReporter(reporter) {}

void TProcessShell::Open(const std::string& program, const std::string& parameters) {
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
  std::string runner;
  if (IsWindowsImage(*found)) {
    const TWine wine = FindWine(FPaths.WorkDir);
    if (!wine.Program) return fail(*found, wine.Missing);
    runner = *wine.Program;
    args.push_back(runner);
  }
  args.push_back(*found);
  for (auto& word : SplitAtBlanks(parameters)) args.push_back(std::move(word));

  const auto failure = SpawnDetached(args, FPaths.WorkDir);
  if (!failure) return;
  TMessage reason = SysErrorMessage(failure->Error);
  if (failure->Stage == stDirectory)
    reason = TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (working directory \"%2\")"),
                                {reason, FPaths.WorkDir});
  if (failure->Stage == stExec && !runner.empty())
    reason =
        TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 (through \"%2\")"), {reason, runner});
  fail(*found, reason);
}
