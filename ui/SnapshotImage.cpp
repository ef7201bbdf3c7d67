#include "ui/SnapshotImage.h"

#include <QEvent>
#include <QPainter>

namespace {
constexpr int kLogoWidth = 150, kLogoHeight = 112;
}

TSnapshotImage::TSnapshotImage(QWidget* parent) : QWidget(parent) {}

void TSnapshotImage::SetPicture(const QImage& picture) {
  FLogo = QIcon();
  Assign(picture);
}

void TSnapshotImage::Assign(const QImage& picture) {
  FPicture = picture;
  FCacheValid = false;
  update();
}

QColor TSnapshotImage::Background() const {
  return palette().color(backgroundRole());
}

QImage TSnapshotImage::LogoBitmap(const QIcon& logo, qreal ratio, const QColor& background) {
  QImage bitmap(qRound(kLogoWidth * ratio), qRound(kLogoHeight * ratio), QImage::Format_RGB32);
  bitmap.setDevicePixelRatio(ratio);
  bitmap.fill(background);
  QPainter painter(&bitmap);
  logo.paint(&painter, QRect(0, 0, kLogoWidth, kLogoHeight));
  return bitmap;
}

bool TSnapshotImage::LogoCurrent() const {
  return !FLogo.isNull() && FPicture.devicePixelRatio() == devicePixelRatioF() &&
         FPicture.pixel(0, FPicture.height() - 1) == Background().rgb();
}

void TSnapshotImage::ShowLogo(const QIcon& logo) {
  if (LogoCurrent() && FLogo.cacheKey() == logo.cacheKey()) return;
  FLogo = logo;
  Assign(LogoBitmap(logo, devicePixelRatioF(), Background()));
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
  const int width = out.width(), height = out.height();
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < width; ++x)
      if (line[x] == background) line[x] = qRgba(0, 0, 0, 0);
  }
  return out;
}

QImage TSnapshotImage::Displayed() const {
  if (!FCacheValid) {
    FCache = FTransparent ? WithoutBackground(FPicture) : FPicture;
    // The painter copies or blends these two formats as they are; any other (the cleared
    // picture's ARGB32, a grey JPEG, an indexed PNG) it converts pixel by pixel at every paint,
    // a picture of 96 rows or more on threads it starts for that.
    if (!FCache.isNull() && FCache.format() != QImage::Format_RGB32 &&
        FCache.format() != QImage::Format_ARGB32_Premultiplied)
      FCache.convertTo(FCache.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    FCacheValid = true;
  }
  return FCache;
}

void TSnapshotImage::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange && !FLogo.isNull()) update();
}

void TSnapshotImage::paintEvent(QPaintEvent*) {
  // The window may have moved to a screen of another scale, or the palette changed.
  if (!FLogo.isNull() && !LogoCurrent())
    Assign(LogoBitmap(FLogo, devicePixelRatioF(), Background()));
  const QImage shown = Displayed();
  if (shown.isNull()) return;
  QPainter painter(this);
  // Centred at its own size; a picture larger than the panel is clipped on both sides.
  const QSize size = shown.deviceIndependentSize().toSize();
  painter.drawImage(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), shown);
}
