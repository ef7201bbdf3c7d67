#include "UZipList.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "Errors.h"
#include "FileDescriptor.h"
#include "FileWindow.h"
#include "Text.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint64_t kEndSize = 22;           // end record without its comment
constexpr uint64_t kCentralSize = 46;       // central header without name, extra and comment
constexpr uint64_t kZip64LocatorSize = 20;  // sits right before the end record
constexpr uint64_t kZip64EndSize = 56;      // fixed part of the ZIP64 end record
constexpr uint64_t kSearchSpan = 1024;      // the end record is looked for in the last 1 KiB
constexpr uint32_t kZip64Marker = 0xFFFFFFFF;
constexpr uint16_t kUtf8NameFlag = 0x0800;
constexpr size_t kFirstChunk = 4096;
constexpr size_t kMaxChunk = size_t{64} << 20;  // a directory bigger than this is read in pieces

// A window onto the archive whose failed reads raise an error naming it. A directory usually
// costs one read (none when it sits in the tail already read by the end-record search).
class TWindow {
 public:
  TWindow(int fd, uint64_t size, const std::string& name)
      : Size(size), FWindow(fd, size, kFirstChunk, kMaxChunk), FName(name) {}

  // The bytes [pos, pos + count), or nullptr when the file ends before them. The pointer is valid
  // until the next call.
  const unsigned char* Get(uint64_t pos, size_t count) {
    const unsigned char* bytes = FWindow.Get(pos, count);
    if (!bytes && FWindow.Error() != 0)
      throw EInOutError(
          FName, FileErrorMessage("read the archive", FName, SysErrorMessage(FWindow.Error())),
          FWindow.Error());
    return bytes;
  }
  void Expect(uint64_t end) { FWindow.Expect(end); }

  const uint64_t Size;  // as found when the file was opened

 private:
  TFileWindow FWindow;
  const std::string& FName;  // outlives the window: both live in TZip's constructor
};

// Offset of the end record: the highest offset from size - 22 down to size - 1024 (or 0) where
// the signature starts, as a byte-by-byte walk backwards would find it.
bool FindEndRecord(TWindow& window, uint64_t& recordPos) {
  const uint64_t start = window.Size > kSearchSpan ? window.Size - kSearchSpan : 0;
  const uint64_t span = window.Size - start;
  const unsigned char* tail = window.Get(start, span);  // one read of the whole tail
  if (!tail) return false;                              // the file shrank under us
  for (uint64_t i = span - kEndSize;; --i) {
    if (GetLe32(tail + i) == kEndSignature) {
      recordPos = start + i;
      return true;
    }
    if (i == 0) return false;
  }
}

// The central directory's offset and size from the ZIP64 records, when they are there and sound.
bool ReadZip64Directory(TWindow& window, uint64_t endPos, uint64_t& cdOffset, uint64_t& cdSize) {
  if (endPos < kZip64LocatorSize) return false;
  const uint64_t locatorPos = endPos - kZip64LocatorSize;
  const unsigned char* locator = window.Get(locatorPos, kZip64LocatorSize);
  if (!locator || GetLe32(locator) != kZip64LocatorSignature) return false;
  const uint64_t recordPos = GetLe64(locator + 8);
  if (locatorPos < kZip64EndSize || recordPos > locatorPos - kZip64EndSize) return false;
  const unsigned char* record = window.Get(recordPos, kZip64EndSize);
  if (!record || GetLe32(record) != kZip64EndSignature) return false;
  cdSize = GetLe64(record + 40);
  cdOffset = GetLe64(record + 48);
  return true;
}

// Splits a member name into folder and file name, with "/" read as "\\".
void SplitName(TItem& item, std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  const size_t cut = name.find_last_of("\\:");
  if (cut == std::string::npos) {
    item.FileName = std::move(name);
  } else {
    item.FileName = name.substr(cut + 1);
    name.resize(cut + 1);
    item.Path = std::move(name);
  }
}

