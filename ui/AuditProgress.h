#pragma once
// A strip across the window, over the foot of the panes, that shows how far a long audit has
// come, with a button to stop it. It appears only once an audit has run for a moment (a quick one
// passes unseen) and goes when the audit ends. It lies over the panes rather than taking room
// from them, so nothing under the pointer moves as it comes and goes. It is part of the window:
// nothing modal, so the menus and the list stay usable, and the status bar is left alone.
#include <QFrame>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class TAuditRunner;

class TAuditProgress : public QFrame {
  Q_OBJECT
 public:
  static constexpr int kShowAfterMs = 300;
  static constexpr int kRefreshMs = 100;

  // `panes`: a sibling whose foot the strip covers while shown.
  TAuditProgress(TAuditRunner& runner, QWidget* panes);

  QLabel* lblProgress;
  QProgressBar* pbProgress;
  QPushButton* btnCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Place();
  void AuditStarted();
  void AuditEnded();
  void Refresh();

  TAuditRunner& FRunner;
  QWidget* FPanes;
  QTimer FShowTimer, FRefreshTimer;
};
