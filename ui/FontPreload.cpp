#include "FontPreload.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>

namespace {
// Only the main thread starts and waits, so a plain flag will do.
pthread_t gThread;
bool gRunning = false;

void* ReadConfiguration(void*) {
  FcInit();
  return nullptr;
}
}  // namespace

TFontPreload::TFontPreload() {
  if (gRunning) return;
  cpu_set_t others;
  if (sched_getaffinity(0, sizeof others, &others) != 0 || CPU_COUNT(&others) < 2) return;
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
  pthread_join(gThread, nullptr);
  gRunning = false;
}
