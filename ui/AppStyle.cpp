#include "ui/AppStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>

namespace {
// A standard icon of the base style, fetched from it the first time the icon is measured or
// drawn.
class TDeferredIconEngine : public QIconEngine {
 public:
  TDeferredIconEngine(const QProxyStyle* style, QStyle::StandardPixmap which)
      : FStyle(style), FWhich(which) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                       qreal scale) override {
    return Icon().pixmap(size, scale, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().actualSize(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Icon().availableSizes(mode, state);
  }
  bool isNull() override { return Icon().isNull(); }
  QIconEngine* clone() const override { return new TDeferredIconEngine(*this); }
  QString key() const override { return QStringLiteral("ludra-deferred"); }

 private:
  const QIcon& Icon() {
    if (!FFetched && FStyle && FStyle->baseStyle()) {
      FIcon = FStyle->baseStyle()->standardIcon(FWhich);
      FFetched = true;
    }
    return FIcon;
  }

  QPointer<const QProxyStyle> FStyle;
  QStyle::StandardPixmap FWhich;
  QIcon FIcon;
  bool FFetched = false;
};
}  // namespace

TAppStyle::TAppStyle(QStyle* base) : QProxyStyle(base) {}

QIcon TAppStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                              const QWidget* widget) const {
  if (standardIcon == SP_ToolBarHorizontalExtensionButton ||
      standardIcon == SP_ToolBarVerticalExtensionButton)
    return QIcon(new TDeferredIconEngine(this, standardIcon));
  return QProxyStyle::standardIcon(standardIcon, option, widget);
}

void InstallAppStyle() {
  if (!qApp->styleSheet().isEmpty() || dynamic_cast<TAppStyle*>(QApplication::style())) return;
  // The proxy takes the current style over; the application then owns the proxy.
  QApplication::setStyle(new TAppStyle(QApplication::style()));
}
