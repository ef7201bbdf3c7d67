// JPEG headers that declare pictures of gigabytes: refused with an error naming the file before
// any memory is taken for pixels.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// jpeglib.h needs <cstdio> before it.
#include <jpeglib.h>

#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"
#include "ui/Picture.h"

namespace {

// A small grey gradient written by libjpeg, baseline or progressive.
std::string Jpeg(bool progressive) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(16);
  while (info.next_scanline < info.image_height) {
    for (unsigned x = 0; x < 16; ++x)
      row[x] = static_cast<unsigned char>(16 * x + info.next_scanline);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return bytes;
}

// The frame header (baseline, extended or progressive) rewritten to declare another size.
std::string Declaring(std::string jpeg, unsigned width, unsigned height) {
  size_t pos = 2;
  while (pos + 9 <= jpeg.size() && static_cast<unsigned char>(jpeg[pos]) == 0xFF) {
    const auto marker = static_cast<unsigned char>(jpeg[pos + 1]);
    if (marker >= 0xC0 && marker <= 0xC2) {
      jpeg[pos + 5] = static_cast<char>(height >> 8);
      jpeg[pos + 6] = static_cast<char>(height & 0xFF);
      jpeg[pos + 7] = static_cast<char>(width >> 8);
      jpeg[pos + 8] = static_cast<char>(width & 0xFF);
      return jpeg;
    }
    pos += 2 + (static_cast<unsigned char>(jpeg[pos + 2]) << 8 |
                static_cast<unsigned char>(jpeg[pos + 3]));
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

}  // namespace

// ---- Declared sizes ---------------------------------------------------------------------------

TEST(PictureBounds, Jpeg65535By65535IsRefusedWithoutAllocating) {
  TTempDir dir;
  for (bool progressive : {false, true}) {
    const std::string small = Jpeg(progressive);
    ASSERT_EQ(
        DecodeJpeg(reinterpret_cast<const unsigned char*>(small.data()), small.size(), "s").size(),
        QSize(16, 16));
    // 65535 is beyond libjpeg's own limit; 65500 passes it and meets the decoder's.
    for (unsigned side : {65535u, 65500u}) {
      const std::string path = dir / ("huge" + std::to_string(side) + ".jpg");
      WriteFileBytes(path, Declaring(small, side, side));
      const long before = PeakRssKiB();
      try {
        LoadPicture(path);
        ADD_FAILURE() << "no error for " << side << (progressive ? " progressive" : "");
      } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName, path);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      }
      // 65500 x 65500 pixels would be 16 GiB.
      EXPECT_LT(PeakRssKiB() - before, 16 * kMiB);
    }
  }
}
