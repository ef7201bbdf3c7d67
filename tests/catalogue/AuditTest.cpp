#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "tests/common/TestSupport.h"

namespace {
TZipMember Member(const std::string& name) {
  TZipMember m;
  m.Name = name;
  return m;
}

// A working folder with its own list file; ROMs go to <dir>/Roms unless Path says otherwise.
struct TCatalogue {
  TTempDir Dir;
  TPaths Paths{Dir.Path(), Dir.Path()};
  TGameList Games;
  std::string RomDir;

  void List(const std::string& text) { WriteFileBytes(Dir / "ludra.ini", text); }
  void Zip(const std::string& name, const std::vector<std::string>& members) {
    std::vector<TZipMember> zm;
    for (const auto& m : members) zm.push_back(Member(m));
    MakeDirs(Dir / "Roms");
    WriteFileBytes(Dir / ("Roms/" + name), BuildZip(zm));
  }
  std::vector<std::string> Load(std::vector<TAuditNote>* notes = nullptr) {
    return LoadGames(Paths, Games, RomDir, notes);
  }
};

std::string Game(int n, const std::string& rom, const std::string& files,
                 const std::string& company = "Capcom") {
  return "[Rom" + std::to_string(n) + "]\r\nGame=Game " + std::to_string(n) +
         "\r\nCompany=" + company + "\r\nYear=1997\r\nRomname=" + rom + "\r\nFiles=" + files +
         "\r\nSound=1\r\n";
}
}  // namespace

// ---- The default catalogue ----

TEST(Audit, DefaultCatalogueWithNoRomsListsTwentyFiveMissingGames) {
  TCatalogue c;
  const auto companies = c.Load();
  EXPECT_EQ(ReadFileBytes(c.Dir / "ludra.ini"), std::string(kDefaultCatalogue));
  ASSERT_EQ(c.Games.size(), 25u);
  EXPECT_EQ(c.RomDir, "Roms\\");
  EXPECT_EQ(c.Games[0].Game, "Street Fighter EX (ASIA)");  // Rom0 is carried, never listed
  EXPECT_EQ(c.Games[20].RomPath, "Roms\\tk2b.zip");
  EXPECT_EQ(c.Games[20].Preview, "tk2b.jpg");
  EXPECT_EQ(c.Games[14].Preview, "beastorizer.jpg");
  EXPECT_TRUE(c.Games[0].SoundFlag);
  EXPECT_FALSE(c.Games[17].SoundFlag);
  for (const auto& g : c.Games) EXPECT_FALSE(g.Available) << g.Game;
  EXPECT_EQ(companies,
            (std::vector<std::string>{"Arika / Capcom", "Capcom", "Takara / Capcom", "Videosystem",
                                      "Hudson / Eighting / Raizing", "Taito", "Namco", "Axela"}));
}

TEST(Audit, TheDefaultCataloguesNamesCutShortCountAsTheMembersTheyBegin) {
  TCatalogue c;
  // Complete archives: the names the list file's rules cut to "te" and "dc1ro" are all there.
  c.Zip("tk2b.zip",
        {"te2ver-b.2l", "te2ver-b.2j", "te2ver-b.2k", "te2ver-b.2f", "te2rom0l", "te2rom0u",
         "te2rom1l", "te2rom1u", "te2rom2l", "te2rom2u", "te2rom3l", "te2rom3u"});
  c.Zip("danceyes.zip",
        {"dc1ver-a.2l", "dc1ver-a.2j", "dc1ver-a.2k", "dc1ver-a.2f", "dc1rom0l.5", "dc1rom0u.6",
         "dc1rom1l.3", "dc1rom1u.8", "dc1rom2l.4", "dc1rom2u.7", "dc1rom3l.1", "dc1rom3u.9"});
  std::vector<TAuditNote> notes;
  c.Load(&notes);
  for (const std::size_t p : {20u, 21u}) {
    EXPECT_TRUE(c.Games[p].Available);
    EXPECT_EQ(notes[p].Reason, TAuditNote::Ok) << c.Games[p].RomPath;
    EXPECT_TRUE(notes[p].Bad.empty()) << notes[p].Bad.at(0).Name;
  }
  // A cut name stands for a member no other name matches: without te2rom3u it is missing.
  c.Zip("tk2b.zip", {"te2ver-b.2l", "te2ver-b.2j", "te2ver-b.2k", "te2ver-b.2f", "te2rom0l",
                     "te2rom0u", "te2rom1l", "te2rom1u", "te2rom2l", "te2rom2u", "te2rom3l"});
  c.Load(&notes);
  ASSERT_EQ(notes[20].Bad.size(), 1u);
  EXPECT_EQ(notes[20].Bad[0].Name, "te");
}

