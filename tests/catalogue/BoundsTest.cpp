// Absurd inputs from the user's disk: each is answered in bounded memory, with an error that
// names the file or with what the file really holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>

#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "catalogue/UZipList.h"
#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"

namespace {

// A file of `size` bytes that takes no disk space: a hole, with `tail` written at its end.
void WriteSparse(const std::string& path, off_t size, const std::string& tail = "") {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, size), 0);
  if (!tail.empty()) {
    ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), size - static_cast<off_t>(tail.size())),
              static_cast<ssize_t>(tail.size()));
  }
  close(fd);
}

template <class E, class F>
void ExpectErrorNaming(const std::string& path, F&& call) {
  try {
    call();
    ADD_FAILURE() << "no error for " << path;
  } catch (const E& e) {
    EXPECT_EQ(e.FileName, path);
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

void Put16At(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32At(std::string& s, size_t at, uint32_t v) {
  Put16At(s, at, v & 0xFFFF);
  Put16At(s, at + 2, v >> 16);
}
void Put64At(std::string& s, size_t at, uint64_t v) {
  Put32At(s, at, static_cast<uint32_t>(v));
  Put32At(s, at + 4, static_cast<uint32_t>(v >> 32));
}

TZipMember Member(const std::string& name) {
  TZipMember m;
  m.Name = name;
  return m;
}

}  // namespace

// ---- List file: size and lines ---------------------------------------------------------------

TEST(ListFileBounds, FileBeyond64MiBIsRefusedWithoutReadingIt) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  WriteSparse(path, (64 << 20) + 1, "[Rom1]\nGame=Late\n");
  const long before = PeakRssKiB();
  ExpectErrorNaming<EFOpenError>(path, [&] { TIniFile::Load(path); });
  ExpectErrorNaming<EFOpenError>(path, [&] { TListFile list(path); });
  TGameList games;
  std::string romDir;
  ExpectErrorNaming<EFOpenError>(path, [&] { LoadGames({dir.Path(), dir.Path()}, games, romDir); });
  EXPECT_LT(PeakRssKiB() - before, 16 * kMiB);
}

TEST(ListFileBounds, TenMillionCharacterLineIsCutOnReadAndKeptOnWrite) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  const std::string huge(10'000'000, 'a');
  WriteFileBytes(path, "[Rom1]\r\nGame=" + huge + "\r\nCountry=Japan\r\n");
  const long before = PeakRssKiB();
  {
    TListFileChange change(path);
    EXPECT_EQ(change.Ini().ReadString("Rom1", "Game", ""), std::string(2047, 'a'));
    EXPECT_EQ(change.Ini().ReadString("Rom1", "Country", ""), "Japan");
    change.WriteString("Rom1", "Country", "USA");
    change.Commit();
  }
  // The line is the user's: a write elsewhere keeps every byte of it.
  EXPECT_EQ(ReadFileBytes(path), "[Rom1]\r\nGame=" + huge + "\r\nCountry=USA\r\n");
  // A handful of copies of the text while a write is under way, nothing per character.
  EXPECT_LT(PeakRssKiB() - before, 256 * kMiB);
}

// The index costs at most 16 bytes a line, and only for section heads and keys, so any file
// within the size limit loads in bounded memory, whatever its lines.
TEST(ListFileBounds, ALineCostsAtMost16BytesOfIndex) {
  TTempDir dir;
  const std::string path = dir / "ludra.ini";
  // Blank lines cost nothing: 32 Mi of them take the text's own memory.
  WriteFileBytes(path, std::string(32 << 20, '\n'));
  const long blank = PeakRssKiB();
  EXPECT_FALSE(TListFile(path).Ini().SectionExists(""));
  EXPECT_LT(PeakRssKiB() - blank, 48 * kMiB);

  // Section heads are the costliest line there is: 4 Mi of them in 8 MiB.
  std::string text;
  text.reserve(8 << 20);
  for (int i = 0; i < (4 << 20); ++i) text += "[\n";
  WriteFileBytes(path, text);
  text = std::string();
  const long before = PeakRssKiB();
  EXPECT_TRUE(TIniFile::Load(path).SectionExists(""));
  EXPECT_LT(PeakRssKiB() - before, (8 + 4 * 16 + 24) * kMiB);
}

