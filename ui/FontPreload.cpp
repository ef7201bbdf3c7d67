#include "ui/FontPreload.h"

#include <fontconfig/fontconfig.h>

#include <system_error>
#include <thread>

namespace {
// Only the main thread starts and joins the reading.
std::thread gReading;
}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps a pattern from its first reading for the life of the process (288 bytes, on
// whichever thread reads first); a process that ends without Qt's clean-up would report it.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
// Without a word on stderr about it: the command-line modes' output is checked as it stands.
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
#endif

TFontPreload::TFontPreload() {
  if (gReading.joinable()) return;
  try {
    gReading = std::thread([] { FcInit(); });
  } catch (const std::system_error&) {
    // No second thread to be had: Qt reads the configuration itself when it needs it.
  }
}

TFontPreload::~TFontPreload() {
  Wait();
}

void TFontPreload::Wait() {
  if (gReading.joinable()) gReading.join();
}
