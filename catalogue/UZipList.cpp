#include "catalogue/UZipList.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/FileWindow.h"
#include "fileio/Text.h"

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
// The first read is the tail where the end record is looked for, and no more.
constexpr size_t kFirstChunk = kSearchSpan;
// A directory bigger than this is read in pieces, so no archive costs more
// memory.
constexpr size_t kMaxChunk = size_t{16} << 20;
// A buffer up to this size is kept for the next archive.
constexpr size_t kKeptBuffer = size_t{64} << 10;

// A window onto the archive whose failed reads raise an error naming it. A
// directory usually costs one read (none when it sits in the tail already read
// by the end-record search).
class TWindow {
 public:
  TWindow(int fd, uint64_t size, const std::string& name, TWindowBuffer& buffer)
      : Size(size), FWindow(fd, size, kFirstChunk, kMaxChunk, &buffer), FName(name) {}

  // The bytes [pos, pos + count), or nullptr when the file ends before them. The pointer is valid
  // until the next call.
  const unsigned char* Get(uint64_t pos, size_t count) {
    const unsigned char* bytes = FWindow.Get(pos, count);
    if (!bytes && FWindow.Error() != 0)
      throw EInOutError(FName,
                        FileError("read the archive", FName, SysErrorMessage(FWindow.Error())),
                        FWindow.Error());
    return bytes;
  }
  void Expect(uint64_t end) { FWindow.Expect(end); }
  const unsigned char* Cached(uint64_t pos, size_t count) const {
    return FWindow.Cached(pos, count);
  }

  const uint64_t Size;  // as found when the file was opened

 private:
  TFileWindow FWindow;
  const std::string& FName;  // outlives the window: both live in TZip's constructor
};

// Offset of the end record: the highest offset from size - 22 down to size -
// 1024 (or 0) where the signature starts, as a byte-by-byte walk backwards
// would find it.
bool FindEndRecord(TWindow& window, uint64_t& recordPos) {
  const uint64_t start = window.Size > kSearchSpan ? window.Size - kSearchSpan : 0;
  const uint64_t span = window.Size - start;
  const unsigned char* tail = window.Get(start, span);  // one read of the whole tail
  if (!tail) return false;                              // the file shrank under us
  // Backwards from one "P" to the one before: a comment is passed over at the speed of memrchr.
  for (auto left = static_cast<size_t>(span - kEndSize + 1); left > 0;) {
    const auto* p = static_cast<const unsigned char*>(memrchr(tail, 'P', left));
    if (!p) return false;
    if (GetLe32(p) == kEndSignature) {
      recordPos = start + static_cast<uint64_t>(p - tail);
      return true;
    }
    left = static_cast<size_t>(p - tail);
  }
  return false;
}

// The central directory's offset and size from the ZIP64 records, when they are
// there and sound.
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

// The uncompressed size from a ZIP64 extra field (id 1), whose first value it is when the
// central header's size is 0xFFFFFFFF.
void ReadZip64Size(const unsigned char* extra, size_t length, TZipEntry& entry) {
  while (length >= 4) {
    const uint16_t id = GetLe16(extra), size = GetLe16(extra + 2);
    if (size > length - 4) return;
    if (id == 1 && size >= 8) {
      entry.FullSize = GetLe64(extra + 4);
      entry.FullSizeKnown = true;
      return;
    }
    extra += 4 + size;
    length -= 4 + size;
  }
}

// What a name's bytes are to FileName: most are none of these.
enum : unsigned char { kPlain = 0, kSeparator = 1, kNul = 2, kHigh = 4 };
constexpr auto kNameBytes = [] {
  std::array<unsigned char, 256> kinds{};
  kinds['/'] = kinds['\\'] = kinds[':'] = kSeparator;
  kinds[0] = kNul;
  for (int c = 0x80; c < 0x100; ++c) kinds[c] = kHigh;
  return kinds;
}();