// ---- Matching archive members ----

TEST(Audit, OneListedFileInTheArchiveIsEnoughAndCaseIsIgnored) {
  TCatalogue c;
  c.List(Game(1, "upper.zip", "sfe-04a,sfe-05m") + Game(2, "bin.zip", "sfe-04a") +
         Game(3, "single.zip", "a,b,c") + Game(4, "none.zip", "a,b") +
         Game(5, "pathed.zip", "sfe-04a"));
  c.Zip("upper.zip", {"SFE-04A"});
  c.Zip("bin.zip", {"sfe-04a.bin"});
  c.Zip("single.zip", {"c"});
  c.Zip("none.zip", {"x", "y"});
  c.Zip("pathed.zip", {"roms/sfex/SFE-04a"});
  std::vector<TAuditNote> notes;
  c.Load(&notes);
  ASSERT_EQ(c.Games.size(), 5u);
  EXPECT_TRUE(c.Games[0].Available);
  EXPECT_FALSE(c.Games[1].Available);
  EXPECT_TRUE(c.Games[2].Available);
  EXPECT_FALSE(c.Games[3].Available);
  EXPECT_TRUE(c.Games[4].Available);  // the member's folder plays no part
  EXPECT_EQ(notes[3].Reason, TAuditNote::NoExpectedFile);
  EXPECT_EQ(notes[3].Expected, (std::vector<std::string>{"a", "b"}));
}

TEST(Audit, NamesAreSplitAtCommasAndKeepTheirBlanks) {
  TCatalogue c;
  c.List(Game(1, "a.zip", "x, a,") + Game(2, "b.zip", "x,,y") + Game(3, "c.zip", "q, r"));
  c.Zip("a.zip", {"a"});     // " a" is not "a"
  c.Zip("b.zip", {"dir/"});  // a folder entry has an empty name, like the ",," one
  c.Zip("c.zip", {" r"});
  c.Load();
  EXPECT_FALSE(c.Games[0].Available);
  EXPECT_TRUE(c.Games[1].Available);
  EXPECT_TRUE(c.Games[2].Available);
}

TEST(Audit, WithoutNamesOrWithoutAReadableDirectoryTheArchiveAloneCounts) {
  TCatalogue c;
  c.List(Game(1, "nofiles.zip", "") + Game(2, "garbage.zip", "a") + Game(3, "", "a"));
  c.Zip("nofiles.zip", {"whatever"});
  WriteFileBytes(c.Dir / "Roms/garbage.zip", std::string(100, 'x'));
  std::vector<TAuditNote> notes;
  c.Load(&notes);
  EXPECT_TRUE(c.Games[0].Available);
  EXPECT_TRUE(c.Games[1].Available);
  EXPECT_EQ(notes[1].Reason, TAuditNote::DirectoryUnreadable);
  EXPECT_FALSE(c.Games[2].Available);  // an empty Romname names the folder itself
  EXPECT_EQ(c.Games[2].RomPath, "Roms\\");
  EXPECT_EQ(c.Games[2].Preview, "jpg");
}

// ---- Paths ----

