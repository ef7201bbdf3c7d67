#pragma once
// A "fixdat": a Logiqx XML ROM list of exactly the files an audit found missing or wrong, per
// game, which ROM managers take to fetch or rebuild just those files.
#include <cstddef>
#include <string>
#include <string_view>

#include "Games.h"

class TFixDat {
 public:
  // `name` goes into the header ("fix_" + the DAT's name, or "fix_ludra"); `source` says what
  // was audited against what.
  TFixDat(std::string_view name, std::string_view source);

  // The game stored at `romPath` with the title `title`, when its note lists missing or wrong
  // files: named as its DAT game, else as its archive without ".zip"; each file with the size
  // and CRC-32 the DAT states (without a DAT, its name only).
  void Add(std::string_view romPath, std::string_view title, const TAuditNote& note);

  std::size_t Games() const { return FGames; }
  // The whole document.
  std::string Text() const;

 private:
  std::string FText;
  std::size_t FGames = 0;
};
