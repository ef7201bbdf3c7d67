#pragma once
// Reads the members of a ZIP archive from its central directory. Nothing is decompressed and no
// CRC is computed: the audit needs the member names, and checks against a ROM list (a DAT) take
// each member's size and CRC-32 as the directory states them. The program uses the directory scan
// (TArchiveFile and ScanZip), which visits each member where it lies in a bounded buffer; TZip,
// at the end, is the convenience that collects the members as a list of items.
#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/FileDescriptor.h"
#include "fileio/FileWindow.h"
#include "fileio/FunctionRef.h"

// One member of the central directory, where it lies in the reader's buffer:
// valid only while it is visited.
struct TZipEntry {
  const unsigned char* RawName;  // as stored, `RawLength` bytes
  std::size_t RawLength;
  bool Utf8Flag;  // general purpose flag bit 11: the name is UTF-8 (when it is
                  // well-formed)
  uint16_t Time, Date;
  uint32_t CompressedSize, Size;
  uint32_t Crc32;  // as stored
  // The uncompressed size: Size, or for a member of 4 GiB or more (Size 0xFFFFFFFF) the one its
  // ZIP64 extra field gives; not known when the field is not there.
  uint64_t FullSize;
  bool FullSizeKnown;

  // The name after its last "/", "\" or ":", up to a NUL byte, in UTF-8 (CP437
  // unless flagged and well-formed): a view of the buffer when the name is
  // ASCII, else converted into `scratch`.
  std::string_view FileName(std::string& scratch) const;
  // The whole name inside the archive, up to a NUL byte, in UTF-8, "\\" read as "/".
  std::string_view WholeName(std::string& scratch) const;
};

// An archive opened once for both questions the audit asks of it: is there a
// file, and what does it hold. Opening never throws; the error is kept for the
// reader to raise.
class TArchiveFile {
 public:
  TArchiveFile() = default;
  // `fileName` (what messages call the archive) is not copied: it must outlive the scan, so a
  // temporary is refused.
  explicit TArchiveFile(const std::string& fileName);
  explicit TArchiveFile(std::string&&) = delete;
  // `name` relative to the open directory `dirFd`.
  TArchiveFile(int dirFd, const std::string& name, const std::string& fileName);
  TArchiveFile(int dirFd, const std::string& name, std::string&&) = delete;
  // Opens another archive in place of this one.
  void Open(int dirFd, const char* name, const std::string& fileName);
  void Open(int dirFd, const char* name, std::string&&) = delete;

  bool IsFile() const { return FFd.IsOpen() && FIsFile; }                 // a regular file, open
  bool Missing() const { return FError == ENOENT || FError == ENOTDIR; }  // nothing there
  int OpenError() const { return FError; }  // errno of a failed open, 0 when it opened
  const std::string& FileName() const { return *FFileName; }
  // The file's status as it was opened (IsFile only).
  const struct stat& Info() const { return FInfo; }
  // The read buffer's memory comes from `budget`, shared with other readers (nullptr: unbounded).
  void BoundBy(TMemoryBudget* budget) {
    FBuffer.Release();
    FBuffer.Budget = budget;
  }
  // Gives a large read buffer back; a reader does before it waits for anything but its reads, so
  // that the readers waiting for the budget hold no more than their small buffers meanwhile.
  void TrimBuffer();

 private:
  friend std::size_t ScanZip(TArchiveFile&, TFunctionRef<bool(const TZipEntry&)>);
  static inline const std::string kNoName;
  const std::string* FFileName = &kNoName;
  TFd FFd;
  int FError = 0;  // errno of a failed open
  bool FIsFile = false;
  uint64_t FSize = 0;
  struct stat FInfo {};
  TWindowBuffer FBuffer;  // read into, archive after archive
};

// Walks the central directory of `archive` where it lies in the read buffer,
// calling `visit` for each member in directory order until it returns false;
// returns the number of members visited. The archive's descriptor is closed at
// the end. Memory stays within one bounded window whatever the directory's
// size. A missing file, a file of 22 bytes or less, or one without an end
// record has no members; a file that exists but cannot be opened raises
// EFOpenError, a failed read EInOutError, both naming the archive (running out
// of memory too).
std::size_t ScanZip(TArchiveFile& archive, TFunctionRef<bool(const TZipEntry&)> visit);

// ---- The item list: a convenience on the same scanner ----

struct TItem {
  std::string FileName;         // the member's name after its last "\" or ":"
  std::string Path;             // up to and including that separator; empty at the archive's root
  uint32_t DateTime = 0;        // DOS time (low word) and date (high word), as stored
  uint32_t CompressedSize = 0;  // as stored
  uint32_t Size = 0;            // as stored
  uint32_t Crc32 = 0;           // as stored
};

using TItemList = std::vector<TItem>;

// The members as a list of items, each name copied out. The audit does not use it (it scans);
// the tests and the fuzzer, which look at every member, do.
class TZip {
 public:
  // Reads the directory of the archive at `fileName` (a native path). A missing
  // file, a file of 22 bytes or less, or one without an end record yields no
  // members; a file that exists but cannot be opened raises EFOpenError naming
  // it.
  explicit TZip(const std::string& fileName);
  // The same from a file already opened; raises EFOpenError when its open
  // failed.
  explicit TZip(TArchiveFile& file);

  int Count() const { return static_cast<int>(Items.size()); }

  TItemList Items;  // central-directory order; names converted to UTF-8, "/"
                    // replaced by "\"
};
