// The program's own pictures, and screenshot loading through libjpeg and Qt's readers.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/stat.h>

#include <QApplication>
#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QPalette>
#include <QPixmap>
#include <QRandomGenerator>
#include <QStyleFactory>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"
#include "ui/AppStyle.h"
#include "ui/Picture.h"
#include "ui/Pictures.h"
#include "ui/SnapshotImage.h"

namespace {

// Pixmaps need the application object; whichever test needs it first creates it for all.
void EnsureApplication() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

int OpaquePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) == 255;
  return count;
}

void ExpectNearColour(QRgb actual, QColor expected, int tolerance = 10) {
  EXPECT_NEAR(qRed(actual), expected.red(), tolerance);
  EXPECT_NEAR(qGreen(actual), expected.green(), tolerance);
  EXPECT_NEAR(qBlue(actual), expected.blue(), tolerance);
}

std::string SaveImage(const QImage& image, const std::string& path, const char* format,
                      bool progressive = false) {
  QImageWriter writer(QString::fromStdString(path), format);
  writer.setQuality(95);
  writer.setProgressiveScanWrite(progressive);
  EXPECT_TRUE(writer.write(image)) << path;
  return path;
}

QImage Filled(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Noise compresses badly, so the picture's data is long and a cut lands inside it.
QImage Noise(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, 0xFF000000u | random.generate());
  return image;
}

// A 4 x 4 CMYK JPEG of one colour, written by libjpeg itself (Qt writes no CMYK).
std::string CmykJpeg(const unsigned char cmyk[4], bool adobe) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = 4;
  info.image_height = 4;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, JCS_CMYK);
  info.write_Adobe_marker = adobe;
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  unsigned char row[16];
  for (int i = 0; i < 16; ++i) row[i] = cmyk[i % 4];
  JSAMPROW rows[1] = {row};
  while (info.next_scanline < info.image_height) jpeg_write_scanlines(&info, rows, 1);
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<char*>(out), size);
  std::free(out);
  return bytes;
}

// The JPEG's frame header (SOF0) rewritten to declare another size.
std::string WithDeclaredSize(std::string jpeg, int width, int height) {
  std::size_t pos = 2;
  while (pos + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[pos]) == 0xFF) {
    const auto marker = static_cast<unsigned char>(jpeg[pos + 1]);
    const std::size_t length = static_cast<unsigned char>(jpeg[pos + 2]) * 256u +
                               static_cast<unsigned char>(jpeg[pos + 3]);
    if (marker == 0xC0) {
      jpeg[pos + 5] = static_cast<char>(height >> 8);
      jpeg[pos + 6] = static_cast<char>(height & 0xFF);
      jpeg[pos + 7] = static_cast<char>(width >> 8);
      jpeg[pos + 8] = static_cast<char>(width & 0xFF);
      return jpeg;
    }
    pos += 2 + length;
  }
  ADD_FAILURE() << "no SOF0 marker";
  return jpeg;
}

// Loads `path`, expecting an error of type E; returns its message (empty when none came).
template <class E>
std::string LoadError(const std::string& path) {
  try {
    LoadPicture(path);
    ADD_FAILURE() << "no error for " << path;
  } catch (const E& e) {
    EXPECT_EQ(e.FileName, path);
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    return e.what();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "wrong error type for " << path << ": " << e.what();
  }
  return {};
}

}  // namespace

// ---- The program's pictures ----------------------------------------------------------------

TEST(Pictures, ImageListsHaveTheirCountAndSizeAndAreDrawn) {
  EnsureApplication();
  struct TList {
    const char* Name;
    QIcon (*Image)(int);
    int Count;
    QList<int> Sizes;
  };
  const TList lists[] = {{"ilMenu", Pictures::MenuImage, 8, {16}},
                         {"ilFolders", Pictures::FolderImage, 9, {16}},
                         {"ilSGames/ilLGames", Pictures::GameImage, 3, {16, 32}}};
  for (const TList& list : lists) {
    for (int i = 0; i < list.Count; ++i) {
      const QIcon icon = list.Image(i);
      ASSERT_FALSE(icon.isNull()) << list.Name << " " << i;
      for (int size : list.Sizes) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << list.Name << " " << i;
        const QImage image = icon.pixmap(size, size).toImage();
        EXPECT_EQ(image.size(), QSize(size, size)) << list.Name << " " << i;
        EXPECT_GT(OpaquePixels(image), size * size / 8) << list.Name << " " << i << " @" << size;
      }
    }
    EXPECT_TRUE(list.Image(list.Count).isNull()) << list.Name;
    EXPECT_TRUE(list.Image(-1).isNull()) << list.Name;
  }
}

