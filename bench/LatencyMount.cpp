#include "bench/LatencyMount.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {
// True once something else is mounted at `path` than the folder it sits in.
bool Mounted(const std::string& path) {
  struct stat here, parent;
  return stat(path.c_str(), &here) == 0 &&
         stat(fs::path(path).parent_path().c_str(), &parent) == 0 && here.st_dev != parent.st_dev;
}

int RunQuietly(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}
}  // namespace

TLatencyMount::TLatencyMount(const std::string& source, unsigned delayUs) {
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    FWhy = "there is no /dev/fuse here";
    return;
  }
#ifndef LUDRA_LATENCY_FS
  FWhy = "ludra-latency-fs was not built (libfuse3 missing: scripts/install-deps installs it)";
  (void)source;
  (void)delayUs;
#else
  std::string dir = (fs::temp_directory_path() / "ludra-slow-XXXXXX").string();
  if (!mkdtemp(dir.data())) {
    FWhy = "no temporary folder for the mount point";
    return;
  }
  FDir = dir;
  const std::string mountPoint = FDir + "/mnt";
  fs::create_directory(mountPoint);
  const std::string delay = "--delay-us=" + std::to_string(delayUs);
  const std::string pause = "--pause-file=" + FDir + "/paused";
  std::fflush(nullptr);  // nothing buffered is written twice
  FPid = fork();
  if (FPid == 0) {
    // In the foreground, so this process owns it; its chatter is of no interest.
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) _exit(127);
    execl(LUDRA_LATENCY_FS, LUDRA_LATENCY_FS, source.c_str(), mountPoint.c_str(), delay.c_str(),
          pause.c_str(), "-f", static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int waited = 0; waited < 5000; waited += 10) {
    if (Mounted(mountPoint)) {
      FPath = mountPoint;
      return;
    }
    if (FPid < 0 || waitpid(FPid, nullptr, WNOHANG) != 0) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  FWhy = "ludra-latency-fs did not mount";
#endif
}

void TLatencyMount::Pause(bool paused) {
  if (FDir.empty()) return;
  const std::string flag = FDir + "/paused";
  if (!paused) {
    std::remove(flag.c_str());
  } else if (FILE* file = std::fopen(flag.c_str(), "w")) {
    std::fclose(file);
  }
}

void TLatencyMount::Kill() {
  if (FPid <= 0) return;
  kill(FPid, SIGKILL);
  waitpid(FPid, nullptr, 0);
  FPid = -1;
}

TLatencyMount::~TLatencyMount() {
  Pause(false);
  if (!FPath.empty()) RunQuietly("fusermount3 -u '" + FPath + "'");
  if (FPid > 0) {
    // Unmounted, it ends by itself; should the unmount have failed, it is ended here.
    for (int waited = 0; waited < 3000; waited += 10) {
      if (waitpid(FPid, nullptr, WNOHANG) != 0) {
        FPid = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (FPid > 0 && kill(FPid, SIGTERM) == 0) waitpid(FPid, nullptr, 0);
  }
  if (!FDir.empty()) {
    std::error_code ignored;
    fs::remove(FDir + "/mnt", ignored);
    fs::remove(FDir, ignored);
  }
}
