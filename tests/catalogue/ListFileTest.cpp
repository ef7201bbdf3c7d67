#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "Errors.h"
#include "ListFile.h"
#include "TestSupport.h"

namespace {
std::string Crlf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}
}  // namespace

// ---- Reading: names, values, first match wins ----

TEST(IniRead, NamesIgnoreCaseAndTheFirstSectionAndKeyWin) {
  const TIniFile ini(
      "[Rom1]\ngame=Lower\nGAME=Second\n[ROM1]\nCountry=Ignored\n[rom2]\n  Game  =  Spaced Out  "
      "\n");
  EXPECT_EQ(ini.ReadString("Rom1", "Game", "?"), "Lower");
  EXPECT_EQ(ini.ReadString("rom1", "Country", "def"), "def");  // the second [ROM1] is never seen
  EXPECT_EQ(ini.ReadString("Rom2", "game", "?"), "Spaced Out");
  EXPECT_EQ(ini.ReadString("Rom3", "Game", "missing"), "missing");
}

TEST(IniRead, ValuesAreEverythingAfterTheFirstEqualsSign) {
  const TIniFile ini("[S]\nA=x=y\nB=\ncontinuation line\n;C=comment\n D\t=\tq \n");
  EXPECT_EQ(ini.ReadString("S", "A", ""), "x=y");
  EXPECT_EQ(ini.ReadString("S", "B", "def"), "");  // present but empty is not the default
  EXPECT_EQ(ini.ReadString("S", "C", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", "D", ""), "q");
}

TEST(IniRead, KeysBeforeAnySectionBelongToNone) {
  const TIniFile ini("Game=Orphan\n[S]\nGame=Owned\n");
  EXPECT_EQ(ini.ReadString("S", "Game", ""), "Owned");
  EXPECT_EQ(ini.ReadString("", "Game", "def"), "def");
}

TEST(IniRead, LongValuesAreCutAt2047Characters) {
  const std::string longValue(3000, 'a');
  const TIniFile ini("[S]\nK=" + longValue + "\nU=" + std::string(2046, 'b') +
                     "\xC3\xA9\xC3\xA9\n");
  EXPECT_EQ(ini.ReadString("S", "K", "").size(), 2047u);
  // A cut never splits a character in two.
  EXPECT_EQ(ini.ReadString("S", "U", ""), std::string(2046, 'b') + "\xC3\xA9");
}

TEST(IniRead, TextThatIsNotUtf8IsTakenAsWindows1252) {
  const TIniFile ini("[S]\nA=Caf\xE9 \x80\nB=Caf\xC3\xA9\n");
  EXPECT_EQ(ini.ReadString("S", "A", ""), "Caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(ini.ReadString("S", "B", ""), "Caf\xC3\xA9");
}

TEST(IniRead, IntegersInEveryAcceptedForm) {
  const TIniFile ini(
      "[S]\ndec=42\nneg=-17\nplus=+5\nsp=   7\ndollar=$1F\nhex=0x1f\nhex2=0X10\nx=x0A\nx2=XfF\n"
      "all=$FFFFFFFF\ntrail=12abc\nhexsign=-0x1\nbig=2147483648\nmin=-2147483648\nempty=\n"
      "bad=$\nwide=$100000000\n");
  auto read = [&](const char* key) { return ini.ReadInteger("S", key, -999); };
  EXPECT_EQ(read("dec"), 42);
  EXPECT_EQ(read("neg"), -17);
  EXPECT_EQ(read("plus"), 5);
  EXPECT_EQ(read("sp"), 7);
  EXPECT_EQ(read("dollar"), 31);
  EXPECT_EQ(read("hex"), 31);
  EXPECT_EQ(read("hex2"), 16);
  EXPECT_EQ(read("x"), 10);
  EXPECT_EQ(read("x2"), 255);
  EXPECT_EQ(read("all"), -1);
  EXPECT_EQ(read("min"), INT32_MIN);
  for (const char* bad : {"trail", "hexsign", "big", "empty", "bad", "wide", "absent"})
    EXPECT_EQ(read(bad), -999) << bad;
}

TEST(IniRead, BooleansAreIntegersThatAreNotZero) {
  const TIniFile ini("[S]\none=1\nzero=0\ntwo=2\nword=yes\n");
  EXPECT_TRUE(ini.ReadBool("S", "one", false));
  EXPECT_FALSE(ini.ReadBool("S", "zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "two", false));
  EXPECT_TRUE(ini.ReadBool("S", "word", true));  // not a number: the default
  EXPECT_FALSE(ini.ReadBool("S", "word", false));
}

// ---- Writing: one line changes, every other byte stays ----

TEST(IniWrite, ReplacesAValueInPlaceKeepingTheRestByteForByte) {
  const std::string before = Crlf("[Rom1]\n  game = Old \nSound=1\n \n[Rom2]\nGame=B\n");
  TIniFile ini(before);
  ini.WriteString("ROM1", "GAME", "New");
  EXPECT_EQ(ini.Text(), Crlf("[Rom1]\n  game =New\nSound=1\n \n[Rom2]\nGame=B\n"));
  ini.WriteInteger("Rom2", "Game", -3);
  EXPECT_EQ(ini.ReadInteger("Rom2", "Game", 0), -3);
}

TEST(IniWrite, AppendsANewKeyAtTheEndOfItsSectionBeforeSeparators) {
  TIniFile ini(Crlf("[Rom1]\nGame=A\ncontinued\n  \n\n[Rom2]\nGame=B"));
  ini.WriteBool("Rom1", "Sound", false);
  ini.WriteString("Rom2", "Year", "1997");  // the last line had no line end
  EXPECT_EQ(ini.Text(),
            Crlf("[Rom1]\nGame=A\ncontinued\nSound=0\n  \n\n[Rom2]\nGame=B\nYear=1997\n"));
}

TEST(IniWrite, AppendsAMissingSectionAtTheEndInTheFilesLineEnds) {
  TIniFile lf("[A]\nk=v");
  lf.WriteString("General", "Path", "D:\\Roms");
  EXPECT_EQ(lf.Text(), "[A]\nk=v\n[General]\nPath=D:\\Roms\n");
  TIniFile empty;
  empty.WriteString("General", "Path", "Roms\\");
  EXPECT_EQ(empty.Text(), "[General]\r\nPath=Roms\\\r\n");
  EXPECT_EQ(empty.ReadString("general", "path", ""), "Roms\\");
}

TEST(IniWrite, ALineBreakInAValueCannotSmuggleInAKey) {
  TIniFile ini("[S]\nA=1\n");
  ini.WriteString("S", "A", "x\r\nB=injected");
  EXPECT_EQ(ini.ReadString("S", "B", "none"), "none");
  EXPECT_EQ(ini.ReadString("S", "A", ""), "x  B=injected");
}

// ---- The default catalogue ----

TEST(DefaultCatalogue, Is261CrlfLinesWithItsSeparatorsAndContinuations) {
  const std::string text(kDefaultCatalogue);
  EXPECT_EQ(text.size(), 5689u);
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  ASSERT_EQ(lines.size(), 261u);
  EXPECT_EQ(lines.front(), "[Rom0]");
  EXPECT_EQ(lines[9], " ");    // after Rom0
  EXPECT_EQ(lines[19], " ");   // after Rom1
  EXPECT_EQ(lines[29], "");    // after Rom2
  EXPECT_EQ(lines[39], "  ");  // after Rom3
  EXPECT_EQ(lines.back(), "Sound=0");
  for (const auto& l : lines) EXPECT_EQ(l.find('\n'), std::string::npos);
}

TEST(DefaultCatalogue, ReadsAsTheCatalogueWithContinuationLinesIgnored) {
  const TIniFile ini{std::string(kDefaultCatalogue)};
  EXPECT_EQ(ini.ReadString("Rom0", "Game", ""), "Street Fighter EX (JP)");
  EXPECT_EQ(ini.ReadString("Rom25", "Game", ""), "Kosodate Quiz My Angel 3 (JP) Ver. A");
  EXPECT_FALSE(ini.SectionExists("Rom26"));
  EXPECT_FALSE(ini.SectionExists("General"));
  const std::string files21 = ini.ReadString("Rom21", "Files", "");
  const std::string files22 = ini.ReadString("Rom22", "Files", "");
  EXPECT_TRUE(files21.ends_with(",te")) << files21;
  EXPECT_TRUE(files22.ends_with(",dc1ro")) << files22;
  EXPECT_EQ(ini.ReadInteger("Rom21", "Sound", 9), 0);
  EXPECT_TRUE(ini.ReadBool("Rom15", "Sound", false));
}

TEST(TrailingBackslash, IsAddedOnlyWhereMissing) {
  EXPECT_EQ(IncludeTrailingBackslash(""), "\\");
  EXPECT_EQ(IncludeTrailingBackslash("Roms"), "Roms\\");
  EXPECT_EQ(IncludeTrailingBackslash("Roms\\"), "Roms\\");
}

// ---- The list file on disk ----

TEST(ListFileDisk, IsCreatedByteForByteAndNeverTouchedOnceThere) {
  TTempDir dir;
  const TPaths paths{dir.Path(), dir.Path()};
  const std::string path = ListFilePath(paths);
  EXPECT_EQ(path, dir / "ludra.ini");
  EnsureListFile(path);
  EXPECT_EQ(ReadFileBytes(path), std::string(kDefaultCatalogue));
  WriteFileBytes(path, "[General]\nPath=mine\n");
  EnsureListFile(path);
  EXPECT_EQ(ReadFileBytes(path), "[General]\nPath=mine\n");
}

TEST(ListFileDisk, EachWriteReachesTheFileAndReadsComeFromOneParse) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  TListFile list(path);
  list.WriteString("Rom3", "CutOff", "11025");
  list.WriteString("General", "Path", "Roms\\");
  EXPECT_EQ(TListFile(path).ReadString("Rom3", "CutOff", ""), "11025");
  EXPECT_EQ(list.ReadString("general", "PATH", ""), "Roms\\");
  const std::string text = ReadFileBytes(path);
  EXPECT_TRUE(text.ends_with("[General]\r\nPath=Roms\\\r\n"));
  EXPECT_NE(text.find("Sound=1\r\nCutOff=11025\r\n  \r\n[Rom4]"), std::string::npos);
  // Nothing is left beside the file.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(ListFileDisk, AFailedWriteNamesTheFileAndKeepsWhatWasWritten) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  TListFile list(path);
  list.WriteString("Rom1", "CutOff", "1");
  chmod(path.c_str(), 0444);  // read-only, for root as well
  try {
    list.WriteString("Rom1", "CBuffer", "2");
    FAIL() << "a read-only list file was written";
  } catch (const EFileError& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  const TListFile reread(path);
  EXPECT_EQ(reread.ReadString("Rom1", "CutOff", ""), "1");
  EXPECT_EQ(reread.ReadString("Rom1", "CBuffer", "none"), "none");
  EXPECT_EQ(reread.ReadString("Rom25", "Game", ""), "Kosodate Quiz My Angel 3 (JP) Ver. A");
}

TEST(ListFileDisk, ADirectoryInTheWayOrAMissingFolderIsAnErrorNamingTheFile) {
  TTempDir dir;
  const std::string blocked = dir / "ludra.ini";
  MakeDirs(blocked);
  EXPECT_NO_THROW(EnsureListFile(blocked));  // something is there: it is not replaced
  try {
    TListFile list(blocked);
    FAIL() << "a directory was read as the list file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(blocked), std::string::npos);
  }
  const std::string nowhere = dir / "missing/ludra.ini";
  try {
    EnsureListFile(nowhere);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find(nowhere), std::string::npos);
  }
  TListFile absent(nowhere);  // reads as empty
  EXPECT_THROW(absent.WriteString("General", "Path", "x"), EFCreateError);
}

TEST(ListFileDisk, WritesGoThroughASymbolicLinkAndKeepTheFilesMode) {
  TTempDir dir;
  const std::string real = dir / "real.ini";
  WriteFileBytes(real, "[General]\r\nPath=a\r\n");
  chmod(real.c_str(), 0640);
  const std::string link = dir / "ludra.ini";
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  TListFile(link).WriteString("General", "Path", "b");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(real), "[General]\r\nPath=b\r\n");
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A writer killed at any moment leaves a whole, parseable file: every section still there and
// each key holding its old or its new value.
TEST(ListFileDisk, SurvivesBeingKilledInTheMiddleOfWrites) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  std::mt19937 random(12345);
  for (int round = 0; round < 60; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TListFile list(path);
      for (int i = 0;; ++i) {
        list.WriteString("Rom" + std::to_string(1 + i % 25), "CutOff", std::to_string(i));
        list.WriteString("General", "Path", i % 2 ? "Odd\\" : "Even\\");
      }
    }
    usleep(std::uniform_int_distribution<int>(0, 30000)(random));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const TListFile list(path);
    for (int n = 0; n <= 25; ++n)
      ASSERT_TRUE(list.Ini().SectionExists("Rom" + std::to_string(n))) << "round " << round;
    const std::string romPath = list.ReadString("General", "Path", "Roms\\");
    ASSERT_TRUE(romPath == "Odd\\" || romPath == "Even\\" || romPath == "Roms\\") << romPath;
    ASSERT_EQ(list.ReadString("Rom25", "Files", ""),
              "kqt1vera.1j,kqt1vera.1l,kqt1pr0l.bin,kqt1pr0u.bin,kqt1pr1l.bin,kqt1pr1u.bin");
  }
}
