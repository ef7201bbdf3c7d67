#pragma once
// One owner for a file descriptor, and the read/write loops every file access goes through: they
// retry when a signal interrupts them and carry on after a short transfer.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

class TFd {
 public:
  TFd() = default;
  explicit TFd(int fd) : FFd(fd) {}
  ~TFd() { Reset(); }
  TFd(TFd&& other) noexcept : FFd(other.Release()) {}
  TFd& operator=(TFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;

  int Get() const { return FFd; }
  bool IsOpen() const { return FFd >= 0; }
  // Gives up ownership; the caller closes.
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }
  // Closes the descriptor held (if any) and takes `fd`.
  void Reset(int fd = -1);
  // Closes now and reports close's result (0, or -1 with errno), for writers whose data is only
  // safe once close succeeded.
  int Close();

 private:
  int FFd = -1;
};

// Reads `count` bytes (fewer only at the end of the file); -1 with errno set on an error.
ssize_t ReadFull(int fd, void* buffer, std::size_t count);
// The same at `offset`, leaving the file position alone.
ssize_t PreadFull(int fd, void* buffer, std::size_t count, uint64_t offset);
// Writes all `count` bytes; false with errno set on an error.
bool WriteFull(int fd, const void* buffer, std::size_t count);
