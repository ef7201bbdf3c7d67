// Inputs found by fuzzing that once broke a rule; each stays here so the fault cannot return.
#include <gtest/gtest.h>

#include "catalogue/IniFile.h"
#include "catalogue/IniPatch.h"

// ---- A list file whose last line ends in a lone CR -------------------------------------------
// Text added after such a line used to get a whole CR LF of its own, so the line read back with a
// CR in its value, or with no line break at all, swallowing the text added.

TEST(FuzzFindings, NewSectionAfterAFinalLoneCrKeepsTheLastValue) {
  const std::string text = ApplyIniChanges("[Rom25]\r\nSound=0\r", {{"Rom32", "Files", ";c"}});
  const TIniFile ini(text);
  EXPECT_EQ(ini.ReadString("Rom25", "Sound", "?"), "0");
  EXPECT_EQ(ini.ReadString("Rom32", "Files", "?"), ";c");
  EXPECT_EQ(text, "[Rom25]\r\nSound=0\r\n[Rom32]\r\nFiles=;c\r\n");
}

TEST(FuzzFindings, NewKeyAfterAFinalLoneCrIsALineOfItsOwn) {
  const std::string text = ApplyIniChanges("[S]\nA=1\r", {{"S", "B", "2"}});
  const TIniFile ini(text);
  EXPECT_EQ(ini.ReadString("S", "A", "?"), "1");
  EXPECT_EQ(ini.ReadString("S", "B", "?"), "2");
  EXPECT_EQ(text, "[S]\nA=1\r\nB=2\n");
}
