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
  FIndex.Clear();
  FIndex.Reserve(FEntries.size());
  const auto key = [this](uint32_t i) { return FEntries[i].Name; };
  while (FIndex.Size() < FEntries.size()) FIndex.Add(key);
  FGroupDone.assign(FEntries.size(), 0);
}

void TFileChecker::Found(TEntry& e, uint32_t size, uint32_t crc) {
  if (e.Found) return;  // the first member of a name counts
  e.Found = true;
  e.Size = size;
  e.Crc = crc;
}

void TFileChecker::Member(std::string_view name, uint32_t size, uint32_t crc) {
  if (FEntries.empty()) return;
  // Every listed file of that name takes the first member of it: the walk along the names listed
  // alike is made once, however often the name is listed or stored.
  const uint32_t first = FIndex.Find(name, [this](uint32_t i) { return FEntries[i].Name; });
  if (first == TFoldedIndex::kNone || FGroupDone[first]) return;
  FGroupDone[first] = 1;
  for (uint32_t i = first; i != TFoldedIndex::kNone; i = FIndex.Next(i))
    Found(FEntries[i], size, crc);
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
