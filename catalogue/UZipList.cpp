#include "UZipList.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "Errors.h"

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

uint16_t Get16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const unsigned char* p) {
  return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16;
}
uint64_t Get64(const unsigned char* p) {
  return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

class TFile {
 public:
  TFile(int fd, const std::string& name, uint64_t size) : Size(size), FFd(fd), FName(name) {}
  // The name outlives the object: both live in TZip's constructor.
  ~TFile() { close(FFd); }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  // Reads up to `count` bytes at `offset`; fewer only where the file ends.
  size_t ReadAt(uint64_t offset, unsigned char* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
      const ssize_t got =
          pread(FFd, buffer + done, count - done, static_cast<off_t>(offset + done));
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        throw EInOutError(
            FName, FileErrorMessage("read the archive", FName, SysErrorMessage(error)), error);
      }
      done += static_cast<size_t>(got);
    }
    return done;
  }

  const uint64_t Size;  // as found when the file was opened

 private:
  int FFd;
  const std::string& FName;
};

// A window onto the file that serves byte ranges from one buffer and reads again only when a
// range lies outside it, so a directory usually costs one read (none when it sits in the tail
// already read by the end-record search).
class TWindow {
 public:
  explicit TWindow(TFile& file) : FFile(file) {}

  // The bytes [pos, pos + count), or nullptr when the file ends before them. The pointer is valid
  // until the next call.
  const unsigned char* Get(uint64_t pos, size_t count) {
    if (pos >= FStart && pos - FStart <= FLength && count <= FLength - (pos - FStart))
      return FData.get() + (pos - FStart);
    if (pos > FFile.Size || count > FFile.Size - pos) return nullptr;
    uint64_t want = std::max<uint64_t>(count, FNextChunk);
    if (FExpectedEnd > pos) want = std::max(want, FExpectedEnd - pos);
    // `count` is never above kMaxChunk (a header and a 64 KiB name), so the bounds keep it.
    want = std::min<uint64_t>({want, kMaxChunk, FFile.Size - pos});
    FNextChunk = std::min(FNextChunk * 2, kMaxChunk);
    if (want > FCapacity) {
      FData.reset();  // release the old buffer before taking a bigger one
      FData = std::make_unique_for_overwrite<unsigned char[]>(want);
      FCapacity = want;
    }
    FStart = pos;
    FLength = FFile.ReadAt(pos, FData.get(), want);
    return count <= FLength ? FData.get() : nullptr;
  }

  // Where the caller expects to stop reading; the next read extends to there at once.
  void Expect(uint64_t end) { FExpectedEnd = end; }

 private:
  TFile& FFile;
  std::unique_ptr<unsigned char[]> FData;
  size_t FCapacity = 0, FLength = 0;
  uint64_t FStart = 0, FExpectedEnd = 0;
  size_t FNextChunk = kFirstChunk;
};

// Offset of the end record: the highest offset from size - 22 down to size - 1024 (or 0) where
// the signature starts, as a byte-by-byte walk backwards would find it.
bool FindEndRecord(TFile& file, TWindow& window, uint64_t& recordPos) {
  const uint64_t start = file.Size > kSearchSpan ? file.Size - kSearchSpan : 0;
  const uint64_t span = file.Size - start;
  const unsigned char* tail = window.Get(start, span);  // one read of the whole tail
  if (!tail) return false;                              // the file shrank under us
  for (uint64_t i = span - kEndSize;; --i) {
    if (Get32(tail + i) == kEndSignature) {
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
  if (!locator || Get32(locator) != kZip64LocatorSignature) return false;
  const uint64_t recordPos = Get64(locator + 8);
  if (locatorPos < kZip64EndSize || recordPos > locatorPos - kZip64EndSize) return false;
  const unsigned char* record = window.Get(recordPos, kZip64EndSize);
  if (!record || Get32(record) != kZip64EndSignature) return false;
  cdSize = Get64(record + 40);
  cdOffset = Get64(record + 48);
  return true;
}

bool IsValidUtf8(const unsigned char* s, size_t length) {
  size_t i = 0;
  while (i < length) {
    const unsigned char c = s[i];
    size_t more;
    uint32_t lowest;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1, lowest = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, lowest = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, lowest = 0x10000;
    } else {
      return false;
    }
    if (more > length - i - 1) return false;
    uint32_t code = c & (0x3F >> more);
    for (size_t k = 1; k <= more; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      code = code << 6 | (s[i + k] & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += more + 1;
  }
  return true;
}

// DOS code page 437 to UTF-8; one converter per thread, opened on first use.
class TOemConverter {
 public:
  TOemConverter() : FHandle(iconv_open("UTF-8", "CP437")) {}
  ~TOemConverter() {
    if (FHandle != kNone) iconv_close(FHandle);
  }
  TOemConverter(const TOemConverter&) = delete;
  TOemConverter& operator=(const TOemConverter&) = delete;

  std::string Convert(const unsigned char* text, size_t length) {
    static const std::string kReplacement = "\xEF\xBF\xBD";
    std::string out;
    if (FHandle == kNone) {  // no converter on this system: keep what can be kept
      for (size_t i = 0; i < length; ++i)
        if (text[i] < 0x80)
          out += static_cast<char>(text[i]);
        else
          out += kReplacement;
      return out;
    }
    // Every CP437 character lies in the BMP, so three bytes each always suffice.
    out.resize(length * 3);
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(text));
    size_t inLeft = length;
    char* outPos = out.data();
    size_t outLeft = out.size();
    iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0 &&
           iconv(FHandle, &in, &inLeft, &outPos, &outLeft) == static_cast<size_t>(-1)) {
      if (errno == E2BIG || outLeft < kReplacement.size()) {
        const size_t used = static_cast<size_t>(outPos - out.data());
        out.resize(out.size() * 2 + kReplacement.size());
        outPos = out.data() + used;
        outLeft = out.size() - used;
        continue;
      }
      // A byte the table lacks: mark it and go on.
      outPos = std::copy(kReplacement.begin(), kReplacement.end(), outPos);
      outLeft -= kReplacement.size();
      ++in;
      --inLeft;
    }
    out.resize(static_cast<size_t>(outPos - out.data()));
    return out;
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  iconv_t FHandle;
};

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
  } else if (utf8Flag && IsValidUtf8(raw, length)) {
    SplitName(item, std::string(reinterpret_cast<const char*>(raw), length));
  } else {
    thread_local TOemConverter converter;
    SplitName(item, converter.Convert(raw, length));
  }
  item.DateTime = time | static_cast<uint32_t>(date) << 16;
  item.CompressedSize = compressedSize;
  item.Size = size;
  return item;
}

}  // namespace

