#pragma once
// The screenshot panel's picture: drawn at its own size, centred, clipped by the panel. A
// transparent image leaves out its background colour (that of the bottom-left pixel), so the
// panel shows through there.
#include <QImage>
#include <QPixmap>
#include <QWidget>

class TSnapshotImage : public QWidget {
  Q_OBJECT
 public:
  explicit TSnapshotImage(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return FPicture; }

  // Sizes the picture to 150 x 112 and draws `logo` at its top left corner.
  void ShowLogo(const QPixmap& logo);

  void SetTransparent(bool transparent);
  bool Transparent() const { return FTransparent; }

  // What is painted: the picture, with its background colour cleared when transparent.
  QImage Displayed() const;

  static QImage WithoutBackground(const QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage FPicture;
  bool FTransparent = true;
  mutable QImage FCache;  // Displayed(), rebuilt after a change
  mutable bool FCacheValid = false;
};
