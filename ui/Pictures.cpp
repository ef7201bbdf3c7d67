// The image lists and the logo: PNG files rendered from the SVG sources at build time and compiled
// into the program; loaded once, on first use, and kept for the life of the program.
#include "Pictures.h"

#include <QString>
#include <array>

#include "PictureList.h"

namespace {
using namespace PictureList;

QPixmap Load(const char* name, int width, int height) {
  return QPixmap(
      QStringLiteral(":/pictures/%1-%2x%3.png").arg(QLatin1String(name)).arg(width).arg(height));
}

template <std::size_t N>
QIcon LoadIcon(const char* name, const std::array<int, N>& sizes) {
  QIcon icon;
  for (int size : sizes) icon.addPixmap(Load(name, size, size));
  return icon;
}

struct TPictures {
  std::array<QIcon, kMenu.size()> Menu;
  std::array<QIcon, kFolders.size()> Folders;
  std::array<QIcon, kGames.size()> Games;
  QPixmap Logo;
  QPixmap Properties;
};

// Built on first use (the application object exists by then) and never destroyed: a static
// destructor would free the pixmaps after the application object, which Qt does not allow.
const TPictures& Cache() {
  static const TPictures* pictures = [] {
    auto* p = new TPictures;
    for (std::size_t i = 0; i < kMenu.size(); ++i) p->Menu[i] = LoadIcon(kMenu[i], kListSizes);
    for (std::size_t i = 0; i < kFolders.size(); ++i)
      p->Folders[i] = LoadIcon(kFolders[i], kListSizes);
    for (std::size_t i = 0; i < kGames.size(); ++i) p->Games[i] = LoadIcon(kGames[i], kGameSizes);
    p->Logo = Load("logo", kLogoWidth, kLogoHeight);
    p->Properties = Load("properties", kPropertiesSize, kPropertiesSize);
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
QIcon AppIcon() {
  // Added by name, so only the sizes a window system asks for are ever decoded.
  QIcon icon;
  for (int size : kAppIconSizes)
    icon.addFile(QStringLiteral(":/pictures/%1-%2x%2.png").arg(QLatin1String(kAppIcon)).arg(size),
                 QSize(size, size));
  return icon;
}
}  // namespace Pictures
