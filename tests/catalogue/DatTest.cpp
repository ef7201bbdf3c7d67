// Every listed file accounted for, with and without a ROM list (a DAT) in either format; the
// fixdat; DATs that are no DATs.
#include <gtest/gtest.h>

#include <chrono>

#include "AuditEngine.h"
#include "AuditText.h"
#include "Dat.h"
#include "FixDat.h"
#include "Games.h"
#include "ListFile.h"
#include "TestSupport.h"

namespace {
TZipMember Member(const std::string& name, const std::string& data) {
  TZipMember m;
  m.Name = name;
  m.Data = data;
  return m;
}

// One set of every case: complete, incomplete, wrong size, wrong CRC, a split clone whose merged
// file lies in its parent's archive, a file never dumped, and a catalogue game the DAT lacks.
struct TRomSet {
  TTempDir Dir;
  std::string List =
      "[Rom1]\nGame=Complete\nRomname=comp.zip\nFiles=a1,a2\n"
      "[Rom2]\nGame=Incomplete\nRomname=inc.zip\nFiles=b1,b2,b3\n"
      "[Rom3]\nGame=Sizes\nRomname=size.zip\nFiles=c1\n"
      "[Rom4]\nGame=Crcs\nRomname=crc.zip\nFiles=d1\n"
      "[Rom5]\nGame=Parent\nRomname=par.zip\nFiles=p1,p2\n"
      "[Rom6]\nGame=Clone\nRomname=CLO.ZIP\nFiles=k1\n"
      "[Rom7]\nGame=Undumped\nRomname=nod.zip\nFiles=n1\n"
      "[Rom8]\nGame=Not listed\nRomname=other.zip\nFiles=o1\n"
      "[Rom9]\nGame=Gone\nRomname=gone.zip\nFiles=g1\n";

  TRomSet() {
    MakeDirs(Dir / "Roms");
    Zip("comp.zip", {Member("a1", "AAAA"), Member("A2", "aa")});
    Zip("inc.zip", {Member("b1", "B")});
    Zip("size.zip", {Member("c1", "short")});
    Zip("crc.zip", {Member("d1", "dddd")});
    Zip("par.zip", {Member("p1", "P1"), Member("p2", "P2")});
    Zip("clo.zip", {Member("k1", "K1")});
    Zip("nod.zip", {Member("n1", "N1")});
    Zip("other.zip", {Member("o1", "O")});
  }
  void Zip(const std::string& name, const std::vector<TZipMember>& members) {
    WriteFileBytes(Dir / ("Roms/" + name), BuildZip(members));
  }

  struct TRom {
    std::string Name, Data, Merge = {};
    bool NoDump = false;
  };
  struct TGame {
    std::string Name, CloneOf;
    std::vector<TRom> Roms;
  };
  // The DAT's games: what a correct set holds, plus a game the catalogue lacks.
  std::vector<TGame> DatGames() const {
    return {{"comp", "", {{"a1", "AAAA"}, {"a2", "aa"}}},
            {"inc", "", {{"b1", "B"}, {"b2", "BB"}, {"b3", "BBB"}}},
            {"size", "", {{"c1", "longer"}}},
            {"crc", "", {{"d1", "DDDD"}}},
            {"par", "", {{"p1", "P1"}, {"p2", "P2"}}},
            {"clo", "par", {{"k1", "K1"}, {"p2", "P2", "p2"}}},
            {"nod", "", {{"n1", "N1"}, {"n2", "", "", true}}},
            {"gone", "", {{"g1", "G"}}},
            {"elsewhere", "", {{"e1", "E"}}}};
  }
  std::string Xml() const {
    std::string x = "<?xml version=\"1.0\"?>\n<datafile>\n<header><name>Set</name></header>\n";
    for (const TGame& g : DatGames()) {
      x += "<machine name=\"" + g.Name + "\"" +
           (g.CloneOf.empty() ? "" : " cloneof=\"" + g.CloneOf + "\" romof=\"" + g.CloneOf + "\"") +
           ">\n";
      for (const TRom& r : g.Roms)
        x += r.NoDump ? "  <rom name=\"" + r.Name + "\" size=\"4\" status=\"nodump\"/>\n"
                      : "  <rom name=\"" + r.Name + "\" size=\"" + std::to_string(r.Data.size()) +
                            "\" crc=\"" + CrcText(Crc32(r.Data)) + "\"" +
                            (r.Merge.empty() ? "" : " merge=\"" + r.Merge + "\"") + "/>\n";
      x += "</machine>\n";
    }
    return x + "</datafile>\n";
  }
  std::string ClrMamePro() const {
    std::string t = "clrmamepro (\n\tname \"Set\"\n)\n\n";
    for (const TGame& g : DatGames()) {
      t += "game (\n\tname " + g.Name + "\n\tdescription \"The game " + g.Name + "\"\n";
      if (!g.CloneOf.empty()) t += "\tcloneof " + g.CloneOf + "\n\tromof " + g.CloneOf + "\n";
      for (const TRom& r : g.Roms)
        t += r.NoDump ? "\trom ( name " + r.Name + " size 4 flags nodump )\n"
                      : "\trom ( name \"" + r.Name + "\" size " + std::to_string(r.Data.size()) +
                            " crc " + CrcText(Crc32(r.Data)) +
                            (r.Merge.empty() ? "" : " merge " + r.Merge) + " )\n";
      t += ")\n\n";
    }
    return t;
  }

