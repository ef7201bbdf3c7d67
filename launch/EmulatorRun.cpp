// Watching one start of the emulator: reaping it and reading the end of its log.
#include "launch/EmulatorRun.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

TEmulatorRun::TEmulatorRun(pid_t pid, TClock::time_point started, TFd process, TFd drained,
                           TGameRef game, TFd log, std::string logPath,
                           std::vector<std::string> notes)
    : FPid(pid),
      FStarted(started),
      FProcess(std::move(process)),
      FDrained(std::move(drained)),
      FGame(std::move(game)),
      FLogPath(std::move(logPath)),
      FNotes(std::move(notes)),
      FLog(std::move(log)) {}

bool TEmulatorRun::Update() {
  if (FProcess.IsOpen()) {
    siginfo_t info = {};
    int result;
    do {
      result = ::waitid(P_PID, static_cast<id_t>(FPid), &info, WEXITED | WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result < 0 || info.si_pid != 0) {
      FEnd.Ran = std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - FStarted);
      FEnd.Signaled = info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED;
      FEnd.Code = info.si_status;
      FProcess.Reset();
    }
  }
  // The keeper's byte comes only after the end; its descriptor closing early (the keeper gone)
  // leaves nothing more to wait for either.
  if (FDrained.IsOpen()) {
    pollfd fd = {FDrained.Get(), POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0) FDrained.Reset();
  }
  return Finished();
}

bool TEmulatorRun::WaitFor(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  while (!Update()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{FProcess.Get(), POLLIN, 0}, {FDrained.Get(), POLLIN, 0}};
    ::poll(fds, 2, static_cast<int>(left.count()) + 1);
  }
  return true;
}

std::vector<std::string> TEmulatorRun::LastLines(std::size_t count) const {
  std::vector<std::string> lines;
  struct stat st;
  if (!FLog.IsOpen() || ::fstat(FLog.Get(), &st) != 0) return lines;
  const std::size_t size = static_cast<std::size_t>(st.st_size);
  const std::size_t want = std::min<std::size_t>(size, 64 * 1024);
  std::string text(want, '\0');
  const ssize_t n = PreadFull(FLog.Get(), text.data(), want, size - want);
  text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  std::size_t at = 0;
  if (want < size) {
    // The first line read may be the end of a longer one: it is left out.
    const std::size_t first = text.find('\n');
    at = first == std::string::npos ? text.size() : first + 1;
  }
  while (at < text.size()) {
    std::size_t stop = text.find('\n', at);
    if (stop == std::string::npos) stop = text.size();
    std::string line = text.substr(at, stop - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    at = stop + 1;
  }
  if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<long>(count));
  return lines;
}

// The game's number and its title in lower-case letters and digits. A long title is cut, with a
// digest of the whole title after it, so that any title gives a name well within the file
// system's limit and two long titles that start alike keep logs of their own.
constexpr std::size_t kLogTitle = 48;

std::string LogFileName(const TGameRef& game) {
  std::string title;
  bool dash = true;
  for (unsigned char c : game.Title) {
    if (std::isalnum(c) && c < 0x80) {
      if (dash) title += '-';
      title += static_cast<char>(std::tolower(c));
      dash = false;
    } else {
      dash = true;
    }
  }
  if (title.size() > kLogTitle) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : game.Title) hash = (hash ^ c) * 16777619u;
    char digest[10];
    std::snprintf(digest, sizeof digest, "-%08x", hash);
    title.resize(kLogTitle);
    title += digest;
  }
  return std::to_string(game.Number) + title + ".log";
}

std::string SignalName(int signal) {
  const char* abbrev = ::sigabbrev_np(signal);
  return abbrev ? std::string("SIG") + abbrev : "signal " + std::to_string(signal);
}

std::string DescribeEnd(const TRunEnd& end) {
  if (!end.Signaled) return "exit status " + std::to_string(end.Code);
  const char* words = ::sigdescr_np(end.Code);
  return "signal " + SignalName(end.Code) + (words ? std::string(" (") + words + ")" : "");
}
