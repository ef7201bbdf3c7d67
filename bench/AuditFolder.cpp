#include "bench/AuditFolder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "bench/BenchTiming.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {
std::string Name(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "g%06d", i);
  return buf;
}
}  // namespace

void MakeAuditFolder(const std::string& root, int games) {
  if (fs::exists(root + "/ready")) return;
  fs::remove_all(root);
  fs::create_directories(root + "/Roms");
  std::string list = "[General]\r\nPath=Roms\\\r\n";
  for (int i = 0; i < games; ++i) {
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

namespace {
// The floor's work for the archives of games first, first + step, first + 2 step, ...
std::size_t FloorOf(const std::string& root, int games, int first, int step) {
  std::size_t bytes = 0;
  std::vector<char> tail(1024), central;
  for (int i = first; i < games; i += step) {
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
        // Read already with the tail when it lies there, as the audit's window does.
        if (cdOffset < start) {
          central.resize(cdSize + 4);
          bytes += static_cast<std::size_t>(pread(fd, central.data(), central.size(), cdOffset));
        } else {
          bytes += cdSize;
        }
        break;
      }
    }
    close(fd);
  }
  return bytes;
}
}  // namespace

std::size_t AuditFloorLoop(const std::string& root, int games, int reads) {
  if (reads <= 1) return FloorOf(root, games, 0, 1);
  std::vector<std::size_t> bytes(static_cast<std::size_t>(reads));
  std::vector<std::thread> threads;
  for (int t = 0; t < reads; ++t)
    threads.emplace_back(
        [&, t] { bytes[static_cast<std::size_t>(t)] = FloorOf(root, games, t, reads); });
  for (std::thread& t : threads) t.join();
  std::size_t total = 0;
  for (const std::size_t b : bytes) total += b;
  return total;
}

TChildRun RunChild(const std::vector<std::string>& args, const std::string& dir) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0 || chdir(dir.c_str()) != 0) _exit(127);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  TChildRun run;
  run.Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  run.PeakKiB = usage.ru_maxrss;
  if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
    std::exit(1);
  }
  return run;
}

TPairedRuns RunPaired(const std::vector<std::string>& a, const std::vector<std::string>& b,
                      int runs, const std::string& dir) {
  std::vector<double> as, bs, ratios;
  for (int r = 0; r < runs; ++r) {
    as.push_back(RunChild(a, dir).Ms);
    bs.push_back(RunChild(b, dir).Ms);
    ratios.push_back(bs.back() / as.back());
  }
  return {Median(as), Median(bs), Median(ratios)};
}
