#include "FontPreload.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>

namespace {
// Only the main thread starts and waits, so a plain flag will do.
pthread_t gThread;
bool gRunning = false;
cpu_set_t gAllowed;  // the processors the program may use
std::atomic<bool> gRead{false};

void* ReadConfiguration(void*) {
  FcInit();
  gRead = true;
  return nullptr;
}
}  // namespace

TFontPreload::TFontPreload() {
  if (gRunning) return;
  if (sched_getaffinity(0, sizeof gAllowed, &gAllowed) != 0 || CPU_COUNT(&gAllowed) < 2) return;
  cpu_set_t others = gAllowed;
  // Left to itself the scheduler often queues a new thread behind its parent on the same
  // processor, where it would only take turns with the window being built.
  const int here = sched_getcpu();
  if (here >= 0 && here < CPU_SETSIZE) CPU_CLR(here, &others);
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return;
  pthread_attr_setaffinity_np(&attributes, sizeof others, &others);
  gRunning = pthread_create(&gThread, &attributes, ReadConfiguration, nullptr) == 0;
  pthread_attr_destroy(&attributes);
}

TFontPreload::~TFontPreload() {
  Wait();
}

void TFontPreload::Wait() {
  if (!gRunning) return;
  // The waiting thread's processor is free now; should the others be busy, the reading moves
  // there rather than queue behind them. (Were the thread just ending, the call could reach
  // this thread instead, which already has these processors.)
  if (!gRead) pthread_setaffinity_np(gThread, sizeof gAllowed, &gAllowed);
  pthread_join(gThread, nullptr);
  gRunning = false;
}
