#include "catalogue/GameFilter.h"

bool TGameFilter::Match(const TGame& game) const {
  switch (Kind) {
    case All:
      return true;
    case Available:
      return game.Available;
    case Missing:
      return !game.Available;
    case Year:
      return game.Year == Text;
    case Company:
      return game.Company == Text;
    case Heading:
      break;
  }
  return false;
}
