// The log keeper: the emulator's output from a pipe into a capped file.
#include "launch/LogKeeper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/FileDescriptor.h"

namespace {

// What a report shows of the log's end (at most the last 64 KiB), kept in memory as well.
constexpr std::size_t kRecent = 64 * 1024;

class TCappedLog {
 public:
  TCappedLog(int fd, std::size_t cap) : FFd(fd), FCap(cap), FKept(cap / 2) {}

  void Append(const char* data, std::size_t size) {
    FRecent.append(data, size);
    if (FRecent.size() > 2 * kRecent) FRecent.erase(0, FRecent.size() - kRecent);
    if (FBroken) return;
    if (!WriteAt(data, size, FSize)) {
      // A full disk: the output is dropped rather than the emulator stopped, until Settle.
      FBroken = true;
      return;
    }
    FSize += size;
    if (FSize > FCap) KeepEnd();
  }

  // After a failed write the file holds the output's beginning, and a report would show that as
  // its last lines: the file is made the output's end instead (its old bytes freed first, so the
  // end fits where they were), and the log goes on from there.
  void Settle() {
    // A disk that is still nearly full may take less: then a shorter end.
    for (std::size_t keep = std::min(FRecent.size(), kRecent); FBroken && keep > 0; keep /= 2) {
      const char* start = FRecent.data() + FRecent.size() - keep;
      if (keep < FRecent.size()) {
        const char* line = static_cast<const char*>(std::memchr(start, '\n', keep));
        if (line) start = line + 1;
      }
      const std::size_t size = static_cast<std::size_t>(FRecent.data() + FRecent.size() - start);
      if (::ftruncate(FFd, 0) != 0) return;
      if (!WriteAt(start, size, 0)) continue;
      FSize = size;
      FBroken = false;
    }
  }

 private:
  bool WriteAt(const char* data, std::size_t size, std::size_t offset) {
    while (size > 0) {
      const ssize_t n = ::pwrite(FFd, data, size, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
      offset += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Moves the last half of the cap to the front, from the first line that starts there, so
  // the log always begins with a whole line; halving makes the copying linear in the output.
  void KeepEnd() {
    FTail.resize(FKept);
    const std::size_t from = FSize - FKept;
    if (PreadFull(FFd, FTail.data(), FKept, from) != static_cast<ssize_t>(FKept)) {
      FBroken = true;
      return;
    }
    const char* start = static_cast<const char*>(std::memchr(FTail.data(), '\n', FKept));
    start = start ? start + 1 : FTail.data();
    const std::size_t size = static_cast<std::size_t>(FTail.data() + FKept - start);
    if (!WriteAt(start, size, 0) || ::ftruncate(FFd, static_cast<off_t>(size)) != 0) {
      FBroken = true;
      return;
    }
    FSize = size;
  }

  int FFd;
  std::size_t FCap;
  std::size_t FKept;
  std::size_t FSize = 0;
  bool FBroken = false;  // a write failed: the file is behind the output
  std::vector<char> FTail;
  std::string FRecent;  // the output's last bytes, between kRecent and twice that
};

}  // namespace

int RunLogKeeper(std::size_t cap) {
  // Ludra may be gone when the emulator ends; the note that nobody reads is no reason to die.
  ::signal(SIGPIPE, SIG_IGN);
  // A file size limit fails a write as a full disk does, rather than ending the keeper.
  ::signal(SIGXFSZ, SIG_IGN);
  TCappedLog log(kKeeperLog, cap);
  std::vector<char> buffer(64 * 1024);
  bool ended = ::fcntl(kKeeperProcess, F_GETFD) < 0;
  bool drained = ::fcntl(kKeeperDrained, F_GETFD) < 0;

  // Reads up to `limit` bytes of what the pipe holds; false at its end (every writer gone).
  auto readSome = [&](std::size_t limit) {
    while (limit > 0) {
      const ssize_t n = ::read(kKeeperOutput, buffer.data(), std::min(buffer.size(), limit));
      if (n > 0) {
        log.Append(buffer.data(), static_cast<std::size_t>(n));
        limit -= static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      return n < 0 && errno == EAGAIN;
    }
    return true;
  };
  // Its flags belong to whoever shares the descriptor (a terminal, when run by hand): put back.
  const int flags = ::fcntl(kKeeperOutput, F_GETFL);
  if (flags >= 0) ::fcntl(kKeeperOutput, F_SETFL, flags | O_NONBLOCK);

  while (true) {
    pollfd fds[2] = {{kKeeperOutput, POLLIN, 0}, {ended ? -1 : kKeeperProcess, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents) {
      // Everything the emulator wrote is in the pipe now: take that much, then tell Ludra.
      // Children it left behind may go on writing (the log goes on with them), but they must
      // not hold the note back.
      ended = true;
      int pending = 0;
      if (::ioctl(kKeeperOutput, FIONREAD, &pending) != 0) pending = 0;
      const bool open = readSome(static_cast<std::size_t>(pending));
      log.Settle();  // before the report reads the last lines
      if (!drained) {
        const char done = 'd';
        ssize_t ignored = ::write(kKeeperDrained, &done, 1);
        (void)ignored;
        ::close(kKeeperDrained);
        drained = true;
      }
      if (!open) break;
      continue;
    }
    if (fds[0].revents && !readSome(buffer.size())) break;
  }
  log.Settle();
  if (flags >= 0) ::fcntl(kKeeperOutput, F_SETFL, flags);
  return 0;
}
