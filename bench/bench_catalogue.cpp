// Catalogue benchmark: the audit of 10,000 archives against the least work any audit must do
// (open, read the tail and the central directory, close), and parsing a 10,000-game list file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Games.h"
#include "IniFile.h"
#include "ListFile.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr int kGames = 10000;

std::string Name(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "g%05d", i);
  return buf;
}

// Builds the folder once; later runs reuse it.
void Generate(const std::string& root) {
  if (fs::exists(root + "/ready")) return;
  fs::remove_all(root);
  fs::create_directories(root + "/Roms");
  std::string list = "[General]\r\nPath=Roms\\\r\n";
  for (int i = 0; i < kGames; ++i) {
    const std::string name = Name(i);
    std::string files;
    for (int m = 0; m < 12; ++m) files += (m ? "," : "") + name + "-" + std::to_string(m) + ".bin";
    list += "[Rom" + std::to_string(i + 1) + "]\r\nGame=Game " + name + "\r\nCountry=Japan\r\n" +
            "Company=Company " + std::to_string(i % 40) +
            "\r\nSystem=ZN1\r\nYear=" + std::to_string(1994 + i % 6) + "\r\nRomname=" + name +
            ".zip\r\nFiles=" + files + "\r\nSound=" + std::to_string(i % 2) + "\r\n\r\n";
    if (i % 97 == 5) continue;  // archive missing
    std::vector<TZipMember> members;
    for (int m = 0; m < 12; ++m) {
      TZipMember member;
      member.Name = name + "-" + std::to_string(m) + ".bin";
      if (i % 89 == 7) member.Name = "other-" + std::to_string(m);       // matches nothing
      if (i % 5 == 1) member.Name = "roms/" + name + "/" + member.Name;  // subfolders
      if (i % 11 == 3) {
        for (auto& ch : member.Name) ch = static_cast<char>(std::toupper(ch));
      }
      if (i % 3 == 0) member.Extra = std::string("UT\x05\x00\x01\x00\x00\x00\x00", 9);
      if (i % 7 == 0) member.Comment = "member comment";
      member.Data = std::string(64 + m, 'z');
      members.push_back(member);
    }
    std::string archive = name + ".zip";
    if (i % 13 == 4) archive = "G" + name.substr(1) + ".ZIP";  // upper case on disk
    WriteFileBytes(root + "/Roms/" + archive,
                   BuildZip(members, i % 17 == 0 ? std::string(300, 'c') : std::string()));
  }
  WriteFileBytes(root + "/ludra.ini", list);
  WriteFileBytes(root + "/ready", "");
}

// The least an audit must do for each archive.
std::size_t FloorLoop(const std::string& root) {
  std::size_t bytes = 0;
  std::vector<char> tail(1024), central;
  for (int i = 0; i < kGames; ++i) {
    std::string path = root + "/Roms/" + Name(i) + ".zip";
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      path = root + "/Roms/G" + Name(i).substr(1) + ".ZIP";
      fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
    }
    struct stat st;
    fstat(fd, &st);
    const off_t size = st.st_size;
    const off_t start = std::max<off_t>(0, size - 1024);
    const ssize_t n = pread(fd, tail.data(), static_cast<std::size_t>(size - start), start);
    // The end record of these archives is at the tail, or before a member-free comment.
    for (ssize_t k = n - 22; k >= 0; --k) {
      if (std::memcmp(&tail[static_cast<std::size_t>(k)], "PK\x05\x06", 4) == 0) {
        uint32_t cdSize, cdOffset;
        std::memcpy(&cdSize, &tail[static_cast<std::size_t>(k) + 12], 4);
        std::memcpy(&cdOffset, &tail[static_cast<std::size_t>(k) + 16], 4);
        central.resize(cdSize + 4);
        bytes += static_cast<std::size_t>(pread(fd, central.data(), central.size(), cdOffset));
        break;
      }
    }
    close(fd);
  }
  return bytes;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double TimeMs(const std::function<void()>& f, int runs) {
  std::vector<double> times;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  return Median(times);
}
}  // namespace

int main(int argc, char** argv) {
  const std::string root =
      argc > 1 ? argv[1] : (fs::temp_directory_path() / "ludra-bench-10000").string();
  std::printf("Preparing %d archives in %s ...\n", kGames, root.c_str());
  Generate(root);
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
  auto floor = [&] { floorBytes = FloorLoop(root); };
  std::string listText = ReadFileBytes(root + "/ludra.ini");
  auto parse = [&] { TIniFile ini(listText); };

  audit();  // warm the page cache and the directory cache
  floor();
  // The two alternate, so a change in the machine's load falls on both alike; the ratio is the
  // median of the ratios of neighbouring runs.
  const int runs = 11;
  std::vector<double> floors, audits, ratios;
  for (int r = 0; r < runs; ++r) {
    floors.push_back(TimeMs(floor, 1));
    audits.push_back(TimeMs(audit, 1));
    ratios.push_back(audits.back() / floors.back());
  }
  // What recording the reasons costs: the same audit without them, alternating again.
  std::vector<double> noteRatios;
  for (int r = 0; r < runs; ++r) {
    const double without = TimeMs([&] { LoadGames(paths, games, romDir); }, 1);
    noteRatios.push_back(TimeMs(audit, 1) / without);
  }
  const double floorMs = Median(floors);
  const double auditMs = Median(audits);
  const double parseMs = TimeMs(parse, runs);

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
