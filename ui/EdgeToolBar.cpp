#include "EdgeToolBar.h"

#include <QActionEvent>
#include <QPainter>

TEdgeToolBar::TEdgeToolBar(QWidget* parent) : QToolBar(parent) {
  setMovable(false);
  setFloatable(false);
  setIconSize(QSize(16, 16));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setContentsMargins(0, 2, 0, 2);
}

void TEdgeToolBar::paintEvent(QPaintEvent* event) {
  QToolBar::paintEvent(event);
  QPainter painter(this);
  const int w = width() - 1, h = height() - 1;
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, 0, w, 0);
  painter.drawLine(0, h - 1, w, h - 1);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, 1, w, 1);
  painter.drawLine(0, h, w, h);
}

// Hints never show as tooltips; a screen reader still gets them as the button's description.
void TEdgeToolBar::actionEvent(QActionEvent* event) {
  QToolBar::actionEvent(event);
  if (event->type() == QEvent::ActionAdded)
    if (QWidget* button = widgetForAction(event->action())) {
      button->installEventFilter(this);
      button->setAccessibleDescription(event->action()->statusTip());
    }
}

bool TEdgeToolBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) return true;
  return QToolBar::eventFilter(watched, event);
}
