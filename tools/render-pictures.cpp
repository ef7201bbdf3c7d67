// Build step: renders the program's SVG pictures onto its picture sheets, one per screen scale
// and palette: sheet-light-100.rgba, sheet-dark-150.rgba, ...; and the program's icon at the
// desktop's sizes: ludra-16x16.png ... ludra-256x256.png. A sheet is its bare pixels, row after
// row, 4 bytes each (red, green, blue, alpha; premultiplied), at the size PictureList.h gives it:
// the resource compiler packs it, and the program takes it as it stands, with no image format
// to decode at start-up.
//   render-pictures <svg folder> <output folder>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/PictureList.h"

namespace {
using namespace PictureList;

bool IsDarkVariant(const char* name) {
  return std::any_of(kDarkPictures.begin(), kDarkPictures.end(),
                     [name](const char* dark) { return std::strcmp(dark, name) == 0; });
}

bool Draw(QPainter& painter, const QString& svgDir, const char* name, const TCell& cell,
          double scale, bool dark) {
  const QString source = svgDir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".svg");
  QFile file(source);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "render-pictures: cannot read %s\n", qPrintable(source));
    return false;
  }
  QByteArray svg = file.readAll();
  if (dark && IsDarkVariant(name))
    for (const TColourSwap& swap : kDarkColours) svg.replace(swap.From, swap.To);
  QSvgRenderer renderer(svg);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "render-pictures: cannot read %s\n", qPrintable(source));
    return false;
  }
  const QRectF target(cell.X * scale, cell.Y * scale, cell.Width * scale, cell.Height * scale);
  painter.save();
  painter.setClipRect(target);
  renderer.render(&painter, target);
  painter.restore();
  return true;
}

bool RenderSheet(const QString& svgDir, const QString& outDir, std::size_t s, bool dark) {
  const double scale = kScales[s];
  QImage sheet(static_cast<int>(kSheetWidth * scale), static_cast<int>(kSheetHeight * scale),
               QImage::Format_ARGB32_Premultiplied);
  sheet.fill(Qt::transparent);
  bool ok = true;
  {
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t i = 0; i < kMenu.size(); ++i)
      ok &= Draw(painter, svgDir, kMenu[i], MenuCell(i), scale, dark);
    for (std::size_t i = 0; i < kFolders.size(); ++i)
      ok &= Draw(painter, svgDir, kFolders[i], FolderCell(i), scale, dark);
    for (std::size_t i = 0; i < kGames.size(); ++i) {
      ok &= Draw(painter, svgDir, kGames[i], SmallGameCell(i), scale, dark);
      ok &= Draw(painter, svgDir, kGames[i], LargeGameCell(i), scale, dark);
    }
    ok &= Draw(painter, svgDir, "properties", PropertiesCell(), scale, dark);
    ok &= Draw(painter, svgDir, "logo", LogoCell(), scale, dark);
  }
  const QString target = QStringLiteral("%1/sheet-%2-%3.rgba")
                             .arg(outDir, dark ? QStringLiteral("dark") : QStringLiteral("light"),
                                  QLatin1String(kScaleNames[s]));
  const QImage pixels = sheet.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
  QFile file(target);
  bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  for (int y = 0; written && y < pixels.height(); ++y) {
    const auto* line = reinterpret_cast<const char*>(pixels.constScanLine(y));
    written = file.write(line, qint64(pixels.width()) * 4) == qint64(pixels.width()) * 4;
  }
  if (!written || !file.flush()) {
    std::fprintf(stderr, "render-pictures: cannot write %s\n", qPrintable(target));
    return false;
  }
  return ok;
}

// The program's own icon, one file per size, for the window and the desktop's icon theme.
bool RenderIcon(const QString& svgDir, const QString& outDir, int size) {
  const QString source =
      svgDir + QLatin1Char('/') + QLatin1String(kAppIcon) + QStringLiteral(".svg");
  QSvgRenderer renderer(source);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "render-pictures: cannot read %s\n", qPrintable(source));
    return false;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
  }
  const QString target =
      QStringLiteral("%1/%2-%3x%3.png").arg(outDir, QLatin1String(kAppIcon)).arg(size);
  if (!image.save(target, "PNG")) {
    std::fprintf(stderr, "render-pictures: cannot write %s\n", qPrintable(target));
    return false;
  }
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: render-pictures <svg folder> <output folder>\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const QString svgDir = QString::fromLocal8Bit(argv[1]);
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  bool ok = true;
  for (std::size_t s = 0; s < kScales.size(); ++s)
    for (bool dark : {false, true}) ok &= RenderSheet(svgDir, outDir, s, dark);
  for (int size : kAppIconSizes) ok &= RenderIcon(svgDir, outDir, size);
  return ok ? 0 : 1;
}
