#pragma once
// A "fixdat": a Logiqx XML ROM list (valid against its DTD, rev. 1.5) of exactly the files an audit
// found missing or wrong, per game, which ROM managers take to fetch or rebuild just those files.
// A game keeps its place in its set (cloneof, romof) and a file that lives in a parent's or a
// BIOS's archive keeps its merge name, so a split-mode manager files it there.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

#include "catalogue/Games.h"

class TFixDat {
 public:
  // `name` goes into the header ("fix_" + the DAT's name, or "fix_ludra"); `source` says what
  // was audited against what.
  TFixDat(std::string_view name, std::string_view source);

  // The game stored at `romPath` with the title `title`, when its note lists missing or wrong
  // files: named as its DAT game, else as its archive without ".zip"; each file with the size
  // and CRC-32 the DAT states. A file the DTD cannot take is left out and counted: one whose size
  // is unknown (without a DAT, every one), one whose name XML cannot hold. A game met a second
  // time (two catalogue entries of one archive) is written once.
  void Add(std::string_view romPath, std::string_view title, const TAuditNote& note);

  std::size_t Games() const { return FGames; }
  std::size_t LeftOut() const { return FNoSize + FBadName; }
  // The whole document; its header's comment says what was left out.
  std::string Text() const;

 private:
  std::string FName, FSource, FGamesText;
  std::unordered_set<std::string> FNames;
  std::size_t FGames = 0, FNoSize = 0, FBadName = 0;
};
