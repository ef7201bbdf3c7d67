#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <random>
#include <thread>

#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"

namespace {
std::string Crlf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// `body` in a child process run as the unprivileged user "nobody": its exit code, 77 when that
// user cannot reach `dir`, -1 when it did not exit. Only root can become another user.
int AsNobody(const std::string& dir, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(3);
    if (access(dir.c_str(), X_OK) != 0) _exit(77);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

// ---- Reading: names, values, first match wins ----

TEST(IniRead, NamesIgnoreCaseAndTheFirstSectionAndKeyWin) {
  const std::string text =
      "[Rom1]\ngame=Lower\n;Game=Comment\nGAME=Second\n[ROM1]\nCountry=Ignored\n[rom2]\n  Game  =  "
      "Spaced Out  \r\n";
  const TIniFile ini(text);
  EXPECT_EQ(ini.ReadString("Rom1", "Game", "?"), "Lower");
  EXPECT_EQ(ini.ReadString("rom1", "Country", "def"), "def");  // the second [ROM1] is never seen
  EXPECT_EQ(ini.ReadString("Rom2", "game", "?"), "Spaced Out");
  EXPECT_EQ(ini.ReadString("Rom3", "Game", "missing"), "missing");
}

// The audit reads a section's keys in one pass, taking a line that starts with exactly a name and
// its "=" as that key: every rule of single reads still holds.
TEST(IniRead, ASectionReadInOnePassReadsAsSingleReads) {
  const std::string text =
      "[Rom1]\r\n;Game=comment\r\n Year=1994\r\ngame = first\r\nYear=2000\r\nGame=second\r\n"
      "Files\t=a.bin, b.bin \r\nnoequals\r\nCountry=J\xE9p\r\nSound=" +
      std::string(3000, 's') + "\r\n[Rom2]\r\nGame=next";
  const std::string_view names[] = {"Game", "Year", "Files", "Country", "Sound", "Preview"};
  const TIniFile::TKeyNames keys(names, std::size(names));
  const TIniFile ini(text);
  std::string strings[std::size(names)];
  std::string_view views[std::size(names)];
  TIniFile::TValueOut values[std::size(names)];
  for (std::size_t k = 0; k < std::size(names); ++k)
    values[k] = {&strings[k], k % 2 ? &views[k] : nullptr};
  bool found[std::size(names)] = {};
  ASSERT_TRUE(ini.ReadSection("ROM1", keys, values, found));
  for (std::size_t k = 0; k < std::size(names); ++k) {
    const std::string single = ini.ReadString("Rom1", names[k], "<none>");
    EXPECT_EQ(found[k] ? std::string(k % 2 ? views[k] : strings[k]) : "<none>", single) << names[k];
  }
  EXPECT_EQ(strings[0], "first");
  EXPECT_EQ(views[1], "1994");
  EXPECT_FALSE(found[5]);
}

// Names are compared and hashed eight bytes at a time: only the 26 ASCII letters fold, at every
// length and position; their neighbours ("@" and "`", "[" and "{") and bytes above ASCII do not.
TEST(IniRead, OnlyAsciiLettersFoldInNamesOfAnyLength) {
  const std::string alphabet = "@AZ[`az{0 \xC1\xE1\xFF";
  std::mt19937 random(11);
  auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  for (std::size_t length = 0; length <= 20; ++length) {
    for (int trial = 0; trial < 200; ++trial) {
      std::string a(length, ' '), b(length, ' ');
      for (std::size_t i = 0; i < length; ++i) {
        a[i] = alphabet[random() % alphabet.size()];
        b[i] = random() % 4 ? a[i] : alphabet[random() % alphabet.size()];
      }
      bool expected = true;
      for (std::size_t i = 0; i < length; ++i)
        expected = expected && lower(static_cast<unsigned char>(a[i])) ==
                                   lower(static_cast<unsigned char>(b[i]));
      ASSERT_EQ(SameName(a, b), expected) << "[" << a << "] [" << b << "]";
      if (expected) {
        ASSERT_EQ(FoldedHash(a), FoldedHash(b)) << "[" << a << "]";
      }
    }
  }
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
  const std::string after = ApplyIniChanges(before, {{"ROM1", "GAME", "New"}});
  EXPECT_EQ(after, Crlf("[Rom1]\n  game =New\nSound=1\n \n[Rom2]\nGame=B\n"));
  EXPECT_EQ(
      TIniFile(ApplyIniChanges(after, {{"Rom2", "Game", "-3"}})).ReadInteger("Rom2", "Game", 0),
      -3);
}

TEST(IniWrite, AppendsANewKeyAtTheEndOfItsSectionBeforeSeparators) {
  std::string text = Crlf("[Rom1]\nGame=A\ncontinued\n  \n\n[Rom2]\nGame=B");
  text = ApplyIniChanges(text, {{"Rom1", "Sound", "0"}});
  text = ApplyIniChanges(text, {{"Rom2", "Year", "1997"}});  // the last line had no line end
  EXPECT_EQ(text, Crlf("[Rom1]\nGame=A\ncontinued\nSound=0\n  \n\n[Rom2]\nGame=B\nYear=1997\n"));
}

TEST(IniWrite, AppendsAMissingSectionAtTheEndInTheFilesLineEnds) {
  EXPECT_EQ(ApplyIniChanges("[A]\nk=v", {{"General", "Path", "D:\\Roms"}}),
            "[A]\nk=v\n[General]\nPath=D:\\Roms\n");
  const std::string empty = ApplyIniChanges("", {{"General", "Path", "Roms\\"}});
  EXPECT_EQ(empty, "[General]\r\nPath=Roms\\\r\n");
  EXPECT_EQ(TIniFile(empty).ReadString("general", "path", ""), "Roms\\");
}

TEST(IniWrite, ALineBreakInAValueCannotSmuggleInAKey) {
  const TIniFile ini(ApplyIniChanges("[S]\nA=1\n", {{"S", "A", "x\r\nB=injected"}}));
  EXPECT_EQ(ini.ReadString("S", "B", "none"), "none");
  EXPECT_EQ(ini.ReadString("S", "A", ""), "x  B=injected");
}

// Many keys written in one pass give the bytes of the same keys written one at a time, each on
// the text the last one left: new keys in order, a key written twice, new sections, odd line ends.
TEST(IniWrite, ABatchOfWritesGivesTheBytesOfSingleWritesInTurn) {
  const std::vector<TIniChange> changes = {
      {"Rom3", "CutOff", "11025"}, {"Rom3", "Sound", "0"},   {"General", "Path", "D:\\R\\"},
      {"rom3", "NEW", "1"},        {"Rom3", "Other", " x "}, {"Rom9", "A", "1"},
      {"Rom3", "new", "2"},        {"ROM9", "B", "a\r\nb"},  {"Rom10", "C", ""},
      {"Rom9", "a", "3"},          {"General", "Path", "E"}};
  for (const std::string& text : VariedListFiles()) {
    std::string oneByOne = text;
    for (const auto& c : changes) oneByOne = ApplyIniChanges(oneByOne, {c});
    EXPECT_EQ(ApplyIniChanges(text, changes), oneByOne) << text;
  }
}

TEST(IniWrite, AByteOrderMarkIsSkippedOnReadingAndKeptOnWriting) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::string text = bom + "[Rom1]\r\nGame=A\r\n[General]\r\nPath=R\r\n";
  const TIniFile ini(text);
  EXPECT_EQ(ini.ReadString("Rom1", "Game", "?"), "A");
  EXPECT_EQ(ini.ReadString("General", "Path", "?"), "R");
  EXPECT_EQ(ApplyIniChanges(text, {{"Rom1", "Game", "B"}, {"General", "Path", "S"}}),
            bom + "[Rom1]\r\nGame=B\r\n[General]\r\nPath=S\r\n");
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

TEST(ListFileDisk, AChangeIsWrittenOnCommitInOneReplacement) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  {
    TListFileChange change(path);
    change.WriteString("Rom3", "CutOff", "11025");
    change.WriteString("General", "Path", "Roms\\");
    EXPECT_EQ(ReadFileBytes(path), std::string(kDefaultCatalogue));  // nothing before Commit
    change.Commit();
  }
  {
    TListFileChange abandoned(path);
    abandoned.WriteString("Rom3", "CutOff", "1");
  }
  EXPECT_EQ(TListFile(path).ReadString("Rom3", "CutOff", ""), "11025");
  const std::string text = ReadFileBytes(path);
  EXPECT_TRUE(text.ends_with("[General]\r\nPath=Roms\\\r\n"));
  EXPECT_NE(text.find("Sound=1\r\nCutOff=11025\r\n  \r\n[Rom4]"), std::string::npos);
  // Nothing is left beside the file.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(ListFileDisk, AFailedChangeNamesTheFileAndWritesNothing) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  chmod(path.c_str(), 0444);  // read-only, for root as well
  try {
    TListFileChange change(path);
    change.WriteString("Rom1", "CutOff", "1");
    change.Commit();
    FAIL() << "a read-only list file was written";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write \"" + path + "\": the file is read-only.");
  }
  EXPECT_EQ(ReadFileBytes(path), std::string(kDefaultCatalogue));
}