TEST(Pictures, LogoAndPropertiesIcon) {
  EnsureApplication();
  const QImage logo = Pictures::Logo().pixmap(QSize(150, 112)).toImage();
  EXPECT_EQ(logo.size(), QSize(150, 112));
  EXPECT_GT(OpaquePixels(logo), 150 * 112 / 5);
  // The screenshot panel keys out the bottom-left pixel's colour; on the logo that must be
  // nothing but the transparent background.
  EXPECT_EQ(qAlpha(logo.pixel(0, 111)), 0);

  const QImage icon = Pictures::PropertiesIcon().pixmap(QSize(32, 32)).toImage();
  EXPECT_EQ(icon.size(), QSize(32, 32));
  EXPECT_GT(OpaquePixels(icon), 32 * 32 / 4);
}

TEST(Pictures, AtRatioTwoHaveTwiceThePixelsDrawnForIt) {
  EnsureApplication();
  const std::pair<QIcon, QSize> pictures[] = {
      {Pictures::MenuImage(2), {16, 16}},     {Pictures::FolderImage(8), {16, 16}},
      {Pictures::GameImage(0), {16, 16}},     {Pictures::GameImage(1), {32, 32}},
      {Pictures::PropertiesIcon(), {32, 32}}, {Pictures::Logo(), {150, 112}}};
  for (const auto& [icon, size] : pictures) {
    const QPixmap one = icon.pixmap(size, 1.0);
    const QPixmap two = icon.pixmap(size, 2.0);
    EXPECT_EQ(two.size(), size * 2);
    EXPECT_EQ(two.devicePixelRatio(), 2.0);
    EXPECT_EQ(icon.pixmap(size, 1.5).size(), size * 3 / 2);
    // Drawn at that size, not the single-scale picture blown up.
    EXPECT_NE(two.toImage().convertToFormat(QImage::Format_ARGB32),
              one.toImage()
                  .scaled(size * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_ARGB32));
  }
  // The screenshot panel's logo bitmap follows the screen's scale and the panel's colour.
  const QImage bitmap = TSnapshotImage::LogoBitmap(Pictures::Logo(), 2.0, QColor(40, 40, 40));
  EXPECT_EQ(bitmap.size(), QSize(300, 224));
  EXPECT_EQ(bitmap.deviceIndependentSize(), QSizeF(150, 112));
  EXPECT_EQ(bitmap.pixel(0, 223), qRgb(40, 40, 40));
}

TEST(Pictures, DarkPalettesGetLegibleStrokes) {
  EnsureApplication();
  const QPalette light = QGuiApplication::palette();
  const QImage onLight = Pictures::MenuImage(4).pixmap(QSize(16, 16)).toImage();
  QPalette dark = light;
  dark.setColor(QPalette::Window, QColor(35, 35, 35));
  QGuiApplication::setPalette(dark);
  const QImage onDark = Pictures::MenuImage(4).pixmap(QSize(16, 16)).toImage();
  QGuiApplication::setPalette(light);
  // The list's lines: dark grey on a light palette, light grey on a dark one.
  auto darkest = [](const QImage& image) {
    int value = 255;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 6; x < image.width(); ++x)  // right of the blue squares
        if (qAlpha(image.pixel(x, y)) > 200) value = std::min(value, qGray(image.pixel(x, y)));
    return value;
  };
  EXPECT_LT(darkest(onLight), 128);
  EXPECT_GT(darkest(onDark), 128);
}

TEST(Pictures, AreMadeOnce) {
  EnsureApplication();
  EXPECT_EQ(Pictures::Logo().cacheKey(), Pictures::Logo().cacheKey());
  EXPECT_EQ(Pictures::GameImage(1).cacheKey(), Pictures::GameImage(1).cacheKey());
}

