// Plug-in discovery benchmark: 10,000 plug-ins (half ELF shared objects, half Windows DLLs, one in
// ten of each a renderer) against the least any discovery must do: open each file, read its first
// 4 KiB, close it.
//   ludra-bench-plugins [folder]
#include <dirent.h>
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
#include "launch/Plugins.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr int kPlugins = 10000;

std::string Name(int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "p%05d.tvi", i);
  return buf;
}

// Builds the folder once; later runs reuse it. The ELF files are the test fixtures (built by the
// system's compiler and linker); the DLLs are the fuzzer's seeds (written as linkers lay them out).
void Generate(const std::string& root) {
  if (fs::exists(root + "/ready")) return;
  fs::remove_all(root);
  fs::create_directories(root);
  const std::string fixtures = LUDRA_PLUGIN_FIXTURES, seeds = LUDRA_PE_SEEDS;
  const std::string elf[2] = {ReadFileBytes(fixtures + "renderer.tvi"),
                              ReadFileBytes(fixtures + "sound.tvi")};
  const std::string pe[2] = {ReadFileBytes(seeds + "renderer-pe32.dll"),
                             ReadFileBytes(seeds + "controller-pe32plus.dll")};
  for (int i = 0; i < kPlugins; ++i) {
    const int kind = i % 20 < 2 ? 0 : 1;  // one in ten a renderer
    WriteFileBytes(root + "/" + Name(i), i % 2 ? pe[kind] : elf[kind]);
  }
  WriteFileBytes(root + "/ready", "");
}

std::size_t FloorLoop(const std::string& root) {
  std::size_t bytes = 0;
  char head[4096];
  for (int i = 0; i < kPlugins; ++i) {
    const int fd = ::open((root + Name(i)).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    const ssize_t n = ::read(fd, head, sizeof head);
    if (n > 0) bytes += static_cast<std::size_t>(n);
    ::close(fd);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root =
      (argc > 1 ? std::string(argv[1])
                : (fs::temp_directory_path() / "ludra-bench-plugins").string()) +
      "/";
  std::printf("Preparing %d plug-ins in %s ...\n", kPlugins, root.c_str());
  Generate(root);

  std::vector<std::string> renderers;
  std::size_t floorBytes = 0;
  auto discover = [&] { renderers = FindRenderers(root); };
  auto floor = [&] { floorBytes = FloorLoop(root); };
  discover();  // warm the page cache
  floor();
  // The two alternate, so a change in the machine's load falls on both alike.
  const int runs = 11;
  std::vector<double> floors, discoveries, ratios;
  for (int r = 0; r < runs; ++r) {
    floors.push_back(TimeMs(floor));
    discoveries.push_back(TimeMs(discover));
    ratios.push_back(discoveries.back() / floors.back());
  }
  std::printf("plug-ins: %d, renderers found: %zu, floor bytes read: %zu\n", kPlugins,
              renderers.size(), floorBytes);
  std::printf("(a) FindRenderers over %d plug-ins:        %8.2f ms\n", kPlugins,
              Median(discoveries));
  std::printf("(b) floor loop (open, read 4 KiB, close):  %8.2f ms\n", Median(floors));
  const double ratio = Median(ratios);
  std::printf("ratio FindRenderers / floor: %.2f (target <= 2.00) %s\n", ratio,
              ratio <= 2.0 ? "OK" : "OVER TARGET");
  return 0;
}
