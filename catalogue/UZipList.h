#pragma once
// Lists the members of a ZIP archive from its central directory. Nothing is decompressed and no
// CRC is checked: the audit only needs the member names.
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "FileDescriptor.h"

struct TItem {
  std::string FileName;         // the member's name after its last "\" or ":"
  std::string Path;             // up to and including that separator; empty at the archive's root
  uint32_t DateTime = 0;        // DOS time (low word) and date (high word), as stored
  uint32_t CompressedSize = 0;  // as stored
  uint32_t Size = 0;            // as stored
};

using TItemList = std::vector<TItem>;

// An archive opened once for both questions the audit asks of it: is there a file, and what
// does it hold. Opening never throws; the error is kept for TZip to raise.
class TArchiveFile {
 public:
  explicit TArchiveFile(const std::string& fileName);

  bool IsFile() const { return FFd.IsOpen() && FIsFile; }                 // a regular file, open
  bool Missing() const { return FError == ENOENT || FError == ENOTDIR; }  // nothing there
  const std::string& FileName() const { return FFileName; }

 private:
  friend class TZip;
  std::string FFileName;
  TFd FFd;
  int FError = 0;  // errno of a failed open
  bool FIsFile = false;
  uint64_t FSize = 0;
};

class TZip {
 public:
  // Reads the directory of the archive at `fileName` (a native path). A missing file, a file of
  // 22 bytes or less, or one without an end record yields no members; a file that exists but
  // cannot be opened raises EFOpenError naming it.
  explicit TZip(const std::string& fileName);
  // The same from a file already opened; raises EFOpenError when its open failed.
  explicit TZip(TArchiveFile& file);

  int Count() const { return static_cast<int>(Items.size()); }

  TItemList Items;  // central-directory order; names converted to UTF-8, "/" replaced by "\"
};
