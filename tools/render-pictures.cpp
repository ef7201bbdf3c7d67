// Build step: renders the program's SVG pictures to the PNG files compiled into it.
//   render-pictures <svg folder> <output folder>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

#include "PictureList.h"

namespace {
bool Render(const QString& svgDir, const QString& outDir, const char* name, int w, int h) {
  const QString source = svgDir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".svg");
  QSvgRenderer svg(source);
  if (!svg.isValid()) {
    std::fprintf(stderr, "render-pictures: cannot read %s\n", qPrintable(source));
    return false;
  }
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
  }
  const QString target =
      QStringLiteral("%1/%2-%3x%4.png").arg(outDir, QLatin1String(name)).arg(w).arg(h);
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
  using namespace PictureList;
  for (const char* name : kMenu)
    for (int size : kListSizes) ok &= Render(svgDir, outDir, name, size, size);
  for (const char* name : kFolders)
    for (int size : kListSizes) ok &= Render(svgDir, outDir, name, size, size);
  for (const char* name : kGames)
    for (int size : kGameSizes) ok &= Render(svgDir, outDir, name, size, size);
  ok &= Render(svgDir, outDir, "logo", kLogoWidth, kLogoHeight);
  ok &= Render(svgDir, outDir, "properties", kPropertiesSize, kPropertiesSize);
  for (int size : kAppIconSizes) ok &= Render(svgDir, outDir, kAppIcon, size, size);
  return ok ? 0 : 1;
}
