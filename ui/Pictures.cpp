// The pictures are cut from the sheets rendered at build time and compiled into the program. A
// sheet is taken (unpacked, unless it is stored as it is) the first time a picture of its scale
// and palette is drawn; the pieces are kept in Qt's pixmap cache.
#include "ui/Pictures.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QResource>
#include <QStyle>
#include <QStyleOption>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "ui/PictureList.h"

namespace {
using namespace PictureList;

// The first sheet at least `wanted` times the picture's own size, else the largest.
std::size_t ScaleFor(double wanted) {
  for (std::size_t i = 0; i < kScales.size(); ++i)
    if (kScales[i] + 1e-6 >= wanted) return i;
  return kScales.size() - 1;
}

// A sheet is stored as its bare pixels (see render-pictures), so taking it is at most one
// unpacking of the resource (none for the sheets stored uncompressed, whose data is the
// executable's own); the image reads the pixels where they lie.
const QImage& Sheet(bool dark, std::size_t scale) {
  static std::array<std::array<QByteArray, kScales.size()>, 2> pixels;
  static std::array<std::array<QImage, kScales.size()>, 2> sheets;
  QImage& sheet = sheets[dark ? 1 : 0][scale];
  if (sheet.isNull()) {
    QByteArray& data = pixels[dark ? 1 : 0][scale];
    data = QResource(QStringLiteral(":/pictures/sheet-%1-%2.rgba")
                         .arg(dark ? QStringLiteral("dark") : QStringLiteral("light"),
                              QLatin1String(kScaleNames[scale])))
               .uncompressedData();
    const int width = static_cast<int>(kSheetWidth * kScales[scale]);
    const int height = static_cast<int>(kSheetHeight * kScales[scale]);
    if (data.size() == qsizetype(width) * height * 4)
      sheet = QImage(reinterpret_cast<const uchar*>(data.constData()), width, height, width * 4,
                     QImage::Format_RGBA8888_Premultiplied);
  }
  return sheet;
}

// The cell drawn at `pixels` (device pixels) from the sheet that fits it best.
QImage Cut(const TCell& cell, const QSize& pixels, bool dark) {
  const double wanted =
      std::max(pixels.width() / double(cell.Width), pixels.height() / double(cell.Height));
  const std::size_t s = ScaleFor(wanted);
  const double scale = kScales[s];
  const QRect part(static_cast<int>(std::lround(cell.X * scale)),
                   static_cast<int>(std::lround(cell.Y * scale)),
                   static_cast<int>(std::lround(cell.Width * scale)),
                   static_cast<int>(std::lround(cell.Height * scale)));
  QImage image = Sheet(dark, s).copy(part);
  if (image.size() != pixels)
    image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return image;
}

class TSheetEngine : public QIconEngine {
 public:
  // `cells`: the picture at each of its own sizes, smallest first; `selected`: the picture shown
  // while the item is selected, if it differs.
  TSheetEngine(std::vector<TCell> cells, std::optional<TCell> selected)
      : FCells(std::move(cells)), FSelected(selected) {}

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    if (size.isEmpty()) return {};
    const bool selected = mode == QIcon::Selected && FSelected;
    const TCell& cell = selected ? *FSelected : Best(size);
    const QSize pixels = QSize(cell.Width, cell.Height).scaled(size, Qt::KeepAspectRatio);
    const bool dark = Pictures::IsDark(QGuiApplication::palette());
    const QString key =
        QString::asprintf("ludra:%d,%d:%dx%d:%d:%d", cell.X, cell.Y, pixels.width(),
                          pixels.height(), dark ? 1 : 0, selected ? int(QIcon::Normal) : int(mode));
    QPixmap result;
    if (QPixmapCache::find(key, &result)) return result;
    result = QPixmap::fromImage(Cut(cell, pixels, dark));
    // Disabled and selected looks come from the style, as for any icon without its own.
    if (mode != QIcon::Normal && !selected &&
        qobject_cast<QApplication*>(QCoreApplication::instance())) {
      QStyleOption option;
      option.palette = QGuiApplication::palette();
      result = QApplication::style()->generatedIconPixmap(mode, result, &option);
    }
    QPixmapCache::insert(key, result);
    return result;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize pixels(static_cast<int>(std::lround(rect.width() * ratio)),
                       static_cast<int>(std::lround(rect.height() * ratio)));
    QPixmap picture = pixmap(pixels, mode, state);
    picture.setDevicePixelRatio(ratio);
    const QSize shown = picture.deviceIndependentSize().toSize();
    painter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                      (rect.height() - shown.height()) / 2),
                              shown),
                        picture);
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const TCell& cell = Best(size);
    return QSize(cell.Width, cell.Height).scaled(size, Qt::KeepAspectRatio);
  }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (const TCell& cell : FCells) sizes.append(QSize(cell.Width, cell.Height));
    return sizes;
  }

  QIconEngine* clone() const override { return new TSheetEngine(*this); }
  QString key() const override { return QStringLiteral("ludra-sheet"); }

 private:
  // The largest of the picture's own sizes that fits, else the smallest.
  const TCell& Best(const QSize& size) const {
    const TCell* best = &FCells.front();
    for (const TCell& cell : FCells)
      if (cell.Width <= size.width() && cell.Height <= size.height()) best = &cell;
    return *best;
  }

  std::vector<TCell> FCells;
  std::optional<TCell> FSelected;
};

QIcon SheetIcon(std::vector<TCell> cells, std::optional<TCell> selected = std::nullopt) {
  return QIcon(new TSheetEngine(std::move(cells), selected));
}

struct TPictures {
  std::array<QIcon, kMenu.size()> Menu;
  std::array<QIcon, kFolders.size()> Folders;
  std::array<QIcon, kFolders.size()> FolderNodes;
  std::array<QIcon, kGames.size()> Games;
  QIcon Logo;
  QIcon Properties;
};

// Made on first use and never destroyed: the icons may hand out pixmaps, which must not outlive
// the application object. Making them decodes nothing.
const TPictures& Cache() {
  static const TPictures* pictures = [] {
    auto* p = new TPictures;
    for (std::size_t i = 0; i < kMenu.size(); ++i) p->Menu[i] = SheetIcon({MenuCell(i)});
    for (std::size_t i = 0; i < kFolders.size(); ++i) {
      p->Folders[i] = SheetIcon({FolderCell(i)});
      p->FolderNodes[i] = SheetIcon({FolderCell(i)}, FolderCell(1));
    }
    for (std::size_t i = 0; i < kGames.size(); ++i)
      p->Games[i] = SheetIcon({SmallGameCell(i), LargeGameCell(i)});
    p->Logo = SheetIcon({LogoCell()});
    p->Properties = SheetIcon({PropertiesCell()});
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
QIcon FolderNodeImage(int index) {
  return At(Cache().FolderNodes, index);
}
QIcon GameImage(int index) {
  return At(Cache().Games, index);
}
QIcon Logo() {
  return Cache().Logo;
}
QIcon PropertiesIcon() {
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
bool IsDark(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < 128;
}
}  // namespace Pictures

TPictureBox::TPictureBox(const QIcon& picture, QWidget* parent)
    : QWidget(parent), FPicture(picture) {}

void TPictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  FPicture.paint(&painter, rect());
}
