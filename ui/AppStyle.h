#pragma once
// The application's style: the one Qt chose for the desktop (or the one asked for with -style),
// unchanged, except that the toolbar overflow arrows are read only when first drawn. Qt reads
// those from image files as soon as a menu bar is made, and reading the first image file loads
// every image plug-in (SVG's library among them), for an arrow that shows only when the menu bar
// is too narrow for its titles. Without this style the start-up to the first painted window took
// 65.0 M instructions instead of 61.4 M (callgrind, the one-label window 50.0 M: 1.30 instead of
// 1.23 times) and, in paired runs of the window benchmark's start-up, 1.33 instead of 1.22 times
// the one-label window.
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
