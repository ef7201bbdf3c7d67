// The cache of what earlier audits read never changes an answer: after any sequence of changes
// to archives, the list file and the DAT, an audit with it says what one without it says. A cache
// file that cannot be trusted is read as none; a folder that cannot be made leaves the audit as
// it is.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>

#include "catalogue/AuditCache.h"
#include "catalogue/AuditEngine.h"
#include "catalogue/AuditText.h"
#include "catalogue/Dat.h"
#include "catalogue/FixDat.h"
#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace {
constexpr int kGames = 10;
const char* const kMembers[] = {"a", "b", "C", "sub/d", "e.bin"};

// A ROM folder, its list file and its DAT, changed at random; each game n has the archive
// "g<n>.zip" and lists some of the member names.
struct TFolder {
  TTempDir Dir;
  std::mt19937 Random{20260};
  std::string List, DatPath = Dir / "list.dat";

  TFolder() {
    MakeDirs(Dir / "Roms");
    for (int n = 0; n < kGames; ++n) WriteZip(Archive(n));
    EditList();
    EditDat();
  }
  int Pick(int count) { return static_cast<int>(Random() % static_cast<unsigned>(count)); }
  std::string Archive(int n) { return Dir / ("Roms/g" + std::to_string(n) + ".zip"); }
  std::string Data() { return std::string(static_cast<std::size_t>(1 + Pick(3)), "xyz"[Pick(3)]); }
  std::string Zip() {
    std::vector<TZipMember> members;
    for (const char* name : kMembers)
      if (Pick(3) != 0) {
        members.push_back({});
        members.back().Name = name;
        members.back().Data = Data();
      }
    return BuildZip(members);
  }
  void WriteZip(const std::string& path) { WriteFileBytes(path, Zip()); }
  void EditList() {
    List = "[General]\r\nPath=Roms\r\n";
    for (int n = 0; n < kGames; ++n) {
      std::string files;
      for (const char* name : kMembers)
        if (Pick(2))
          files += std::string(files.empty() ? "" : ",") + fs::path(name).filename().string();
      const std::string rom =
          Pick(8) ? "g" + std::to_string(n) : "G" + std::to_string(Pick(kGames));
      List += "[Rom" + std::to_string(n + 1) + "]\r\nGame=Game " + std::to_string(n) +
              "\r\nCompany=C" + std::to_string(n % 3) + "\r\nRomname=" + rom +
              ".zip\r\nFiles=" + files + "\r\n";
    }
  }
  void EditDat() {
    std::string text = "<?xml version=\"1.0\"?>\n<datafile>\n";
    for (int n = 0; n < kGames; ++n) {
      text += "<game name=\"g" + std::to_string(n) + "\"" +
              (n % 4 == 1 ? " cloneof=\"g0\" romof=\"g0\"" : "") + ">\n";
      for (const char* name : kMembers) {
        const std::string data = Data();
        text += "<rom name=\"" + fs::path(name).filename().string() + "\" size=\"" +
                std::to_string(data.size()) + "\" crc=\"" + CrcText(Crc32(data)) + "\"" +
                (n % 4 == 1 && Pick(2) ? " merge=\"a\"" : "") + "/>\n";
      }
      text += "</game>\n";
    }
    text += "</datafile>\n";
    WriteFileBytes(DatPath, text);
  }

  // One change of the kinds a ROM folder sees.
  void Change() {
    const std::string path = Archive(Pick(kGames));
    switch (Pick(9)) {
      case 0:  // replaced by a new file
        WriteFileBytes(path + ".new", Zip());
        fs::rename(path + ".new", path);
        break;
      case 1:  // rewritten in place
        WriteZip(path);
        break;
      case 2:
        if (fs::exists(path)) fs::resize_file(path, static_cast<std::uintmax_t>(Pick(120)));
        break;
      case 3: {  // touched
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000 + Pick(100000), 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
        break;
      }
      case 4: {  // renamed over another, or to another letter case
        const std::string other = Pick(2) ? Archive(Pick(kGames)) : Dir / "Roms/G1.ZIP";
        if (fs::exists(path)) fs::rename(path, other);
        break;
      }
      case 5:
        fs::remove(path);
        break;
      case 6:
        WriteZip(path);
        break;
      case 7:
        EditDat();
        break;
      default:
        EditList();
    }
  }
};

