// Every listed file accounted for, with and without a ROM list (a DAT) in either format; the
// fixdat; DATs that are no DATs.
#include <gtest/gtest.h>

#include <chrono>

#include "catalogue/AuditEngine.h"
#include "catalogue/AuditText.h"
#include "catalogue/Dat.h"
#include "catalogue/FixDat.h"
#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "tests/common/TestSupport.h"

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
  // Without its parent's archive the clone's merged file cannot be read.
  std::remove((set.Dir / "Roms/par.zip").c_str());
  EXPECT_NE(set.Reasons(&xml).find("+ Roms/clo.zip: 1 of its 2 files are missing or wrong: p2 (not "
                                   "readable: archive not found: Roms/par.zip)\n"),
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
  // Without a DAT no file has a size, which a ROM list needs: nothing can be written.
  set.Reasons(nullptr, &notes);
  TFixDat names("fix_ludra", "");
  for (std::size_t i = 0; i < games.size(); ++i)
    names.Add(games[i].RomPath, games[i].Game, notes[i]);
  EXPECT_EQ(names.Games(), 0u);
  EXPECT_EQ(names.LeftOut(), 3u);
}

TEST(Dat, TheFixdatIsValidAgainstTheLogiqxDtdAndKeepsTheSetsStructure) {
  // The Logiqx DTD's rules for what a fixdat writes: the header's required elements in their
  // order, each element's attributes.
  const std::string dtd =
      "<!ELEMENT datafile (header?, game+)>\n"
      "<!ATTLIST datafile build CDATA #IMPLIED debug (yes|no) \"no\">\n"
      "<!ELEMENT header (name, description, category?, version, date?, author, email?, "
      "homepage?, url?, comment?)>\n"
      "<!ELEMENT name (#PCDATA)>\n<!ELEMENT description (#PCDATA)>\n"
      "<!ELEMENT category (#PCDATA)>\n<!ELEMENT version (#PCDATA)>\n"
      "<!ELEMENT date (#PCDATA)>\n<!ELEMENT author (#PCDATA)>\n<!ELEMENT email (#PCDATA)>\n"
      "<!ELEMENT homepage (#PCDATA)>\n<!ELEMENT url (#PCDATA)>\n<!ELEMENT comment (#PCDATA)>\n"
      "<!ELEMENT game (comment*, description, year?, manufacturer?, rom*)>\n"
      "<!ATTLIST game name CDATA #REQUIRED sourcefile CDATA #IMPLIED isbios (yes|no) \"no\" "
      "cloneof CDATA #IMPLIED romof CDATA #IMPLIED sampleof CDATA #IMPLIED board CDATA "
      "#IMPLIED rebuildto CDATA #IMPLIED>\n"
      "<!ELEMENT year (#PCDATA)>\n<!ELEMENT manufacturer (#PCDATA)>\n"
      "<!ELEMENT rom EMPTY>\n"
      "<!ATTLIST rom name CDATA #REQUIRED size CDATA #REQUIRED crc CDATA #IMPLIED sha1 CDATA "
      "#IMPLIED md5 CDATA #IMPLIED merge CDATA #IMPLIED status (baddump|nodump|good|verified) "
      "\"good\" date CDATA #IMPLIED>\n";
  const TRomSet set;
  WriteFileBytes(set.Dir / "datafile.dtd", dtd);
  std::remove((set.Dir / "Roms/par.zip").c_str());
  const TDat dat = ParseDat(set.Xml(), "set.xml");
  std::vector<TAuditNote> notes;
  set.Reasons(&dat, &notes);
  TGameList games;
  std::string romDir;
  LoadGamesFrom(TIniFile(set.List), set.Dir.Path(), games, romDir);
  TFixDat fix("fix_Set", "Missing\tfiles & more");
  for (std::size_t i = 0; i < games.size(); ++i) fix.Add(games[i].RomPath, games[i].Game, notes[i]);
  // A name XML would normalise (a tab), and a game audited twice, written once.
  TAuditNote tab;
  tab.DatGame = "tab";
  tab.Bad.resize(1);
  tab.Bad[0].Name = "a\tb.rom";
  tab.Bad[0].HasSize = true;
  fix.Add("", "Tab\tgame", tab);
  fix.Add("", "Tab\tgame", tab);
  WriteFileBytes(set.Dir / "fix.xml", fix.Text());
  const TRun valid = RunCommand("xmllint --noout --nonet --dtdvalid '" + set.Dir.Path() +
                                "datafile.dtd' '" + set.Dir.Path() + "fix.xml' 2>&1");
  EXPECT_EQ(valid.ExitCode, 0) << valid.Out << fix.Text();
  const TDat back = ParseDat(fix.Text(), "fix.xml");
  ASSERT_EQ(back.Games.size(), 7u);
  // The clone keeps its place in the set, and its merged file its name in the parent.
  EXPECT_EQ(back.Games[4].Name, "clo");
  EXPECT_EQ(back.Games[4].CloneOf, "par");
  EXPECT_EQ(back.Games[4].Roms.at(0).Merge, "p2");
  EXPECT_EQ(back.Games[6].Roms.at(0).Name, "a\tb.rom");
}