TEST(ListFileBounds, AHundredThousandGamesLoad) {
  TTempDir dir;
  std::string text = "[General]\r\nPath=Roms\\\r\n";
  for (int n = 1; n <= 100'000; ++n)
    text += "[Rom" + std::to_string(n) +
            "]\r\nGame=G\r\nCountry=J\r\nCompany=C\r\nSystem=S\r\nYear=1997\r\n"
            "Romname=g.zip\r\nFiles=a\r\nSound=1\r\n\r\n";
  WriteFileBytes(dir / "ludra.ini", text);
  const TListFile list(dir / "ludra.ini");
  EXPECT_EQ(list.Ini().SectionCount(), 100'001u);
  EXPECT_EQ(list.ReadString("Rom100000", "Year", ""), "1997");
}

// ---- Archives: claims the file does not hold -------------------------------------------------

TEST(ZipBounds, EndRecordClaimingMillionsOfEntriesYieldsTheMembersThere) {
  TTempDir dir;
  std::string bytes = BuildZip({Member("a"), Member("b")});
  const size_t end = bytes.size() - 22;
  Put16At(bytes, end + 8, 0xFFFF);       // entries on this disk
  Put16At(bytes, end + 10, 0xFFFF);      // entries in all
  Put32At(bytes, end + 12, 0xFFFFFFF0);  // directory size
  WriteFileBytes(dir / "a.zip", bytes);
  EXPECT_EQ(TZip(dir / "a.zip").Count(), 2);

  // The ZIP64 record claims 2^40 entries in a directory of 2^62 bytes.
  bytes = BuildZip({Member("a"), Member("b"), Member("c")}, "", /*zip64=*/true);
  const size_t zip64 = bytes.size() - 22 - 20 - 56;
  Put64At(bytes, zip64 + 24, uint64_t{1} << 40);
  Put64At(bytes, zip64 + 32, uint64_t{1} << 40);
  Put64At(bytes, zip64 + 40, uint64_t{1} << 62);
  WriteFileBytes(dir / "b.zip", bytes);
  const long before = PeakRssKiB();
  EXPECT_EQ(TZip(dir / "b.zip").Count(), 3);
  EXPECT_LT(PeakRssKiB() - before, 16 * kMiB);
}

TEST(ZipBounds, DirectoryOffsetBeyondTheFileYieldsNoMembers) {
  TTempDir dir;
  std::string bytes = BuildZip({Member("a")});
  Put32At(bytes, bytes.size() - 22 + 16, 0xFFFFFFF0);
  WriteFileBytes(dir / "a.zip", bytes);
  EXPECT_EQ(TZip(dir / "a.zip").Count(), 0);

  for (uint64_t offset : {uint64_t{1} << 63, ~uint64_t{0}, uint64_t{0xFFFFFFFF}}) {
    bytes = BuildZip({Member("a")}, "", /*zip64=*/true);
    Put64At(bytes, bytes.size() - 22 - 20 - 56 + 48, offset);
    WriteFileBytes(dir / "b.zip", bytes);
    EXPECT_EQ(TZip(dir / "b.zip").Count(), 0) << offset;
  }
}

TEST(ZipBounds, FourGigabyteArchiveClaimingAWholeFileDirectoryReadsOneWindow) {
  TTempDir dir;
  // A hole of 4 GiB, then an end record whose directory starts at 0 and fills the file.
  std::string end = BuildZip({});
  Put32At(end, 12, 0xFFFFFFF0);
  Put32At(end, 16, 0);
  WriteSparse(dir / "big.zip", off_t{4} << 30, end);
  const long before = PeakRssKiB();
  EXPECT_EQ(TZip(dir / "big.zip").Count(), 0);
  // The reader's largest window is 64 MiB, whatever the record claims.
  EXPECT_LT(PeakRssKiB() - before, 96 * kMiB);
}

TEST(ZipBounds, AuditOfA256MiBDirectoryStaysUnder64MiBAndFindsTheLastName) {
  TTempDir dir;
  MakeDirs(dir / "Roms");
  // A directory-only archive: 256 MiB of central headers (no member data); only the very last
  // member is an expected name, so the audit walks the whole directory.
  std::string entry(46, '\0');
  Put32At(entry, 0, 0x02014B50);
  Put16At(entry, 28, 10);
  entry += "member.bin";
  std::string block;
  for (int i = 0; i < 16384; ++i) block += entry;  // 917,504 bytes
  const int fd = open((dir / "Roms/big.zip").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  uint64_t written = 0;
  for (int i = 0; i < 293; ++i) {
    ASSERT_EQ(write(fd, block.data(), block.size()), static_cast<ssize_t>(block.size()));
    written += block.size();
  }
  std::string last = entry;
  last.replace(46, 10, "wanted.bin");
  std::string end = BuildZip({});
  Put32At(end, 12, static_cast<uint32_t>(written + last.size()));
  Put32At(end, 16, 0);
  ASSERT_EQ(write(fd, (last + end).data(), last.size() + end.size()),
            static_cast<ssize_t>(last.size() + end.size()));
  close(fd);
  ASSERT_GT(written, uint64_t{256} << 20);
  const TIniFile list(
      "[General]\r\nPath=Roms\\\r\n[Rom1]\r\nGame=Big\r\nRomname=big.zip\r\nFiles=wanted.bin\r\n");

  TGameList games;
  std::string romDir;
  const long before = PeakRssKiB();
  LoadGamesFrom(list, dir.Path(), games, romDir);
  EXPECT_LT(PeakRssKiB() - before, 64 * kMiB);
  ASSERT_EQ(games.size(), 1u);
  EXPECT_TRUE(games[0].Available);
}