TEST(Audit, ArchivesAreFoundWhateverTheCaseOfTheirNamesOnDisk) {
  TCatalogue c;
  c.List("[General]\r\nPath=roms\r\n" + Game(1, "sfex.zip", "sfe-04a"));
  c.Zip("SFEX.ZIP", {"sfe-04a"});
  c.Load();
  EXPECT_EQ(c.RomDir, "roms\\");
  EXPECT_TRUE(c.Games[0].Available);
}

TEST(Audit, AnAbsoluteRomDirectoryWithBackslashesIsUsedAsGiven) {
  TCatalogue c;
  TTempDir roms;
  WriteFileBytes(roms / "a.zip", BuildZip({Member("a")}));
  std::string stored = roms.Path();
  for (auto& ch : stored)
    if (ch == '/') ch = '\\';
  c.List("[General]\r\nPath=" + stored + "\r\n" + Game(1, "a.zip", "a"));
  c.Load();
  EXPECT_EQ(c.Games[0].RomPath, stored + "a.zip");
  EXPECT_TRUE(c.Games[0].Available);
}

TEST(Audit, AnEmptyPathMakesTheRootTheRomDirectory) {
  TCatalogue c;
  c.List("[General]\r\nPath=\r\n" + Game(1, "definitely-not-here.zip", ""));
  c.Load();
  EXPECT_EQ(c.RomDir, "\\");
  EXPECT_FALSE(c.Games[0].Available);
}

// ---- The company list ----

TEST(Audit, CompaniesAreDistinctInOrderOfFirstAppearanceAndCaseSensitive) {
  TCatalogue c;
  c.List(Game(1, "a.zip", "", "Namco") + Game(2, "a.zip", "", "") + Game(3, "a.zip", "", "namco") +
         Game(4, "a.zip", "", "Namco") + "[Rom6]\r\nGame=Unreached\r\n");
  EXPECT_EQ(c.Load(), (std::vector<std::string>{"Namco", "", "namco"}));
  EXPECT_EQ(c.Games.size(), 4u);  // Rom5 is missing: the catalogue ends there
}

// ---- Failures ----

// Root opens any file, so the unreadable archive is read by an unprivileged child.
TEST(Audit, AnArchiveThatCannotBeOpenedStopsTheLoadWithTheGamesReadSoFar) {
  TCatalogue c;
  c.List(Game(1, "ok.zip", "a") + Game(2, "locked.zip", "a") + Game(3, "ok.zip", "a"));
  c.Zip("ok.zip", {"a"});
  c.Zip("locked.zip", {"a"});
  chmod(c.Dir.Path().c_str(), 0755);
  chmod((c.Dir / "Roms").c_str(), 0755);
  chmod((c.Dir / "ludra.ini").c_str(), 0644);
  chmod((c.Dir / "Roms/locked.zip").c_str(), 0);
  int pipeFd[2];
  ASSERT_EQ(pipe(pipeFd), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFd[0]);
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    std::string report;
    try {
      c.Load();
      report = "no error";
    } catch (const EFOpenError& e) {
      report =
          std::to_string(c.Games.size()) + (c.Games.back().Available ? " A " : " M ") + e.what();
    }
    if (write(pipeFd[1], report.data(), report.size()) < 0) _exit(4);
    _exit(0);
  }
  close(pipeFd[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = read(pipeFd[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  close(pipeFd[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(report.starts_with("2 A ")) << report;
  EXPECT_NE(report.find(c.Dir / "Roms/locked.zip"), std::string::npos) << report;
}

TEST(Audit, AListFileThatCannotBeCreatedIsAnErrorNamingIt) {
  TTempDir dir;
  const TPaths paths{dir / "no-such-folder/", dir.Path()};
  TGameList games;
  std::string romDir;
  try {
    LoadGames(paths, games, romDir);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find(dir / "no-such-folder/ludra.ini"), std::string::npos);
  }
}
