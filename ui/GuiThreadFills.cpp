#include "GuiThreadFills.h"

#include <dlfcn.h>
#include <link.h>

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>

namespace {
std::atomic<bool> gKeep{false};

struct TCodeRange {
  std::uintptr_t Begin = 0, End = 0;
  bool Holds(std::uintptr_t address) const { return address >= Begin && address < End; }
};

// Where Qt GUI's code is loaded; empty if it is not.
TCodeRange GuiCode() {
  TCodeRange range;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        if (!info->dlpi_name || !std::strstr(info->dlpi_name, "/libQt6Gui.so")) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const ElfW(Phdr)& segment = info->dlpi_phdr[i];
          if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
          auto* found = static_cast<TCodeRange*>(data);
          found->Begin = info->dlpi_addr + segment.p_vaddr;
          found->End = found->Begin + segment.p_memsz;
        }
        return 1;
      },
      &range);
  return range;
}

bool OnGuiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}
}  // namespace

void KeepGuiFillsOnGuiThread(bool keep) {
  gKeep = keep;
}

// The executable's own definition comes first in the dynamic loader's search, so Qt's libraries
// call this one; it passes on to Qt Core's.
void QThreadPool::start(std::function<void()> functionToRun, int priority) {
  using TStart = void (*)(QThreadPool*, std::function<void()>, int);
  static const auto qtStart =
      reinterpret_cast<TStart>(dlsym(RTLD_NEXT, "_ZN11QThreadPool5startESt8functionIFvvEEi"));
  static const TCodeRange gui = std::strncmp(qVersion(), "6.4.", 4) == 0 ? GuiCode() : TCodeRange{};
  const auto caller = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
  if ((gKeep && gui.Holds(caller) && OnGuiThread()) || !qtStart) {
    functionToRun();
    return;
  }
  qtStart(this, std::move(functionToRun), priority);
}
