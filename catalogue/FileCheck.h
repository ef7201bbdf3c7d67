#pragma once
// Every file listed for a game accounted for: the names of its Files value, or with a ROM list
// (a DAT) the roms of its game, checked against the sizes and CRC-32s of the archive's directory.
// One checker serves game after game on one reading thread; its tables are reused.
//
// A DAT's roms are matched by their whole path inside the archive ("disc1/data.bin"; "\" and "/"
// alike), a Files name by the member's name after its last separator, as the audit matches it.
// Letter case is ignored (ASCII letters). The first member of a name counts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Dat.h"
#include "catalogue/Games.h"
#include "fileio/FoldedIndex.h"

struct TZipEntry;

class TFileChecker {
 public:
  // Starts a game: its DAT game when there is one, else the names of `files` ("a,b", split as
  // the audit splits it).
  void Begin(std::string_view files, const TDatGame* dat);
  bool Active() const { return !FEntries.empty(); }
  const TDatGame* Game() const { return FDat; }

  // A member of the game's archive; `fileName` is its name after the last separator.
  void Member(const TZipEntry& entry, std::string_view fileName, std::string& scratch);

  // Files that live in a parent's or a BIOS's archive (a split set) and were not in the game's
  // own: the archives of the chain are read in turn, each member offered to ParentMember, until
  // none is left to find.
  bool WantsParents() const;
  void ParentMember(const TZipEntry& entry, std::string& scratch);
  // The archive `archive` of the chain could not be read (`gone`: it is not there), or the chain
  // itself is broken (`archive` empty); `why` says so. The first trouble is kept: what is then
  // not found is "not readable" for that reason rather than missing.
  void ParentTrouble(const std::string& archive, const TMessage& why, bool gone);

  // The listed files' count and the missing, wrong or unchecked ones, into `note`.
  void End(TAuditNote& note) const;

 private:
  struct TEntry {
    std::string_view Name;   // the whole path ("/"), or a Files name
    std::string_view Merge;  // the whole path in the parent's archive
    const TDatRom* Rom;      // nullptr without a DAT
    bool Found = false, SizeKnown = false;
    uint64_t Size = 0;  // as found
    uint32_t Crc = 0;
  };
  void Found(uint32_t first, const TZipEntry& entry);
  std::vector<TEntry> FEntries;
  std::string FPaths;  // the DAT's names that held a "\", with "/"
  TFoldedIndex FIndex;
  std::vector<char> FGroupDone;  // per first entry of a name: a member of it was seen
  // The merged files still to find in the parents, indexed by their merge names.
  std::vector<uint32_t> FMerged;
  TFoldedIndex FMergeIndex;
  std::vector<char> FMergeDone;
  std::size_t FMergeLeft = 0;  // of them, not found yet
  bool FMergeBuilt = false;
  std::string FTroubleArchive;
  TMessage FTroubleWhy;
  bool FTrouble = false, FTroubleGone = false;
  const TDatGame* FDat = nullptr;
};