// One pass over a stored name: where it ends (at its first NUL, as the platform's text functions
// see it), where its file name starts (after the last "/", "\\" or ":", all ASCII, so the same
// before and after a conversion to UTF-8) and whether it is all ASCII.
struct TNameShape {
  size_t Length, Cut;
  bool Ascii;
};
TNameShape ShapeOf(const unsigned char* raw, size_t length) {
  TNameShape shape{length, 0, true};
  for (size_t at = 0; at < length; ++at) {
    const unsigned char kind = kNameBytes[raw[at]];
    if (kind == kPlain) continue;
    if (kind == kSeparator) {
      shape.Cut = at + 1;
    } else if (kind == kNul) {
      shape.Length = at;
      break;
    } else {
      shape.Ascii = false;
    }
  }
  return shape;
}

// Is the whole name UTF-8? Flagged and well-formed; otherwise it is CP437.
bool NameIsUtf8(const TZipEntry& e, size_t length) {
  return e.Utf8Flag &&
         IsValidUtf8(std::string_view(reinterpret_cast<const char*>(e.RawName), length));
}

std::string ToUtf8(const unsigned char* raw, size_t length, bool utf8) {
  const std::string_view text(reinterpret_cast<const char*>(raw), length);
  return utf8 ? std::string(text) : Cp437ToUtf8(text);
}

TItem MakeItem(const TZipEntry& e) {
  TItem item;
  const TNameShape shape = ShapeOf(e.RawName, e.RawLength);
  const size_t length = shape.Length, cut = shape.Cut;
  if (shape.Ascii) {
    // The common case, cut straight from the buffer without an intermediate
    // copy.
    const char* text = reinterpret_cast<const char*>(e.RawName);
    item.FileName.assign(text + cut, length - cut);
    item.Path.assign(text, cut);
  } else {
    const bool utf8 = NameIsUtf8(e, length);
    item.FileName = ToUtf8(e.RawName + cut, length - cut, utf8);
    item.Path = ToUtf8(e.RawName, cut, utf8);
  }
  std::replace(item.Path.begin(), item.Path.end(), '/', '\\');
  item.DateTime = e.Time | static_cast<uint32_t>(e.Date) << 16;
  item.CompressedSize = e.CompressedSize;
  item.Size = e.Size;
  item.Crc32 = e.Crc32;
  return item;
}

}  // namespace

std::string_view TZipEntry::FileName(std::string& scratch) const {
  const TNameShape shape = ShapeOf(RawName, RawLength);
  if (shape.Ascii)
    return std::string_view(reinterpret_cast<const char*>(RawName) + shape.Cut,
                            shape.Length - shape.Cut);
  scratch = ToUtf8(RawName + shape.Cut, shape.Length - shape.Cut, NameIsUtf8(*this, shape.Length));
  return scratch;
}

std::string_view TZipEntry::WholeName(std::string& scratch) const {
  const TNameShape shape = ShapeOf(RawName, RawLength);
  const char* const text = reinterpret_cast<const char*>(RawName);
  if (shape.Ascii && !FindByte(text, text + shape.Length, '\\'))
    return std::string_view(text, shape.Length);
  scratch = ToUtf8(RawName, shape.Length, NameIsUtf8(*this, shape.Length));
  std::replace(scratch.begin(), scratch.end(), '\\', '/');
  return scratch;
}

TArchiveFile::TArchiveFile(const std::string& fileName) {
  Open(AT_FDCWD, fileName.c_str(), fileName);
}

TArchiveFile::TArchiveFile(int dirFd, const std::string& name, const std::string& fileName) {
  Open(dirFd, name.c_str(), fileName);
}

void TArchiveFile::Open(int dirFd, const char* name, const std::string& fileName) {
  FFileName = &fileName;
  FError = 0;
  FIsFile = false;
  FSize = 0;
  // Non-blocking, so a FIFO at the path cannot hang the audit; regular files
  // ignore the flag.
  FFd.Reset(openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!FFd.IsOpen()) {
    FError = errno;
    return;
  }
  if (fstat(FFd.Get(), &FInfo) != 0) {
    FError = errno;  // opened, but its storage failed before it could be examined
    FFd.Reset();
    return;
  }
  FIsFile = S_ISREG(FInfo.st_mode);  // a directory is no archive
  FSize = FIsFile ? static_cast<uint64_t>(FInfo.st_size) : 0;
}

