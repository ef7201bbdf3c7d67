// Audit benchmark as whole processes: ludra-audit against the floor loop (open, fstat, one read of
// the tail, at most one more of the central directory, close, for every archive), each started
// afresh, alternating, at 1,000, 10,000 and 100,000 games; with their peak resident sizes. Then
// the same 10,000 games on slow storage (every file request 1 ms, as on a network share), where
// the floor keeps 32 reads in flight. Last, the memory of an audit of archives with huge
// directories, one at a time against many in flight. Then the cache of what earlier audits read:
// a re-audit with nothing changed against the first audit, locally and on slow storage, and a
// first audit that writes the cache against one that does not.
//   ludra-bench-audit [folder-parent] [--cold]     --cold also drops the page cache between runs
//   ludra-bench-audit [folder-parent] --against OTHER-LUDRA-AUDIT   this build against another
//     (a change's before and after), alternating, with and without --missing, and nothing else
//   ludra-bench-audit [folder-parent] --large-directories   the memory figures alone
//   ludra-bench-audit [folder-parent] --cache      only the cache's figures
//   Against the floor, the other build and for the memory figures, this one reads every archive
//   (--no-cache).
//   ludra-bench-audit --floor ROOT GAMES [READS]  (the floor process itself)
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
#include "bench/LatencyMount.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {
// Builds the folder in a child process, so this one stays small (see Run).
void Prepare(const std::string& root, int games) {
  const pid_t pid = fork();
  if (pid == 0) {
    MakeAuditFolder(root, games);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
}

// ludra-audit against the floor with 32 reads in flight, on the 10,000 games of `root` seen
// through a file system that adds 1 ms to every request.
void SlowStorage(const std::string& root, const std::string& self) {
  constexpr int kGames = 10000, kReads = 32;
  TLatencyMount slow(root, 1000);
  if (slow.Path().empty()) {
    std::printf("  slow storage: skipped, %s\n", slow.Why().c_str());
    return;
  }
  const std::string dir = slow.Path();
  const std::vector<std::string> audit = {LUDRA_AUDIT_TOOL, "--list", dir + "/ludra.ini",
                                          "--no-cache"};
  const std::vector<std::string> floor = {self, "--floor", dir, std::to_string(kGames),
                                          std::to_string(kReads)};
  RunChild(audit, dir);  // the file system's first sight of every name
  const TPairedRuns run = RunPaired(floor, audit, 5, dir);
  std::printf(
      "  1 ms per request, %d games: ludra-audit %8.1f ms, floor with %d reads in flight "
      "%8.1f ms, ratio %.2f (target <= 1.3) %s\n",
      kGames, run.B, kReads, run.A, run.Ratio, run.Ratio <= 1.3 ? "OK" : "OVER TARGET");
}

// This build's ludra-audit against another one, paired run by run.
int Against(const std::string& parent, const std::string& other) {
  for (const int games : {10000, 100000}) {
    const std::string root = parent + "/ludra-audit-" + std::to_string(games);
    std::printf("Preparing %d games in %s ...\n", games, root.c_str());
    std::fflush(stdout);
    Prepare(root, games);
    for (const bool missing : {false, true}) {
      std::vector<std::string> ours = {LUDRA_AUDIT_TOOL, "--list", root + "/ludra.ini"};
      if (missing) ours.push_back("--missing");
      std::vector<std::string> theirs = ours;
      theirs[0] = other;
      ours.push_back("--no-cache");
      RunChild(ours, root);
      RunChild(theirs, root);
      const TPairedRuns run = RunPaired(theirs, ours, games >= 100000 ? 7 : 15, root);
      std::printf("  %6d games%s: this ludra-audit %8.1f ms, the other %8.1f ms, ratio %.3f\n",
                  games, missing ? " --missing" : "", run.B, run.A, run.Ratio);
    }
  }
  return 0;
}

// 200 archives whose central directories take 20 MiB each (hard links to one archive, so the
// folder costs 40 MB of disk), none holding the expected file, so every directory is read whole:
// ludra-audit's peak with one read at a time and with 32 in flight. The readers' budget bounds
// what the parallel audit holds beyond the one-at-a-time audit.
void LargeDirectories(const std::string& parent) {
  constexpr int kArchives = 200, kMembers = 143000;
  constexpr double kBudgetMB = 64.0 * 1048576 / 1e6;
  const std::string root = parent + "/ludra-audit-large-directories";
  if (!fs::exists(root + "/ready")) {
    const pid_t pid = fork();  // built in a child, so this process stays small (see RunChild)
    if (pid == 0) {
      fs::remove_all(root);
      fs::create_directories(root + "/Roms");
      std::vector<TZipMember> members(kMembers);
      for (int m = 0; m < kMembers; ++m) {
        members[m].Name = "set/member-" + std::to_string(m) + "-";
        members[m].Name.resize(100, 'x');
      }
      WriteFileBytes(root + "/Roms/g1.zip", BuildZip(members));
      std::string list = "[General]\r\nPath=Roms\\\r\n";
      for (int n = 1; n <= kArchives; ++n) {
        const std::string name = "g" + std::to_string(n) + ".zip";
        if (n > 1) fs::create_hard_link(root + "/Roms/g1.zip", root + "/Roms/" + name);
        list += "[Rom" + std::to_string(n) + "]\r\nGame=Game " + std::to_string(n) +
                "\r\nRomname=" + name + "\r\nFiles=absent\r\n";
      }
      WriteFileBytes(root + "/ludra.ini", list);
      WriteFileBytes(root + "/ready", "");
      _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  }
  const std::vector<std::string> one = {LUDRA_AUDIT_TOOL, "--list",  root + "/ludra.ini",
                                        "--no-cache",     "--reads", "1"};
  const std::vector<std::string> many = {LUDRA_AUDIT_TOOL, "--list",  root + "/ludra.ini",
                                         "--no-cache",     "--reads", "32"};
  long onePeak = 0, manyPeak = 0;
  for (int r = 0; r < 2; ++r) {
    onePeak = std::max(onePeak, RunChild(one, root).PeakKiB);
    manyPeak = std::max(manyPeak, RunChild(many, root).PeakKiB);
  }
  const double oneMB = onePeak * 1024 / 1e6, manyMB = manyPeak * 1024 / 1e6;
  std::printf(
      "  %d archives with 20 MiB directories: peak RSS one at a time %.1f MB, 32 reads in flight "
      "%.1f MB (bound: one at a time + the readers' 64 MiB = %.1f MB) %s\n",
      kArchives, oneMB, manyMB, oneMB + kBudgetMB, manyMB <= oneMB + kBudgetMB ? "OK" : "OVER");
}

// The cache lives in a folder of the benchmark's own; archives are kept only once they are older
// than the cache's racy window, so a folder just made is waited for.
std::string CacheFolderIn(const std::string& parent) {
  const std::string folder = parent + "/ludra-bench-cache";
  setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  return folder + "/ludra";
}

void LetSettle(const std::string& root) {
  struct stat st;
  if (stat((root + "/ready").c_str(), &st) != 0) return;
  const auto made = std::chrono::system_clock::from_time_t(st.st_ctim.tv_sec);
  const auto settled = made + std::chrono::seconds(4);
  if (std::chrono::system_clock::now() < settled) std::this_thread::sleep_until(settled);
}

// ludra-audit with the cache against --no-cache on `dir`, alternated: a re-audit with nothing
// changed (the cache warm), and a first audit (the cache removed before each run).
void CachePairs(const std::string& dir, const std::string& cache, int runs, const char* where,
                double target) {
  const std::vector<std::string> cached = {LUDRA_AUDIT_TOOL, "--list", dir + "/ludra.ini"};
  std::vector<std::string> uncached = cached;
  uncached.push_back("--no-cache");
  std::vector<double> writes, writeRatios;
  fs::remove_all(cache);
  RunChild(cached, dir);
  const TPairedRuns reaudit = RunPaired(uncached, cached, runs, dir);
  std::printf(
      "  %s: re-audit with the cache, nothing changed %8.1f ms, first audit %8.1f ms, ratio "
      "%.2f (target <= %.1f) %s\n",
      where, reaudit.B, reaudit.A, reaudit.Ratio, target,
      reaudit.Ratio <= target ? "OK" : "OVER TARGET");
  std::vector<double> plain;
  for (int r = 0; r < runs; ++r) {
    plain.push_back(RunChild(uncached, dir).Ms);
    fs::remove_all(cache);
    writes.push_back(RunChild(cached, dir).Ms);
    writeRatios.push_back(writes.back() / plain.back());
  }
  const double first = Median(writeRatios);
  std::printf(
      "  %s: first audit writing the cache %8.1f ms, without a cache %8.1f ms, ratio %.2f "
      "(target: within noise of 1.0)\n",
      where, Median(writes), Median(plain), first);
  std::uintmax_t size = 0;
  for (const auto& f : fs::directory_iterator(cache))
    size += f.is_regular_file() ? f.file_size() : 0;
  std::printf("  %s: the cache file %.1f MB\n", where,
              static_cast<double>(size) / (1024.0 * 1024.0));
}

void CacheOnSlowStorage(const std::string& parent, const std::string& cache) {
  constexpr int kGames = 2000;
  const std::string root = parent + "/ludra-audit-" + std::to_string(kGames);
  Prepare(root, kGames);
  LetSettle(root);
  TLatencyMount slow(root, 1000);
  if (slow.Path().empty()) {
    std::printf("  cache on slow storage: skipped, %s\n", slow.Why().c_str());
    return;
  }
  CachePairs(slow.Path(), cache, 5, "1 ms per request, 2000 games", 0.3);
}

bool DropCaches() {
  sync();
  FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
  if (!f) return false;
  const bool ok = std::fputs("3\n", f) >= 0;
  return std::fclose(f) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
  if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--floor") == 0) {
    const std::size_t bytes =
        AuditFloorLoop(argv[2], std::atoi(argv[3]), argc == 5 ? std::atoi(argv[4]) : 1);
    std::printf("%zu\n", bytes);
    return 0;
  }
  std::string parent = fs::temp_directory_path().string();
  bool cold = false, largeOnly = false, cacheOnly = false;
  std::string against;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--cold") == 0)
      cold = true;
    else if (std::strcmp(argv[i], "--against") == 0 && i + 1 < argc)
      against = argv[++i];
    else if (std::strcmp(argv[i], "--large-directories") == 0)
      largeOnly = true;
    else if (std::strcmp(argv[i], "--cache") == 0)
      cacheOnly = true;
    else
      parent = argv[i];
  }
  if (!against.empty()) return Against(parent, against);
  if (largeOnly) {
    LargeDirectories(parent);
    return 0;
  }
  const std::string self = fs::canonical("/proc/self/exe").string();
  const std::string cache = CacheFolderIn(parent);
  if (cacheOnly) {
    const std::string root = parent + "/ludra-audit-10000";
    Prepare(root, 10000);
    LetSettle(root);
    CachePairs(root, cache, 11, "warm, 10000 games", 0.5);
    CacheOnSlowStorage(parent, cache);
    return 0;
  }
  for (const int games : {1000, 10000, 100000}) {
    const std::string root = parent + "/ludra-audit-" + std::to_string(games);
    std::printf("Preparing %d games in %s ...\n", games, root.c_str());
    std::fflush(stdout);
    Prepare(root, games);
    const std::vector<std::string> audit = {LUDRA_AUDIT_TOOL, "--list", root + "/ludra.ini",
                                            "--no-cache"};
    const std::vector<std::string> floor = {self, "--floor", root, std::to_string(games)};
    RunChild(audit, root);  // warm the page cache
    RunChild(floor, root);
    const int runs = games >= 100000 ? 5 : 11;
    for (const bool dropping : {false, true}) {
      if (dropping && (!cold || !DropCaches())) {
        if (dropping && cold) std::printf("  cold: the page cache cannot be dropped here\n");
        continue;
      }
      // Alternating, so a change in the machine's load falls on both alike; the ratio is the
      // median of the ratios of neighbouring runs.
      std::vector<double> floors, audits, ratios;
      long floorPeak = 0, auditPeak = 0;
      for (int r = 0; r < runs; ++r) {
        if (dropping) DropCaches();
        const TChildRun f = RunChild(floor, root);
        if (dropping) DropCaches();
        const TChildRun a = RunChild(audit, root);
        floors.push_back(f.Ms);
        audits.push_back(a.Ms);
        ratios.push_back(a.Ms / f.Ms);
        floorPeak = std::max(floorPeak, f.PeakKiB);
        auditPeak = std::max(auditPeak, a.PeakKiB);
      }
      const double ratio = Median(ratios), target = dropping ? 1.1 : 1.2;
      std::printf(
          "  %s, %6d games: ludra-audit %8.1f ms, floor %8.1f ms, ratio %.2f (target <= "
          "%.1f) %s\n",
          dropping ? "cold" : "warm", games, Median(audits), Median(floors), ratio, target,
          ratio <= target ? "OK" : "OVER TARGET");
      std::printf("  peak RSS: ludra-audit %.1f MB, floor %.1f MB", auditPeak / 1024.0,
                  floorPeak / 1024.0);
      if (games == 10000)
        std::printf(" (target <= 10 MB) %s", auditPeak <= 10 * 1024 ? "OK" : "OVER TARGET");
      std::printf("\n");
    }
    if (games == 10000) SlowStorage(root, self);
    if (games >= 10000) {
      LetSettle(root);
      CachePairs(root, cache, games >= 100000 ? 5 : 11,
                 games >= 100000 ? "warm, 100000 games" : "warm, 10000 games", 0.5);
    }
  }
  CacheOnSlowStorage(parent, cache);
  LargeDirectories(parent);
  return 0;
}
