#include "ui/AuditProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>

#include "ui/AuditRunner.h"

TAuditProgress::TAuditProgress(TAuditRunner& runner, QWidget* panes)
    : QFrame(panes->parentWidget()), FRunner(runner), FPanes(panes) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
  setAutoFillBackground(true);
  panes->installEventFilter(this);  // follows their size
  setAccessibleName(tr("Audit progress"));
  lblProgress = new QLabel(this);
  lblProgress->setTextFormat(Qt::PlainText);
  pbProgress = new QProgressBar(this);
  pbProgress->setTextVisible(false);
  pbProgress->setAccessibleName(tr("ROM archives read"));
  btnCancel = new QPushButton(tr("Cancel"), this);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  row->addWidget(lblProgress);
  row->addWidget(pbProgress, 1);
  row->addWidget(btnCancel);
  hide();

  FShowTimer.setSingleShot(true);
  FShowTimer.setInterval(kShowAfterMs);
  FRefreshTimer.setInterval(kRefreshMs);
  connect(&FShowTimer, &QTimer::timeout, this, [this] {
    // Measured only now: the strip is made with the window, before its fonts may be measured.
    pbProgress->setMaximumHeight(lblProgress->sizeHint().height());
    Refresh();
    show();
    FRefreshTimer.start();
  });
  connect(&FRefreshTimer, &QTimer::timeout, this, &TAuditProgress::Refresh);
  connect(&runner, &TAuditRunner::Started, this, &TAuditProgress::AuditStarted);
  connect(&runner, &TAuditRunner::Ended, this, &TAuditProgress::AuditEnded);
  connect(btnCancel, &QPushButton::clicked, &runner, &TAuditRunner::Cancel);
}

void TAuditProgress::Place() {
  const int height = sizeHint().height();
  const QRect panes = FPanes->geometry();
  setGeometry(panes.x(), panes.bottom() + 1 - height, panes.width(), height);
  raise();
}

void TAuditProgress::showEvent(QShowEvent* event) {
  Place();
  QFrame::showEvent(event);
}

bool TAuditProgress::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FPanes && !isHidden() &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Move))
    Place();
  return QFrame::eventFilter(watched, event);
}

void TAuditProgress::AuditStarted() {
  // A restarted audit keeps the strip where it is shown already.
  if (isHidden()) FShowTimer.start();
}

void TAuditProgress::AuditEnded() {
  FShowTimer.stop();
  FRefreshTimer.stop();
  hide();
}

void TAuditProgress::Refresh() {
  const QLocale locale;
  const auto done = static_cast<qlonglong>(FRunner.Done());
  const auto total = static_cast<qlonglong>(FRunner.Total());
  lblProgress->setText(
      tr("Reading the ROM archives: %1 of %2").arg(locale.toString(done), locale.toString(total)));
  // The bar's range is an int; a catalogue is far smaller.
  pbProgress->setRange(0, static_cast<int>(std::min<qlonglong>(total, INT_MAX)));
  pbProgress->setValue(static_cast<int>(std::min(done, total)));
}
