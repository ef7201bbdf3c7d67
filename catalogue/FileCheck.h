#pragma once
// Every file listed for a game accounted for: the names of its Files value, or with a ROM list
// (a DAT) the roms of its game, checked against the sizes and CRC-32s of the archive's directory.
// One checker serves game after game on one reading thread; its tables are reused.
#include <cstdint>
#include <string_view>
#include <vector>

#include "Dat.h"
#include "FoldedIndex.h"
#include "Games.h"

class TFileChecker {
 public:
  // Starts a game: its DAT game when there is one, else the names of `files` ("a,b", split as
  // the audit splits it).
  void Begin(std::string_view files, const TDatGame* dat);
  bool Active() const { return !FEntries.empty(); }

  // A member of the game's archive.
  void Member(std::string_view name, uint32_t size, uint32_t crc);
  // The parent's archive to look in, for merged files not in the game's own (empty: none).
  std::string_view ParentToRead() const;
  void ParentMember(std::string_view name, uint32_t size, uint32_t crc);

  // The listed files' count and the missing or wrong ones, into `note`.
  void End(TAuditNote& note) const;

 private:
  struct TEntry {
    std::string_view Name;   // compared with a member's name after its last separator
    std::string_view Merge;  // the name in the parent's archive
    const TDatRom* Rom;      // nullptr without a DAT
    bool Found;
    uint32_t Size, Crc;  // as found
  };
  void Found(TEntry& e, uint32_t size, uint32_t crc);
  std::vector<TEntry> FEntries;
  TFoldedIndex FIndex;           // of the entries' names
  std::vector<char> FGroupDone;  // per first entry of a name: a member of it was seen
  const TDatGame* FDat = nullptr;
};