// The application's style hands out the overflow arrows late, but they are its base style's, and
// every other standard icon is the base style's as it stands.
TEST(Pictures, AppStyleDrawsEveryStandardIconAsItsBaseStyle) {
  EnsureApplication();
  TAppStyle style(QStyleFactory::create(QStringLiteral("fusion")));
  std::unique_ptr<QStyle> base(QStyleFactory::create(QStringLiteral("fusion")));
  for (QStyle::StandardPixmap icon :
       {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
        QStyle::SP_MessageBoxWarning, QStyle::SP_DirIcon}) {
    const QIcon ours = style.standardIcon(icon), theirs = base->standardIcon(icon);
    ASSERT_FALSE(ours.isNull()) << icon;
    for (int size : {8, 16, 32}) {
      EXPECT_EQ(ours.actualSize(QSize(size, size)), theirs.actualSize(QSize(size, size))) << icon;
      EXPECT_EQ(ours.pixmap(size).toImage(), theirs.pixmap(size).toImage()) << icon << size;
    }
  }
}

// ---- JPEG through libjpeg -----------------------------------------------------------------

TEST(PictureJpeg, DecodesSizeAndColour) {
  TTempDir dir;
  const QColor colour(200, 40, 30);
  const QImage image = LoadPicture(SaveImage(Filled(64, 48, colour), dir / "shot.jpg", "jpg"));
  EXPECT_EQ(image.size(), QSize(64, 48));
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  ExpectNearColour(image.pixel(0, 0), colour);
  ExpectNearColour(image.pixel(63, 47), colour);
}

TEST(PictureJpeg, ExtensionIsMatchedWithoutRegardToCase) {
  TTempDir dir;
  const std::string bytes = ReadFileBytes(SaveImage(Filled(8, 8, Qt::blue), dir / "a.jpg", "jpg"));
  for (const char* name : {"b.JPG", "c.Jpeg", "d.jpe", "e.JFIF"}) {
    WriteFileBytes(dir / name, bytes);
    EXPECT_EQ(LoadPicture(dir / name).size(), QSize(8, 8)) << name;
  }
}

TEST(PictureJpeg, GreyscaleAndProgressive) {
  TTempDir dir;
  QImage grey(10, 6, QImage::Format_Grayscale8);
  grey.fill(QColor(128, 128, 128));
  const QImage fromGrey = LoadPicture(SaveImage(grey, dir / "grey.jpg", "jpg"));
  EXPECT_EQ(fromGrey.size(), QSize(10, 6));
  ExpectNearColour(fromGrey.pixel(5, 3), QColor(128, 128, 128), 4);

  const QColor colour(30, 160, 90);
  const QImage progressive =
      LoadPicture(SaveImage(Filled(40, 30, colour), dir / "progressive.jpg", "jpg", true));
  EXPECT_EQ(progressive.size(), QSize(40, 30));
  ExpectNearColour(progressive.pixel(20, 15), colour);
}

TEST(PictureJpeg, CmykWithAndWithoutAdobeMarker) {
  TTempDir dir;
  // Adobe stores inverted inks: 255 means none. Both files below are pure red.
  const unsigned char adobeRed[4] = {255, 0, 0, 255};
  const unsigned char plainRed[4] = {0, 255, 255, 0};
  WriteFileBytes(dir / "adobe.jpg", CmykJpeg(adobeRed, true));
  WriteFileBytes(dir / "plain.jpg", CmykJpeg(plainRed, false));
  ExpectNearColour(LoadPicture(dir / "adobe.jpg").pixel(1, 1), QColor(255, 0, 0));
  ExpectNearColour(LoadPicture(dir / "plain.jpg").pixel(1, 1), QColor(255, 0, 0));
}

TEST(PictureJpeg, DecodesFromMemoryAndNamesTheGivenName) {
  TTempDir dir;
  const std::string bytes =
      ReadFileBytes(SaveImage(Filled(12, 9, Qt::white), dir / "m.jpg", "jpg"));
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  EXPECT_EQ(DecodeJpeg(data, bytes.size(), "memory").size(), QSize(12, 9));
  try {
    DecodeJpeg(data, 20, "cut in memory");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.FileName, "cut in memory");
  }
  EXPECT_THROW(DecodeJpeg(data, 0, "nothing"), EInOutError);
}

