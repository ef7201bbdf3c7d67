// Program entry: the main window, then the properties dialog (whose creation finds the renderer
// plug-ins) and the About box, then the event loop.
#include <QApplication>
#include <QLocale>
#include <memory>

#include "ErrorGuard.h"
#include "Launcher.h"
#include "Pictures.h"
#include "Shell.h"
#include "Translations.h"
#include "UAbout.h"
#include "UProperties.h"
#include "UTavi.h"

namespace {
// The shell exists before the window that shows its messages; this hands them on once it does.
class TShellReporterRelay : public IShellReporter {
 public:
  IShellReporter* Target = nullptr;
  void ShellError(const std::string& message) override {
    if (Target) Target->ShellError(message);
  }
};
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallTranslations(QLocale());
  TPaths paths;
  TShellReporterRelay relay;
  std::unique_ptr<TProcessShell> shell;
  std::unique_ptr<TLauncher> launcher;
  std::unique_ptr<TfrmMain> frmMain;
  Guard([&] {
    paths = TPaths::FromProcess();
    shell = std::make_unique<TProcessShell>(paths, &relay);
    launcher = std::make_unique<TLauncher>(paths, *shell);
    frmMain = std::make_unique<TfrmMain>(paths, *launcher);
    relay.Target = frmMain.get();
  });
  if (!frmMain) return 1;

  // Each dialog belongs to the window; one that cannot be made leaves its command doing nothing.
  TfrmProperties* frmProperties = nullptr;
  TfrmAbout* frmAbout = nullptr;
  Guard([&] { frmProperties = new TfrmProperties(*launcher, frmMain.get()); });
  Guard([&] { frmAbout = new TfrmAbout(Pictures::Logo(), frmMain.get()); });
  frmMain->SetDialogs(frmProperties, frmAbout);

  frmMain->show();
  // Without a window manager nothing else activates the window, and the audit waits for that.
  frmMain->activateWindow();
  const int result = app.exec();
  relay.Target = nullptr;
  return result;
}
