#include "ui/ThreadRoom.h"

#include <sys/resource.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

std::optional<std::string> NoRoomForThreads(int count, const std::function<void()>& beforeThread) {
  std::mutex lock;
  std::condition_variable released;
  bool done = false;
  std::vector<std::thread> threads;
  std::optional<std::string> reason;
  try {
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      if (beforeThread) beforeThread();
      threads.emplace_back([&] {
        std::unique_lock held(lock);
        released.wait(held, [&] { return done; });
      });
    }
  } catch (const std::exception& e) {
    reason = e.what();
  }
  {
    const std::lock_guard held(lock);
    done = true;
  }
  released.notify_all();
  for (std::thread& thread : threads) thread.join();
  return reason;
}

std::string NoThreadsMessage(const std::string& reason) {
  // A thread is refused for want of processes or of address space for its stack.
  std::string message =
      "cannot start the window: the system refuses the threads it needs (" + reason;
  rlimit limit{};
  if (getrlimit(RLIMIT_NPROC, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    message += "; this user may run " + std::to_string(limit.rlim_cur) + " processes and threads";
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    message += "; address space limited to " + std::to_string(limit.rlim_cur >> 20) + " MiB";
  return message + ").";
}
