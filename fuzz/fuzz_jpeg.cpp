// The libjpeg wrapper on bytes in memory. Bad data must end in the file error, nothing else.
#include <QImage>
#include <cstddef>
#include <cstdint>

#include "fileio/Errors.h"
#include "ui/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const QImage image = DecodeJpeg(data, size, "fuzz.jpg");
    if (image.isNull()) __builtin_trap();  // success means a picture
    // Read every pixel once so ASan checks the whole buffer the decoder filled.
    unsigned sum = 0;
    for (int y = 0; y < image.height(); ++y) {
      const uchar* line = image.constScanLine(y);
      for (qsizetype x = 0; x < image.bytesPerLine(); ++x) sum += line[x];
    }
    volatile unsigned sink = sum;
    (void)sink;
  } catch (const EFileError& e) {
    if (e.FileName != "fuzz.jpg") __builtin_trap();  // the message names the picture
  }
  return 0;
}
