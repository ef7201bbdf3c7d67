#pragma once
// Lists the members of a ZIP archive from its central directory. Nothing is decompressed and no
// CRC is checked: the audit only needs the member names.
#include <cstdint>
#include <string>
#include <vector>

struct TItem {
  std::string FileName;         // the member's name after its last "\" or ":"
  std::string Path;             // up to and including that separator; empty at the archive's root
  uint32_t DateTime = 0;        // DOS time (low word) and date (high word), as stored
  uint32_t CompressedSize = 0;  // as stored
  uint32_t Size = 0;            // as stored
};

using TItemList = std::vector<TItem>;

class TZip {
 public:
  // Reads the directory of the archive at `fileName` (a native path). A missing file, a file of
  // 22 bytes or less, or one without an end record yields no members; a file that exists but
  // cannot be opened raises EFOpenError naming it.
  explicit TZip(const std::string& fileName);

  int Count() const { return static_cast<int>(Items.size()); }

  TItemList Items;  // central-directory order; names converted to UTF-8, "/" replaced by "\"
};