// Every output of an audit, as the window, --missing, --json and the fixdat take it from the
// games and their notes.
std::string Outputs(const TFolder& folder, TAuditCache* cache, bool slowReads = false) {
  // The DAT too, parsed or as the cache kept it.
  std::optional<TDat> dat;
  if (cache)
    dat.emplace(ReadDatCached(folder.DatPath, cache->Folder(), cache->RacyWindow()));
  else
    dat.emplace(ReadDat(folder.DatPath));
  TAuditOptions options;
  options.Dat = &*dat;
  options.Cache = cache;
  // Slow reads start the reader threads, which then share the cache.
  if (slowReads)
    options.BeforeRead = [](std::size_t) {
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    };
  TGameList games;
  std::vector<TAuditNote> notes;
  std::vector<std::string> companies;
  std::string romDir, text;
  try {
    companies =
        LoadGamesFrom(TIniFile(folder.List), folder.Dir.Path(), games, romDir, &notes, &options);
  } catch (const std::exception& e) {
    text = std::string("error: ") + e.what() + "\n";
  }
  TFixDat fixdat("fix", "test");
  for (std::size_t i = 0; i < games.size(); ++i) {
    const TGame& g = games[i];
    const TAuditNote& n = notes[i];
    text += g.Game + "|" + g.RomPath + "|" + g.Preview + "|" + (g.Available ? "+" : "-") + "|" +
            std::to_string(n.Reason) + "|" + std::to_string(n.Listed) + "|" + n.DatGame + "|" +
            AuditNoteText(g.RomPath, n, folder.Dir.Path()) + "\n";
    fixdat.Add(g.RomPath, g.Game, n);
  }
  for (const std::string& c : companies) text += c + ";";
  return text + "\n" + fixdat.Text();
}

// The cache of the folder's catalogue, as the next audit loads it.
TAuditCache Loaded(const TTempDir& cacheDir,
                   std::chrono::nanoseconds racy = std::chrono::nanoseconds::zero()) {
  return TAuditCache(cacheDir / "ludra", "catalogue", racy);
}
}  // namespace

TEST(AuditCache, AnySequenceOfChangesGivesTheAnswersOfAnAuditWithoutIt) {
  TFolder folder;
  TTempDir cacheDir;
  std::size_t hits = 0;
  for (int step = 0; step < 80; ++step) {
    // A change lands in a later tick of the file system's clock than the audit before it, so
    // nothing here is racily clean (tested below with the cache's own window).
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
    folder.Change();
    TAuditCache cache = Loaded(cacheDir);
    const std::string cached = Outputs(folder, &cache, step % 5 == 0);
    ASSERT_EQ(cached, Outputs(folder, nullptr)) << "step " << step;
    cache.Save();
    hits += cache.Hits();
  }
  EXPECT_GT(hits, 100u);  // the cache was used, not only written
}

TEST(AuditCache, AnArchiveChangedJustBeforeTheSaveIsReadAgain) {
  // Within the window a change in the same tick of the file system's clock could leave the key
  // as it was (an in-place rewrite of the same size), so such archives are not kept.
  TFolder folder;
  TTempDir cacheDir;
  const auto window = std::chrono::milliseconds(300);
  const auto audit = [&](bool wait) {
    TAuditCache cache = Loaded(cacheDir, window);
    EXPECT_EQ(Outputs(folder, &cache), Outputs(folder, nullptr));
    if (wait) std::this_thread::sleep_for(window);
    cache.Save();
    return cache.Hits();
  };
  EXPECT_EQ(audit(false), 0u);
  EXPECT_EQ(audit(true), 0u);  // nothing was kept
  const std::size_t all = audit(false);
  EXPECT_GT(all, 0u);
  folder.WriteZip(folder.Archive(0));
  const std::size_t after = audit(false);
  EXPECT_LT(after, all);
  EXPECT_EQ(audit(false), after);  // the rewritten archive was not kept either
}

