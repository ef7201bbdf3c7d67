// List file benchmark: one save of one game's settings on a 10,000-game list file, against the
// least any crash-safe save must do: one replacement of the same file (write a temporary file,
// flush it, rename it over the old one, flush the folder).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "launch/Launcher.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr int kGames = 10000;

std::string ListText() {
  std::string list = "[General]\r\nPath=Roms\\\r\n";
  char name[16];
  for (int i = 0; i < kGames; ++i) {
    std::snprintf(name, sizeof name, "g%05d", i);
    std::string files;
    for (int m = 0; m < 5; ++m)
      files += (m ? "," : "") + std::string(name) + "-" + std::to_string(m) + ".bin";
    list += "[Rom" + std::to_string(i + 1) + "]\r\nGame=Game " + name + "\r\nCountry=Japan\r\n" +
            "Company=Company " + std::to_string(i % 40) +
            "\r\nSystem=ZN1\r\nYear=" + std::to_string(1994 + i % 6) + "\r\nRomname=" + name +
            ".zip\r\nFiles=" + files + "\r\nSound=" + std::to_string(i % 2) + "\r\n\r\n";
  }
  return list;
}

// The floor: the file's bytes to a temporary file beside it, fsync, rename, fsync of the folder.
void Replace(const std::string& dir, const std::string& bytes) {
  const std::string temp = dir + ".floor.tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) std::abort();
  if (rename(temp.c_str(), (dir + "ludra.ini").c_str()) != 0) std::abort();
  const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  fsync(dirFd);
  close(dirFd);
}

class TNoShell : public IShell {
  void Open(const std::string&, const std::string&) override {}
};
}  // namespace

int main(int argc, char** argv) {
  // Beside the program by default, where a list file lives (in a memory folder, such as a tmpfs
  // /tmp, a flush costs nothing and the replacement is a bare copy).
  const std::string dir =
      (argc > 1 ? fs::path(argv[1])
                : fs::read_symlink("/proc/self/exe").parent_path() / "listfile-bench-data")
          .string() +
      "/";
  fs::remove_all(dir);
  fs::create_directories(dir);
  WriteFileBytes(dir + "ludra.ini", ListText());
  const TPaths paths{dir, dir};
  TNoShell shell;
  TLauncher launcher(paths, shell);
  launcher.LoadSettings(kGames / 2);  // the game's own values, and its section gains its keys
  launcher.SaveSettings(kGames / 2);
  const std::string bytes = ReadFileBytes(dir + "ludra.ini");

  // The two alternate, so a change in the machine's load falls on both alike; the ratio is the
  // median of the ratios of neighbouring runs. Each save changes a value, so it really writes.
  const int runs = 15;
  std::vector<double> saves, floors, ratios;
  for (int r = 0; r < runs; ++r) {
    launcher.GameSettings.CutOff = std::to_string(11025 + r % 2);
    floors.push_back(TimeMs([&] { Replace(dir, bytes); }));
    saves.push_back(TimeMs([&] { launcher.SaveSettings(kGames / 2); }));
    ratios.push_back(saves.back() / floors.back());
  }
  std::printf("list file: %zu bytes, %d games, in %s\n", bytes.size(), kGames, dir.c_str());
  std::printf("(a) SaveSettings of one game:              %8.2f ms\n", Median(saves));
  std::printf("(b) one crash-safe replacement of the file: %8.2f ms\n", Median(floors));
  const double ratio = Median(ratios);
  std::printf("ratio save / replacement: %.2f (target <= 2.00) %s\n", ratio,
              ratio <= 2.0 ? "OK" : "OVER TARGET");
  fs::remove_all(dir);
  return 0;
}
