// The installed program's emulator's folder: how it is recognised, found and remembered.
#include <gtest/gtest.h>

#include "EmulatorFolder.h"
#include "Errors.h"
#include "TestSupport.h"

TEST(EmulatorFolder, AnInstallTreeIsKnownByItsDesktopEntryWhereverItLies) {
  TTempDir dir;
  MakeDirs(dir / "usr/bin");
  EXPECT_FALSE(IsInstalledProgram(dir / "usr/bin/"));
  MakeDirs(dir / "usr/share/applications");
  WriteFileBytes(dir / "usr/share/applications/org.ludra.Ludra.desktop", "[Desktop Entry]\n");
  EXPECT_TRUE(IsInstalledProgram(dir / "usr/bin/"));
  EXPECT_TRUE(IsInstalledProgram(dir / "usr/bin"));
  EXPECT_FALSE(IsInstalledProgram(dir / "usr/"));  // a copy beside "share" is no install
}

TEST(EmulatorFolder, GivenThenWorkingDirectoryWithTheEmulatorThenRemembered) {
  TTempDir dir;
  MakeDirs(dir / "given");
  MakeDirs(dir / "work");
  MakeDirs(dir / "kept");
  const TEmulatorFolder folders(dir / "config/ludra/");

  EXPECT_EQ(folders.Find("", dir / "work/"), std::nullopt);  // nothing known: ask the user
  folders.Remember(dir / "kept/");                           // makes config/ludra on the way
  EXPECT_EQ(folders.Find("", dir / "work/"), dir / "kept/");
  WriteFileBytes(dir / "work/Tavi.EXE", "");  // letter case as copied from the other system
  EXPECT_EQ(folders.Find("", dir / "work/"), dir / "work/");
  EXPECT_EQ(folders.Find("../given", dir / "work/"), dir / "given/");

  // A remembered folder that has gone is as good as none; a given one that is not a folder fails.
  folders.Remember(dir / "gone/");
  EXPECT_EQ(folders.Remembered(), std::nullopt);
  try {
    folders.Find(dir / "work/Tavi.EXE", dir.Path());
    FAIL() << "a file taken as the emulator's folder";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.FileName, dir / "work/Tavi.EXE");
    EXPECT_NE(std::string(e.what()).find("it is not a folder"), std::string::npos) << e.what();
  }
}