// A file its users may write in a shared folder where they may not make one is saved where it
// lies, with the bytes a replacement writes; a replacement by root keeps the owner and group.
TEST(ListFileDisk, AFileInAFolderThatTakesNoNewFileIsSavedInPlaceAndOwnersAreKept) {
  if (geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
  TTempDir dir;
  chmod(dir.Path().c_str(), 0755);
  const std::string shared = dir / "shared/ludra.ini", replaced = dir / "ludra.ini";
  MakeDirs(dir / "shared");
  for (const std::string& path : {shared, replaced})
    WriteFileBytes(path, std::string(kDefaultCatalogue));
  chmod(shared.c_str(), 0666);
  chmod((dir / "shared").c_str(), 0555);
  ASSERT_EQ(chown(replaced.c_str(), 65534, 65534), 0);
  chmod(replaced.c_str(), 0640);
  struct stat before, after;
  ASSERT_EQ(stat(shared.c_str(), &before), 0);
  auto save = [](const std::string& path, const std::string& cutOff) {
    TListFileChange change(path);
    change.WriteString("Rom3", "CutOff", cutOff);
    change.WriteString("General", "Path", "Roms\\");
    change.Commit();
  };
  for (const std::string cutOff : {"11025", "1"}) {  // longer, then shorter than before
    const int code = AsNobody(dir.Path(), [&] {
      try {
        save(shared, cutOff);
        return 0;
      } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
      }
    });
    if (code == 77) GTEST_SKIP() << "\"nobody\" cannot reach the temporary folder";
    ASSERT_EQ(code, 0);
    save(replaced, cutOff);
    EXPECT_EQ(ReadFileBytes(shared), ReadFileBytes(replaced));
  }
  ASSERT_EQ(stat(shared.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  ASSERT_EQ(stat(replaced.c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, 65534u);
  EXPECT_EQ(after.st_gid, 65534u);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
}

// One change waits for another's lock; a lock held too long fails the change, which writes
// nothing. A lock is per open folder, so this process can stand in for another program.
TEST(ListFileDisk, AChangeWaitsForTheLockAndGivesUpNamingTheFile) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  {
    const TFileLock other(path, std::chrono::milliseconds(0));
    try {
      TListFileChange change(path, TListFileChange::StartEmpty, std::chrono::milliseconds(100));
      FAIL() << "the lock was taken twice";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.FileName, path);
      EXPECT_EQ(std::string(e.what()), "Cannot write \"" + path +
                                           "\": another program has kept it locked for more "
                                           "than 100 ms.");
    }
  }
  EXPECT_EQ(ReadFileBytes(path), std::string(kDefaultCatalogue));
  {
    TListFileChange change(path, TListFileChange::StartEmpty, std::chrono::milliseconds(100));
    change.WriteString("General", "Path", "x");
    change.Commit();
  }
  EXPECT_EQ(TListFile(path).ReadString("General", "Path", ""), "x");
}

// A change written into the file in place (a shared folder's) is read whole or not at all: a
// reader waits for the change's lock, and one that waits too long says so, naming the file.
TEST(ListFileDisk, AReaderWaitsForAChangeWrittenInPlace) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  WriteFileBytes(path, "[Rom1]\r\nGame=Old\r\n");
  const std::string next = "[Rom1]\r\nGame=New\r\n[Rom2]\r\nGame=Also new\r\n";
  std::future<std::string> read;
  {
    const TFileLock saving(path, std::chrono::milliseconds(0));
    WriteFileBytes(path, next.substr(0, 14));  // half of it written, in place
    read = std::async(std::launch::async, [&] {
      const TListFile list(path);
      return list.ReadString("Rom1", "Game", "") + "|" + list.ReadString("Rom2", "Game", "");
    });
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    try {
      const TFileLock reading(path, std::chrono::milliseconds(50), TFileLock::Shared);
      FAIL() << "read while a change was written";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot read \"" + path +
                                           "\": another program has kept it locked for more "
                                           "than 50 ms.");
    }
    WriteFileBytes(path, next);
  }
  EXPECT_EQ(read.get(), "New|Also new");
}

