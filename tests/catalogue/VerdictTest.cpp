// A DAT's verdict on sets as ROM managers keep them: chains of parents up to a BIOS, members by
// their whole path, directories that cannot be read, files beyond 4 GiB, and an outcome that the
// DAT never changes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "catalogue/AuditEngine.h"
#include "catalogue/AuditText.h"
#include "catalogue/Dat.h"
#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "tests/common/TestSupport.h"

namespace {
TZipMember Member(const std::string& name, const std::string& data = "x") {
  TZipMember m;
  m.Name = name;
  m.Data = data;
  return m;
}

// A ROM folder, a catalogue of one game per archive, and a DAT written as text.
struct TSet {
  TTempDir Dir;
  std::string List;
  TSet() { MakeDirs(Dir / "Roms"); }
  void Zip(const std::string& name, const std::vector<TZipMember>& members) {
    WriteFileBytes(Dir / ("Roms/" + name), BuildZip(members));
  }
  void Game(const std::string& title, const std::string& company, const std::string& archive,
            const std::string& files) {
    const std::size_t n = std::count(List.begin(), List.end(), '[') + 1;
    List += "[Rom" + std::to_string(n) + "]\nGame=" + title + "\nCompany=" + company +
            "\nRomname=" + archive + "\nFiles=" + files + "\n";
  }
  // The audit's outcome and its reasons, one line per game.
  struct TOutcome {
    TGameList Games;
    std::vector<std::string> Companies;
    std::vector<TAuditNote> Notes;
    std::string Reasons;
  };
  TOutcome Audit(const TDat* dat) const {
    TOutcome out;
    std::string romDir;
    TAuditOptions options;
    options.Dat = dat;
    out.Companies =
        LoadGamesFrom(TIniFile(List), Dir.Path(), out.Games, romDir, &out.Notes, &options);
    for (std::size_t i = 0; i < out.Games.size(); ++i)
      out.Reasons += std::string(out.Games[i].Available ? "+ " : "- ") +
                     AuditNoteText(out.Games[i].RomPath, out.Notes[i], Dir.Path()) + "\n";
    return out;
  }
};

std::string Rom(const std::string& name, const std::string& data, const std::string& extra = "") {
  return "<rom name=\"" + name + "\" size=\"" + std::to_string(data.size()) + "\" crc=\"" +
         CrcText(Crc32(data)) + "\"" + extra + "/>";
}
std::string Xml(const std::string& games) {
  return "<datafile><header><name>Set</name></header>" + games + "</datafile>";
}
}  // namespace

// ---- Chains of parents ----

