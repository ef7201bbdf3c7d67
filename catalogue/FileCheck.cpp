#include "FileCheck.h"

#include "Text.h"

namespace {
// A name after its last "/", "\" or ":", as the archive's members are compared.
std::string_view BaseName(std::string_view name) {
  const std::size_t cut = name.find_last_of("/\\:");
  return cut == std::string_view::npos ? name : name.substr(cut + 1);
}
}  // namespace

void TFileChecker::Begin(std::string_view files, const TDatGame* dat) {
  FEntries.clear();
  FDat = dat;
  if (dat) {
    for (const TDatRom& rom : dat->Roms)
      if (!rom.NoDump) FEntries.push_back({BaseName(rom.Name), rom.Merge, &rom, false, 0, 0});
  } else {
    // Split as the audit splits Files: untrimmed, no empty name after a final comma.
    while (!files.empty()) {
      const std::size_t comma = files.find(',');
      FEntries.push_back({files.substr(0, comma), {}, nullptr, false, 0, 0});
      if (comma == std::string_view::npos) break;
      files.remove_prefix(comma + 1);
    }
  }
  if (FEntries.empty()) return;
  std::size_t size = 16;
  while (size < 2 * FEntries.size()) size *= 2;
  FSlots.assign(size, 0);
  const std::size_t mask = size - 1;
  for (uint32_t i = 0; i < FEntries.size(); ++i) {
    std::size_t slot = HashSlot(FoldedHash(FEntries[i].Name), size);
    while (FSlots[slot] != 0) slot = (slot + 1) & mask;
    FSlots[slot] = i + 1;
  }
}

void TFileChecker::Found(TEntry& e, uint32_t size, uint32_t crc) {
  if (e.Found) return;  // the first member of a name counts
  e.Found = true;
  e.Size = size;
  e.Crc = crc;
}

void TFileChecker::Member(std::string_view name, uint32_t size, uint32_t crc) {
  if (FEntries.empty()) return;
  const std::size_t mask = FSlots.size() - 1;
  // Every listed file of that name (a name listed twice is found twice).
  for (std::size_t slot = HashSlot(FoldedHash(name), FSlots.size());; slot = (slot + 1) & mask) {
    const uint32_t entry = FSlots[slot];
    if (entry == 0) return;
    TEntry& e = FEntries[entry - 1];
    if (AsciiEqualNoCase(e.Name, name)) Found(e, size, crc);
  }
}

std::string_view TFileChecker::ParentToRead() const {
  if (!FDat || FDat->Parent.empty() || AsciiEqualNoCase(FDat->Parent, FDat->Name)) return {};
  for (const TEntry& e : FEntries)
    if (!e.Found && !e.Merge.empty()) return FDat->Parent;
  return {};
}

void TFileChecker::ParentMember(std::string_view name, uint32_t size, uint32_t crc) {
  for (TEntry& e : FEntries)
    if (!e.Found && !e.Merge.empty() && AsciiEqualNoCase(BaseName(e.Merge), name))
      Found(e, size, crc);
}

void TFileChecker::End(TAuditNote& note) const {
  note.Listed = FEntries.size();
  note.Bad.clear();
  for (const TEntry& e : FEntries) {
    TFileCheck check;
    if (e.Rom) {
      const TDatRom& rom = *e.Rom;
      if (e.Found && (!rom.HasSize || rom.Size == e.Size) && (!rom.HasCrc || rom.Crc == e.Crc))
        continue;
      check.Name = rom.Name;
      check.HasSize = rom.HasSize;
      check.HasCrc = rom.HasCrc;
      check.Size = rom.Size;
      check.Crc = rom.Crc;
      if (e.Found) {
        check.Status =
            rom.HasSize && rom.Size != e.Size ? TFileCheck::WrongSize : TFileCheck::WrongCrc;
        check.FoundSize = e.Size;
        check.FoundCrc = e.Crc;
      }
    } else {
      if (e.Found) continue;
      check.Name = e.Name;
    }
    note.Bad.push_back(std::move(check));
  }
}
