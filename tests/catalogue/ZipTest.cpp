#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "catalogue/UZipList.h"
#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"

namespace {

void Put32At(std::string& bytes, size_t pos, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[pos + i] = static_cast<char>(value >> (8 * i));
}

// Offset of the central directory BuildZip writes: each local header is 30 bytes + name + data.
size_t CentralOffset(const std::vector<TZipMember>& members) {
  size_t offset = 0;
  for (const auto& m : members) offset += 30 + m.Name.size() + m.Data.size();
  return offset;
}

// A member with the given fields; the rest as BuildZip's defaults.
TZipMember M(const std::string& name, const std::string& data = "x", const std::string& extra = "",
             const std::string& comment = "", uint16_t flags = 0) {
  TZipMember member;
  member.Name = name;
  member.Data = data;
  member.Extra = extra;
  member.Comment = comment;
  member.Flags = flags;
  return member;
}

std::vector<std::string> Names(const TZip& zip) {
  std::vector<std::string> names;
  for (const auto& item : zip.Items) names.push_back(item.Path + item.FileName);
  return names;
}

class ZipTest : public ::testing::Test {
 protected:
  // Writes `bytes` as an archive and reads its directory.
  TZip Read(const std::string& bytes) {
    WriteFileBytes(Dir / "a.zip", bytes);
    return TZip(Dir / "a.zip");
  }
  TTempDir Dir;
};

// --- End-record search --------------------------------------------------------------------------

TEST_F(ZipTest, CommentOf1002BytesIsTheLongestFound) {
  // The record starts at size - 22 - comment; the search reaches down to size - 1024.
  EXPECT_EQ(Read(BuildZip({M("a")}, std::string(1002, 'c'))).Count(), 1);
  EXPECT_EQ(Read(BuildZip({M("a")}, std::string(1003, 'c'))).Count(), 0);
}

TEST_F(ZipTest, EmptyArchiveOf22BytesHasNoMembers) {
  const std::string empty = BuildZip({});
  ASSERT_EQ(empty.size(), 22u);
  EXPECT_EQ(Read(empty).Count(), 0);
}

TEST_F(ZipTest, FilesWithoutEndRecordHaveNoMembers) {
  EXPECT_EQ(Read("PK\x05").Count(), 0);
  EXPECT_EQ(Read(std::string(23, 'P')).Count(), 0);
  std::string garbage;
  for (int i = 0; i < 3000; ++i) garbage += static_cast<char>("PK\x05\x01\x02"[i % 5]);
  EXPECT_EQ(Read(garbage.substr(0, 1024)).Count(), 0);
  EXPECT_EQ(Read(garbage).Count(), 0);
}

TEST_F(ZipTest, HighestRecordWins) {
  // A record-like sequence in the comment lies above the real one and is taken; its directory
  // offset points at nothing.
  const std::string fake = std::string("PK\x05\x06", 4) + std::string(12, '\0') +
                           std::string("\xF0\xFF\xFF\x00\x00\x00", 6);
  EXPECT_EQ(Read(BuildZip({M("a")}, fake + "tail")).Count(), 0);
  // A signature in the last 21 bytes cannot start a whole record and is never examined.
  EXPECT_EQ(Read(BuildZip({M("a")}, "xxPK\x05\x06")).Count(), 1);
}

TEST_F(ZipTest, MissingFileDirectoryAndFifoHaveNoMembers) {
  EXPECT_EQ(TZip(Dir / "none.zip").Count(), 0);
  EXPECT_EQ(TZip(Dir / "none/a.zip").Count(), 0);
  MakeDirs(Dir / "dir.zip");
  EXPECT_EQ(TZip(Dir / "dir.zip").Count(), 0);
  ASSERT_EQ(mkfifo((Dir / "fifo.zip").c_str(), 0600), 0);
  EXPECT_EQ(TZip(Dir / "fifo.zip").Count(), 0);  // must not wait for a writer
  std::filesystem::create_symlink(Dir / "gone.zip", Dir / "dangling.zip");
  EXPECT_EQ(TZip(Dir / "dangling.zip").Count(), 0);
}

// --- Directory walk -----------------------------------------------------------------------------

TEST_F(ZipTest, SplitsPathAndKeepsStoredFields) {
  const TZip zip = Read(BuildZip({M("roms/sfex/sfe-04a", "12345"), M("top.bin", "")}));
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Items[0].Path, "roms\\sfex\\");
  EXPECT_EQ(zip.Items[0].FileName, "sfe-04a");
  EXPECT_EQ(zip.Items[0].DateTime, 0x5A216000u);
  EXPECT_EQ(zip.Items[0].CompressedSize, 5u);
  EXPECT_EQ(zip.Items[0].Size, 5u);
  EXPECT_EQ(zip.Items[1].Path, "");
  EXPECT_EQ(zip.Items[1].FileName, "top.bin");
  EXPECT_EQ(zip.Items[1].Size, 0u);
}

