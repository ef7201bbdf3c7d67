#include "launch/PeExports.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

bool Read16(TFileWindow& w, uint64_t offset, uint32_t& value) {
  const unsigned char* b = w.Get(offset, 2);
  if (!b) return false;
  value = GetLe16(b);
  return true;
}

bool Read32(TFileWindow& w, uint64_t offset, uint32_t& value) {
  const unsigned char* b = w.Get(offset, 4);
  if (!b) return false;
  value = GetLe32(b);
  return true;
}

struct TSection {
  uint32_t VirtualAddress;
  uint32_t RawSize;
  uint32_t RawPointer;
};

// Relative virtual addresses to file offsets, through the section table.
class TAddressMap {
 public:
  TAddressMap(uint32_t headerSize, std::vector<TSection> sections)
      : FHeaderSize(headerSize), FSections(std::move(sections)) {
    std::sort(FSections.begin(), FSections.end(), [](const TSection& a, const TSection& b) {
      return a.VirtualAddress < b.VirtualAddress;
    });
  }

  // Only bytes that the file holds count; a section's zero-filled tail has no offset.
  std::optional<uint64_t> Offset(uint64_t rva) const {
    auto it = std::upper_bound(FSections.begin(), FSections.end(), rva,
                               [](uint64_t r, const TSection& s) { return r < s.VirtualAddress; });
    if (it != FSections.begin()) {
      const TSection& s = *std::prev(it);
      if (rva - s.VirtualAddress < s.RawSize)
        return uint64_t{s.RawPointer} + (rva - s.VirtualAddress);
    }
    if (rva < FHeaderSize) return rva;  // the headers are mapped at the image's base
    return std::nullopt;
  }

 private:
  uint32_t FHeaderSize;
  std::vector<TSection> FSections;
};

constexpr uint32_t kPe32Magic = 0x10B;
constexpr uint32_t kPe32PlusMagic = 0x20B;

}  // namespace

std::vector<bool> FindPeExports(TFileWindow& w, const std::vector<std::string_view>& names) {
  const uint64_t size = w.Size();
  std::vector<bool> found(names.size(), false);

  unsigned char magic[4];
  uint32_t peOffset;
  if (!w.Read(0, magic, 2) || magic[0] != 'M' || magic[1] != 'Z' || !Read32(w, 0x3C, peOffset))
    return {};
  if (!w.Read(peOffset, magic, 4) || std::memcmp(magic, "PE\0\0", 4) != 0) return {};

  // The file header follows the signature, the optional header follows the file header.
  const uint64_t fileHeader = uint64_t{peOffset} + 4;
  uint32_t sectionCount, optionalSize, optionalMagic;
  if (!Read16(w, fileHeader + 2, sectionCount) || !Read16(w, fileHeader + 16, optionalSize))
    return {};
  const uint64_t optional = fileHeader + 20;
  if (!Read16(w, optional, optionalMagic)) return {};
  uint64_t directoryCountAt, directoriesAt;
  if (optionalMagic == kPe32Magic) {
    directoryCountAt = 92;
    directoriesAt = 96;
  } else if (optionalMagic == kPe32PlusMagic) {
    directoryCountAt = 108;
    directoriesAt = 112;
  } else {
    return {};
  }
  uint32_t headerSize, directoryCount, exportRva;
  if (optionalSize < directoriesAt + 8 || !Read32(w, optional + 60, headerSize) ||
      !Read32(w, optional + directoryCountAt, directoryCount) ||
      !Read32(w, optional + directoriesAt, exportRva))
    return {};
  if (directoryCount == 0 || exportRva == 0) return found;  // a DLL without exports

  std::vector<TSection> sections;
  const uint64_t sectionTable = optional + optionalSize;
  if (sectionTable + uint64_t{sectionCount} * 40 > size) return {};
  sections.reserve(sectionCount);
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const uint64_t at = sectionTable + uint64_t{i} * 40;
    TSection s;
    if (!Read32(w, at + 12, s.VirtualAddress) || !Read32(w, at + 16, s.RawSize) ||
        !Read32(w, at + 20, s.RawPointer))
      return {};
    sections.push_back(s);
  }
  const TAddressMap map(headerSize, std::move(sections));

  // The export directory: the count of names at 24, the table of their addresses at 32.
  const auto directory = map.Offset(exportRva);
  uint32_t nameCount, nameTableRva;
  if (!directory || !Read32(w, *directory + 24, nameCount) ||
      !Read32(w, *directory + 32, nameTableRva))
    return {};
  if (nameCount == 0) return found;
  const auto nameTable = map.Offset(nameTableRva);
  if (!nameTable || *nameTable >= size) return {};
  // Four bytes per entry, all inside the file: a damaged count cannot make the scan outgrow it.
  const uint64_t entries = std::min<uint64_t>(nameCount, (size - *nameTable) / 4);

  // The names are in ascending byte order, and the system's loader finds one by binary search;
  // so does this, which also keeps a damaged table down to a few dozen reads per name.
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::string_view name = names[k];
    std::vector<char> text(name.size() + 1);
    uint64_t low = 0, high = entries;
    while (low < high) {
      const uint64_t mid = low + (high - low) / 2;
      uint32_t nameRva;
      if (!Read32(w, *nameTable + mid * 4, nameRva)) break;
      const auto at = map.Offset(nameRva);
      if (!at) break;
      const std::size_t got = w.ReadUpTo(*at, text.data(), text.size());
      // Compare as C strings, up to the first difference or the end of either name.
      int order = 0;
      std::size_t i = 0;
      for (; i < got; ++i) {
        const unsigned char a = text[i], b = i < name.size() ? name[i] : 0;
        if (a != b) {
          order = a < b ? -1 : 1;
          break;
        }
        if (a == 0) break;
      }
      if (i == got) break;  // the name runs into the end of the file
      if (order == 0) {
        found[k] = true;
        break;
      }
      if (order < 0)
        low = mid + 1;
      else
        high = mid;
    }
  }
  return found;
}
