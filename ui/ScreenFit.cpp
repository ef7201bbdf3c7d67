#include "ui/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
int Fitted(int position, int size, int first, int extent) {
  if (position + size > first + extent) position = first + extent - size;
  return position < first ? first : position;
}
}  // namespace

QPoint FittedPosition(const QRect& frame, const QRect& available) {
  if (available.isEmpty()) return frame.topLeft();
  return {Fitted(frame.x(), frame.width(), available.x(), available.width()),
          Fitted(frame.y(), frame.height(), available.y(), available.height())};
}

QRect AvailableScreenArea(const QPoint& point) {
  QScreen* screen = QGuiApplication::screenAt(point);
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}