TEST(AuditCache, AFileThatCannotBeTrustedIsReadAsNoneAndRewritten) {
  TFolder folder;
  TTempDir cacheDir;
  std::this_thread::sleep_for(std::chrono::milliseconds(12));
  const std::string expected = Outputs(folder, nullptr);
  std::string good;
  {
    TAuditCache cache = Loaded(cacheDir);
    ASSERT_EQ(Outputs(folder, &cache), expected);
    cache.Save();
    good = ReadFileBytes(cache.Path());
  }
  const std::size_t all = [&] {
    TAuditCache cache = Loaded(cacheDir);
    Outputs(folder, &cache);
    return cache.Hits();
  }();
  ASSERT_GT(all, 0u);
  std::string newer = good, damaged = good;
  newer[8] = static_cast<char>(newer[8] + 1);  // the format's version
  damaged[damaged.size() / 2] ^= 0x20;         // a byte of the entries
  for (const std::string& bad : {good.substr(0, good.size() / 2), good.substr(0, 20), newer,
                                 damaged, std::string("not a cache"), std::string()}) {
    // The catalogue's file and the DAT's alike.
    for (const auto& file : fs::directory_iterator(cacheDir / "ludra"))
      WriteFileBytes(file.path().string(), bad);
    {
      TAuditCache cache = Loaded(cacheDir);
      EXPECT_EQ(cache.Hits(), 0u);
      EXPECT_EQ(Outputs(folder, &cache), expected);
      EXPECT_EQ(cache.Hits(), 0u);
      cache.Save();
    }
    TAuditCache cache = Loaded(cacheDir);
    Outputs(folder, &cache);
    EXPECT_EQ(cache.Hits(), all);  // written anew
  }
  // Another catalogue's file of the same name is not taken for this one's.
  TAuditCache other(cacheDir / "ludra", "another catalogue");
  fs::copy_file(Loaded(cacheDir).Path(), other.Path(), fs::copy_options::overwrite_existing);
  TAuditCache reloaded(cacheDir / "ludra", "another catalogue");
  EXPECT_EQ(Outputs(folder, &reloaded), expected);
  EXPECT_EQ(reloaded.Hits(), 0u);

  // A folder that cannot be made: the audit runs as without a cache, silently.
  WriteFileBytes(cacheDir / "file", "");
  TAuditCache nowhere(cacheDir / "file/ludra", "catalogue");
  EXPECT_FALSE(nowhere.On());
  EXPECT_EQ(Outputs(folder, &nowhere), expected);
  nowhere.Save();
  EXPECT_FALSE(fs::exists(cacheDir / "file/ludra"));
}

TEST(AuditCache, TheToolUsesItUnlessToldNotToAndTwoAtOnceLeaveItWhole) {
  TFolder folder;
  TTempDir home;
  WriteFileBytes(folder.Dir / "list.ini", folder.List);
  std::this_thread::sleep_for(TAuditCache::kRacyWindow + std::chrono::milliseconds(100));
  const std::string tool = "cd '" + folder.Dir.Path() + "' && XDG_CACHE_HOME='" + home.Path() +
                           "' '" LUDRA_AUDIT_TOOL
                           "' --list list.ini --dat list.dat --json --missing";
  const TRun without = RunCommand(tool + " --no-cache");
  EXPECT_FALSE(fs::exists(home / "ludra"));  // neither read nor written
  const std::string a = folder.Dir / "a.json", b = folder.Dir / "b.json";
  RunCommand("(" + tool + " > '" + a + "' & " + tool + " > '" + b + "'; wait)");
  EXPECT_EQ(ReadFileBytes(a) + ReadFileBytes(b), without.Out + without.Out);
  const TRun again = RunCommand(tool);
  EXPECT_EQ(again.Out, without.Out);
  // What the two wrote last is whole: an audit of the same folder finds its archives there.
  TAuditCache written(home / "ludra", folder.Dir / "list.ini\n" + folder.Dir.Path());
  EXPECT_EQ(Outputs(folder, &written), Outputs(folder, nullptr));
  EXPECT_GT(written.Hits(), 0u);
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(home / "ludra")) files += entry.is_regular_file();
  EXPECT_EQ(files, 2u);  // the catalogue's and its DAT's, no temporary left behind
}
