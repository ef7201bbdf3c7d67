// The image lists and the logo. Each picture is an SVG file compiled into the program; it is
// rendered once, on first use, and the pixmaps are kept for the life of the program.
#include "Pictures.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <array>
#include <initializer_list>

namespace {

constexpr std::array kMenuFiles = {
    "menu-folder-panel", "menu-screenshot-panel", "menu-large-icons", "menu-small-icons",
    "menu-list",         "menu-details",          "menu-about",       "menu-spare",
};
constexpr std::array kFolderFiles = {
    "folder-closed", "folder-open",  "folder-clock", "folder-emblem", "cross",
    "folder-star",   "folder-check", "calendar",     "portrait",
};
constexpr std::array kGameFiles = {"game-chip", "game-prohibited", "game-unknown"};

QPixmap Render(const char* name, int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QSvgRenderer svg(QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(name)));
  if (svg.isValid()) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
  }
  return QPixmap::fromImage(image);
}

// The icon sizes of a list: the first is the list's own, the others serve large screens.
QIcon RenderIcon(const char* name, std::initializer_list<int> sizes) {
  QIcon icon;
  for (int size : sizes) icon.addPixmap(Render(name, size, size));
  return icon;
}

struct TPictures {
  std::array<QIcon, kMenuFiles.size()> Menu;
  std::array<QIcon, kFolderFiles.size()> Folders;
  std::array<QIcon, kGameFiles.size()> Games;
  QPixmap Logo;
  QPixmap Properties;
};

// Built on first use (the application object exists by then) and never destroyed: a static
// destructor would free the pixmaps after the application object, which Qt does not allow.
const TPictures& Cache() {
  static const TPictures* pictures = [] {
    auto* p = new TPictures;
    for (std::size_t i = 0; i < kMenuFiles.size(); ++i)
      p->Menu[i] = RenderIcon(kMenuFiles[i], {16, 32});
    for (std::size_t i = 0; i < kFolderFiles.size(); ++i)
      p->Folders[i] = RenderIcon(kFolderFiles[i], {16, 32});
    for (std::size_t i = 0; i < kGameFiles.size(); ++i)
      p->Games[i] = RenderIcon(kGameFiles[i], {16, 32, 64});
    p->Logo = Render("logo", 150, 112);
    p->Properties = Render("properties", 32, 32);
    return p;
  }();
  return *pictures;
}

template <std::size_t N>
QIcon At(const std::array<QIcon, N>& list, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? list[index] : QIcon();
}

}  // namespace

namespace Pictures {
QIcon MenuImage(int index) {
  return At(Cache().Menu, index);
}
QIcon FolderImage(int index) {
  return At(Cache().Folders, index);
}
QIcon GameImage(int index) {
  return At(Cache().Games, index);
}
QPixmap Logo() {
  return Cache().Logo;
}
QPixmap PropertiesIcon() {
  return Cache().Properties;
}
}  // namespace Pictures
