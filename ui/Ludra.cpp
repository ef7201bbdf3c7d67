// Program entry: the command line first (it needs no display), then the main window and the
// event loop; the properties dialog (whose creation finds the renderer plug-ins) and the About box
// once the window has painted.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "AppStyle.h"
#include "CommandLine.h"
#include "EmulatorFolder.h"
#include "ErrorGuard.h"
#include "FolderChooser.h"
#include "FontPreload.h"
#include "GameControllers.h"
#include "Launcher.h"
#include "LogKeeper.h"
#include "Pictures.h"
#include "RunReport.h"
#include "Shell.h"
#include "Translations.h"
#include "UAbout.h"
#include "UProperties.h"
#include "UTavi.h"

namespace {
// The shell exists before the window that shows its messages and watches its runs; this hands
// them on once it does.
class TShellReporterRelay : public IShellReporter, public IRunWatcher {
 public:
  TfrmMain* Target = nullptr;
  void ShellError(const std::string& message) override {
    if (Target) Target->ShellError(message);
  }
  void Watch(std::unique_ptr<TEmulatorRun> run) override {
    if (Target) Target->Watch(std::move(run));
  }
  void ShellMessage(const TMessage& message) override {
    if (Target) Target->ShellMessage(message);
  }
};

int Fail(const std::exception& e, int code) {
  std::fprintf(stderr, "ludra: %s\n", e.what());
  return code;
}

bool IsLogKeeper(int argc, char** argv) {
  return argc == 2 && std::strcmp(argv[1], kKeepLogArgument) == 0;
}
}  // namespace

int main(int argc, char** argv) {
  // Ludra's own executable keeps each emulator's output, so a copy of it runs alone too.
  if (IsLogKeeper(argc, argv)) return RunLogKeeper();
  TCommandLine options;
  if (const auto done = ParseCommandLine(argc, argv, options)) return *done;

  const TPaths process = TPaths::FromProcess();
  const bool installed = IsInstalledProgram(process.ExeDir);
  const TEmulatorFolder folders(UserConfigDir());
  TStart start;
  try {
    start = StartPaths(options, process, installed, folders);
  } catch (const std::exception& e) {
    return Fail(e, 2);
  }

  if (options.Mode != TCommandLine::Window) {
    if (!start.Paths) {
      if (const auto lost = folders.RememberedPath())
        std::fprintf(stderr, "ludra: the emulator's folder of the last run, \"%s\", %s.\n",
                     lost->c_str(),
                     IsDirectory(*lost) ? "no longer holds tavi.exe" : "no longer exists");
      std::fprintf(stderr,
                   "ludra: which emulator's folder? Give it with --emulator-dir DIR, or start "
                   "in the folder that holds tavi.exe.\n");
      return 1;
    }
    try {
      if (installed) EnterFolder(*start.Paths);
    } catch (const std::exception& e) {
      return Fail(e, 1);
    }
    if (options.Mode == TCommandLine::Run)
      return RunGame(*start.Paths, options.Game, ProgramRunOptions(nullptr), kQuickFailureWindow);
    return WriteGameDesktopEntry(*start.Paths, installed, ExecutablePath(), UserDataDir(),
                                 options.Game);
  }

  QApplication app(argc, argv);  // sets the locale, before any second thread reads it
  InstallAppStyle();
  InstallTranslations(QLocale());
  QApplication::setApplicationVersion(QStringLiteral(LUDRA_VERSION));
  QApplication::setWindowIcon(Pictures::AppIcon());
  QGuiApplication::setDesktopFileName(QLatin1String(kAppId));

  if (installed) {
    TDialogFolderChooser chooser;
    const auto folder = WindowEmulatorFolder(
        start.Paths ? std::optional<std::string>(start.Paths->ExeDir) : std::nullopt, chooser,
        folders, options.ChooseEmulatorDir);
    if (!folder) {
      const QString message = EmulatorFolderNeeded();
      std::fprintf(stderr, "ludra: %s\n", message.toLocal8Bit().constData());
      QMessageBox::information(nullptr, QApplication::translate("Guard", "Ludra"), message);
      return 1;
    }
    start.Paths = PathsInFolder(*folder);
    try {
      EnterFolder(*start.Paths);
    } catch (const std::exception& e) {
      return Fail(e, 1);
    }
  }
  const TPaths paths = *start.Paths;

  TShellReporterRelay relay;
  std::unique_ptr<TProcessShell> shell;
  std::unique_ptr<TLauncher> launcher;
  std::unique_ptr<TfrmMain> frmMain;
  Guard([&] {
    shell = std::make_unique<TProcessShell>(paths, &relay, ProgramRunOptions(&relay));
    launcher = std::make_unique<TLauncher>(paths, *shell);
  });
  if (!launcher) return 1;
  // From here on only the main window shows text, and it waits for the fonts before it first
  // measures any.
  const TFontPreload fonts;
  Guard([&] {
    frmMain = std::make_unique<TfrmMain>(paths, *launcher);
    relay.Target = frmMain.get();
  });
  if (!frmMain) return 1;

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
  const int result = app.exec();
  relay.Target = nullptr;
  return result;
}