TEST(Verdict, SplitSetsAreFollowedUpTheirChainAndABrokenChainIsNamed) {
  TSet set;
  set.Zip("bios.zip", {Member("bios.rom", "B")});
  set.Zip("par.zip", {Member("p.rom", "P")});
  set.Zip("clo.zip", {Member("c.rom", "C")});
  set.Zip("la.zip", {Member("a.rom", "A")});
  set.Zip("lb.zip", {Member("b.rom", "b")});
  set.Zip("ml.zip", {Member("m.rom", "M")});
  set.Zip("nobody.zip", {Member("n.rom", "N")});
  set.Zip("esc.zip", {Member("e.rom", "E")});
  WriteFileBytes(set.Dir / "outside.zip", BuildZip({Member("o.rom", "O")}));
  set.Game("Clone", "X", "clo.zip", "c.rom");
  set.Game("Parent", "X", "par.zip", "p.rom");
  set.Game("Loop", "X", "la.zip", "a.rom");
  set.Game("Lost link", "X", "ml.zip", "m.rom");
  set.Game("Escape", "X", "esc.zip", "e.rom");
  const std::string merged = " merge=\"x.rom\"";
  TDat dat = ParseDat(
      Xml("<machine name=\"bios\">" + Rom("bios.rom", "B") + "</machine>" +
          "<machine name=\"par\" romof=\"bios\">" + Rom("p.rom", "P") +
          Rom("bios.rom", "B", " merge=\"bios.rom\"") + "</machine>" +
          // A split clone of a BIOS-using parent: its BIOS file is in the BIOS's archive.
          "<machine name=\"clo\" cloneof=\"par\" romof=\"par\">" + Rom("c.rom", "C") +
          Rom("p.rom", "P", " merge=\"p.rom\"") + Rom("bios.rom", "B", " merge=\"bios.rom\"") +
          "</machine>" + "<machine name=\"la\" romof=\"lb\">" + Rom("a.rom", "A") +
          Rom("x.rom", "X", merged) + "</machine>" + "<machine name=\"lb\" romof=\"la\">" +
          Rom("b.rom", "b") + "</machine>" + "<machine name=\"ml\" romof=\"nobody\">" +
          Rom("m.rom", "M") + Rom("x.rom", "X", merged) + "</machine>" + "<machine name=\"esc\">" +
          Rom("e.rom", "E") + Rom("o.rom", "O", " merge=\"o.rom\"") + "</machine>"),
      "set.xml");
  // A name with a separator never reaches the audit from a DAT; were it to, it stays a name.
  dat.Games.back().Parent = "../outside";
  EXPECT_EQ(set.Audit(&dat).Reasons,
            "+ archive found: Roms/clo.zip; it holds the expected file c.rom\n"
            "+ archive found: Roms/par.zip; it holds the expected file p.rom\n"
            "+ Roms/la.zip: 1 of its 2 files are missing or wrong: x.rom (not readable: the "
            "DAT's chain of parents of \"la\" comes back to \"la\")\n"
            "+ Roms/ml.zip: 1 of its 2 files are missing or wrong: x.rom (not readable: the DAT "
            "has no game \"nobody\", the parent of \"ml\")\n"
            "+ Roms/esc.zip: 1 of its 2 files are missing or wrong: o.rom (not readable: the "
            "parent \"../outside\" of \"esc\" in the DAT is no archive name)\n");

  // A parent or BIOS that is not there, or cannot be read, leaves the merged files unread and the
  // audit goes on: the same games, availability and companies as without the DAT.
  std::remove((set.Dir / "Roms/bios.zip").c_str());
  const bool root = geteuid() == 0;  // root reads whatever the mode says
  if (!root) chmod((set.Dir / "Roms/lb.zip").c_str(), 0);
  const TSet::TOutcome with = set.Audit(&dat), without = set.Audit(nullptr);
  chmod((set.Dir / "Roms/lb.zip").c_str(), 0644);
  ASSERT_EQ(with.Games.size(), without.Games.size());
  for (std::size_t i = 0; i < with.Games.size(); ++i)
    EXPECT_EQ(with.Games[i].Available, without.Games[i].Available) << i;
  EXPECT_EQ(with.Companies, without.Companies);
  EXPECT_NE(with.Reasons.find("bios.rom (not readable: archive not found: Roms/bios.zip)"),
            std::string::npos)
      << with.Reasons;
  if (!root) {
    EXPECT_NE(with.Reasons.find("x.rom (not readable: Cannot open the archive"), std::string::npos)
        << with.Reasons;
  }
}

// ---- Members by their whole path; sizes beyond 4 GiB ----

