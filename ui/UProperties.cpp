// Placeholder until the dialog is built: keeps the renderer discovery at the dialog's creation.
#include "UProperties.h"

#include "Launcher.h"

TfrmProperties::TfrmProperties(TLauncher& launcher, QWidget* parent)
    : QDialog(parent), Launcher(launcher) {
  setWindowTitle(QStringLiteral("Tavi Properties"));
  Launcher.DiscoverRenderers();
}

void TfrmProperties::SetGameName(const QString&) {}
void TfrmProperties::ShowSettings() {}
void TfrmProperties::ApplySettings() {}

bool TfrmProperties::Execute(int p, const QString& title) {
  Launcher.LoadSettings(p + 1);
  ShowSettings();
  SetGameName(title);
  if (exec() != QDialog::Accepted) return false;
  ApplySettings();
  Launcher.SaveSettings(p + 1);
  return true;
}