TItem MakeItem(const unsigned char* raw, size_t length, bool utf8Flag, uint16_t time, uint16_t date,
               uint32_t compressedSize, uint32_t size) {
  TItem item;
  // Names end at a NUL byte, as the platform's text functions see them.
  if (const void* nul = std::memchr(raw, 0, length))
    length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - raw);
  // Eight bytes at a time: is any byte outside ASCII?
  uint64_t high = 0;
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t word;
    std::memcpy(&word, raw + i, 8);
    high |= word;
  }
  for (; i < length; ++i) high |= raw[i];
  const bool ascii = (high & 0x8080808080808080ull) == 0;
  size_t cut = length;
  while (cut > 0 && raw[cut - 1] != '/' && raw[cut - 1] != '\\' && raw[cut - 1] != ':') --cut;
  if (ascii) {
    // The common case, cut straight from the buffer without an intermediate copy.
    const char* text = reinterpret_cast<const char*>(raw);
    item.FileName.assign(text + cut, length - cut);
    item.Path.assign(text, cut);
    std::replace(item.Path.begin(), item.Path.end(), '/', '\\');
  } else {
    const std::string_view text(reinterpret_cast<const char*>(raw), length);
    SplitName(item, utf8Flag && IsValidUtf8(text) ? std::string(text) : Cp437ToUtf8(text));
  }
  item.DateTime = time | static_cast<uint32_t>(date) << 16;
  item.CompressedSize = compressedSize;
  item.Size = size;
  return item;
}

}  // namespace

TArchiveFile::TArchiveFile(const std::string& fileName) : FFileName(fileName) {
  // Non-blocking, so a FIFO at the path cannot hang the audit; regular files ignore the flag.
  FFd.Reset(open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!FFd.IsOpen()) {
    FError = errno;
    return;
  }
  struct stat info;
  FIsFile = fstat(FFd.Get(), &info) == 0 && S_ISREG(info.st_mode);  // a directory is no archive
  FSize = FIsFile ? static_cast<uint64_t>(info.st_size) : 0;
}

TZip::TZip(const std::string& fileName) {
  TArchiveFile file(fileName);
  *this = TZip(file);
}

TZip::TZip(TArchiveFile& archive) {
  const std::string& fileName = archive.FFileName;
  if (!archive.FFd.IsOpen()) {
    if (archive.Missing()) return;  // no file there
    throw EFOpenError(
        fileName, FileErrorMessage("open the archive", fileName, SysErrorMessage(archive.FError)));
  }
  if (!archive.FIsFile) return;
  // The descriptor now belongs to the reader, which closes it.
  const TFd fd(std::move(archive.FFd));
  if (archive.FSize <= kEndSize) return;

  TWindow window(fd.Get(), archive.FSize, fileName);
  uint64_t endPos;
  if (!FindEndRecord(window, endPos)) return;
  const unsigned char* end = window.Get(endPos, kEndSize);
  if (!end) return;
  uint64_t cdSize = GetLe32(end + 12);
  uint64_t cdOffset = GetLe32(end + 16);
  const uint64_t storedCount = GetLe16(end + 10);
  if (cdOffset == kZip64Marker) ReadZip64Directory(window, endPos, cdOffset, cdSize);

  // The directory is followed by the 4-byte signature that ends the walk.
  window.Expect(cdOffset > window.Size || cdSize > window.Size ? window.Size
                                                               : cdOffset + cdSize + 4);
  // The stored count is only a hint: the walk itself decides how many members there are.
  Items.reserve(std::min<uint64_t>(storedCount, cdSize / kCentralSize));
  uint64_t pos = cdOffset;
  for (;;) {
    const unsigned char* header = window.Get(pos, 4);
    if (!header || GetLe32(header) != kCentralSignature) break;
    header = window.Get(pos, kCentralSize);
    if (!header) break;
    const uint16_t flags = GetLe16(header + 8);
    const uint16_t time = GetLe16(header + 12);
    const uint16_t date = GetLe16(header + 14);
    const uint32_t compressedSize = GetLe32(header + 20);
    const uint32_t size = GetLe32(header + 24);
    const uint16_t nameLength = GetLe16(header + 28);
    const uint32_t skipLength = GetLe16(header + 30) + GetLe16(header + 32);  // extra + comment
    const unsigned char* name = window.Get(pos + kCentralSize, nameLength);
    if (!name) break;
    Items.push_back(
        MakeItem(name, nameLength, flags & kUtf8NameFlag, time, date, compressedSize, size));
    pos += kCentralSize + nameLength + skipLength;
  }
}
