#pragma once
// Which games a folder of the window's tree lists: a small value type so the rule can be tested
// (and timed) without a window.
#include <string>

#include "catalogue/Games.h"

// What a folder of the tree lists. The values are the ones its node keeps in its state index.
enum class TFolderKind { Heading = -1, All = 0, Available = 1, Missing = 2, Year = 3, Company = 4 };

struct TGameFilter {
  using enum TFolderKind;

  TFolderKind Kind = All;
  std::string Text;  // the selected folder's text, compared by Year and Company

  // Exact, case-sensitive comparisons; a heading, or a value outside the kinds, lets nothing
  // through.
  bool Match(const TGame& game) const;
};
