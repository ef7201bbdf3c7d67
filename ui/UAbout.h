#pragma once
// The About box: the logo and credits that scroll while the box is shown.
#include <QDialog>
#include <QIcon>

class QCloseEvent;
class QFrame;
class QHideEvent;
class QKeyEvent;
class QLabel;
class QPushButton;
class QShowEvent;
class QTimer;
class QWidget;

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  // `logo` is the main window's logo, drawn into the box at its first activation.
  explicit TfrmAbout(const QIcon& logo, QWidget* parent = nullptr);

  // One scroll step: the credits move up by 3 pixels and re-enter from below once they have left
  // the window at the top.
  void Timer1Timer();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormActivate();
  void FitContents();

  // Controls, found by tests through their object names, which are these names.
  QLabel* imgLogo;
  QFrame* Panel1;       // the credits window; clips the sheet
  QWidget* ScrollBox1;  // the credits sheet
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  QPushButton* OK;
  QTimer* Timer1;

  QIcon FLogo;
  bool FActivated = false;
};
