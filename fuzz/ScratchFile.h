#pragma once
// One in-memory file per fuzzing process, rewritten with every input, for code that opens files
// by name: the name is the file's entry under /proc/self/fd, so no disk is involved.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

class TScratchFile {
 public:
  TScratchFile() : FFd(memfd_create("ludra-fuzz", MFD_CLOEXEC)) {
    if (FFd < 0) std::abort();
    FPath = "/proc/self/fd/" + std::to_string(FFd);
  }
  ~TScratchFile() { close(FFd); }
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;

  int Fd() const { return FFd; }

  // Replaces the file's content with `data`; returns the file's name.
  const std::string& Write(const uint8_t* data, size_t size) {
    if (ftruncate(FFd, 0) != 0) std::abort();
    size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(FFd, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) std::abort();
      done += static_cast<size_t>(n);
    }
    return FPath;
  }

 private:
  int FFd;
  std::string FPath;
};