TEST(Verdict, MembersAreMatchedByTheirWholePathAndLargeSizesAsStored) {
  TSet set;
  // A ZIP64 member states its size in its extra field; one without the field states none.
  const uint64_t big = 5000000000ull;
  std::string extra = std::string("\x01\x00\x08\x00", 4);
  for (int i = 0; i < 8; ++i) extra += static_cast<char>(big >> (8 * i) & 0xFF);
  TZipMember large = Member("large.bin", "L"), unknown = Member("unknown.bin", "U");
  large.Extra = extra;
  std::string zip =
      BuildZip({Member("disc1/data.bin", "one"), Member("DISC2\\data.bin", "two"),
                Member("backup/prog.bin", "old"), Member("prog.bin", "new"),
                Member("wrong/only.bin", "o"), large, unknown, Member("bad.bin", "a bad dump")});
  // Their central headers (the 6th and 7th) say 0xFFFFFFFF.
  std::vector<std::size_t> headers;
  for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
       at = zip.find("PK\x01\x02", at + 4))
    headers.push_back(at);
  ASSERT_EQ(headers.size(), 8u);
  for (const int k : {5, 6}) zip.replace(headers[k] + 24, 4, "\xFF\xFF\xFF\xFF");
  WriteFileBytes(set.Dir / "Roms/paths.zip", zip);
  set.Game("Paths", "X", "paths.zip", "prog.bin");
  TDat dat = ParseDat(
      Xml("<game name=\"paths\">" + Rom("disc1\\data.bin", "one") + Rom("disc2/data.bin", "two") +
          Rom("prog.bin", "new") + Rom("only.bin", "o") + "<rom name=\"large.bin\" size=\"" +
          std::to_string(big) + "\" crc=\"" + CrcText(Crc32("L")) + "\"/>" +
          "<rom name=\"unknown.bin\" size=\"" + std::to_string(big) + "\"/>" +
          "<rom name=\"bad.bin\" size=\"10\" crc=\"12345678\" status=\"baddump\"/></game>"),
      "set.xml");
  dat.Games[0].Roms.back().BadDump = true;  // its CRC is that of one bad copy: not compared
  EXPECT_EQ(set.Audit(&dat).Reasons,
            "+ Roms/paths.zip: 2 of its 7 files are missing or wrong: only.bin (missing), "
            "unknown.bin (not checked: the archive does not state its size)\n");
}

// ---- Directories that cannot be read ----

TEST(Verdict, AnArchiveWhoseDirectoryCannotBeReadHoldsNoneOfItsFiles) {
  TSet set;
  set.Zip("empty.zip", {});  // 22 bytes: an end record alone
  const std::string whole = BuildZip({Member("c1", "C1"), Member("c2", "C2")});
  WriteFileBytes(set.Dir / "Roms/cut.zip", whole.substr(0, whole.size() / 2));
  set.Game("Empty", "X", "empty.zip", "e1");
  set.Game("Cut", "X", "cut.zip", "");
  WriteFileBytes(set.Dir / "list.ini", set.List);
  WriteFileBytes(set.Dir / "set.xml",
                 Xml("<game name=\"empty\">" + Rom("e1", "E1") + "</game>" + "<game name=\"cut\">" +
                     Rom("c1", "C1") + Rom("c2", "C2") + "</game>"));
  const auto run = [&](const std::string& arguments) {
    return RunCommand("cd '" + set.Dir.Path() +
                      "' && '" LUDRA_AUDIT_TOOL "' --list list.ini --dat set.xml " + arguments +
                      " 2>&1");
  };
  const TRun text = run("--missing --fixdat fix.xml");
  EXPECT_EQ(text.ExitCode, 0) << text.Out;
  EXPECT_NE(text.Out.find("directory could not be read: Roms/empty.zip; it lacks 1 of its 1 "
                          "files: e1\n"),
            std::string::npos)
      << text.Out;
  EXPECT_NE(text.Out.find("Roms/cut.zip lacks 2 of its 2 files: c1, c2\n"), std::string::npos)
      << text.Out;
  const TRun json = run("--missing --json");
  EXPECT_NE(json.Out.find("\"bad\": [{\"name\": \"c1\", \"status\": \"missing\""),
            std::string::npos)
      << json.Out;
  const TDat fix = ReadDat(set.Dir / "fix.xml");
  ASSERT_EQ(fix.Games.size(), 2u);
  EXPECT_EQ(fix.Games[0].Roms.size() + fix.Games[1].Roms.size(), 3u);
  // With nothing missing there is nothing to write, and an old fixdat stays.
  set.Zip("empty.zip", {Member("e1", "E1")});
  set.Zip("cut.zip", {Member("c1", "C1"), Member("c2", "C2")});
  const TRun none = run("--fixdat fix.xml");
  EXPECT_EQ(none.ExitCode, 0);
  EXPECT_NE(none.Out.find("no fixdat written: no file is missing or wrong"), std::string::npos)
      << none.Out;
  EXPECT_EQ(ReadDat(set.Dir / "fix.xml").Games.size(), 2u);
}