  // The audit's reasons in words, one line per game.
  std::string Reasons(const TDat* dat, std::vector<TAuditNote>* notesOut = nullptr) const {
    TGameList games;
    std::string romDir;
    std::vector<TAuditNote> notes;
    TAuditOptions options;
    options.Dat = dat;
    LoadGamesFrom(TIniFile(List), Dir.Path(), games, romDir, &notes, &options);
    std::string text;
    for (std::size_t i = 0; i < games.size(); ++i)
      text += std::string(games[i].Available ? "+ " : "- ") +
              AuditNoteText(games[i].RomPath, notes[i], Dir.Path()) + "\n";
    if (notesOut) *notesOut = std::move(notes);
    return text;
  }
};
}  // namespace

// ---- Every listed file accounted for ----

TEST(Dat, WithoutADatEveryNameOfFilesIsAccountedForAndAvailabilityStaysAsItWas) {
  const TRomSet set;
  EXPECT_EQ(set.Reasons(nullptr),
            "+ archive found: Roms/comp.zip; it holds the expected file a1\n"
            "+ Roms/inc.zip lacks 2 of its 3 files: b2, b3\n"
            "+ archive found: Roms/size.zip; it holds the expected file c1\n"
            "+ archive found: Roms/crc.zip; it holds the expected file d1\n"
            "+ archive found: Roms/par.zip; it holds the expected file p1\n"
            "+ archive found: Roms/clo.zip; it holds the expected file k1\n"
            "+ archive found: Roms/nod.zip; it holds the expected file n1\n"
            "+ archive found: Roms/other.zip; it holds the expected file o1\n"
            "- archive not found: Roms/gone.zip\n");
}

TEST(Dat, BothFormatsGiveTheSameChecksOfSizeCrcMergedAndUndumpedFiles) {
  const TRomSet set;
  const std::string expected =
      "+ archive found: Roms/comp.zip; it holds the expected file a1\n"
      "+ Roms/inc.zip lacks 2 of its 3 files: b2, b3\n"
      "+ Roms/size.zip: 1 of its 1 files are missing or wrong: c1 (wrong size: 6 expected, 5 "
      "found)\n"
      "+ Roms/crc.zip: 1 of its 1 files are missing or wrong: d1 (wrong CRC: " +
      CrcText(Crc32("DDDD")) + " expected, " + CrcText(Crc32("dddd")) +
      " found)\n"
      "+ archive found: Roms/par.zip; it holds the expected file p1\n"
      // The clone's p2 lies in its parent's archive; the case of CLO.ZIP plays no part.
      "+ archive found: Roms/clo.zip; it holds the expected file k1\n"
      "+ archive found: Roms/nod.zip; it holds the expected file n1\n"
      "+ archive found: Roms/other.zip; it holds the expected file o1\n"
      "- archive not found: Roms/gone.zip\n";
  const TDat xml = ParseDat(set.Xml(), "set.xml");
  const TDat text = ParseDat(set.ClrMamePro(), "set.dat");
  EXPECT_EQ(xml.Name, "Set");
  EXPECT_EQ(text.Name, "Set");
  std::vector<TAuditNote> notes;
  EXPECT_EQ(set.Reasons(&xml, &notes), expected);
  EXPECT_EQ(set.Reasons(&text), expected);
  EXPECT_EQ(notes[5].DatGame, "clo");
  EXPECT_EQ(notes[5].Listed, 2u);
  EXPECT_EQ(notes[6].Listed, 1u);      // n2 was never dumped
  EXPECT_EQ(notes[7].DatGame, "");     // the DAT has no "other"
  ASSERT_EQ(notes[8].Bad.size(), 1u);  // a missing archive lacks every file
  EXPECT_EQ(notes[8].Bad[0].Name, "g1");
  // Without its parent's archive the clone lacks its merged file.
  std::remove((set.Dir / "Roms/par.zip").c_str());
  EXPECT_NE(set.Reasons(&xml).find("+ Roms/clo.zip lacks 1 of its 2 files: p2\n"),
            std::string::npos);
}

// ---- The fixdat ----

