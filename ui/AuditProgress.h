#pragma once
// A strip across the window, above the panes, that shows how far a long audit has come, with a
// button to stop it. It appears only once an audit has run for a moment (a quick one passes
// unseen) and goes when the audit ends. It is part of the window: nothing modal, so the menus and
// the list stay usable, and the status bar is left alone.
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

  TAuditProgress(TAuditRunner& runner, QWidget* parent);

  QLabel* lblProgress;
  QProgressBar* pbProgress;
  QPushButton* btnCancel;

 private:
  void AuditStarted();
  void AuditEnded();
  void Refresh();

  TAuditRunner& FRunner;
  QTimer FShowTimer, FRefreshTimer;
};
