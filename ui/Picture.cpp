// Screenshot loading. The file's extension picks the decoder: JPEG goes to libjpeg, the other
// formats to Qt's image readers; a file with an extension nobody knows is recognised by content.
#include "ui/Picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QString>
#include <QSysInfo>
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// jpeglib.h needs <cstdio> (FILE, size_t) before it.
#include <jerror.h>
#include <jpeglib.h>

#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/Text.h"

namespace {

// Pictures beyond these bounds are refused before anything is allocated for their pixels: a
// screenshot panel has no use for them, and a few bytes of header can declare gigabytes.
constexpr long long kMaxSide = 16384;
constexpr long long kMaxPixels = 100'000'000;
constexpr int kMaxQtAllocationMB = 400;  // kMaxPixels at 4 bytes a pixel
constexpr long long kMaxFileSize = 256LL << 20;
// libjpeg's own working memory (coefficient buffers of progressive files) and the number of
// scans: a crafted progressive file can otherwise repeat scans without end.
constexpr long kMaxJpegMemory = 256L << 20;
constexpr int kMaxJpegScans = 500;

[[noreturn]] void Unreadable(const std::string& name, const TMessage& why) {
  throw EInOutError(name, FileError("read the picture", name, why), 0);
}

bool TooLarge(long long width, long long height) {
  return width > kMaxSide || height > kMaxSide || width * height > kMaxPixels;
}

[[noreturn]] void RefuseSize(const std::string& name, long long width, long long height) {
  Unreadable(name, TMessage::Template(
                       QT_TRANSLATE_NOOP("Message",
                                         "it is %1 x %2 pixels, larger than the 16384 x 16384 "
                                         "pixels and 100 megapixels this program shows"),
                       {std::to_string(width), std::to_string(height)}));
}

// The whole file in memory. Directories and other non-files are refused before any read, and
// the open does not wait on a FIFO that has no writer.
std::vector<unsigned char> ReadPictureFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    throw EFOpenError(path, FileError("open the picture", path, SysErrorMessage(error)));
  }
  const TFd owner(fd);

  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    throw EInOutError(path, FileError("read the picture", path, SysErrorMessage(error)), error);
  }
  if (S_ISDIR(info.st_mode))
    throw EFOpenError(path, FileError("open the picture", path, SysErrorMessage(EISDIR)));
  if (!S_ISREG(info.st_mode))
    throw EFOpenError(
        path,
        FileError("open the picture", path,
                  TMessage::Template(QT_TRANSLATE_NOOP("Message", "it is not a regular file"))));
  if (info.st_size == 0)
    Unreadable(path, TMessage::Template(QT_TRANSLATE_NOOP("Message", "the file is empty")));
  if (info.st_size > kMaxFileSize)
    Unreadable(path,
               TMessage::Template(QT_TRANSLATE_NOOP("Message", "the file is larger than 256 MB")));

  std::vector<unsigned char> bytes(static_cast<std::size_t>(info.st_size));
  const ssize_t got = ReadFull(fd, bytes.data(), bytes.size());
  if (got < 0) {
    const int error = errno;
    throw EInOutError(path, FileError("read the picture", path, SysErrorMessage(error)), error);
  }
  bytes.resize(static_cast<std::size_t>(got));  // fewer when the file shrank while we read it
  if (bytes.empty())
    Unreadable(path, TMessage::Template(QT_TRANSLATE_NOOP("Message", "the file is empty")));
  return bytes;
}

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return AsciiLower(std::string_view(path).substr(dot + 1));
}

bool IsJpegExtension(const std::string& ext) {
  return ext == "jpg" || ext == "jpeg" || ext == "jpe" || ext == "jfif";
}

bool StartsLikeJpeg(const std::vector<unsigned char>& bytes) {
  return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// `format` empty: Qt recognises the picture by its content.
QImage ReadWithQt(const std::vector<unsigned char>& bytes, const std::string& name,
                  const QByteArray& format) {
  QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAutoDetectImageFormat(format.isEmpty());
  reader.setAllocationLimit(kMaxQtAllocationMB);
  const QSize size = reader.size();
  if (size.isValid() && TooLarge(size.width(), size.height()))
    RefuseSize(name, size.width(), size.height());
  QImage image = reader.read();
  if (image.isNull()) Unreadable(name, reader.errorString().toStdString());
  return image;
}

// ---- libjpeg ----------------------------------------------------------------------------------
// libjpeg reports a fatal error by calling error_exit, which must not return. It longjmps back to
// the setjmp of the step that made the call; those steps hold no object with a destructor, so the
// jump skips nothing. Everything that owns memory lives in DecodeJpeg, outside the jumps.

struct TJpegError {
  jpeg_error_mgr Pub;  // first, so libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
  bool RowsDone;  // every scanline is out: what follows no longer matters
};

struct TJpegDecoder {
  jpeg_decompress_struct Info;
  TJpegError Error;
  jpeg_progress_mgr Progress;
};

[[noreturn]] void JpegAbort(j_common_ptr info, const char* text) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  std::snprintf(error->Message, sizeof error->Message, "%s", text);
  std::longjmp(error->Jump, 1);
}

[[noreturn]] void JpegErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

// Warnings are not printed. Data that runs out or breaks off before the last row (a cut file)
// is an error, not a warning: libjpeg would paint the rest grey. A file that lacks no more than
// its end marker still decodes whole, and so do the other warnings' pictures.
void JpegEmitMessage(j_common_ptr info, int level) {
  if (level >= 0) return;
  const int code = info->err->msg_code;
  const bool broken = code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC;
  if (broken && !reinterpret_cast<TJpegError*>(info->err)->RowsDone) JpegErrorExit(info);
  ++info->err->num_warnings;
}