// A reader beside a writer that saves back to back, each save holding the lock for milliseconds,
// gets its turn as a save ends: it is never refused. (Asking now and then, it mostly was.)
TEST(ListFileDisk, AReaderBesideBackToBackSavesIsNeverRefused) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  std::atomic<bool> reading{true};
  std::atomic<int> saves{0};
  auto writer = std::async(std::launch::async, [&] {
    while (reading.load()) {
      const TFileLock saving(path, std::chrono::seconds(5));
      ++saves;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  while (saves.load() == 0) std::this_thread::yield();
  int refused = 0;
  for (int i = 0; i < 100; ++i) {
    try {
      const TFileLock lock(path, std::chrono::milliseconds(500), TFileLock::Shared);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } catch (const EFOpenError&) {
      ++refused;
    }
  }
  reading.store(false);
  writer.get();
  EXPECT_EQ(refused, 0) << "beside " << saves.load() << " saves";
}

TEST(ListFileDisk, WhatIsNoFileIsRefusedNamingItAndNeverWaitedOn) {
  TTempDir dir;
  const std::string blocked = dir / "ludra.ini";
  MakeDirs(blocked);
  try {
    EnsureListFile(blocked);
    FAIL() << "a directory passed as the list file";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create \"" + blocked + "\": it is a directory.");
  }
  EXPECT_THROW(TListFile{blocked}, EFOpenError);
  ASSERT_EQ(rmdir(blocked.c_str()), 0);

  // A named pipe with no writer would hold a blocking open for ever.
  ASSERT_EQ(mkfifo(blocked.c_str(), 0644), 0);
  EXPECT_THROW(EnsureListFile(blocked), EFCreateError);
  try {
    TListFile list(blocked);
    FAIL() << "a named pipe was read as the list file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open \"" + blocked + "\": it is a named pipe, not a file.");
  }
  EXPECT_THROW(TListFileChange{blocked}, EFOpenError);
  const std::string device = dir / "device.ini";
  ASSERT_EQ(symlink("/dev/null", device.c_str()), 0);
  EXPECT_THROW(TListFile{device}, EFOpenError);
  EXPECT_THROW(EnsureListFile(device), EFCreateError);

  const std::string nowhere = dir / "missing/ludra.ini";
  try {
    EnsureListFile(nowhere);
    FAIL();
  } catch (const EFCreateError& e) {
    // One prefix, naming the file.
    EXPECT_EQ(std::string(e.what()),
              "Cannot create \"" + nowhere + "\": No such file or directory.");
  }
  TListFileChange absent(nowhere);  // reads as empty
  absent.WriteString("General", "Path", "x");
  EXPECT_THROW(absent.Commit(), EFCreateError);
}

