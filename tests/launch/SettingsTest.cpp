#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/Games.h"
#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "tests/launch/LaunchSupport.h"

namespace {

TGameSettings DefaultSettings() {
  TGameSettings s;
  s.CutOff = "22050";
  s.CBuffer = "4096";
  s.DBuffer = "2048";
  s.Interpreter = s.Geometry = s.Sound = true;
  s.Multiplier = "40";
  s.Renderer = 0;
  s.Windowed = true;
  s.Xmax = "640";
  s.Ymax = "480";
  s.BPP = 2;
  s.FPS = s.Detection = s.FrameLimit = true;
  s.FrameRate = "100";
  s.Filtering = 0;
  s.Caching = 2;
  s.Quality = 3;
  s.Display = s.Blending = s.Scanlines = 0;
  s.RomDir = "Roms\\";
  return s;
}

// Every field off its default, so a field that is not saved or not loaded shows.
TGameSettings UnusualSettings() {
  TGameSettings s;
  s.CutOff = "11025";
  s.CBuffer = "8192";
  s.DBuffer = "1024";
  s.Interpreter = s.Geometry = s.Sound = false;
  s.Filter = s.Surround = s.Stereo = true;
  s.Multiplier = "7";
  s.Renderer = 1;
  s.Windowed = false;
  s.Xmax = "1024";
  s.Ymax = "768";
  s.Dithering = true;
  s.BPP = 0;
  s.FPS = s.Detection = s.FrameLimit = false;
  s.Skip = true;
  s.FrameRate = "60";
  s.Filtering = 3;
  s.Caching = 1;
  s.Quality = 1;
  s.Display = 2;
  s.Blending = 3;
  s.Scanlines = 2;
  s.RomDir = "D:\\Arcade\\";
  return s;
}

// The key names of one section, in file order.
std::vector<std::string> SectionKeys(const std::string& text, const std::string& section) {
  std::vector<std::string> keys;
  bool inside = false;
  for (const auto& line : SplitLines(text)) {
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + section + "]";
      continue;
    }
    const auto eq = line.find('=');
    if (inside && eq != std::string::npos) keys.push_back(line.substr(0, eq));
  }
  return keys;
}

bool HasLine(const std::string& text, const std::string& line) {
  for (const auto& l : SplitLines(text))
    if (l == line) return true;
  return false;
}

}  // namespace

// ---- Loading -------------------------------------------------------------------------------

TEST(LoadSettings, FreshListFileGivesDefaults) {
  TLaunchSetup s;
  s.Launcher.Renderers = {"a.tvi", "b.tvi"};
  s.Launcher.LoadSettings(1);
  EXPECT_EQ(s.Launcher.GameSettings, DefaultSettings());
  // Loading created the list file from the default catalogue and wrote nothing to it.
  EXPECT_EQ(ReadFileBytes(s.ListFile()), std::string(kDefaultCatalogue));
}

TEST(LoadSettings, CatalogueSoundFlagIsUseSound) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(18);  // Soul Edge: "Sound=0" in the default catalogue
  EXPECT_FALSE(s.Launcher.GameSettings.Sound);
  s.Launcher.LoadSettings(17);  // "Sound=1"
  EXPECT_TRUE(s.Launcher.GameSettings.Sound);
}

TEST(LoadSettings, RendererWithoutPluginsSelectsNothing) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(1);
  EXPECT_EQ(s.Launcher.GameSettings.Renderer, -1);
}

TEST(LoadSettings, IndexNamingNoItemSelectsNothingAndSavesAsMinusOne) {
  TLaunchSetup s;
  WriteFileBytes(s.ListFile(),
                 "[Rom1]\r\nGame=X\r\nRenderer=5\r\nBPP=3\r\nFiltering=-1\r\nCaching=1\r\n"
                 "Quality=0x2\r\nScanlines=abc\r\nDisplay=-0\r\n");
  s.Launcher.Renderers = {"a.tvi", "b.tvi"};
  s.Launcher.LoadSettings(1);
  const TGameSettings& g = s.Launcher.GameSettings;
  EXPECT_EQ(g.Renderer, -1);
  EXPECT_EQ(g.BPP, -1);
  EXPECT_EQ(g.Filtering, -1);
  EXPECT_EQ(g.Caching, 1);
  EXPECT_EQ(g.Quality, 2);    // hexadecimal, as integers are read
  EXPECT_EQ(g.Scanlines, 0);  // no number: the default
  EXPECT_EQ(g.Display, 0);

  s.Launcher.SaveSettings(1);
  const std::string text = ReadFileBytes(s.ListFile());
  EXPECT_TRUE(HasLine(text, "Renderer=-1"));
  EXPECT_TRUE(HasLine(text, "BPP=-1"));
  EXPECT_TRUE(HasLine(text, "Filtering=-1"));
}

TEST(LoadSettings, NonPositiveNumberRefreshesOnlyRomDir) {
  TLaunchSetup s;
  // A Rom0 section exists and must not be read for number 0.
  WriteFileBytes(s.ListFile(), "[General]\r\nPath=E:\\Sets\r\n[Rom0]\r\nCutOff=1\r\nSound=0\r\n");
  TGameSettings before = UnusualSettings();
  s.Launcher.GameSettings = before;
  for (int number : {-1, 0}) {
    s.Launcher.LoadSettings(number);
    before.RomDir = "E:\\Sets";
    EXPECT_EQ(s.Launcher.GameSettings, before) << number;
  }
}

