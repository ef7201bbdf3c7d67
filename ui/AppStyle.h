#pragma once
// The application's style: the one Qt chose for the desktop (or the one asked for with -style),
// unchanged, except that the toolbar overflow arrows are read only when first drawn. Qt reads
// those from image files as soon as a menu bar is made, and reading the first image file loads
// every image plug-in (SVG's library among them), for an arrow that shows only when the menu bar
// is too narrow for its titles. Without this style the start-up to the first painted window is
// slower by the price of those plug-ins (`ludra-bench-window --startup` measures it against the
// one-label window; docs/conventions.md).
#include <QProxyStyle>

class TAppStyle : public QProxyStyle {
 public:
  explicit TAppStyle(QStyle* base);

  QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;
};

// Makes TAppStyle the application's style around its current one; nothing when a style sheet is
// in force (its own style wraps the application's).
void InstallAppStyle();