TEST_F(ZipTest, ExtraFieldsAndCommentsOnEveryMemberAreSkipped) {
  std::vector<TZipMember> members;
  for (int i = 0; i < 5; ++i)
    members.push_back(M("m" + std::to_string(i), "d", std::string(9 + i, 'E'), "comment PK"));
  EXPECT_EQ(Names(Read(BuildZip(members))),
            (std::vector<std::string>{"m0", "m1", "m2", "m3", "m4"}));
}

TEST_F(ZipTest, EntryCountInEndRecordIsNotConsulted) {
  std::string bytes = BuildZip({M("a"), M("b"), M("c")});
  bytes[bytes.size() - 12] = 1;  // total entries
  bytes[bytes.size() - 14] = 1;  // entries on this disk
  EXPECT_EQ(Read(bytes).Count(), 3);
}

TEST_F(ZipTest, DamagedDirectoryKeepsMembersReadBefore) {
  const std::vector<TZipMember> members = {M("a"), M("b"), M("c")};
  const size_t cd = CentralOffset(members), header = 46 + 1;
  const std::string good = BuildZip(members);

  std::string badSignature = good;
  badSignature[cd + 2 * header] = 'X';
  EXPECT_EQ(Names(Read(badSignature)), (std::vector<std::string>{"a", "b"}));

  std::string nameBeyondFile = good;  // name length of the second member
  nameBeyondFile[cd + header + 28] = '\xFF', nameBeyondFile[cd + header + 29] = '\xFF';
  EXPECT_EQ(Names(Read(nameBeyondFile)), (std::vector<std::string>{"a"}));

  std::string extraBeyondFile = good;  // the second member's name is whole, its extra is not
  extraBeyondFile[cd + header + 30] = '\xFF', extraBeyondFile[cd + header + 31] = '\xFF';
  EXPECT_EQ(Names(Read(extraBeyondFile)), (std::vector<std::string>{"a", "b"}));

  std::string cutHeader = good.substr(0, cd + header + 20);  // ends inside the second header
  cutHeader += good.substr(good.size() - 22);
  Put32At(cutHeader, cutHeader.size() - 6, static_cast<uint32_t>(cd));
  EXPECT_EQ(Names(Read(cutHeader)), (std::vector<std::string>{"a"}));
}

TEST_F(ZipTest, DirectoryOffsetOutsideFileYieldsNoMembers) {
  std::string bytes = BuildZip({M("a")});
  for (uint32_t offset : {static_cast<uint32_t>(bytes.size()), 0x7FFFFFFFu, 0xFFFFFFFEu}) {
    Put32At(bytes, bytes.size() - 6, offset);
    EXPECT_EQ(Read(bytes).Count(), 0) << offset;
  }
}

TEST_F(ZipTest, LongNamesAreKeptWholeAndWalkGoesOn) {
  const std::string name300 = "dir/" + std::string(296, 'n');
  const std::string longest(65535, 'L');
  const TZip zip = Read(BuildZip({M(name300), M("after"), M(longest), M("last")}));
  ASSERT_EQ(zip.Count(), 4);
  EXPECT_EQ(zip.Items[0].FileName, std::string(296, 'n'));
  EXPECT_EQ(zip.Items[1].FileName, "after");
  EXPECT_EQ(zip.Items[2].FileName, longest);
  EXPECT_EQ(zip.Items[3].FileName, "last");
}