// ---- Broken and hostile JPEG files ----------------------------------------------------------

TEST(PictureJpegErrors, TruncatedZeroByteAndGarbage) {
  TTempDir dir;
  const std::string bytes = ReadFileBytes(SaveImage(Noise(256, 256), dir / "whole.jpg", "jpg"));
  WriteFileBytes(dir / "cut.jpg", bytes.substr(0, bytes.size() * 3 / 5));
  LoadError<EInOutError>(dir / "cut.jpg");
  const std::string progressive =
      ReadFileBytes(SaveImage(Noise(256, 256), dir / "whole-p.jpg", "jpg", true));
  WriteFileBytes(dir / "cut-p.jpg", progressive.substr(0, progressive.size() * 3 / 5));
  LoadError<EInOutError>(dir / "cut-p.jpg");
  WriteFileBytes(dir / "header-only.jpg", bytes.substr(0, 200));
  LoadError<EInOutError>(dir / "header-only.jpg");
  WriteFileBytes(dir / "empty.jpg", "");
  LoadError<EInOutError>(dir / "empty.jpg");
  WriteFileBytes(dir / "garbage.jpg", "this is not a picture at all, just words");
  LoadError<EInOutError>(dir / "garbage.jpg");
}

TEST(PictureJpegErrors, MissingEndMarkerAloneIsTolerated) {
  TTempDir dir;
  const std::string bytes = ReadFileBytes(SaveImage(Noise(32, 32), dir / "whole.jpg", "jpg"));
  ASSERT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
  WriteFileBytes(dir / "no-eoi.jpg", bytes.substr(0, bytes.size() - 2));
  EXPECT_EQ(LoadPicture(dir / "no-eoi.jpg").size(), QSize(32, 32));
}

TEST(PictureJpegErrors, HugeDeclaredSizesAreRefused) {
  TTempDir dir;
  const std::string bytes = ReadFileBytes(SaveImage(Filled(16, 16, Qt::red), dir / "s.jpg", "jpg"));
  // Beyond libjpeg's own limit, beyond the side limit, and beyond the pixel count limit.
  WriteFileBytes(dir / "65535.jpg", WithDeclaredSize(bytes, 65535, 65535));
  LoadError<EInOutError>(dir / "65535.jpg");
  WriteFileBytes(dir / "wide.jpg", WithDeclaredSize(bytes, 20000, 16));
  EXPECT_NE(LoadError<EInOutError>(dir / "wide.jpg").find("20000 x 16"), std::string::npos);
  WriteFileBytes(dir / "many.jpg", WithDeclaredSize(bytes, 12000, 12000));
  EXPECT_NE(LoadError<EInOutError>(dir / "many.jpg").find("12000 x 12000"), std::string::npos);
}

TEST(PictureJpegErrors, EndlessProgressiveScansAreCutShort) {
  TTempDir dir;
  const std::string bytes =
      ReadFileBytes(SaveImage(Noise(16, 16), dir / "p.jpg", "jpg", /*progressive=*/true));
  // The last scan repeated over and over: libjpeg only warns about each repeat.
  const std::size_t lastScan = bytes.rfind("\xFF\xDA");
  ASSERT_NE(lastScan, std::string::npos);
  std::string endless = bytes.substr(0, bytes.size() - 2);
  const std::string scan = bytes.substr(lastScan, bytes.size() - 2 - lastScan);
  for (int i = 0; i < 600; ++i) endless += scan;
  WriteFileBytes(dir / "endless.jpg", endless + "\xFF\xD9");
  EXPECT_NE(LoadError<EInOutError>(dir / "endless.jpg").find("scans"), std::string::npos);
  // A few repeats stay within the limit.
  WriteFileBytes(dir / "some.jpg", bytes.substr(0, bytes.size() - 2) + scan + scan + "\xFF\xD9");
  EXPECT_EQ(LoadPicture(dir / "some.jpg").size(), QSize(16, 16));
}

TEST(PictureJpegErrors, ExtensionDecidesEvenForAnotherFormatsContent) {
  TTempDir dir;
  const std::string png = ReadFileBytes(SaveImage(Filled(8, 8, Qt::red), dir / "a.png", "png"));
  WriteFileBytes(dir / "really-png.jpg", png);
  LoadError<EInOutError>(dir / "really-png.jpg");
}

