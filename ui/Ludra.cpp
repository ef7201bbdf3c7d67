// Program entry: the command line's modes are handed to the program's own process first (they
// need no display), then come the main window and the event loop; the properties dialog (whose
// creation finds the renderer plug-ins) and the About box once the window has painted.
#include <malloc.h>

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <QThreadPool>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>

#include "app/Program.h"
#include "app/SingleInstance.h"
#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "launch/Launcher.h"
#include "launch/Shell.h"
#include "ui/AppStyle.h"
#include "ui/AuditRunner.h"
#include "ui/ErrorGuard.h"
#include "ui/FontPreload.h"
#include "ui/GameControllers.h"
#include "ui/Pictures.h"
#include "ui/ThreadRoom.h"
#include "ui/Translations.h"
#include "ui/UAbout.h"
#include "ui/UProperties.h"
#include "ui/UTavi.h"

namespace {
// The shell exists before the window that shows its messages and watches its runs; this hands
// them on once it does.
class TShellReporterRelay : public IShellReporter, public IRunWatcher {
 public:
  // The window, while it exists.
  IShellReporter* Reporter = nullptr;
  IRunWatcher* Watcher = nullptr;
  void ShellError(const std::string& message) override {
    if (Reporter) Reporter->ShellError(message);
  }
  void Watch(std::unique_ptr<TEmulatorRun> run) override {
    if (Watcher) Watcher->Watch(std::move(run));
  }
  void ShellMessage(const TMessage& message) override {
    if (Reporter) Reporter->ShellMessage(message);
  }
};

// One step of the window's start. Its error is reported as anywhere else, but memory that runs
// out before the window shows goes on to main, which says so on stderr: a message box would need
// more of it, and Qt's own bare "std::bad_alloc" names nothing.
bool StartStep(const std::function<void()>& step) {
  std::exception_ptr error;
  try {
    step();
    return true;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (...) {
    error = std::current_exception();
  }
  Guard([&] { std::rethrow_exception(error); });
  return false;
}

// The window and the event loop; everything they made is gone when this returns.
int RunWindow(const TPaths& paths, TSingleInstance& instance) {
  TShellReporterRelay relay;
  std::unique_ptr<TProcessShell> shell;
  std::unique_ptr<TLauncher> launcher;
  std::unique_ptr<TfrmMain> frmMain;
  if (!StartStep([&] {
        shell = std::make_unique<TProcessShell>(paths, &relay, ProgramRunOptions(&relay));
        launcher = std::make_unique<TLauncher>(paths, *shell);
      }))
    return 1;
  // From here on only the main window shows text, and it waits for the fonts before it first
  // measures any.
  const TFontPreload fonts;
  if (!StartStep([&] {
        frmMain = std::make_unique<TfrmMain>(paths, *launcher);
        relay.Reporter = frmMain.get();
        relay.Watcher = frmMain.get();
      }))
    return 1;
  // Later starts for this list file come to this window.
  instance.Listen([&](const TLaunchIds& ids) { BringToFront(*frmMain, ids); });

  // Gamepads and arcade sticks; their devices are looked for once the window is on screen.
  TGameControllers controllers(*frmMain);
  controllers.StartAfterFirstPaint(*frmMain);

  frmMain->show();
  // Without a window manager nothing else gives the window the keyboard focus.
  frmMain->activateWindow();
  // The dialogs are hidden until asked for, and the properties dialog looks for the renderer
  // plug-ins as it is made: both are made once the window is on screen. Each belongs to the
  // window; one that cannot be made leaves its command doing nothing.
  frmMain->AfterFirstPaint([&] {
    TfrmProperties* frmProperties = nullptr;
    TfrmAbout* frmAbout = nullptr;
    Guard([&] { frmProperties = new TfrmProperties(*launcher, frmMain.get()); });
    Guard([&] { frmAbout = new TfrmAbout(Pictures::Logo(), frmMain.get()); });
    frmMain->SetDialogs(frmProperties, frmAbout);
  });
  const int result = QApplication::exec();
  relay.Reporter = nullptr;
  relay.Watcher = nullptr;
  return result;
}
}  // namespace

int main(int argc, char** argv) {
  // One malloc heap for every thread, set before there is a second one: Qt's threads would each
  // take 64 MiB of address space for a heap of their own, which a memory limit cannot spare.
  mallopt(M_ARENA_MAX, 1);
  // The command line first: its modes need no display, and its mistakes are told before any.
  TStart start;
  if (const auto done = RunWithoutWindow(argc, argv, start)) return *done;

  // Qt waits for ever for a thread of its own that the system refused: the window starts only
  // where it can have them.
  if (const auto reason = NoRoomForThreads(kWindowThreads)) {
    std::fprintf(stderr, "ludra: %s\n", NoThreadsMessage(*reason).c_str());
    return 1;
  }
  // Before the application object, which takes the startup id out of the environment.
  const TLaunchIds launch = TLaunchIds::FromEnvironment();
  std::optional<TPaths> found = start.Paths;
  int result = 1;
  try {
    QApplication app(argc, argv);  // sets the locale, before any second thread reads it
    // Painting hands work to Qt's pool and waits for it: a worker made while there was room stays,
    // rather than be made anew later, when the audit may have taken the last thread there is.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    InstallAppStyle();
    InstallTranslations(QLocale());
    QApplication::setApplicationVersion(QStringLiteral(LUDRA_VERSION));
    QApplication::setWindowIcon(Pictures::AppIcon());
    QGuiApplication::setDesktopFileName(QLatin1String(kAppId));

    found = WindowPaths(start);
    if (!found) return 1;
    TSingleInstance instance(*found,
                             QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
    if (const auto handed = HandOverToRunningWindow(instance, launch)) return *handed;
    result = RunWindow(*found, instance);
  } catch (const std::bad_alloc&) {
    // Before the window could show: said here, naming the list file it was to show.
    try {
      if (found) RaiseOutOfMemory(ListFilePath(*found));
      std::fputs("ludra: not enough memory to start the window.\n", stderr);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "ludra: %s\n", e.what());
    }
    return 1;
  }
  // An audit or the controllers' start-up may still wait on a device that stopped answering (a
  // share, a driver). The process ends without them, as it would when killed: what they would
  // find goes nowhere and they write nothing, and the libraries they are inside are not unloaded
  // under them.
  if (TAuditRunner::ThreadsRunning() > 0 || TGameControllers::StartersRunning() > 0) {
    std::fflush(nullptr);
    std::_Exit(result);
  }
  return result;
}