TEST(LoadSettings, MinusOneCreatesMissingListFile) {
  TLaunchSetup s;
  const TGameSettings before = s.Launcher.GameSettings;
  s.Launcher.LoadSettings(-1);
  EXPECT_EQ(ReadFileBytes(s.ListFile()), std::string(kDefaultCatalogue));
  TGameSettings expected = before;
  expected.RomDir = "Roms\\";
  EXPECT_EQ(s.Launcher.GameSettings, expected);
}

// ---- Saving --------------------------------------------------------------------------------

TEST(SaveSettings, RoundTrip) {
  TLaunchSetup s;
  s.Launcher.Renderers = {"a.tvi", "b.tvi"};
  s.Launcher.LoadSettings(3);
  s.Launcher.GameSettings = UnusualSettings();
  s.Launcher.SaveSettings(3);

  TLauncher other(s.Paths, s.Shell);
  other.Renderers = {"a.tvi", "b.tvi"};
  other.LoadSettings(3);
  EXPECT_EQ(other.GameSettings, UnusualSettings());
  // Another game keeps its own settings.
  other.LoadSettings(4);
  TGameSettings fourth = DefaultSettings();
  fourth.RomDir = "D:\\Arcade\\";
  EXPECT_EQ(other.GameSettings, fourth);
}

TEST(SaveSettings, ClearedSoundIsTheCatalogueSoundFlag) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(2);
  s.Launcher.GameSettings.Sound = false;
  s.Launcher.SaveSettings(2);
  const auto keys = SectionKeys(ReadFileBytes(s.ListFile()), "Rom2");
  EXPECT_EQ(std::count(keys.begin(), keys.end(), "Sound"), 1);  // replaced in place
  EXPECT_TRUE(HasLine(ReadFileBytes(s.ListFile()), "Sound=0"));

  TGameList games;
  std::string romDir;
  LoadGames(s.Paths, games, romDir);
  ASSERT_GE(games.size(), 2u);
  EXPECT_TRUE(games[0].SoundFlag);
  EXPECT_FALSE(games[1].SoundFlag);
}

TEST(SaveSettings, TextsAreWrittenAsTheyStand) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(1);
  s.Launcher.GameSettings.CutOff = "12ab";
  s.Launcher.GameSettings.FrameRate = "";
  s.Launcher.GameSettings.RomDir = "C:\\My Roms";
  s.Launcher.SaveSettings(1);
  const std::string text = ReadFileBytes(s.ListFile());
  EXPECT_TRUE(HasLine(text, "CutOff=12ab"));
  EXPECT_TRUE(HasLine(text, "FrameRate="));
  EXPECT_TRUE(HasLine(text, "Path=C:\\My Roms"));
  EXPECT_TRUE(HasLine(text, "Interpreter=1"));
  EXPECT_TRUE(HasLine(text, "Filter=0"));
}

TEST(SaveSettings, NewSectionTakesTheKeysInOrder) {
  TLaunchSetup s;
  s.Launcher.LoadSettings(1);
  s.Launcher.SaveSettings(30);
  const std::string text = ReadFileBytes(s.ListFile());
  const std::vector<std::string> expected = {
      "CutOff",    "CBuffer", "DBuffer",    "Interpreter", "Geometry",  "Sound",      "Filter",
      "Surround",  "Stereo",  "Multiplier", "Renderer",    "Windowed",  "Xmax",       "Ymax",
      "Dithering", "BPP",     "FPS",        "Skip",        "Detection", "FrameLimit", "FrameRate",
      "Filtering", "Caching", "Quality",    "Display",     "Blending",  "Scanlines"};
  EXPECT_EQ(SectionKeys(text, "Rom30"), expected);
  EXPECT_EQ(SectionKeys(text, "General"), std::vector<std::string>{"Path"});
  // The catalogue before it is kept.
  EXPECT_EQ(text.substr(0, 200), std::string(kDefaultCatalogue.substr(0, 200)));
}

// A save replaces the file once, with the bytes that its keys written one at a time would leave,
// each on the text the last one left: the rules every stored list file was written by.
TEST(SaveSettings, WritesTheBytesOfItsKeysWrittenOneAtATime) {
  for (const std::string& text : VariedListFiles()) {
    TLaunchSetup s;
    WriteFileBytes(s.ListFile(), text);
    s.Launcher.Renderers = {"a.tvi", "b.tvi"};
    s.Launcher.GameSettings = UnusualSettings();
    s.Launcher.SaveSettings(3);
    const std::string saved = ReadFileBytes(s.ListFile());
    const TIniFile read(saved);
    std::string oneByOne = text;
    for (const TSetting& setting : kSettings) {
      const std::string section = setting.Section ? setting.Section : "Rom3";
      oneByOne = ApplyIniChanges(
          oneByOne, {{section, setting.Key, read.ReadString(section, setting.Key, "?")}});
    }
    EXPECT_EQ(saved, oneByOne) << text;
  }
}

TEST(SaveSettings, DoesNotCreateTheCatalogueFirst) {
  TLaunchSetup s;
  s.Launcher.GameSettings = DefaultSettings();
  s.Launcher.SaveSettings(1);
  const std::string text = ReadFileBytes(s.ListFile());
  EXPECT_EQ(text.find("[Rom0]"), std::string::npos);
  EXPECT_EQ(SectionKeys(text, "Rom1").size(), 27u);
}

TEST(SaveSettings, FailedWriteNamesTheListFile) {
  TTempDir dir;
  TRecordingShell shell;
  TLauncher launcher(TPaths{dir / "missing/", dir.Path()}, shell);
  try {
    launcher.SaveSettings(1);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.FileName, dir / "missing/ludra.ini");
    EXPECT_NE(std::string(e.what()).find(dir / "missing/ludra.ini"), std::string::npos);
  }
}