// ---- Files that cannot be opened -----------------------------------------------------------

TEST(PictureOpenErrors, MissingDirectoryAndFifo) {
  TTempDir dir;
  LoadError<EFOpenError>(dir / "missing.jpg");
  LoadError<EFOpenError>(dir / "missing.png");
  MakeDirs(dir / "x.jpg");
  LoadError<EFOpenError>(dir / "x.jpg");
  MakeDirs(dir / "y.bmp");
  LoadError<EFOpenError>(dir / "y.bmp");
  // A FIFO with no writer must not hang the window.
  ASSERT_EQ(mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
  LoadError<EFOpenError>(dir / "pipe.jpg");
}

// ---- Other formats through Qt's readers ----------------------------------------------------

TEST(PictureQtFormats, PngBmpAndSvgLoad) {
  TTempDir dir;
  const QColor colour(10, 120, 240);
  const QImage png = LoadPicture(SaveImage(Filled(7, 5, colour), dir / "shot.PNG", "png"));
  EXPECT_EQ(png.size(), QSize(7, 5));
  ExpectNearColour(png.pixel(3, 2), colour, 0);
  const QImage bmp = LoadPicture(SaveImage(Filled(9, 4, colour), dir / "shot.bmp", "bmp"));
  EXPECT_EQ(bmp.size(), QSize(9, 4));
  ExpectNearColour(bmp.pixel(8, 3), colour, 0);
  WriteFileBytes(dir / "shot.svg",
                 "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='6'>"
                 "<rect width='10' height='6' fill='#0A78F0'/></svg>");
  const QImage svg = LoadPicture(dir / "shot.svg");
  EXPECT_EQ(svg.size(), QSize(10, 6));
  ExpectNearColour(svg.pixel(5, 3), colour, 0);
}

TEST(PictureQtFormats, BrokenFilesNameThemselves) {
  TTempDir dir;
  const std::string bmp = ReadFileBytes(SaveImage(Filled(9, 4, Qt::red), dir / "a.bmp", "bmp"));
  WriteFileBytes(dir / "corrupt.bmp", bmp.substr(0, 20));
  LoadError<EInOutError>(dir / "corrupt.bmp");
  WriteFileBytes(dir / "garbage.bmp", "BM and then nothing that makes sense");
  LoadError<EInOutError>(dir / "garbage.bmp");
  // A drawing declares any size it likes; it is measured before it is rendered.
  WriteFileBytes(dir / "huge.svg",
                 "<svg xmlns='http://www.w3.org/2000/svg' width='20000' height='20000'/>");
  EXPECT_NE(LoadError<EInOutError>(dir / "huge.svg").find("20000 x 20000"), std::string::npos);
  WriteFileBytes(dir / "empty.png", "");
  LoadError<EInOutError>(dir / "empty.png");
  // The extension decides: PNG bytes are not read as BMP.
  const std::string png = ReadFileBytes(SaveImage(Filled(8, 8, Qt::red), dir / "a.png", "png"));
  WriteFileBytes(dir / "really-png.bmp", png);
  LoadError<EInOutError>(dir / "really-png.bmp");
  // No metafile reader on this platform.
  WriteFileBytes(dir / "drawing.WMF", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0'));
  LoadError<EInOutError>(dir / "drawing.WMF");
}

TEST(PictureQtFormats, UnknownExtensionGoesByContent) {
  TTempDir dir;
  const std::string png = ReadFileBytes(SaveImage(Filled(6, 3, Qt::red), dir / "a.png", "png"));
  WriteFileBytes(dir / "shot.dat", png);
  EXPECT_EQ(LoadPicture(dir / "shot.dat").size(), QSize(6, 3));
  const std::string jpg = ReadFileBytes(SaveImage(Filled(5, 4, Qt::red), dir / "a.jpg", "jpg"));
  WriteFileBytes(dir / "shot", jpg);
  EXPECT_EQ(LoadPicture(dir / "shot").size(), QSize(5, 4));
  WriteFileBytes(dir / "words.dat", "nothing a picture reader would know");
  LoadError<EInOutError>(dir / "words.dat");
}
