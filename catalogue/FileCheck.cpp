#include "catalogue/FileCheck.h"

#include "catalogue/UZipList.h"
#include "fileio/Text.h"

namespace {
constexpr std::size_t kNoPath = SIZE_MAX;
}  // namespace

void TFileChecker::Begin(std::string_view files, const TDatGame* dat) {
  FEntries.clear();
  FPaths.clear();
  FIndex.Clear();
  FMerged.clear();
  FMergeIndex.Clear();
  FMergeBuilt = false;
  FMergeLeft = 0;
  FTrouble = FTroubleGone = false;
  FTroubleArchive.clear();
  FTroubleWhy = {};
  FDat = dat;
  if (dat) {
    // Names written with "\" are kept with "/" in FPaths; their views are made once it is whole.
    std::vector<std::pair<std::size_t, std::size_t>> moved;  // name's, merge's start in FPaths
    const auto slashed = [this](std::string_view name) {
      if (name.find('\\') == std::string_view::npos) return kNoPath;
      const std::size_t start = FPaths.size();
      for (const char c : name) FPaths += c == '\\' ? '/' : c;
      return start;
    };
    FEntries.reserve(dat->Roms.size());
    for (const TDatRom& rom : dat->Roms) {
      if (rom.NoDump) continue;
      FEntries.push_back({rom.Name, rom.Merge, &rom});
      moved.emplace_back(slashed(rom.Name), slashed(rom.Merge));
    }
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
      TEntry& e = FEntries[i];
      if (moved[i].first != kNoPath)
        e.Name = std::string_view(FPaths).substr(moved[i].first, e.Name.size());
      if (moved[i].second != kNoPath)
        e.Merge = std::string_view(FPaths).substr(moved[i].second, e.Merge.size());
    }
  } else {
    // Split as the audit splits Files: untrimmed, no empty name after a final comma.
    while (!files.empty()) {
      const std::size_t comma = files.find(',');
      FEntries.push_back({files.substr(0, comma), {}, nullptr});
      if (comma == std::string_view::npos) break;
      files.remove_prefix(comma + 1);
    }
  }
  FIndex.Reserve(FEntries.size());
  const auto key = [this](uint32_t i) { return FEntries[i].Name; };
  while (FIndex.Size() < FEntries.size()) FIndex.Add(key);
  FGroupDone.assign(FEntries.size(), 0);
}

void TFileChecker::Found(uint32_t first, const TZipEntry& entry) {
  for (uint32_t i = first; i != TFoldedIndex::kNone; i = FIndex.Next(i)) {
    TEntry& e = FEntries[i];
    e.Found = true;
    e.SizeKnown = entry.FullSizeKnown;
    e.Size = entry.FullSize;
    e.Crc = entry.Crc32;
  }
}

void TFileChecker::Member(const TZipEntry& entry, std::string_view fileName, std::string& scratch) {
  if (FEntries.empty()) return;
  const std::string_view name = FDat ? entry.WholeName(scratch) : fileName;
  const auto key = [this](uint32_t i) { return FEntries[i].Name; };
  uint32_t first = FIndex.Find(name, key);
  if (first == TFoldedIndex::kNone && !FDat) {
    // The list file's rules cut some Files values short (its built-in catalogue ends two in "te"
    // and "dc1ro"): a last name that begins a member's name stands for that member.
    const std::string_view last = FEntries.back().Name;
    if (!last.empty() && name.size() > last.size() &&
        AsciiEqualNoCase(name.substr(0, last.size()), last))
      first = FIndex.Find(last, key);
  }
  // Each listed name takes the first member of its name: the walk along the names listed
  // alike is made once, however often the name is listed or stored.
  if (first == TFoldedIndex::kNone || FGroupDone[first]) return;
  FGroupDone[first] = 1;
  Found(first, entry);
}

bool TFileChecker::WantsParents() const {
  if (!FDat) return false;
  if (FMergeBuilt) return FMergeLeft > 0;
  for (const TEntry& e : FEntries)
    if (!e.Found && !e.Merge.empty()) return true;
  return false;
}

void TFileChecker::ParentMember(const TZipEntry& entry, std::string& scratch) {
  const auto key = [this](uint32_t i) { return FEntries[FMerged[i]].Merge; };
  if (!FMergeBuilt) {
    FMergeBuilt = true;
    for (uint32_t i = 0; i < FEntries.size(); ++i)
      if (!FEntries[i].Found && !FEntries[i].Merge.empty()) {
        FMerged.push_back(i);
        FMergeIndex.Add(key);
      }
    FMergeDone.assign(FMerged.size(), 0);
    FMergeLeft = FMerged.size();
  }
  const uint32_t first = FMergeIndex.Find(entry.WholeName(scratch), key);
  if (first == TFoldedIndex::kNone || FMergeDone[first]) return;
  FMergeDone[first] = 1;
  for (uint32_t i = first; i != TFoldedIndex::kNone; i = FMergeIndex.Next(i)) {
    TEntry& e = FEntries[FMerged[i]];
    --FMergeLeft;
    e.Found = true;
    e.SizeKnown = entry.FullSizeKnown;
    e.Size = entry.FullSize;
    e.Crc = entry.Crc32;
  }
}

void TFileChecker::ParentTrouble(const std::string& archive, const TMessage& why, bool gone) {
  if (FTrouble) return;
  FTrouble = true;
  FTroubleArchive = archive;
  FTroubleWhy = why;
  FTroubleGone = gone;
}

void TFileChecker::End(TAuditNote& note) const {
  note.Listed = FEntries.size();
  note.Bad.clear();
  for (const TEntry& e : FEntries) {
    TFileCheck check;
    if (e.Rom) {
      const TDatRom& rom = *e.Rom;
      check.HasSize = rom.HasSize;
      check.HasCrc = rom.HasCrc;
      check.Size = rom.Size;
      check.Crc = rom.Crc;
      check.BadDump = rom.BadDump;
      check.Merge = rom.Merge;
      if (e.Found) {
        // A bad dump's CRC is that of one bad copy among many: only its size is compared.
        const bool crcTells = rom.HasCrc && !rom.BadDump;
        check.FoundSize = e.Size;
        check.FoundCrc = e.Crc;
        if (rom.HasSize && e.SizeKnown && rom.Size != e.Size) {
          check.Status = TFileCheck::WrongSize;
        } else if (crcTells && rom.Crc != e.Crc) {
          check.Status = TFileCheck::WrongCrc;
        } else if (rom.HasSize && !e.SizeKnown && !crcTells) {
          // A member of 4 GiB or more whose archive does not state its size: nothing to go by.
          check.Status = TFileCheck::NotChecked;
          check.Why = TMessage::Template(
              QT_TRANSLATE_NOOP("Message", "the archive does not state its size"));
        } else {
          continue;
        }
      }
    } else if (e.Found) {
      continue;
    }
    check.Name = e.Rom ? e.Rom->Name : std::string(e.Name);
    if (!e.Found && !e.Merge.empty() && FTrouble) {
      check.Status = TFileCheck::NotReadable;
      check.Archive = FTroubleArchive;
      check.Why = FTroubleWhy;
      check.Gone = FTroubleGone;
    }
    note.Bad.push_back(std::move(check));
  }
}