TArchiveFile::TArchiveFile(const std::string& fileName) : FFileName(fileName) {
  // Non-blocking, so a FIFO at the path cannot hang the audit; regular files ignore the flag.
  FFd = open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (FFd < 0) {
    FError = errno;
    return;
  }
  struct stat info;
  FIsFile = fstat(FFd, &info) == 0 && S_ISREG(info.st_mode);  // a directory is no archive
  FSize = FIsFile ? static_cast<uint64_t>(info.st_size) : 0;
}

TArchiveFile::~TArchiveFile() {
  if (FFd >= 0) close(FFd);
}

TArchiveFile::TArchiveFile(TArchiveFile&& other) noexcept
    : FFileName(std::move(other.FFileName)),
      FFd(std::exchange(other.FFd, -1)),
      FError(other.FError),
      FIsFile(other.FIsFile),
      FSize(other.FSize) {}

TArchiveFile& TArchiveFile::operator=(TArchiveFile&& other) noexcept {
  if (this != &other) {
    if (FFd >= 0) close(FFd);
    FFileName = std::move(other.FFileName);
    FFd = std::exchange(other.FFd, -1);
    FError = other.FError;
    FIsFile = other.FIsFile;
    FSize = other.FSize;
  }
  return *this;
}

TZip::TZip(const std::string& fileName) {
  TArchiveFile file(fileName);
  *this = TZip(file);
}

TZip::TZip(TArchiveFile& archive) {
  const std::string& fileName = archive.FFileName;
  if (archive.FFd < 0) {
    if (archive.Missing()) return;  // no file there
    throw EFOpenError(
        fileName, FileErrorMessage("open the archive", fileName, SysErrorMessage(archive.FError)));
  }
  if (!archive.FIsFile) return;
  // The descriptor now belongs to the reader, which closes it.
  TFile file(std::exchange(archive.FFd, -1), fileName, archive.FSize);
  if (file.Size <= kEndSize) return;

  TWindow window(file);
  uint64_t endPos;
  if (!FindEndRecord(file, window, endPos)) return;
  const unsigned char* end = window.Get(endPos, kEndSize);
  if (!end) return;
  uint64_t cdSize = Get32(end + 12);
  uint64_t cdOffset = Get32(end + 16);
  const uint64_t storedCount = Get16(end + 10);
  if (cdOffset == kZip64Marker) ReadZip64Directory(window, endPos, cdOffset, cdSize);

  // The directory is followed by the 4-byte signature that ends the walk.
  window.Expect(cdOffset > file.Size || cdSize > file.Size ? file.Size : cdOffset + cdSize + 4);
  // The stored count is only a hint: the walk itself decides how many members there are.
  Items.reserve(std::min<uint64_t>(storedCount, cdSize / kCentralSize));
  uint64_t pos = cdOffset;
  for (;;) {
    const unsigned char* header = window.Get(pos, 4);
    if (!header || Get32(header) != kCentralSignature) break;
    header = window.Get(pos, kCentralSize);
    if (!header) break;
    const uint16_t flags = Get16(header + 8);
    const uint16_t time = Get16(header + 12);
    const uint16_t date = Get16(header + 14);
    const uint32_t compressedSize = Get32(header + 20);
    const uint32_t size = Get32(header + 24);
    const uint16_t nameLength = Get16(header + 28);
    const uint32_t skipLength = Get16(header + 30) + Get16(header + 32);  // extra + comment
    const unsigned char* name = window.Get(pos + kCentralSize, nameLength);
    if (!name) break;
    Items.push_back(
        MakeItem(name, nameLength, flags & kUtf8NameFlag, time, date, compressedSize, size));
    pos += kCentralSize + nameLength + skipLength;
  }
}
