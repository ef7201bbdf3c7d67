// Placeholder pictures until the drawn ones are in.
#include "Pictures.h"

namespace {
QPixmap Blank(int w, int h) {
  QPixmap p(w, h);
  p.fill(Qt::transparent);
  return p;
}
}  // namespace

namespace Pictures {
QIcon MenuImage(int) { return QIcon(Blank(16, 16)); }
QIcon FolderImage(int) { return QIcon(Blank(16, 16)); }
QIcon GameImage(int) { return QIcon(Blank(32, 32)); }
QPixmap Logo() { return Blank(150, 112); }
QPixmap PropertiesIcon() { return Blank(32, 32); }
}  // namespace Pictures
