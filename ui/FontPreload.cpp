#include "FontPreload.h"

#include <fontconfig/fontconfig.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>

namespace {
// Only the main thread starts and waits, so a plain flag will do. All of these are initialised
// as constants, so they are ready before any constructor has run.
pthread_t gThread;
bool gRunning = false;
cpu_set_t gAllowed;  // the processors the program may use
std::atomic<bool> gRead{false};

void* ReadConfiguration(void*) {
  FcInit();
  gRead = true;
  return nullptr;
}

void Start() {
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
}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps a pattern from its first reading for the life of the process (288 bytes, on
// whichever thread it reads); a process that ends without Qt's clean-up, such as a command-line
// run, would report it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
// Without a word on stderr about it: the command-line modes' output is checked as it stands.
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
#endif

TFontPreload::TFontPreload() {
  Start();
}

void TFontPreload::StartBeforeLibraries(char** environment) {
  // The C library stores this same value once the preinit functions have run; the reading starts
  // before that and looks up its settings in the environment.
  environ = environment;
  Start();
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
