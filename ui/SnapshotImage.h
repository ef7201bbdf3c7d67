#pragma once
// The screenshot panel's picture: drawn at its own size, centred, clipped by the panel. A
// transparent image leaves out its background colour (that of the bottom-left pixel), so the
// panel shows through there.
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QWidget>

class TSnapshotImage : public QWidget {
  Q_OBJECT
 public:
  explicit TSnapshotImage(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return FPicture; }

  // Sizes the picture to 150 x 112 and draws `logo` at its top left corner. The bitmap is drawn
  // for the screen's scale and filled with the panel's own background colour; it is drawn again
  // when either changes.
  void ShowLogo(const QIcon& logo);

  void SetTransparent(bool transparent);
  bool Transparent() const { return FTransparent; }

  // What is painted: the picture, with its background colour cleared when transparent.
  QImage Displayed() const;

  static QImage WithoutBackground(const QImage& picture);
  // The logo's 150 x 112 bitmap at `ratio` device pixels per pixel, on `background`.
  static QImage LogoBitmap(const QIcon& logo, qreal ratio, const QColor& background);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Assign(const QImage& picture);
  QColor Background() const;
  // The logo is shown, drawn for the present scale and background.
  bool LogoCurrent() const;

  QImage FPicture;
  QIcon FLogo;  // while the logo is shown
  bool FTransparent = true;
  mutable QImage FCache;  // Displayed(), rebuilt after a change
  mutable bool FCacheValid = false;
};
