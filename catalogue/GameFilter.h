#pragma once
// Which games a folder of the window's tree lists: a small value type so the rule can be tested
// (and timed) without a window.
#include <string>

#include "Games.h"

struct TGameFilter {
  enum TKind { All = 0, Available = 1, Missing = 2, Year = 3, Company = 4 };

  int Kind = All;
  std::string Text;  // the selected folder's text, compared by Year and Company

  // Exact, case-sensitive comparisons; a kind outside 0..4 lets nothing through.
  bool Match(const TGame& game) const;
};