TEST_F(ZipTest, LargeDirectoryIsReadWholeWhateverItsDeclaredSize) {
  // Many members and big extra fields make the directory span several buffers.
  std::vector<TZipMember> members;
  for (int i = 0; i < 3000; ++i)
    members.push_back(
        M("member" + std::to_string(i), "data", std::string(i % 7 == 0 ? 20000 : 40, 'x')));
  std::string bytes = BuildZip(members, "archive comment");
  const size_t sizeField = bytes.size() - 15 - 10;
  for (uint32_t declared : {0u, 100u, 0xFFFFFFFFu}) {
    Put32At(bytes, sizeField, declared);
    const TZip zip = Read(bytes);
    ASSERT_EQ(zip.Count(), 3000) << declared;
    EXPECT_EQ(zip.Items[2999].FileName, "member2999");
  }
}

// --- Names --------------------------------------------------------------------------------------

TEST_F(ZipTest, NamesAreConvertedFromCodePage437) {
  const TZip zip = Read(BuildZip({M("\x81"
                                    "ber/Stra\xE1"
                                    "e"),
                                  M("\xC9\xCD\xBB"), M("\xC3\xA9")}));
  EXPECT_EQ(Names(zip), (std::vector<std::string>{"über\\Straße", "╔═╗", "├⌐"}));
}

TEST_F(ZipTest, Utf8FlagTakesNameAsUtf8UnlessInvalid) {
  const TZip zip =
      Read(BuildZip({M("caf\xC3\xA9", "x", "", "", 0x0800), M("\x81", "x", "", "", 0x0800),
                     M("\xED\xA0\x80", "x", "", "", 0x0800)}));  // a surrogate
  EXPECT_EQ(Names(zip), (std::vector<std::string>{"café", "ü", "φáÇ"}));
}

TEST_F(ZipTest, SplitsAfterLastBackslashOrColon) {
  const TZip zip = Read(BuildZip({M("c:game.bin"), M("a\\b:c/d"), M("dir/"), M("x:")}));
  ASSERT_EQ(zip.Count(), 4);
  EXPECT_EQ(zip.Items[0].Path, "c:");
  EXPECT_EQ(zip.Items[0].FileName, "game.bin");
  EXPECT_EQ(zip.Items[1].Path, "a\\b:c\\");
  EXPECT_EQ(zip.Items[1].FileName, "d");
  EXPECT_EQ(zip.Items[2].Path, "dir\\");
  EXPECT_EQ(zip.Items[2].FileName, "");
  EXPECT_EQ(zip.Items[3].Path, "x:");
}

TEST_F(ZipTest, NameEndsAtNulByte) {
  EXPECT_EQ(Names(Read(BuildZip({M(std::string("ab\0cd", 5)), M("next")}))),
            (std::vector<std::string>{"ab", "next"}));
}

// --- ZIP64 --------------------------------------------------------------------------------------

TEST_F(ZipTest, Zip64RecordsGiveTheDirectory) {
  EXPECT_EQ(Names(Read(BuildZip({M("a/b"), M("c")}, "", true))),
            (std::vector<std::string>{"a\\b", "c"}));
  // With a long comment the locator lies before the searched tail.
  EXPECT_EQ(Read(BuildZip({M("a")}, std::string(1002, 'c'), true)).Count(), 1);
}

