// Watching the emulator from the event loop, and the message of a quick failure.
#include "ui/URunFailure.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSocketNotifier>
#include <QStyle>
#include <QVBoxLayout>
#include <cstring>

#include "launch/RunReport.h"
#include "ui/Translations.h"

TRunWatch::TRunWatch(std::unique_ptr<TEmulatorRun> run, std::function<void(TRunWatch*)> finished,
                     QObject* parent)
    : QObject(parent), FRun(std::move(run)), FFinished(std::move(finished)) {
  auto notifier = [this](int fd) -> QSocketNotifier* {
    if (fd < 0) return nullptr;
    auto* n = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(n, &QSocketNotifier::activated, this, &TRunWatch::Check);
    return n;
  };
  FProcess = notifier(FRun->ProcessFd());
  FDrained = notifier(FRun->DrainedFd());
}

void TRunWatch::Check() {
  // The run closes a descriptor once done with it; its notifier must go before that happens.
  for (QSocketNotifier* n : {FProcess, FDrained})
    if (n) n->setEnabled(false);
  const bool finished = FRun->Update();
  auto keep = [](QSocketNotifier*& n, int fd) {
    if (!n) return;
    if (fd >= 0) {
      n->setEnabled(true);
    } else {
      delete n;
      n = nullptr;
    }
  };
  keep(FProcess, FRun->ProcessFd());
  keep(FDrained, FRun->DrainedFd());
  if (finished) FFinished(this);
}

QString TfrmRunFailure::Headline(const TEmulatorRun& run) {
  const TRunEnd& end = run.End();
  // In the user's own digits, as the rest of the sentence is in the user's language.
  const QString seconds = QLocale().toString(static_cast<double>(end.Ran.count()) / 1000.0, 'f', 1);
  const QString how = end.Signaled ? tr("was killed by signal %1 (%2)")
                                         .arg(QString::fromStdString(SignalName(end.Code)),
                                              QString::fromLocal8Bit(::strsignal(end.Code)))
                                   : tr("ended with exit status %1").arg(end.Code);
  QString headline = tr("The emulator for \"%1\" %2 after %3 seconds.")
                         .arg(QString::fromStdString(run.Game().Title), how, seconds);
  for (const std::string& note : run.Notes())
    headline +=
        QLatin1Char('\n') + tr("Started through wine with %1.").arg(QString::fromStdString(note));
  return headline;
}

QString TfrmRunFailure::RomsLine(const QString& roms, bool missing) {
  if (roms.isEmpty()) return QString();
  return QLatin1Char('\n') + (missing ? tr("Its ROMs are missing: %1").arg(roms)
                                      : tr("Its ROM files are incomplete: %1").arg(roms));
}

QString TfrmRunFailure::Notice(const TEmulatorRun& run, const QString& roms) {
  QString text = Headline(run) + RomsLine(roms) + QLatin1Char('\n');
  const QString log = QString::fromStdString(run.LogPath());
  if (log.isEmpty())
    return text + tr("Its output was not kept: %1").arg(Translated(run.LogProblem));
  const auto lines = run.LastLines(kReportedLines);
  if (lines.empty()) return text + tr("It wrote nothing. Its log file is %1.").arg(log);
  text += tr("The last lines it wrote:") + QLatin1Char('\n');
  for (const std::string& line : lines)
    text += QString::fromUtf8(line.data(), static_cast<int>(line.size())) + QLatin1Char('\n');
  return text + tr("All of its output is in %1.").arg(log);
}

TfrmRunFailure::TfrmRunFailure(const TEmulatorRun& run, QWidget* parent, const QString& roms,
                               bool romsMissing)
    : QDialog(parent) {
  setWindowTitle(tr("TAVI"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  FMessage = Headline(run) + RomsLine(roms, romsMissing);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
  icon->setAlignment(Qt::AlignTop);
  top->addWidget(icon);
  auto* text = new QLabel(FMessage, this);
  text->setTextFormat(Qt::PlainText);
  text->setWordWrap(true);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  top->addWidget(text, 1);
  layout->addLayout(top);

  const QString log = QString::fromStdString(run.LogPath());
  QString where;
  const auto lines = run.LastLines(kReportedLines);
  if (log.isEmpty()) {
    where = tr("Its output was not kept: %1").arg(Translated(run.LogProblem));
  } else if (lines.empty()) {
    where = tr("It wrote nothing. Its log file is %1.").arg(log);
  } else {
    layout->addWidget(new QLabel(tr("The last lines it wrote:"), this));
    QStringList shown;
    for (const std::string& line : lines)
      shown << QString::fromUtf8(line.data(), static_cast<int>(line.size()));
    mmoOutput = new QPlainTextEdit(this);
    mmoOutput->setAccessibleName(tr("The last lines it wrote:"));
    mmoOutput->setReadOnly(true);
    mmoOutput->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mmoOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    mmoOutput->setPlainText(shown.join(QLatin1Char('\n')));
    const QFontMetrics metrics(mmoOutput->font());
    const int frame = 2 * mmoOutput->frameWidth() + 8;
    mmoOutput->setMinimumSize(metrics.horizontalAdvance(QLatin1Char('x')) * 40 + frame,
                              metrics.lineSpacing() * 5 + frame);
    mmoOutput->resize(metrics.horizontalAdvance(QLatin1Char('x')) * 80 + frame,
                      metrics.lineSpacing() * static_cast<int>(kReportedLines) + frame);
    layout->addWidget(mmoOutput, 1);
    where = tr("All of its output is in %1.").arg(log);
  }
  auto* path = new QLabel(where, this);
  path->setTextFormat(Qt::PlainText);
  path->setWordWrap(true);
  path->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(path);
  FMessage += QLatin1Char('\n') + where;

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::close);
  layout->addWidget(buttons);

  // As large as the output asks, but never past the screen (at any scale).
  QSize size = sizeHint();
  if (mmoOutput) size = size.expandedTo(QSize(mmoOutput->width() + 40, mmoOutput->height() + 160));
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
    const QSize room = screen->availableSize() * 9 / 10;
    setMaximumSize(screen->availableSize());
    size = size.boundedTo(room);
  }
  resize(size);
}

QString TfrmRunFailure::Message() const {
  return FMessage;
}