TEST(ListFileDisk, WritesGoThroughASymbolicLinkAndKeepTheFilesMode) {
  TTempDir dir;
  const std::string real = dir / "real.ini";
  WriteFileBytes(real, "[General]\r\nPath=a\r\n");
  chmod(real.c_str(), 0640);
  const std::string link = dir / "ludra.ini";
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  TListFileChange change(link);
  change.WriteString("General", "Path", "b");
  change.Commit();
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(real), "[General]\r\nPath=b\r\n");
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ListFileDisk, ADanglingLinkGetsTheCatalogueAtItsTargetAndStays) {
  TTempDir dir;
  MakeDirs(dir / "conf");
  const std::string link = dir / "ludra.ini";
  ASSERT_EQ(symlink("conf/mine.ini", link.c_str()), 0);
  EnsureListFile(link);
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFileBytes(dir / "conf/mine.ini"), std::string(kDefaultCatalogue));
}

// A writer killed at any moment leaves a whole, parseable file, holding all of a change or none.
TEST(ListFileDisk, SurvivesBeingKilledInTheMiddleOfChanges) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  EnsureListFile(path);
  std::mt19937 random(12345);
  for (int round = 0; round < 60; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = round * 100000;; ++i) {
        TListFileChange change(path);
        change.WriteString("Rom" + std::to_string(1 + i % 25), "CutOff", std::to_string(i));
        change.WriteString("General", "Path", std::to_string(i));
        change.Commit();
      }
    }
    usleep(std::uniform_int_distribution<int>(0, 30000)(random));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const TListFile list(path);
    for (int n = 0; n <= 25; ++n)
      ASSERT_TRUE(list.Ini().SectionExists("Rom" + std::to_string(n))) << "round " << round;
    const int last = list.ReadInteger("General", "Path", -1);
    if (last >= 0) {
      ASSERT_EQ(list.ReadInteger("Rom" + std::to_string(1 + last % 25), "CutOff", -1), last);
    }
    ASSERT_EQ(list.ReadString("Rom25", "Files", ""),
              "kqt1vera.1j,kqt1vera.1l,kqt1pr0l.bin,kqt1pr0u.bin,kqt1pr1l.bin,kqt1pr1u.bin");
  }
}