TEST_F(ZipTest, BrokenZip64RecordsYieldNoMembers) {
  const std::vector<TZipMember> members = {M("a")};
  const std::string good = BuildZip(members, "", true);
  const size_t locator = good.size() - 22 - 20, record = locator - 56;

  std::string noLocator = good;
  noLocator[locator] = 'X';
  EXPECT_EQ(Read(noLocator).Count(), 0);

  std::string badRecord = good;
  badRecord[record] = 'X';
  EXPECT_EQ(Read(badRecord).Count(), 0);

  for (uint32_t where :
       {static_cast<uint32_t>(record + 1), static_cast<uint32_t>(good.size()), 0xFFFFFFFFu}) {
    std::string misplaced = good;  // the record would overlap the locator or lie outside
    Put32At(misplaced, locator + 8, where);
    Put32At(misplaced, locator + 12, where == 0xFFFFFFFFu ? where : 0);
    EXPECT_EQ(Read(misplaced).Count(), 0) << where;
  }

  std::string farDirectory = good;  // 64-bit offset past the end
  Put32At(farDirectory, record + 52, 1);
  EXPECT_EQ(Read(farDirectory).Count(), 0);

  // Only the end record itself, no room for a locator before it.
  std::string alone = good.substr(good.size() - 22) + "c";
  alone[alone.size() - 3] = 1;
  EXPECT_EQ(Read(alone).Count(), 0);
}

// --- Archives from the zip tool -----------------------------------------------------------------

TEST_F(ZipTest, ReadsArchivesOfTheZipTool) {
  if (std::system("zip -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip is not installed";
  MakeDirs(Dir / "src/roms/sfex");
  WriteFileBytes(Dir / "src/roms/sfex/sfe-04a", std::string(5000, 'r'));
  WriteFileBytes(Dir / "src/roms/sfex/sfe-05a", "rom");
  WriteFileBytes(Dir / "src/\x81.bin", "oem");  // a DOS-era name byte, stored as it is
  const auto zip = [&](const std::string& options) {
    const std::string command = "cd '" + Dir / "src" + "' && rm -f ../t.zip && LC_ALL=C zip -q " +
                                options + " ../t.zip roms/sfex/sfe-04a roms/sfex/sfe-05a " +
                                "\"$(printf '\\201.bin')\" </dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return TZip(Dir / "t.zip");
  };
  const std::vector<std::string> expected = {"roms\\sfex\\sfe-04a", "roms\\sfex\\sfe-05a", "ü.bin"};

  const TZip plain = zip("-D");  // the tool's extra fields (time stamps, owner) on every member
  EXPECT_EQ(Names(plain), expected);
  ASSERT_EQ(plain.Count(), 3);
  EXPECT_EQ(plain.Items[0].Size, 5000u);
  EXPECT_LT(plain.Items[0].CompressedSize, 5000u);  // deflated

  const TZip zip64 = zip("-D -fz");
  EXPECT_EQ(Names(zip64), expected);
  ASSERT_EQ(zip64.Count(), 3);
  EXPECT_EQ(zip64.Items[0].Size, 0xFFFFFFFFu);  // as stored: the real size is in a ZIP64 field
}

// --- Files that cannot be opened ----------------------------------------------------------------

void ExpectOpenError(const std::string& path, int error) {
  try {
    TZip zip(path);
    ADD_FAILURE() << "no error for " << path;
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.FileName, path);
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(SysErrorMessage(error)), std::string::npos) << e.what();
  }
}

TEST_F(ZipTest, SymlinkLoopRaisesOpenError) {
  std::filesystem::create_symlink(Dir / "loop.zip", Dir / "loop.zip");
  ExpectOpenError(Dir / "loop.zip", ELOOP);
}

// Root opens any file, so a locked archive is read by an unprivileged child.
TEST_F(ZipTest, UnreadableFileRaisesOpenError) {
  WriteFileBytes(Dir / "a.zip", BuildZip({M("a")}));
  chmod(Dir.Path().c_str(), 0755);
  chmod((Dir / "a.zip").c_str(), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    try {
      TZip zip(Dir / "a.zip");
    } catch (const EFOpenError& e) {
      const std::string text = e.what();
      _exit(text.find(Dir / "a.zip") != std::string::npos &&
                    text.find(SysErrorMessage(EACCES)) != std::string::npos
                ? 0
                : 2);
    }
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no error, 2: message lacks file or reason, 3: setuid";
}

}  // namespace