void JpegOutputMessage(j_common_ptr) {}

void JpegProgress(j_common_ptr info) {
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxJpegScans)
    JpegAbort(info, "too many progressive scans");
}

// Qt's RGB32 is 0xffRRGGBB in native byte order; libjpeg writes it straight into the image.
constexpr J_COLOR_SPACE kRgb32Space =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRA : JCS_EXT_ARGB;

bool IsCmyk(const jpeg_decompress_struct& info) {
  return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

// Reads the header and settles the output size. False when libjpeg gave up.
bool JpegPrepare(TJpegDecoder& d, const unsigned char* data, std::size_t size) {
  d.Info.err = jpeg_std_error(&d.Error.Pub);
  d.Error.Pub.error_exit = JpegErrorExit;
  d.Error.Pub.emit_message = JpegEmitMessage;
  d.Error.Pub.output_message = JpegOutputMessage;
  if (setjmp(d.Error.Jump)) return false;
  jpeg_create_decompress(&d.Info);
  d.Info.mem->max_memory_to_use = kMaxJpegMemory;
  d.Progress.progress_monitor = JpegProgress;
  d.Info.progress = &d.Progress;
  jpeg_mem_src(&d.Info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d.Info, TRUE);
  // libjpeg converts everything to RGB but CMYK, which comes out as it is and is converted here.
  d.Info.out_color_space = IsCmyk(d.Info) ? JCS_CMYK : kRgb32Space;
  jpeg_calc_output_dimensions(&d.Info);
  return true;
}

void CmykToRgb32(const JSAMPLE* in, unsigned char* out, JDIMENSION width, bool adobe) {
  auto* pixel = reinterpret_cast<QRgb*>(out);
  for (JDIMENSION x = 0; x < width; ++x, in += 4) {
    // Adobe's files store the inks inverted (255 = no ink).
    const int c = adobe ? in[0] : 255 - in[0];
    const int m = adobe ? in[1] : 255 - in[1];
    const int y = adobe ? in[2] : 255 - in[2];
    const int k = adobe ? in[3] : 255 - in[3];
    pixel[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
  }
}

// Decodes every row into `bits`. False when libjpeg gave up.
bool JpegDecode(TJpegDecoder& d, unsigned char* bits, std::size_t stride) {
  if (setjmp(d.Error.Jump)) return false;
  jpeg_start_decompress(&d.Info);
  const bool cmyk = d.Info.out_color_space == JCS_CMYK;
  JSAMPARRAY cmykRow = cmyk ? (*d.Info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.Info),
                                                          JPOOL_IMAGE, d.Info.output_width * 4, 1)
                            : nullptr;
  while (d.Info.output_scanline < d.Info.output_height) {
    unsigned char* line = bits + stride * d.Info.output_scanline;
    JSAMPROW row = cmyk ? cmykRow[0] : line;
    if (jpeg_read_scanlines(&d.Info, &row, 1) != 1)
      JpegAbort(reinterpret_cast<j_common_ptr>(&d.Info), "the data stops early");
    if (cmyk) CmykToRgb32(cmykRow[0], line, d.Info.output_width, d.Info.saw_Adobe_marker);
  }
  d.Error.RowsDone = true;
  jpeg_finish_decompress(&d.Info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size, const std::string& name) {
  if (size == 0)
    Unreadable(name, TMessage::Template(QT_TRANSLATE_NOOP("Message", "the file is empty")));
  auto d = std::make_unique<TJpegDecoder>();  // zeroed: destroying it before creation is safe
  struct TDestroyer {
    jpeg_decompress_struct* Info;
    ~TDestroyer() { jpeg_destroy_decompress(Info); }
  } destroyer{&d->Info};

  if (!JpegPrepare(*d, data, size)) Unreadable(name, d->Error.Message);
  const long long width = d->Info.output_width, height = d->Info.output_height;
  if (TooLarge(width, height)) RefuseSize(name, width, height);
  if (d->Info.output_components != 4)
    Unreadable(name, TMessage::Template(
                         QT_TRANSLATE_NOOP("Message", "its colour layout is not supported")));
  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
  if (image.isNull())
    Unreadable(name, TMessage::Template(
                         QT_TRANSLATE_NOOP("Message", "there is not enough memory for it")));
  if (!JpegDecode(*d, image.bits(), static_cast<std::size_t>(image.bytesPerLine())))
    Unreadable(name, d->Error.Message);
  return image;
}

QImage DecodeJpegFile(const std::string& nativePath) {
  try {
    const std::vector<unsigned char> bytes = ReadPictureFile(nativePath);
    return DecodeJpeg(bytes.data(), bytes.size(), nativePath);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(nativePath);
  }
}

QImage LoadPicture(const std::string& nativePath) try {
  const std::string ext = LowerExtension(nativePath);
  if (IsJpegExtension(ext)) return DecodeJpegFile(nativePath);
  const std::vector<unsigned char> bytes = ReadPictureFile(nativePath);
  if (ext == "wmf" || ext == "emf")
    Unreadable(nativePath, TMessage::Template(QT_TRANSLATE_NOOP(
                               "Message", "Windows metafiles are not supported")));
  const QByteArray format = QByteArray::fromStdString(ext);
  if (!ext.empty() && QImageReader::supportedImageFormats().contains(format))
    return ReadWithQt(bytes, nativePath, format);
  // An extension no reader claims: go by the content.
  if (StartsLikeJpeg(bytes)) return DecodeJpeg(bytes.data(), bytes.size(), nativePath);
  return ReadWithQt(bytes, nativePath, QByteArray());
} catch (const std::bad_alloc&) {
  RaiseOutOfMemory(nativePath);
}
