// Inputs found by fuzzing that once broke a rule; each stays here so the fault cannot return.
#include <gtest/gtest.h>

#include "IniFile.h"

// ---- A list file whose last line ends in a lone CR -------------------------------------------
// Text added after such a line used to get a whole CR LF of its own, so the line read back with a
// CR in its value, or with no line break at all, swallowing the text added.

TEST(FuzzFindings, NewSectionAfterAFinalLoneCrKeepsTheLastValue) {
  TIniFile ini("[Rom25]\r\nSound=0\r");
  ini.WriteString("Rom32", "Files", ";c");
  EXPECT_EQ(ini.ReadString("Rom25", "Sound", "?"), "0");
  EXPECT_EQ(ini.ReadString("Rom32", "Files", "?"), ";c");
  EXPECT_EQ(ini.Text(), "[Rom25]\r\nSound=0\r\n[Rom32]\r\nFiles=;c\r\n");
}

TEST(FuzzFindings, NewKeyAfterAFinalLoneCrIsALineOfItsOwn) {
  TIniFile ini("[S]\nA=1\r");
  ini.WriteString("S", "B", "2");
  EXPECT_EQ(ini.ReadString("S", "A", "?"), "1");
  EXPECT_EQ(ini.ReadString("S", "B", "?"), "2");
  EXPECT_EQ(ini.Text(), "[S]\nA=1\r\nB=2\n");
}
