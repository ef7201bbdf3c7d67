// Placeholder until the libjpeg decoder is in: Qt's readers for everything.
#include "Picture.h"

#include <QImageReader>
#include <QString>

#include "Errors.h"

QImage LoadPicture(const std::string& nativePath) {
  QImage image;
  if (!image.load(QString::fromStdString(nativePath)))
    throw EInOutError(nativePath, "Cannot read the picture \"" + nativePath + "\".", 0);
  return image;
}

QImage DecodeJpegFile(const std::string& nativePath) { return LoadPicture(nativePath); }

QImage DecodeJpeg(const unsigned char* data, std::size_t size, const std::string& name) {
  QImage image;
  if (!image.loadFromData(data, static_cast<int>(size), "JPG"))
    throw EInOutError(name, "Cannot read the picture \"" + name + "\".", 0);
  return image;
}
