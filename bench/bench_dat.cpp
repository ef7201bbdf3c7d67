// ROM lists (DATs), as whole processes, each pair alternated and its ratio measured in one run:
// - the audit of 10,000 games checked against a matching DAT of 10,000 games (read beforehand),
//   against the same audit without one: the sizes and CRC-32s come from the directories it reads
//   anyway (whole ludra-audit processes, the DAT's reading included, are shown beside it);
// - reading a DAT of 40,000 games and 300,000 files (the size of the largest arcade lists)
//   against `xmllint --stream --noout` on the same file, with the reader's peak resident size
//   against the file's size;
// - one DAT game naming one file 128,000 and 256,000 times (a hostile DAT): twice the names take
//   about twice the time of ludra-audit --missing, not four times.
//   ludra-bench-dat [folder-parent]
//   ludra-bench-dat --read FILE   (the reading process itself)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/AuditFolder.h"
#include "bench/BenchTiming.h"
#include "catalogue/AuditEngine.h"
#include "catalogue/Dat.h"
#include "catalogue/Games.h"
#include "catalogue/IniFile.h"
#include "fileio/AtomicFile.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// The DAT of the audit folder's games: 12 files each, as MakeAuditFolder writes them.
void WriteMatchingDat(const std::string& path, int games) {
  std::string x = "<?xml version=\"1.0\"?>\n<datafile>\n\t<header><name>bench</name></header>\n";
  for (int i = 0; i < games; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "g%06d", i);
    x += "\t<game name=\"" + std::string(name) + "\">\n";
    for (int m = 0; m < 12; ++m) {
      const std::string data(static_cast<std::size_t>(64 + m), 'z');
      x += "\t\t<rom name=\"" + std::string(name) + "-" + std::to_string(m) + ".bin\" size=\"" +
           std::to_string(data.size()) + "\" crc=\"" + CrcText(Crc32(data)) + "\"/>\n";
    }
    x += "\t</game>\n";
  }
  WriteFileBytes(path, x + "</datafile>\n");
}

