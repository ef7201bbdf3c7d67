// ludra-audit as a user runs it: a real process, its output and its exit code.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "tests/common/TestSupport.h"

namespace {
// Runs the tool in `workDir` with stderr folded into the output.
TRun Audit(const std::string& workDir, const std::string& arguments,
           const std::string& tool = LUDRA_AUDIT_TOOL) {
  const std::string command = "cd '" + workDir + "' && '" + tool + "' " + arguments + " 2>&1";
  return RunCommand(command);
}

TZipMember Member(const std::string& name) {
  TZipMember m;
  m.Name = name;
  return m;
}

// A list file of three games: one available, one whose archive holds none of its files, one
// whose archive is missing.
void Lay(const TTempDir& dir) {
  MakeDirs(dir / "Roms");
  WriteFileBytes(dir / "list.ini",
                 "[Rom1]\nGame=Good\nCompany=A\nYear=1996\nRomname=good.zip\nFiles=a,b\n"
                 "[Rom2]\nGame=Wrong \"Files\"\nCompany=B\nYear=1997\nRomname=wrong.zip\n"
                 "Files=x,y\n"
                 "[Rom3]\nGame=Gone\nCompany=A\nYear=1998\nRomname=gone.zip\nFiles=z\n");
  WriteFileBytes(dir / "Roms/GOOD.ZIP", BuildZip({Member("B")}));
  WriteFileBytes(dir / "Roms/wrong.zip", BuildZip({Member("q")}));
}
}  // namespace

TEST(AuditTool, PrintsEachGameTheReasonsAndASummary) {
  TTempDir dir;
  Lay(dir);
  const TRun run = Audit(dir.Path(), "--list list.ini --missing");
  EXPECT_EQ(run.ExitCode, 0) << run.Out;
  EXPECT_NE(run.Out.find("   1  available  Good | A | 1996 | Roms\\good.zip\n"), std::string::npos)
      << run.Out;
  // Paths inside the working directory are shown as typed there.
  EXPECT_NE(
      run.Out.find("        none of the expected files is in Roms/wrong.zip; expected: x, y\n"),
      std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("        archive not found: Roms/gone.zip\n"), std::string::npos);
  EXPECT_NE(run.Out.find("Companies: A; B\n"), std::string::npos);
  // Good's archive lacks one of its files: available, but incomplete.
  EXPECT_NE(run.Out.find("        Roms/GOOD.ZIP lacks 1 of its 2 files: a\n"), std::string::npos);
  EXPECT_NE(run.Out.find("3 games: 1 available, 2 missing, 1 incomplete\n"), std::string::npos);
  // One read at a time gives the same report; a progress line is for terminals only.
  EXPECT_EQ(Audit(dir.Path(), "--list list.ini --missing --reads 1").Out, run.Out);
  EXPECT_EQ(run.Out.find("archives read"), std::string::npos) << run.Out;
  // Without --missing there are no reasons.
  EXPECT_EQ(Audit(dir.Path(), "--list list.ini").Out.find("archive not found"), std::string::npos);
}

TEST(AuditTool, JsonEscapesTextAndCarriesTheSameFacts) {
  TTempDir dir;
  Lay(dir);
  const TRun run = Audit(dir.Path(), "--list list.ini --json --missing");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Out.find("\"title\": \"Wrong \\\"Files\\\"\""), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("\"reason\": \"no-expected-file\""), std::string::npos);
  EXPECT_NE(run.Out.find("\"expected\": [\"x\", \"y\"]"), std::string::npos);
  EXPECT_NE(run.Out.find("\"summary\": {\"games\": 3, \"available\": 1, \"missing\": 2, "
                         "\"incomplete\": 1}"),
            std::string::npos);
}

