#include "SnapshotImage.h"

#include <QPainter>

TSnapshotImage::TSnapshotImage(QWidget* parent) : QWidget(parent) {}

void TSnapshotImage::SetPicture(const QImage& picture) {
  FPicture = picture;
  FCacheValid = false;
  update();
}

void TSnapshotImage::ShowLogo(const QPixmap& logo) {
  QImage bitmap(150, 112, QImage::Format_RGB32);
  bitmap.fill(Qt::white);
  QPainter painter(&bitmap);
  painter.drawPixmap(0, 0, logo);
  painter.end();
  SetPicture(bitmap);
}

void TSnapshotImage::SetTransparent(bool transparent) {
  if (FTransparent == transparent) return;
  FTransparent = transparent;
  FCacheValid = false;
  update();
}

QImage TSnapshotImage::WithoutBackground(const QImage& picture) {
  if (picture.isNull()) return picture;
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  const QRgb background = out.pixel(0, out.height() - 1);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if (line[x] == background) line[x] = qRgba(0, 0, 0, 0);
  }
  return out;
}

QImage TSnapshotImage::Displayed() const {
  if (!FCacheValid) {
    FCache = FTransparent ? WithoutBackground(FPicture) : FPicture;
    FCacheValid = true;
  }
  return FCache;
}

void TSnapshotImage::paintEvent(QPaintEvent*) {
  const QImage shown = Displayed();
  if (shown.isNull()) return;
  QPainter painter(this);
  // Centred at its own size; a picture larger than the panel is clipped on both sides.
  const int x = (width() - shown.width()) / 2;
  const int y = (height() - shown.height()) / 2;
  painter.drawImage(x, y, shown);
}