// A DAT of `games` games and `roms` files in the shape of the large arcade lists: descriptions,
// clones with merged files, md5 and sha1 beside the crc.
void WriteLargeDat(const std::string& path, int games, int roms) {
  std::string x =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management "
      "Datafile//EN\" \"http://www.logiqx.com/Dats/datafile.dtd\">\n<datafile>\n\t<header>\n"
      "\t\t<name>large</name>\n\t\t<description>large</description>\n\t</header>\n";
  int written = 0;
  for (int i = 0; i < games; ++i) {
    const std::string name = "game" + std::to_string(i);
    const bool clone = i % 4 != 0;
    const std::string parent = "game" + std::to_string(i - i % 4);
    x += "\t<machine name=\"" + name + "\"" +
         (clone ? " cloneof=\"" + parent + "\" romof=\"" + parent + "\"" : "") +
         ">\n\t\t<description>The game number " + std::to_string(i) +
         " (World, revision A)</description>\n\t\t<year>1996</year>\n"
         "\t\t<manufacturer>Company</manufacturer>\n";
    const int count = (roms - written) / (games - i);
    for (int r = 0; r < count; ++r, ++written) {
      const std::string rom = name + "-" + std::to_string(r) + ".u" + std::to_string(r + 10);
      x += "\t\t<rom name=\"" + rom + "\"" + (clone && r % 2 ? " merge=\"" + rom + "\"" : "") +
           " size=\"" + std::to_string(524288 << (r % 3)) + "\" crc=\"" +
           CrcText(static_cast<uint32_t>(written) * 2654435761u) +
           "\" sha1=\"0123456789abcdef0123456789abcdef01234567\"/>\n";
    }
    x += "\t</machine>\n";
  }
  WriteFileBytes(path, x + "</datafile>\n");
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--read") == 0) {
    const TDat dat = ReadDat(argv[2]);
    std::printf("%zu\n", dat.Games.size());
    return 0;
  }
  const std::string parent = argc > 1 ? argv[1] : fs::temp_directory_path().string();
  // The audit cache of the benchmark's own, never the user's.
  setenv("XDG_CACHE_HOME", (parent + "/ludra-bench-cache").c_str(), 1);
  const std::string self = fs::canonical("/proc/self/exe").string();

  // The audit with and without a DAT, on the audit benchmark's folder of 10,000 games.
  {
    constexpr int kGames = 10000;
    const std::string root = parent + "/ludra-audit-" + std::to_string(kGames);
    std::printf("Preparing %d games in %s ...\n", kGames, root.c_str());
    std::fflush(stdout);
    MakeAuditFolder(root, kGames);
    const std::string dat = parent + "/ludra-bench-dat-10000.xml";
    if (!fs::exists(dat)) WriteMatchingDat(dat, kGames);
    // In this process, the DAT read once: the audit with its reasons (as the window audits),
    // checked against the DAT and not.
    std::string bytes;
    ReadWholeFile(root + "/ludra.ini", bytes, TIniFile::MaxFileBytes);
    const TIniFile list(std::move(bytes));
    const TDat matching = ReadDat(dat);
    const auto audit = [&](const TDat* against) {
      TAuditOptions options;
      options.Dat = against;
      std::string romDir;
      std::size_t incomplete = 0;
      AuditGames(
          list, root + "/", romDir, true,
          [&](const TGameView&, TAuditNote* note) {
            incomplete += note->Reason == TAuditNote::Incomplete;
          },
          &options);
      return incomplete;
    };
    audit(nullptr);  // warm the page cache
    audit(&matching);
    std::vector<double> as, bs, ratios;
    for (int r = 0; r < 21; ++r) {
      as.push_back(TimeMs([&] { audit(nullptr); }));
      bs.push_back(TimeMs([&] { audit(&matching); }));
      ratios.push_back(bs.back() / as.back());
    }
    const double ratio = Median(ratios);
    std::printf(
        "  %d games: the audit checked against a DAT of %d games %8.1f ms, without %8.1f ms, "
        "ratio %.2f (target <= 1.3) %s\n",
        kGames, kGames, Median(bs), Median(as), ratio, ratio <= 1.3 ? "OK" : "OVER TARGET");
    // For information: whole ludra-audit processes, the DAT's reading included.
    const std::vector<std::string> without = {LUDRA_AUDIT_TOOL, "--list", root + "/ludra.ini",
                                              "--no-cache"};
    std::vector<std::string> with = without;
    with.insert(with.end(), {"--dat", dat});
    std::vector<double> procA, procB;
    for (int r = 0; r < 5; ++r) {
      procA.push_back(RunChild(without, root).Ms);
      procB.push_back(RunChild(with, root).Ms);
    }
    std::printf("  ludra-audit --dat (reading its %.1f MB included) %8.1f ms, without %8.1f ms\n",
                static_cast<double>(fs::file_size(dat)) / (1024.0 * 1024.0), Median(procB),
                Median(procA));
    // A re-audit with nothing changed, the DAT's parse and the archives kept by the cache, against
    // the same re-audit without a DAT.
    for (const std::string& file : {dat, root + "/ready"}) {
      struct stat st;
      if (stat(file.c_str(), &st) == 0)
        std::this_thread::sleep_until(std::chrono::system_clock::from_time_t(st.st_ctim.tv_sec) +
                                      std::chrono::seconds(4));
    }
    const std::vector<std::string> plain = {LUDRA_AUDIT_TOOL, "--list", root + "/ludra.ini"};
    std::vector<std::string> withDat = plain;
    withDat.insert(withDat.end(), {"--dat", dat});
    RunChild(withDat, root);
    RunChild(plain, root);
    const TPairedRuns cached = RunPaired(plain, withDat, 11, root);
    std::printf(
        "  re-audit, nothing changed: ludra-audit --dat %8.1f ms, without a DAT %8.1f ms, ratio "
        "%.2f (target <= 1.3) %s\n",
        cached.B, cached.A, cached.Ratio, cached.Ratio <= 1.3 ? "OK" : "OVER TARGET");
  }

  // Equal names at two sizes: the work grows with the DAT, not with its square.
  {
    const std::string root = parent + "/ludra-bench-equal-names";
    fs::create_directories(root + "/Roms");
    WriteFileBytes(root + "/ludra.ini", "[Rom1]\nGame=Equal\nRomname=equal.zip\nFiles=same.bin\n");
    TZipMember member;
    member.Name = "same.bin";
    WriteFileBytes(root + "/Roms/equal.zip", BuildZip({member}));
    double times[2] = {};
    for (int k = 0; k < 2; ++k) {
      const int names = 128000 << k;
      const std::string dat = root + "/equal-" + std::to_string(names) + ".dat";
      std::string x = "<datafile>\n<game name=\"equal\">\n";
      for (int i = 0; i < names; ++i) x += "<rom name=\"same.bin\" size=\"1\"/>\n";
      WriteFileBytes(dat, x + "</game>\n</datafile>\n");
      const std::vector<std::string> audit = {LUDRA_AUDIT_TOOL, "--list", root + "/ludra.ini",
                                              "--dat",          dat,      "--missing"};
      RunChild(audit, root);
      std::vector<double> ms;
      for (int r = 0; r < 5; ++r) ms.push_back(RunChild(audit, root).Ms);
      times[k] = Median(ms);
      std::printf("  one game naming one file %d times: ludra-audit --missing %8.1f ms\n", names,
                  times[k]);
    }
    const double ratio = times[1] / times[0];
    std::printf("  twice the equal names: ratio %.2f (target <= 2.5) %s\n", ratio,
                ratio <= 2.5 ? "OK" : "OVER TARGET");
  }

  // Reading a large DAT against xmllint's streaming reader.
  {
    const std::string dat = parent + "/ludra-bench-dat-large.xml";
    if (!fs::exists(dat)) {
      std::printf("Writing a DAT of 40,000 games and 300,000 files ...\n");
      std::fflush(stdout);
      WriteLargeDat(dat, 40000, 300000);
    }
    const double fileKiB = static_cast<double>(fs::file_size(dat)) / 1024.0;
    const std::vector<std::string> ours = {self, "--read", dat};
    const std::vector<std::string> xmllint = {"xmllint", "--stream", "--noout", dat};
    RunChild(ours);
    RunChild(xmllint);
    std::vector<double> as, bs, ratios;
    long peak = 0;
    for (int r = 0; r < 7; ++r) {
      as.push_back(RunChild(xmllint).Ms);
      const TChildRun run = RunChild(ours);
      bs.push_back(run.Ms);
      peak = std::max(peak, run.PeakKiB);
      ratios.push_back(bs.back() / as.back());
    }
    const double ratio = Median(ratios), memory = static_cast<double>(peak) / fileKiB;
    std::printf(
        "  DAT of %.1f MB: read %8.1f ms, xmllint --stream %8.1f ms, ratio %.2f (target <= 2.0) "
        "%s\n",
        fileKiB / 1024.0, Median(bs), Median(as), ratio, ratio <= 2.0 ? "OK" : "OVER TARGET");
    std::printf("  peak RSS while reading: %.1f MB, %.2f times the file (target <= 3.0) %s\n",
                static_cast<double>(peak) / 1024.0, memory, memory <= 3.0 ? "OK" : "OVER TARGET");
  }
  return 0;
}
