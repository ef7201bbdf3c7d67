#pragma once
// One temporary file per fuzzing process, rewritten with every input, for code that reads files.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

class TScratchFile {
 public:
  explicit TScratchFile(const char* suffix) {
    const char* dir = std::getenv("TMPDIR");
    FPath = std::string(dir && *dir ? dir : "/tmp") + "/ludra-fuzz-XXXXXX" + suffix;
    FFd = mkstemps(FPath.data(), static_cast<int>(std::char_traits<char>::length(suffix)));
    if (FFd < 0) std::abort();
  }
  ~TScratchFile() {
    close(FFd);
    unlink(FPath.c_str());
  }
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;

  // Replaces the file's content with `data`.
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

  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
  int FFd = -1;
};
