// The installed program's emulator's folder: how it is recognised, found and remembered.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/EmulatorFolder.h"
#include "app/Places.h"
#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"

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
  WriteFileBytes(dir / "given/tavi.exe", "MZ");
  WriteFileBytes(dir / "kept/TAVI.EXE", "MZ");
  const TEmulatorFolder folders(dir / "config/ludra/");

  EXPECT_EQ(folders.Find("", dir / "work/"), std::nullopt);  // nothing known: ask the user
  folders.Remember(dir / "kept/");                           // makes config/ludra on the way
  EXPECT_EQ(folders.Find("", dir / "work/"), dir / "kept/");
  WriteFileBytes(dir / "work/Tavi.EXE", "MZ");  // letter case as copied from the other system
  EXPECT_EQ(folders.Find("", dir / "work/"), dir / "work/");
  EXPECT_EQ(folders.Find("../given", dir / "work/"), dir / "given/");

  // A remembered folder that has gone, or lost its emulator, is as good as none, but is known.
  folders.Remember(dir / "gone/");
  EXPECT_EQ(folders.Remembered(), std::nullopt);
  EXPECT_EQ(folders.RememberedPath(), dir / "gone/");
  EXPECT_EQ(NearestFolder(dir / "gone/deeper/"), dir.Path());
  std::filesystem::remove(dir / "kept/TAVI.EXE");
  folders.Remember(dir / "kept/");
  EXPECT_EQ(folders.Find("", dir / "kept/"), std::nullopt);

  // A given one that is not a folder, or holds no emulator, fails and names it.
  for (const std::string& given : {dir / "work/Tavi.EXE", dir / "kept"}) {
    try {
      folders.Find(given, dir.Path());
      FAIL() << given << " taken as the emulator's folder";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.FileName, given);
      EXPECT_NE(std::string(e.what()).find(given == dir / "kept" ? "it does not hold tavi.exe"
                                                                 : "it is not a folder"),
                std::string::npos)
          << e.what();
    }
  }

  // A tavi.exe of nothing, or one that cannot be read, is no emulator: named as the reason.
  MakeDirs(dir / "empty");
  MakeDirs(dir / "unreadable");
  WriteFileBytes(dir / "empty/tavi.exe", "");
  ASSERT_EQ(::symlink("/proc/sys/vm/drop_caches", (dir / "unreadable/tavi.exe").c_str()), 0);
  for (const auto& [given, reason] :
       {std::pair{dir / "empty", "\"" + dir / "empty/tavi.exe\" is empty"},
        std::pair{dir / "unreadable", "\"" + dir / "unreadable/tavi.exe\" cannot be read"}}) {
    EXPECT_FALSE(HoldsEmulator(given));
    try {
      folders.Find(given, dir.Path());
      FAIL() << given << " taken as the emulator's folder";
    } catch (const EFOpenError& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
}