// ---- DATs as real ones are written ----

namespace {
// A DAT's model in one line per game: rom/size/crc ("?": none usable), flags, then its notes.
std::string Summary(const TDat& dat) {
  std::string s = "disks " + std::to_string(dat.Disks) + "\n";
  for (const TDatGame& g : dat.Games) {
    s += g.Name + (g.Parent.empty() ? "" : " <" + g.Parent) + ":";
    for (const TDatRom& r : g.Roms)
      s += " " + r.Name + "/" + (r.HasSize ? std::to_string(r.Size) : "?") + "/" +
           (r.HasCrc ? CrcText(r.Crc) : "?") + (r.BadDump ? "/bad" : "") +
           (r.NoDump ? "/nodump" : "");
    s += "\n";
  }
  for (const std::string& n : dat.Notes) s += "! " + n + "\n";
  return s;
}

std::string Utf16(std::string_view ascii, bool little) {
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  for (const char c : ascii) out += little ? std::string{c, '\0'} : std::string{'\0', c};
  return out;
}

// The emulator's list XML (a DTD subset, "mame", "machine", disks, deeper elements) and the
// ClrMamePro variants of real DATs, saying the same.
const char* const kListXml =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n"
    "<!ATTLIST mame build CDATA #IMPLIED>\n<!ELEMENT machine (rom*, disk*, dipswitch*)>\n"
    "<!ATTLIST machine name CDATA #REQUIRED cloneof CDATA #IMPLIED romof CDATA #IMPLIED>\n"
    "<!ATTLIST rom name CDATA #REQUIRED size CDATA #REQUIRED crc CDATA #IMPLIED\n"
    "  status (baddump|nodump|good) \"good\">\n<!-- <rom> and <disk> -->\n]>\n<mame build=\"1\">\n"
    "<machine name=\"big\"><rom name=\"dvd.img\" size=\"5000000000\" crc=\"0A0B0C0D\"/>"
    "<disk name=\"hdd\" sha1=\"00\"/></machine>\n"
    "<machine name=\"clone\" cloneof=\"big\" romof=\"big\"><rom name=\"odd.bin\" size=\" 16 \" "
    "crc=\"1234abcd\" status=\"baddump\"/><rom name=\"gone.bin\" size=\"16\" status=\"nodump\"/>"
    "<dipswitch name=\"d\"><dipvalue name=\"v\"/></dipswitch></machine>\n</mame>\n";
const char* const kClrMameProVariants =
    "game ( name big rom ( name dvd.img size 0x12A05F200 crc32 0A0B0C0D ) disk ( name hdd sha1 00 "
    ") )\ngame ( name clone cloneof big romof big\n  rom ( name odd.bin size \" 16 \" crc 1234abcd "
    "baddump )\n  rom ( name gone.bin size 16 nodump ) )\n";
const char* const kVariantsRead =
    "disks 1\nbig: dvd.img/5000000000/0a0b0c0d\nclone <big: odd.bin/16/1234abcd/bad "
    "gone.bin/16/?/nodump\n";
}  // namespace

TEST(Dat, ListXmlClrMameProVariantsUtf16AndAMarkedStartReadAlike) {
  EXPECT_EQ(Summary(ParseDat(kListXml, "list.xml")), kVariantsRead);
  EXPECT_EQ(Summary(ParseDat(kClrMameProVariants, "v.dat")), kVariantsRead);
  EXPECT_EQ(Summary(ParseDat(Utf16(kListXml, true), "le.xml")), kVariantsRead);
  EXPECT_EQ(Summary(ParseDat(Utf16(kClrMameProVariants, false), "be.dat")), kVariantsRead);
  // A byte-order mark before ClrMamePro text is no part of its first block's key.
  EXPECT_EQ(Summary(ParseDat(std::string("\xEF\xBB\xBF") + kClrMameProVariants, "bom.dat")),
            kVariantsRead);
  TTempDir dir;
  WriteFileBytes(dir / "le.xml", Utf16(kListXml, true));
  EXPECT_EQ(Summary(ReadDat(dir / "le.xml")), kVariantsRead);
}