TEST(AuditTool, BadArgumentsAndUnreadableFilesHaveTheirExitCodes) {
  TTempDir dir;
  Lay(dir);
  const TRun bad = Audit(dir.Path(), "--frobnicate");
  EXPECT_EQ(bad.ExitCode, 2);
  EXPECT_NE(bad.Out.find("usage: ludra-audit"), std::string::npos);
  // The usage lines name every option the help explains.
  const TRun help = Audit(dir.Path(), "--help");
  EXPECT_EQ(help.ExitCode, 0);
  const std::string usage = help.Out.substr(0, help.Out.find("\n  --"));
  for (std::size_t at = help.Out.find("\n  --"); at != std::string::npos;
       at = help.Out.find("\n  --", at + 1)) {
    const std::string option = help.Out.substr(at + 3, help.Out.find(' ', at + 3) - at - 3);
    EXPECT_NE(usage.find(option), std::string::npos) << option << " is not in\n" << usage;
  }
  EXPECT_EQ(Audit(dir.Path(), "--list").ExitCode, 2);
  EXPECT_EQ(Audit(dir.Path(), "--list list.ini --reads 0").ExitCode, 2);

  MakeDirs(dir / "blocked.ini");  // a folder where the list file should be
  const TRun blocked = Audit(dir.Path(), "--list blocked.ini");
  EXPECT_EQ(blocked.ExitCode, 1);
  EXPECT_NE(blocked.Out.find(dir / "blocked.ini"), std::string::npos) << blocked.Out;
}

// Too little memory for the list file: the message names it, in words, not as "std::bad_alloc".
// An address-space limit stands for a small machine; a sanitizer's shadow memory cannot live
// under one.
TEST(AuditTool, RunningOutOfMemoryNamesTheFile) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "no address-space limit under the address sanitizer";
#endif
  TTempDir dir;
  std::string heads;  // 32 MiB of section heads, whose index would take 256 MiB more
  heads.reserve(32u << 20);
  for (int i = 0; i < (16 << 20); ++i) heads += "[\n";
  WriteFileBytes(dir / "big.ini", heads);
  const TRun run = RunCommand("cd '" + dir.Path() + "' && ulimit -v 200000 && '" +
                              LUDRA_AUDIT_TOOL + "' --list big.ini 2>&1");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Out.find("Cannot read \"" + dir / "big.ini" + "\": not enough memory."),
            std::string::npos)
      << run.Out;
}

// An auditor never writes: not at a mistyped --list, not beside itself, not into a named pipe.
TEST(AuditTool, OnlyReadsAndCreatesNothing) {
  TTempDir dir;
  Lay(dir);
  const TRun typo = Audit(dir.Path(), "--list lsit.ini");
  EXPECT_EQ(typo.ExitCode, 1);
  EXPECT_NE(typo.Out.find("Cannot open \"" + dir / "lsit.ini" + "\": No such file or directory."),
            std::string::npos)
      << typo.Out;
  EXPECT_FALSE(std::filesystem::exists(dir / "lsit.ini"));

  ASSERT_EQ(mkfifo((dir / "pipe.ini").c_str(), 0644), 0);
  const TRun pipe = Audit(dir.Path(), "--list pipe.ini");
  EXPECT_EQ(pipe.ExitCode, 1);
  EXPECT_NE(pipe.Out.find(dir / "pipe.ini"), std::string::npos) << pipe.Out;

  // A copy of the tool with no list file beside it audits the built-in catalogue.
  MakeDirs(dir / "bin");
  std::filesystem::copy_file(LUDRA_AUDIT_TOOL, dir / "bin/ludra-audit");
  std::filesystem::permissions(dir / "bin/ludra-audit", std::filesystem::perms::owner_all);
  const TRun builtIn = Audit(dir.Path(), "", dir / "bin/ludra-audit");
  EXPECT_EQ(builtIn.ExitCode, 0) << builtIn.Out;
  EXPECT_NE(builtIn.Out.find("auditing the built-in catalogue"), std::string::npos) << builtIn.Out;
  EXPECT_NE(builtIn.Out.find("25 games: 0 available, 25 missing"), std::string::npos)
      << builtIn.Out;
  EXPECT_FALSE(std::filesystem::exists(dir / "bin/ludra.ini"));
}

// ---- A ROM list (DAT) beside the list file or named with --dat ----

