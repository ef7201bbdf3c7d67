#pragma once
// The program's own pictures: the image lists and the logo, drawn from SVG files compiled in.
#include <QIcon>
#include <QPixmap>

namespace Pictures {
QIcon MenuImage(int index);    // ilMenu, 8 images of 16 x 16
QIcon FolderImage(int index);  // ilFolders, 9 images of 16 x 16
QIcon GameImage(int index);    // ilSGames / ilLGames: 0 chip, 1 prohibited chip, 2 chip with '?'
                               // (16 x 16 and 32 x 32 in one icon)
QPixmap Logo();                // ilLogo, 150 x 112
QPixmap PropertiesIcon();      // the 32 x 32 icon of the properties dialog's page headers
QIcon AppIcon();               // the program's own icon, 16 x 16 to 256 x 256
}  // namespace Pictures