TEST(Dat, TextThatIsNotUtf8IsReadAsWindows1252) {
  const auto names = [](const TDat& dat) {
    EXPECT_EQ(dat.Games.size(), 1u);
    return dat.Games.empty() ? std::string() : dat.Games[0].Name + " " + dat.Games[0].Roms[0].Name;
  };
  const TDat text = ParseDat("game ( name caf\xE9 rom ( name \x80.bin size 1 ) )", "l.dat");
  EXPECT_EQ(names(text), "caf\u00e9 \u20ac.bin");
  EXPECT_EQ(text.Notes,
            std::vector<std::string>{"the file is not UTF-8; it was read as Windows-1252"});
  const std::string body =
      "<datafile><game name=\"caf\xE9\"><rom name=\"\x80.bin\"/></game></datafile>";
  EXPECT_EQ(names(ParseDat(body, "undeclared.xml")), "caf\u00e9 \u20ac.bin");
  EXPECT_EQ(names(ParseDat("<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + body, "w.xml")),
            "caf\u00e9 \u20ac.bin");
  EXPECT_EQ(names(ParseDat("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + body, "i.xml")),
            "caf\u00e9 \u0080.bin");
}

TEST(Dat, UnusableValuesAreNotedAndANameThatIsNoArchiveNameIsNeverOpened) {
  const TDat dat = ParseDat(
      "<datafile>\n<game name=\"g\" cloneof=\"../../outside/readable\">"
      "<rom name=\"r\" size=\"4\" crc=\"xyz\"/><rom name=\"s\" size=\"-1\" crc=\"1\"/></game>\n"
      "<game name=\"a\\b\" romof=\"\"/>\n<game name=\"..\"/>\n</datafile>\n",
      "n.xml");
  EXPECT_EQ(
      Summary(dat),
      "disks 0\ng: r/4/? s/?/00000001\n"
      "! line 2: game \"g\": the cloneof value \"../../outside/readable\" is not an archive's "
      "name; no parent is read for the game\n"
      "! line 2: rom \"r\": the crc value \"xyz\" is not a CRC-32 (8 hexadecimal digits); the "
      "file is checked by its size only\n"
      "! line 2: rom \"s\": the size \"-1\" is not a number below 2^64; the file is checked "
      "without its size\n"
      "! line 3: the game name \"a\\b\" is not an archive's name; the game is left out\n"
      "! line 4: the game name \"..\" is not an archive's name; the game is left out\n");
  // A clone whose parent is named by a path that reaches its parent's archive does not read it.
  const TRomSet set;
  std::string text = set.ClrMamePro();
  for (std::size_t at; (at = text.find("of par\n")) != std::string::npos;)
    text.replace(at, 7, "of ../Roms/par\n");
  const TDat reaching = ParseDat(text, "set.dat");
  EXPECT_NE(set.Reasons(&reaching).find("+ Roms/clo.zip lacks 1 of its 2 files: p2\n"),
            std::string::npos);
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
  EXPECT_EQ(error("game ( name \"x )"),
            "Cannot read \"/x/bad.dat\": line 1: a string without its end.");
  EXPECT_EQ(error("<a/>"),
            "Cannot read \"/x/bad.dat\": line 1: the root element is neither datafile nor mame.");
  // An empty or blank file is no DAT of no games.
  EXPECT_EQ(error(""), "Cannot read \"/x/bad.dat\": line 1: the file is empty.");
  EXPECT_EQ(error("\xEF\xBB\xBF \r\n\t\n"),
            "Cannot read \"/x/bad.dat\": line 1: the file is empty.");
  // Nesting is bounded like a tag's length; so is markup where "<" may stand, which expat would
  // otherwise scan again with each piece of input.
  std::string deep = "<datafile>\n";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  EXPECT_EQ(error(deep), "Cannot read \"/x/bad.dat\": line 2: elements nested more than 16 deep.");
  const std::string filler(3u << 20, '<');
  for (const std::string open : {"<!--", "<?pi ", "<![CDATA[", "<!ENTITY e \""}) {
    const std::string big = "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [\n" +
                            (open[2] == '[' ? "]>\n<datafile>" + open : open) + filler;
    EXPECT_NE(error(big).find(": a tag or a text longer than 1 MiB"), std::string::npos) << open;
  }
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
