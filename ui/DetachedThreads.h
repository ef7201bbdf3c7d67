#pragma once
// Counts the threads of one kind that are left to end by themselves. The window never waits for
// a thread that may be waiting on a device (a share that stopped answering, a controller driver
// that hangs): the program ends without them, and tests wait here before their files go.
#include <chrono>
#include <condition_variable>
#include <mutex>

class TDetachedThreads {
 public:
  void Started() {
    const std::lock_guard lock(FLock);
    ++FRunning;
  }
  void Ended() {
    {
      const std::lock_guard lock(FLock);
      --FRunning;
    }
    FEnded.notify_all();
  }
  int Running() {
    const std::lock_guard lock(FLock);
    return FRunning;
  }
  // True when none is left within `limit`.
  bool WaitForNone(std::chrono::milliseconds limit) {
    std::unique_lock lock(FLock);
    return FEnded.wait_for(lock, limit, [this] { return FRunning == 0; });
  }

 private:
  std::mutex FLock;
  std::condition_variable FEnded;
  int FRunning = 0;
};
