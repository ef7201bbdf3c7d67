#pragma once
// The About box: the logo and credits that scroll while the box is shown.
#include <QDialog>
#include <QPixmap>

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  // `logo` is the main window's logo, drawn into the box at its first activation.
  explicit TfrmAbout(const QPixmap& logo, QWidget* parent = nullptr);

 private:
  QPixmap FLogo;
};
