#pragma once
// The program's own pictures: the image lists, the logo and the properties icon. Each is drawn
// for the screen it is shown on (scales 1, 1.5, 2 and 3 from their own sheet) and, with a dark
// palette, in colours that stay legible on it. Sizes are in device-independent pixels.
#include <QIcon>
#include <QWidget>

class QPalette;

namespace Pictures {
QIcon MenuImage(int index);        // ilMenu, 8 images of 16 x 16
QIcon FolderImage(int index);      // ilFolders, 9 images of 16 x 16
QIcon FolderNodeImage(int index);  // FolderImage, showing image 1 (open folder) while selected
QIcon GameImage(int index);        // ilSGames / ilLGames: 0 chip, 1 prohibited chip, 2 chip with
                                   // '?', at 16 x 16 and 32 x 32
QIcon Logo();                      // ilLogo, 150 x 112
QIcon PropertiesIcon();            // the 32 x 32 icon of the properties dialog's page headers
QIcon AppIcon();                   // the program's own icon, 16 x 16 to 256 x 256

bool IsDark(const QPalette& palette);
}  // namespace Pictures

// A fixed picture drawn for the screen it is on, decoded when it is first painted.
class TPictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit TPictureBox(const QIcon& picture, QWidget* parent = nullptr);
  QSize sizeHint() const override { return size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QIcon FPicture;
};