TEST(Dat, TheFixdatHoldsExactlyTheMissingAndWrongFilesAndReadsBackAsADat) {
  const TRomSet set;
  const TDat dat = ParseDat(set.Xml(), "set.xml");
  std::vector<TAuditNote> notes;
  set.Reasons(&dat, &notes);
  TFixDat fix("fix_Set", "Missing & wrong files");
  TGameList games;
  std::string romDir;
  LoadGamesFrom(TIniFile(set.List), set.Dir.Path(), games, romDir);
  for (std::size_t i = 0; i < games.size(); ++i) fix.Add(games[i].RomPath, games[i].Game, notes[i]);
  const TDat back = ParseDat(fix.Text(), "fix.xml");
  EXPECT_EQ(back.Name, "fix_Set");
  std::string listed;
  for (const TDatGame& g : back.Games) {
    listed += g.Name + ":";
    for (const TDatRom& r : g.Roms)
      listed += " " + r.Name + "/" + std::to_string(r.Size) + "/" + CrcText(r.Crc);
    listed += "\n";
  }
  EXPECT_EQ(listed, "inc: b2/2/" + CrcText(Crc32("BB")) + " b3/3/" + CrcText(Crc32("BBB")) +
                        "\n"
                        "size: c1/6/" +
                        CrcText(Crc32("longer")) +
                        "\n"
                        "crc: d1/4/" +
                        CrcText(Crc32("DDDD")) + "\ngone: g1/1/" + CrcText(Crc32("G")) + "\n");
  // Without a DAT: the names of Files only.
  set.Reasons(nullptr, &notes);
  TFixDat names("fix_ludra", "");
  for (std::size_t i = 0; i < games.size(); ++i)
    names.Add(games[i].RomPath, games[i].Game, notes[i]);
  const TDat plain = ParseDat(names.Text(), "fix.xml");
  ASSERT_EQ(plain.Games.size(), 2u);
  EXPECT_EQ(plain.Games[0].Name, "inc");
  EXPECT_EQ(plain.Games[0].Roms.size(), 2u);
  EXPECT_FALSE(plain.Games[0].Roms[0].HasCrc);
  EXPECT_EQ(plain.Games[1].Name, "gone");
}

// ---- DATs that are no DATs ----

TEST(Dat, MalformedTruncatedAndHostileDatsGiveAnErrorNamingTheFileAndTheLine) {
  const auto error = [](const std::string& text) {
    try {
      ParseDat(text, "/x/bad.dat");
    } catch (const EDatError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  const TRomSet set;
  const std::string xml = set.Xml();
  EXPECT_EQ(error(xml.substr(0, xml.size() / 2)).find("Cannot read \"/x/bad.dat\": line "), 0u);
  const std::string text = set.ClrMamePro();
  EXPECT_EQ(error(text.substr(0, text.size() - 3)),
            "Cannot read \"/x/bad.dat\": line 61: the block opened here has no \")\".");
  EXPECT_EQ(error("game ( name x rom ( name y size big ) )"),
            "Cannot read \"/x/bad.dat\": line 1: the size is not a number.");
  EXPECT_EQ(error("game ( name \"x )"),
            "Cannot read \"/x/bad.dat\": line 1: a string without its end.");
  EXPECT_EQ(error("<a/>"), "Cannot read \"/x/bad.dat\": line 1: the root element is not datafile.");
  EXPECT_EQ(error("<datafile><game name=\"g\"><rom name=\"r\" crc=\"xyz\"/></game></datafile>"),
            "Cannot read \"/x/bad.dat\": line 1: rom \"r\": the crc is not a CRC-32.");
  // Entities are refused at their declaration, before any is expanded.
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [\n<!ENTITY l0 \"lol\">\n";
  for (int i = 1; i < 30; ++i)
    laughs += "<!ENTITY l" + std::to_string(i) + " \"&l" + std::to_string(i - 1) + ";&l" +
              std::to_string(i - 1) + ";\">\n";
  laughs += "]>\n<datafile><game name=\"&l29;\"/></datafile>\n";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(error(laughs),
            "Cannot read \"/x/bad.dat\": line 3: entity declarations are not allowed.");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // An endless attribute is refused at its first MiB, whatever the file's size: read from disk in
  // pieces, it costs no more memory than that.
  TTempDir dir;
  WriteFileBytes(dir / "long.dat",
                 "<datafile><game name=\"" + std::string(8u << 20, 'a') + "\"/></datafile>");
  const long before = PeakRssKiB();
  try {
    ReadDat(dir / "long.dat");
    ADD_FAILURE() << "no error";
  } catch (const EDatError& e) {
    EXPECT_NE(std::string(e.what()).find("longer than 1 MiB"), std::string::npos) << e.what();
  }
  EXPECT_LT(PeakRssKiB() - before, 16 * kMiB);
}
