// The list file under a settings writer that is killed at random moments: it always parses, keeps
// every section, and each game holds all of its old settings or all of one save's. Temporary files
// of killed writers are cleared by the next write that completes. Two programs saving at once
// lose nothing of each other's.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "catalogue/IniFile.h"
#include "catalogue/ListFile.h"
#include "tests/launch/LaunchSupport.h"

namespace {

using TClock = std::chrono::steady_clock;

const std::vector<std::string> kSettingsKeys = {
    "CutOff",    "CBuffer", "DBuffer",    "Interpreter", "Geometry",  "Sound",      "Filter",
    "Surround",  "Stereo",  "Multiplier", "Renderer",    "Windowed",  "Xmax",       "Ymax",
    "Dithering", "BPP",     "FPS",        "Skip",        "Detection", "FrameLimit", "FrameRate",
    "Filtering", "Caching", "Quality",    "Display",     "Blending",  "Scanlines"};
const std::vector<std::string> kCatalogueKeys = {"Game", "Country", "Company", "System",
                                                 "Year", "Romname", "Files"};
const std::vector<int> kGames = {1, 7, 25};
const std::string kMissing = "\x01(missing)";

// Two settings records that differ in every field, so a key tells which one it came from.
TGameSettings Variant(bool second) {
  TGameSettings s;
  s.CutOff = second ? "11025" : "22050";
  s.CBuffer = second ? "8192" : "4096";
  s.DBuffer = second ? "1024" : "2048";
  s.Interpreter = !second;
  s.Geometry = !second;
  s.Sound = !second;
  s.Filter = second;
  s.Surround = second;
  s.Stereo = second;
  s.Multiplier = second ? "80" : "40";
  s.Renderer = second ? 1 : 0;
  s.RomDir = second ? "Other Roms\\" : "Roms\\";
  s.Windowed = !second;
  s.Xmax = second ? "1024" : "640";
  s.Ymax = second ? "768" : "480";
  s.Dithering = second;
  s.BPP = second ? 0 : 2;
  s.FPS = !second;
  s.Skip = second;
  s.Detection = !second;
  s.FrameLimit = !second;
  s.FrameRate = second ? "60" : "100";
  s.Filtering = second ? 3 : 0;
  s.Caching = second ? 0 : 2;
  s.Quality = second ? 1 : 3;
  s.Display = second ? 2 : 0;
  s.Blending = second ? 3 : 0;
  s.Scanlines = second ? 2 : 0;
  return s;
}

// The texts each variant leaves in the list file, as SaveSettings writes them.
struct TVariantTexts {
  std::map<std::string, std::string> First, Second;  // key -> text; "Path" for General/Path
};

TVariantTexts SavedTexts() {
  TVariantTexts texts;
  for (const bool second : {false, true}) {
    TLaunchSetup setup;
    setup.Launcher.GameSettings = Variant(second);
    setup.Launcher.SaveSettings(1);
    const TListFile file(setup.ListFile());
    auto& into = second ? texts.Second : texts.First;
    for (const std::string& key : kSettingsKeys) into[key] = file.ReadString("Rom1", key, kMissing);
    into["Path"] = file.ReadString("General", "Path", kMissing);
  }
  return texts;
}

std::vector<std::string> SectionNames(const std::string& text) {
  std::vector<std::string> names;
  for (const std::string& line : SplitLines(text))
    if (line.size() > 2 && line.front() == '[' && line.back() == ']')
      names.push_back(line.substr(1, line.size() - 2));
  return names;
}

std::vector<std::string> Temporaries(const std::string& dir) {
  std::vector<std::string> found;
  if (DIR* listing = opendir(dir.c_str())) {
    while (const dirent* entry = readdir(listing))
      if (std::string(entry->d_name).rfind(".ludra.ini.tmp-", 0) == 0)
        found.push_back(entry->d_name);
    closedir(listing);
  }
  return found;
}

// The killed writer: saves the games in turn, alternating the two records, until killed. It says
// once, through `ready`, that it has begun.
[[noreturn]] void WriteUntilKilled(const TPaths& paths, int ready, int first) {
  try {
    TRecordingShell shell;
    TLauncher launcher(paths, shell);
    const char go = 1;
    if (write(ready, &go, 1) != 1) _exit(3);
    for (int i = first;; ++i) {
      launcher.GameSettings = Variant(i % 2 == 1);
      launcher.SaveSettings(kGames[static_cast<std::size_t>(i / 2) % kGames.size()]);
    }
  } catch (...) {
  }
  _exit(2);
}

// Counts what the rounds saw; the assertions are made as they go.
struct TRoundStats {
  int Rounds = 0;
  int Changed = 0;    // rounds after which the file differed from the one before
  int Leftovers = 0;  // rounds after which the killed writer's temporary file was left
};

// Kills a writer `rounds` times (or until `budget` runs out) in the list file of `dir`, each after
// a random delay of up to `maxDelay`, and checks the file after every kill.
TRoundStats KillRounds(const std::string& dir, int rounds, std::chrono::microseconds maxDelay,
                       std::chrono::seconds budget) {
  const TPaths paths{dir, dir};
  const std::string list = dir + "ludra.ini";
  EnsureListFile(list);
  const TIniFile catalogue{std::string(kDefaultCatalogue)};
  const TVariantTexts texts = SavedTexts();
  const std::size_t maxLines =
      SplitLines(std::string(kDefaultCatalogue)).size() + kGames.size() * kSettingsKeys.size() + 2;

  std::mt19937 random(20240607);
  std::uniform_int_distribution<long> delay(0, maxDelay.count());
  TRoundStats stats;
  const auto deadline = TClock::now() + budget;
  for (int round = 0; round < rounds && TClock::now() < deadline; ++round) {
    const std::string beforeText = ReadFileBytes(list);
    const TIniFile before(beforeText);

    int ready[2];
    EXPECT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(ready[0]);
      WriteUntilKilled(paths, ready[1], round);
    }
    close(ready[1]);
    EXPECT_GT(child, 0);
    if (child <= 0) break;
    char go = 0;
    EXPECT_EQ(read(ready[0], &go, 1), 1);
    close(ready[0]);
    usleep(static_cast<useconds_t>(delay(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer stopped on its own, status " << status;
    ++stats.Rounds;

    const std::string afterText = ReadFileBytes(list);
    TIniFile after;
    EXPECT_NO_THROW(after = TIniFile::Load(list)) << "round " << round;
    EXPECT_LE(SplitLines(afterText).size(), maxLines) << "round " << round;
    for (const std::string& section : SectionNames(beforeText))
      EXPECT_TRUE(after.SectionExists(section)) << section << ", round " << round;
    for (int n = 0; n <= 25; ++n)
      for (const std::string& key : kCatalogueKeys) {
        const std::string section = "Rom" + std::to_string(n);
        EXPECT_EQ(after.ReadString(section, key, kMissing), catalogue.ReadString(section, key, ""))
            << section << "/" << key << ", round " << round;
      }
    // Every settings key: its old value or one the writer was saving.
    auto check = [&](const std::string& section, const std::string& key,
                     const std::string& textKey) {
      const std::string old = before.ReadString(section, key, kMissing);
      const std::string now = after.ReadString(section, key, kMissing);
      EXPECT_TRUE(now == old || now == texts.First.at(textKey) || now == texts.Second.at(textKey))
          << section << "/" << key << " = " << now << ", round " << round;
      if (old != kMissing) {
        EXPECT_NE(now, kMissing) << section << "/" << key << ", round " << round;
      }
      return now;
    };
    check("General", "Path", "Path");
    // A save is whole or absent: a game holds its old settings, or every key of one record.
    for (const int n : kGames) {
      const std::string section = "Rom" + std::to_string(n);
      int first = 0, second = 0, missing = 0, old = 0;
      for (const std::string& key : kSettingsKeys) {
        const std::string now = check(section, key, key);
        old += now == before.ReadString(section, key, kMissing);
        if (key == "Sound") continue;  // the catalogue's flag equals the first record's text
        missing += now == kMissing;
        first += now == texts.First.at(key);
        second += now == texts.Second.at(key);
      }
      const int keys = static_cast<int>(kSettingsKeys.size()) - 1;
      EXPECT_TRUE(old == keys + 1 || first == keys || second == keys)
          << section << ": " << old << " old, " << first << " of one save, " << second
          << " of the other, " << missing << " missing; round " << round;
    }
    stats.Changed += afterText != beforeText;
    stats.Leftovers += !Temporaries(dir).empty();
    if (::testing::Test::HasFailure()) break;  // one broken round says enough
  }
  // For the test report: how often a kill came mid-save, and left a temporary file behind.
  ::testing::Test::RecordProperty("rounds", stats.Rounds);
  ::testing::Test::RecordProperty("changed", stats.Changed);
  ::testing::Test::RecordProperty("temporary_left", stats.Leftovers);
  return stats;
}

// A folder in memory where there is one: the kill tests the order of the writer's steps, which
// does not depend on the disk, and without the disk's flushes hundreds of rounds take seconds.
std::string MemoryParent() {
  struct stat st;
  if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0)
    return "/dev/shm";
  return std::filesystem::temp_directory_path().string();
}

void ExpectNormalRunClearsTemporaries(const std::string& dir) {
  const TPaths paths{dir, dir};
  TRecordingShell shell;
  TLauncher launcher(paths, shell);
  launcher.GameSettings = Variant(true);
  for (const int n : kGames) launcher.SaveSettings(n);
  EXPECT_EQ(Temporaries(dir), std::vector<std::string>{});
  const TListFile file(dir + "ludra.ini");
  for (const int n : kGames)
    EXPECT_EQ(file.ReadString("Rom" + std::to_string(n), "Xmax", ""), "1024");
}

}  // namespace

// ---- Killed in the middle of SaveSettings ----

TEST(ListFileCrashSafety, KilledSettingsWriterNeverCostsASectionOrAValue) {
  TTempDir dir(MemoryParent());
  const TRoundStats stats =
      KillRounds(dir.Path(), 300, std::chrono::microseconds(8000), std::chrono::seconds(12));
  EXPECT_GE(stats.Rounds, 50);  // the time budget may cut the rounds short on a busy machine
  EXPECT_GT(stats.Changed, 0) << "no save completed before a kill";
  ExpectNormalRunClearsTemporaries(dir.Path());
}

TEST(ListFileCrashSafety, KilledSettingsWriterOnDisk) {
  // Each write is flushed to the disk here, so a save takes long and fewer rounds fit.
  TTempDir dir;
  const TRoundStats stats =
      KillRounds(dir.Path(), 25, std::chrono::microseconds(250000), std::chrono::seconds(6));
  EXPECT_GE(stats.Rounds, 5);
  ExpectNormalRunClearsTemporaries(dir.Path());
}

// ---- Temporary files ----

TEST(ListFileCrashSafety, NormalRunLeavesNoTemporaryFile) {
  TLaunchSetup setup;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TRecordingShell shell;
    TLauncher launcher(setup.Paths, shell);
    for (const int n : kGames) {
      launcher.GameSettings = Variant(n % 2 == 1);
      launcher.SaveSettings(n);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Temporaries(setup.Dir.Path()), std::vector<std::string>{});
  EXPECT_EQ(TListFile(setup.ListFile()).ReadString("Rom7", "CutOff", ""), "11025");
}

TEST(ListFileCrashSafety, AWriteClearsOnlyItsOwnTargetsLeftoversOfProcessesThatAreGone) {
  TLaunchSetup setup;
  const std::string& dir = setup.Dir.Path();
  const pid_t gone = fork();
  ASSERT_GE(gone, 0);
  if (gone == 0) _exit(0);
  ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
  const std::string goneId = std::to_string(gone);
  const std::string liveId = std::to_string(getppid());

  const std::vector<std::string> kept = {
      ".ludra.ini.tmp-" + liveId + "-1",   // its writer is still running
      ".ludra.ini.tmp-" + goneId + "-x",   // not this program's pattern
      ".ludra.ini.tmp-" + goneId + "-",    // nor this
      ".ludra.ini.tmp--7",                 // nor this
      ".other.ini.tmp-" + goneId + "-1",   // another target
      "ludra.ini.tmp-" + goneId + "-1",    // not hidden: not ours
      ".ludra.ini.tmp-" + goneId + "-4",   // a directory
      ".ludra.ini.tmp-" + goneId + "-5"};  // a symbolic link
  for (std::size_t i = 0; i + 2 < kept.size(); ++i) WriteFileBytes(dir + kept[i], "keep");
  MakeDirs(dir + kept[kept.size() - 2]);
  WriteFileBytes(dir + "elsewhere", "target");
  ASSERT_EQ(symlink((dir + "elsewhere").c_str(), (dir + kept.back()).c_str()), 0);
  const std::vector<std::string> stale = {".ludra.ini.tmp-" + goneId + "-1",
                                          ".ludra.ini.tmp-" + goneId + "-123456789012"};
  for (const std::string& name : stale) WriteFileBytes(dir + name, "[Rom1]\r\nGame=half");

  TListFileChange change(setup.ListFile());
  change.WriteString("General", "Path", "Roms\\");
  change.Commit();
  for (const std::string& name : stale) {
    struct stat st;
    EXPECT_NE(lstat((dir + name).c_str(), &st), 0) << name;
  }
  for (const std::string& name : kept) {
    struct stat st;
    EXPECT_EQ(lstat((dir + name).c_str(), &st), 0) << name;
  }
  EXPECT_EQ(ReadFileBytes(dir + "elsewhere"), "target");
}

// ---- Two programs saving at once ----

// Each saves its own game over and over, every round with new values; afterwards each game holds
// the values of its own last round. Unlocked, a save could replace the file from a copy read
// before the other's save, and undo it.
TEST(ListFileConcurrency, TwoProgramsSavingDifferentGamesLoseNothing) {
  TTempDir dir(MemoryParent());
  const TPaths paths{dir.Path(), dir.Path()};
  EnsureListFile(dir / "ludra.ini");
  constexpr int kRounds = 150;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      TRecordingShell shell;
      TLauncher launcher(paths, shell);
      launcher.GameSettings = Variant(c == 1);
      try {
        for (int round = 1; round <= kRounds; ++round) {
          launcher.GameSettings.CutOff = std::to_string(round);
          launcher.GameSettings.Xmax = std::to_string(round * 2);
          launcher.SaveSettings(c == 0 ? 3 : 4);
        }
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const TListFile file(dir / "ludra.ini");
  for (const char* section : {"Rom3", "Rom4"}) {
    EXPECT_EQ(file.ReadString(section, "CutOff", ""), std::to_string(kRounds)) << section;
    EXPECT_EQ(file.ReadString(section, "Xmax", ""), std::to_string(kRounds * 2)) << section;
  }
  EXPECT_EQ(file.ReadString("Rom4", "Filtering", ""), "3");  // the second record's, whole
}
