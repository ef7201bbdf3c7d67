#pragma once
// Slow storage for the benchmarks: a folder seen through ludra-latency-fs, the FUSE pass-through
// that waits before answering each request and caches nothing, mounted in a temporary folder for
// the life of the object.
#include <sys/types.h>

#include <string>

class TLatencyMount {
 public:
  // Mounts `source` with `delayUs` microseconds per request. When that cannot be done (no
  // /dev/fuse, no tool, the mount failed) Path() is empty and Why() says why.
  TLatencyMount(const std::string& source, unsigned delayUs);
  ~TLatencyMount();
  TLatencyMount(const TLatencyMount&) = delete;
  TLatencyMount& operator=(const TLatencyMount&) = delete;

  const std::string& Path() const { return FPath; }  // the mount point, without a final '/'
  // Paused, no request is answered (a share that stopped answering) until it is resumed.
  void Pause(bool paused);
  // The server goes away: the file system's process is killed and the mount stays, so every
  // request on it fails with ENOTCONN, as on a share whose server is gone, until it is unmounted.
  void Kill();
  const std::string& Why() const { return FWhy; }

 private:
  std::string FPath, FWhy, FDir;
  pid_t FPid = -1;
};
