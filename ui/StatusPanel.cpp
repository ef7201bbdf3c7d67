#include "ui/StatusPanel.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

TStatusPanel::TStatusPanel(int designedWidth, QWidget* parent)
    : QLabel(parent), FDesignedWidth(designedWidth) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setTextFormat(Qt::PlainText);
  // Never wider than designed; narrower as the window needs.
  setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
}

QSize TStatusPanel::sizeHint() const {
  return QSize(FDesignedWidth, QLabel::sizeHint().height());
}

QSize TStatusPanel::minimumSizeHint() const {
  return QSize(2 * frameWidth() + 4, QLabel::minimumSizeHint().height());
}

QString TStatusPanel::ShownText() const {
  const int room = contentsRect().width() - 2 * margin() - std::max(indent(), 0);
  return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

void TStatusPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect room =
      contentsRect().adjusted(margin() + std::max(indent(), 0), margin(), -margin(), -margin());
  style()->drawItemText(&painter, room, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                        ShownText(), foregroundRole());
}