void TArchiveFile::TrimBuffer() {
  if (FBuffer.Capacity > kKeptBuffer) FBuffer.Release();
}

std::size_t ScanZip(TArchiveFile& archive, TFunctionRef<bool(const TZipEntry&)> visit) {
  const std::string& fileName = *archive.FFileName;
  if (!archive.FFd.IsOpen()) {
    if (archive.Missing()) return 0;  // no file there
    throw EFOpenError(fileName,
                      FileError("open the archive", fileName, SysErrorMessage(archive.FError)));
  }
  if (!archive.FIsFile) return 0;
  // The descriptor now belongs to the reader, which closes it.
  const TFd fd(std::move(archive.FFd));
  if (archive.FSize <= kEndSize) return 0;

  // The buffer serves the next archive too, unless this one made it large (a budget keeps that
  // for whichever reader needs it next).
  struct TTrim {
    TArchiveFile& Archive;
    ~TTrim() { Archive.TrimBuffer(); }
  } trim{archive};
  try {
    TWindow window(fd.Get(), archive.FSize, fileName, archive.FBuffer);
    uint64_t endPos;
    if (!FindEndRecord(window, endPos)) return 0;
    const unsigned char* end = window.Get(endPos, kEndSize);
    if (!end) return 0;
    uint64_t cdSize = GetLe32(end + 12);
    uint64_t cdOffset = GetLe32(end + 16);
    if (cdOffset == kZip64Marker) ReadZip64Directory(window, endPos, cdOffset, cdSize);

    // The directory is followed by the 4-byte signature that ends the walk; the
    // stored count is not trusted, the walk itself decides how many members
    // there are.
    window.Expect(cdOffset > window.Size || cdSize > window.Size ? window.Size
                                                                 : cdOffset + cdSize + 4);
    std::size_t visited = 0;
    uint64_t pos = cdOffset;
    for (;;) {
      // The signature first, so that the end of the directory costs no read past it.
      const unsigned char* header = window.Cached(pos, kCentralSize);
      if (!header) {
        header = window.Get(pos, 4);
        if (!header || GetLe32(header) != kCentralSignature) break;
        header = window.Get(pos, kCentralSize);
        if (!header) break;
      }
      if (GetLe32(header) != kCentralSignature) break;
      TZipEntry entry;
      entry.Utf8Flag = GetLe16(header + 8) & kUtf8NameFlag;
      entry.Time = GetLe16(header + 12);
      entry.Date = GetLe16(header + 14);
      entry.Crc32 = GetLe32(header + 16);
      entry.CompressedSize = GetLe32(header + 20);
      entry.Size = GetLe32(header + 24);
      entry.RawLength = GetLe16(header + 28);
      const uint32_t extraLength = GetLe16(header + 30);
      const uint32_t skipLength = extraLength + GetLe16(header + 32);  // extra, comment
      entry.FullSize = entry.Size;
      entry.FullSizeKnown = entry.Size != kZip64Marker;
      // A member of 4 GiB or more: its size is in the extra field, read with the name.
      const uint32_t extraRead = entry.FullSizeKnown ? 0 : extraLength;
      entry.RawName = window.Get(pos + kCentralSize, entry.RawLength + extraRead);
      if (!entry.RawName) break;
      if (extraRead) ReadZip64Size(entry.RawName + entry.RawLength, extraRead, entry);
      ++visited;
      if (!visit(entry)) break;
      pos += kCentralSize + entry.RawLength + skipLength;
    }
    return visited;
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(fileName);
  }
}

TZip::TZip(const std::string& fileName) {
  TArchiveFile file(fileName);
  *this = TZip(file);
}

TZip::TZip(TArchiveFile& archive) {
  try {
    ScanZip(archive, [this](const TZipEntry& entry) {
      Items.push_back(MakeItem(entry));
      return true;
    });
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(archive.FileName());
  }
}
