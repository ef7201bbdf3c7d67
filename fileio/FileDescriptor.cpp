#include "fileio/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>

void TFd::Reset(int fd) {
  if (FFd >= 0) ::close(FFd);
  FFd = fd;
}

int TFd::Close() {
  if (FFd < 0) return 0;
  // A close interrupted by a signal has still released the descriptor on Linux: never retry.
  return ::close(Release());
}

ssize_t ReadFull(int fd, void* buffer, std::size_t count) {
  auto* at = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd, at + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

ssize_t PreadFull(int fd, void* buffer, std::size_t count, uint64_t offset) {
  auto* at = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, at + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(done);
}

bool WriteFull(int fd, const void* buffer, std::size_t count) {
  const auto* at = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::write(fd, at + done, count - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return false;
    if (put == 0) {  // a device that takes nothing would loop for ever
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}
