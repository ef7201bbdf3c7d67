// Catalogue benchmark: the audit of 10,000 archives against the least work any audit must do
// (open, read the tail and the central directory, close), and parsing a 10,000-game list file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/AuditFolder.h"
#include "bench/BenchTiming.h"
#include "catalogue/Games.h"
#include "catalogue/IniFile.h"
#include "catalogue/ListFile.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr int kGames = 10000;

}  // namespace

int main(int argc, char** argv) {
  const std::string root =
      argc > 1 ? argv[1] : (fs::temp_directory_path() / "ludra-audit-10000").string();
  std::printf("Preparing %d archives in %s ...\n", kGames, root.c_str());
  MakeAuditFolder(root, kGames);
  const TPaths paths{root + "/", root + "/"};

  TGameList games;
  std::string romDir;
  std::vector<TAuditNote> notes;  // recorded as the window records them, for its tooltips
  std::size_t available = 0;
  auto audit = [&] {
    LoadGames(paths, games, romDir, &notes);
    available = static_cast<std::size_t>(
        std::count_if(games.begin(), games.end(), [](const TGame& g) { return g.Available; }));
  };
  std::size_t floorBytes = 0;
  auto floor = [&] { floorBytes = AuditFloorLoop(root, kGames); };
  std::string listText = ReadFileBytes(root + "/ludra.ini");
  auto parse = [&] { TIniFile ini(listText); };

  audit();  // warm the page cache and the directory cache
  floor();
  // The two alternate, so a change in the machine's load falls on both alike; the ratio is the
  // median of the ratios of neighbouring runs.
  const int runs = 11;
  std::vector<double> floors, audits, ratios;
  for (int r = 0; r < runs; ++r) {
    floors.push_back(TimeMs(floor));
    audits.push_back(TimeMs(audit));
    ratios.push_back(audits.back() / floors.back());
  }
  // What recording the reasons costs: the same audit without them, alternating again.
  std::vector<double> noteRatios;
  for (int r = 0; r < runs; ++r) {
    const double without = TimeMs([&] { LoadGames(paths, games, romDir); });
    noteRatios.push_back(TimeMs(audit) / without);
  }
  const double floorMs = Median(floors);
  const double auditMs = Median(audits);
  const double parseMs = MedianMs(parse, runs);

  std::printf("games: %zu, available: %zu, central directory bytes: %zu\n", games.size(), available,
              floorBytes);
  std::printf("(a) LoadGames over %d archives:      %8.2f ms\n", kGames, auditMs);
  std::printf("(b) floor loop (open, tail, CD, close): %8.2f ms\n", floorMs);
  std::printf("(c) parse of the %d-game list file:  %8.2f ms (%zu bytes)\n", kGames, parseMs,
              listText.size());
  const double ratio = Median(ratios);
  std::printf("ratio LoadGames / floor: %.2f (target <= 1.50) %s\n", ratio,
              ratio <= 1.5 ? "OK" : "OVER TARGET");
  std::printf("ratio LoadGames with reasons / without: %.3f\n", Median(noteRatios));
  return 0;
}
