// Placeholder until the box is built.
#include "UAbout.h"

TfrmAbout::TfrmAbout(const QPixmap& logo, QWidget* parent) : QDialog(parent), FLogo(logo) {
  setWindowTitle(QStringLiteral("About"));
}
