#include <gtest/gtest.h>

#include "catalogue/GameFilter.h"

namespace {
TGame Game(const std::string& company, const std::string& year, bool available) {
  TGame g;
  g.Game = "Title";
  g.Company = company;
  g.Year = year;
  g.Available = available;
  return g;
}

bool Passes(TFolderKind kind, const std::string& text, const TGame& game) {
  TGameFilter filter;
  filter.Kind = kind;
  filter.Text = text;
  return filter.Match(game);
}
}  // namespace

TEST(GameFilter, KindsSelectAllAvailableAndMissing) {
  const TGame here = Game("Capcom", "1997", true);
  const TGame gone = Game("Capcom", "1997", false);
  EXPECT_TRUE(Passes(TGameFilter::All, "", here));
  EXPECT_TRUE(Passes(TGameFilter::All, "", gone));
  EXPECT_TRUE(Passes(TGameFilter::Available, "", here));
  EXPECT_FALSE(Passes(TGameFilter::Available, "", gone));
  EXPECT_FALSE(Passes(TGameFilter::Missing, "", here));
  EXPECT_TRUE(Passes(TGameFilter::Missing, "", gone));
}

TEST(GameFilter, YearAndCompanyCompareExactlyAndWithCase) {
  const TGame g = Game("Arika / Capcom", "1997", false);
  EXPECT_TRUE(Passes(TGameFilter::Year, "1997", g));
  EXPECT_FALSE(Passes(TGameFilter::Year, "1997 ", g));
  EXPECT_FALSE(Passes(TGameFilter::Year, "97", g));
  EXPECT_TRUE(Passes(TGameFilter::Company, "Arika / Capcom", g));
  EXPECT_FALSE(Passes(TGameFilter::Company, "arika / capcom", g));
  EXPECT_FALSE(Passes(TGameFilter::Company, "Capcom", g));
  // The text of one kind is never compared with the other field.
  EXPECT_FALSE(Passes(TGameFilter::Company, "1997", g));
  // An empty company is a company of its own.
  EXPECT_TRUE(Passes(TGameFilter::Company, "", Game("", "1997", true)));
}

TEST(GameFilter, UnknownKindLetsNothingThrough) {
  const TGame g = Game("Capcom", "1997", true);
  EXPECT_FALSE(Passes(static_cast<TFolderKind>(5), "Capcom", g));
  EXPECT_FALSE(Passes(TFolderKind::Heading, "", g));
}
