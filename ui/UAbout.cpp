#include "ui/UAbout.h"

#include <QCloseEvent>
#include <QFont>
#include <QFrame>
#include <QHideEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

#include "ui/ErrorGuard.h"

namespace {
constexpr int kLogoWidth = 150;  // the logo list's picture size
constexpr int kLogoHeight = 112;
constexpr int kBoxWidth = 393;  // the designed client size, and the least
constexpr int kBoxHeight = 137;
constexpr int kPanelWidth = 201;
constexpr int kSheetWidth = 210;
constexpr int kSheetHeight = 137;
constexpr int kScrollStep = 3;
constexpr int kScrollTop = -160;               // the sheet has left the window at the top ...
constexpr int kScrollRestart = 160;            // ... and comes back from below here
constexpr int kLabelTops[] = {9, 24, 49, 88};  // the credits' designed places in the sheet

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->move(x, y);
  return label;
}

// The logo drawn at the top left of a picture of the logo list's size, for a screen of `ratio`.
// Like any transparent picture, its background colour (that of its bottom-left pixel) is left
// out.
QPixmap TransparentLogo(const QIcon& logo, qreal ratio) {
  QImage picture(qRound(kLogoWidth * ratio), qRound(kLogoHeight * ratio), QImage::Format_ARGB32);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    logo.paint(&painter, QRect(0, 0, kLogoWidth, kLogoHeight));
  }
  const QRgb background = picture.pixel(0, picture.height() - 1);
  if (qAlpha(background) == 255) {
    for (int y = 0; y < picture.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
      for (int x = 0; x < picture.width(); ++x)
        if (line[x] == background) line[x] = qRgba(0, 0, 0, 0);
    }
  }
  return QPixmap::fromImage(picture);
}
}  // namespace

TfrmAbout::TfrmAbout(const QIcon& logo, QWidget* parent) : QDialog(parent), FLogo(logo) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(tr("About"));
  // A title and a close button, nothing to minimise or maximise: the box's size is fixed.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kBoxWidth, kBoxHeight);
  move(290, 283);

  imgLogo = new QLabel(this);
  imgLogo->setObjectName(QStringLiteral("imgLogo"));
  imgLogo->setGeometry(8, 8, 161, 113);
  imgLogo->setAlignment(Qt::AlignCenter);
  imgLogo->setAccessibleName(tr("Logo"));

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::NoFrame);
  Panel1->setGeometry(176, 8, kPanelWidth, 89);

  ScrollBox1 = new QWidget(Panel1);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setGeometry(-1, 0, kSheetWidth, kSheetHeight);

  const QFont arial(QStringLiteral("Arial"), 8);
  QFont arialBold = arial;
  arialBold.setBold(true);
  Label1 = NewLabel(ScrollBox1, "Label1", tr("Tavi Frontent V1.0"), 64, kLabelTops[0]);
  Label1->setFont(arial);
  Label2 = NewLabel(ScrollBox1, "Label2", tr("by the Ludra developers"), 60, kLabelTops[1]);
  Label2->setFont(arialBold);
  Label3 =
      NewLabel(ScrollBox1, "Label3", tr("Trademarks belong to\ntheir owners."), 54, kLabelTops[2]);
  Label4 = NewLabel(ScrollBox1, "Label4", tr("ROMs are not included.\nUse only ROMs you own."), 48,
                    kLabelTops[3]);
  Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  // Sized without measuring the text: measuring would look the font up now, which costs more
  // at start-up than the rest of the box together.
  for (QLabel* label : {Label1, Label2, Label3, Label4})
    label->resize(ScrollBox1->width() - label->x(),
                  label->text().contains(QLatin1Char('\n')) ? 32 : 16);

  OK = new QPushButton(tr("OK"), this);
  OK->setObjectName(QStringLiteral("OK"));
  OK->setGeometry(304, 104, 75, 25);
  OK->setAutoDefault(false);
  OK->setDefault(false);
  connect(OK, &QPushButton::clicked, this, &QDialog::accept);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(50);
  connect(Timer1, &QTimer::timeout, this, [this] { Guard([this] { Timer1Timer(); }); });
}

void TfrmAbout::FormActivate() {
  if (FActivated) return;
  FActivated = true;
  imgLogo->setPixmap(TransparentLogo(FLogo, devicePixelRatioF()));
}

void TfrmAbout::Timer1Timer() {
  // A sheet grown with its text leaves the window wholly before it comes back.
  if (ScrollBox1->y() <= std::min(kScrollTop, -ScrollBox1->height()))
    ScrollBox1->move(ScrollBox1->x(), kScrollRestart);
  else
    ScrollBox1->move(ScrollBox1->x(), ScrollBox1->y() - kScrollStep);
}

bool TfrmAbout::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Guard([this] { FormActivate(); });
  return QDialog::event(event);
}

// Each label takes its text's size, as the box's labels size themselves to their text; a larger
// desktop font widens the credits window and the box from their designed sizes and moves OK
// along, so nothing is cut. The credits keep their designed places as the least and flow down
// when the text above has grown into them; the sheet grows with them. Measured here, not when the
// box is made, where measuring would look the fonts up at start-up.
void TfrmAbout::FitContents() {
  int panelWidth = kPanelWidth;
  int textBottom = 0;  // of the credit above
  int sheetBottom = 0;
  QLabel* const labels[] = {Label1, Label2, Label3, Label4};
  for (std::size_t i = 0; i < std::size(labels); ++i) {
    QLabel* label = labels[i];
    const int least = label->text().contains(QLatin1Char('\n')) ? 32 : 16;
    const QSize text = label->sizeHint();
    const int top = std::max(kLabelTops[i], textBottom);
    label->setGeometry(label->x(), top, text.width(), std::max(least, text.height()));
    textBottom = top + text.height();
    sheetBottom = std::max(sheetBottom, label->geometry().bottom() + 1);
    panelWidth = std::max(panelWidth, ScrollBox1->x() + label->x() + label->width());
  }
  // The designed sheet leaves 17 pixels below its last credit.
  ScrollBox1->resize(std::max(kSheetWidth, panelWidth - ScrollBox1->x()),
                     std::max(kSheetHeight, sheetBottom + 17));
  Panel1->resize(panelWidth, Panel1->height());
  const QSize button = QSize(75, 25).expandedTo(OK->sizeHint());
  const int width = std::max(kBoxWidth, Panel1->geometry().right() + 1 + 16);
  OK->setGeometry(width - 14 - button.width(), 104, button.width(), button.height());
  setFixedSize(width, std::max(kBoxHeight, OK->geometry().bottom() + 1 + 8));
}

void TfrmAbout::showEvent(QShowEvent* event) {
  FitContents();
  // Drawn here as well, so the logo is in place even where the window is never activated.
  Guard([this] { FormActivate(); });
  Timer1->start();
  QDialog::showEvent(event);
}

void TfrmAbout::hideEvent(QHideEvent* event) {
  Timer1->stop();
  QDialog::hideEvent(event);
}

void TfrmAbout::closeEvent(QCloseEvent* event) {
  Timer1->stop();
  QDialog::closeEvent(event);
}

// OK is neither the default nor the cancel button: Escape does nothing, and Enter presses OK only
// because it holds the focus.
void TfrmAbout::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}