TEST(AuditTool, ChecksAgainstADatWritesAFixdatAndRunsWithoutAMalformedDat) {
  TTempDir dir;
  Lay(dir);
  // GOOD.ZIP holds B with the data "x": right in size, wrong in CRC-32.
  WriteFileBytes(dir / "ludra.dat",
                 "game ( name good rom ( name a size 1 crc 01234567 ) rom ( name b size 1 crc "
                 "89abcdef ) )\ngame ( name unknown rom ( name u size 1 crc 0 ) )\n");
  const TRun json = Audit(dir.Path(), "--list list.ini --json --missing --fixdat fix.xml");
  EXPECT_EQ(json.ExitCode, 0) << json.Out;
  EXPECT_NE(
      json.Out.find("\"reason\": \"incomplete\", \"archivePath\": \"" + dir / "Roms/GOOD.ZIP" +
                    "\", \"datGame\": \"good\", \"files\": 2, \"bad\": [{\"name\": \"a\", "
                    "\"status\": \"missing\", \"size\": 1, \"crc\": \"01234567\"}, "
                    "{\"name\": \"b\", \"status\": \"wrong-crc\", \"size\": 1, \"crc\": "
                    "\"89abcdef\", \"foundCrc\": \"" +
                    [] {
                      char hex[9];
                      std::snprintf(hex, sizeof hex, "%08x", Crc32("x"));
                      return std::string(hex);
                    }() +
                    "\"}]}"),
      std::string::npos)
      << json.Out;
  EXPECT_NE(json.Out.find("\"dat\": {\"path\": \"" + dir / "ludra.dat" +
                          "\", \"games\": 2, \"inCatalogue\": 1, \"notInCatalogue\": 1, "
                          "\"catalogueGamesNotInDat\": 2}"),
            std::string::npos)
      << json.Out;
  const std::string fix = ReadFileBytes(dir / "fix.xml");
  EXPECT_NE(fix.find("<game name=\"good\">\n\t\t<description>Good</description>\n\t\t<rom "
                     "name=\"a\" size=\"1\" crc=\"01234567\"/>\n\t\t<rom name=\"b\" size=\"1\" "
                     "crc=\"89abcdef\"/>\n\t</game>\n"),
            std::string::npos)
      << fix;
  // A DAT named with --dat is used in place of the one beside the list file; a malformed one is
  // reported with its line, and the audit runs as without it.
  WriteFileBytes(dir / "other.dat", "<datafile>\n<game name=\"good\">\n</datafile>\n");
  const TRun bad = Audit(dir.Path(), "--list list.ini --dat other.dat");
  EXPECT_EQ(bad.ExitCode, 1);
  EXPECT_NE(bad.Out.find("Cannot read \"" + dir / "other.dat" + "\": line 3: "), std::string::npos)
      << bad.Out;
  EXPECT_NE(bad.Out.find("The audit runs without it."), std::string::npos);
  EXPECT_NE(bad.Out.find("3 games: 1 available, 2 missing\n"), std::string::npos) << bad.Out;
}

TEST(AuditTool, TroubleWithTheDatBesideTheListIsSaidOnceAndAnOldFixdatStays) {
  TTempDir dir;
  Lay(dir);
  const std::string dat = dir / "ludra.dat";
  const auto said = [&](const std::string& reason) {
    const TRun run = Audit(dir.Path(), "--list list.ini --fixdat fix.xml");
    EXPECT_EQ(run.ExitCode, 1) << run.Out;
    EXPECT_NE(run.Out.find("Cannot open \"" + dat + "\": " + reason), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("3 games: 1 available, 2 missing"), std::string::npos) << run.Out;
  };
  // What is no file is reported, never opened or waited on; the fixdat from before stays.
  WriteFileBytes(dir / "fix.xml", "before");
  ASSERT_EQ(mkfifo(dat.c_str(), 0600), 0);
  said("it is a FIFO, not a file.");
  std::filesystem::remove(dat);
  std::filesystem::create_directory(dat);
  said("Is a directory.");
  std::filesystem::remove(dat);
  std::filesystem::create_symlink(dir / "nothing", dat);
  said("No such file or directory.");
  EXPECT_EQ(ReadFileBytes(dir / "fix.xml"), "before");
  // Values it cannot use are said once; its disks are counted, not checked.
  std::filesystem::remove(dat);
  WriteFileBytes(dat, "game ( name good rom ( name a size 1 crc32 xyz ) disk ( name d ) )\n");
  const TRun run = Audit(dir.Path(), "--list list.ini --missing");
  EXPECT_EQ(run.ExitCode, 0) << run.Out;
  const std::size_t note = run.Out.find(": line 1: rom \"a\": the crc32 value \"xyz\"");
  EXPECT_NE(note, std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.find("crc32 value", run.Out.find('\n', note)), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("; disks not checked: 1\n"), std::string::npos) << run.Out;
}
