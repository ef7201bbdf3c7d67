// Bad input from the user's disk, fed to the real window: for each, what the user is told (a
// message naming the file), that the window goes on working, and that nothing stored is lost.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <system_error>

#include "catalogue/IniFile.h"
#include "catalogue/ListFile.h"
#include "fileio/AtomicFile.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/SnapshotImage.h"
#include "ui/ThreadRoom.h"
#include "ui/UProperties.h"

namespace {

// Two games whose archives exist (available) and one whose archive is missing.
std::string ThreeGames() {
  return GameSection(1, "Alpha", "Capcom", "1996", "alpha.zip", "a1,a2") +
         GameSection(2, "Beta", "Namco", "1997", "beta.zip", "b1") +
         GameSection(3, "Gamma", "Taito", "1998", "gamma.zip", "g1") +
         "[Rom2]\r\nCutOff=11025\r\n";  // a stray second section of a name: kept, never read
}

void LayOutThreeGames(TMainWindowFixture& f) {
  f.List(ThreeGames());
  f.Zip("alpha.zip", {"A1"});
  f.Zip("beta.zip", {"b1"});
}

// Prints the message so the outcomes can be read off a test run.
void Shown(const std::string& input, const std::string& message) {
  std::cout << "[ shown    ] " << input << ": " << message << "\n";
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The window goes on: a new audit lists the catalogue, a folder change recounts it, a game can
// be selected and is named in the status bar.
void ExpectWindowWorks(TMainWindowFixture& f, int games, const std::string& title) {
  const std::size_t messages = f.Errors.Messages.size();
  f.AuditAll();
  EXPECT_EQ(f.Errors.Messages.size(), messages) << f.Errors.Messages.back();
  ASSERT_TRUE(f.SelectFolder("Non Working"));
  ASSERT_TRUE(f.SelectFolder("All Games"));
  EXPECT_EQ(f.Main().ListedCount(), games);
  EXPECT_EQ(f.Panel(2), std::to_string(games) + " Games");
  ASSERT_TRUE(f.SelectGame(title));
  EXPECT_EQ(f.Panel(0), title);
  f.Find<QAction>("actDetails")->trigger();
  f.Find<QAction>("actLargeIcons")->trigger();
  EXPECT_GE(f.Main().SelectedPosition(), 0);  // the selection survives a change of view
}

// Presses "OK" in the properties dialog as soon as it is shown.
// A failed save keeps the dialog open with the edits; it is then cancelled.
void PressOkWhenShown(TfrmProperties* dialog, bool* keptOpen = nullptr) {
  QTimer::singleShot(0, dialog, [dialog, keptOpen] {
    if (!dialog->isVisible()) return;
    FindChild<QPushButton>(*dialog, "btnOK")->click();
    if (keptOpen) *keptOpen = dialog->isVisible();
    if (dialog->isVisible()) FindChild<QPushButton>(*dialog, "btnCancel")->click();
  });
}

// Waits (bounded) for the stand-in emulator's log to be complete; false when it never came.
bool EmulatorLogged(const std::string& dir, int milliseconds) {
  for (int waited = 0; waited <= milliseconds; waited += 20) {
    if (std::filesystem::exists(dir + "tavi.log") &&
        ReadFileBytes(dir + "tavi.log").find("TurnDisplay=") != std::string::npos)
      return true;
    QTest::qWait(20);
  }
  return false;
}

void InstallStandInEmulator(const std::string& dir) {
  WriteFileBytes(dir + "tavi.exe",
                 ReadFileBytes(std::string(LUDRA_SOURCE_DIR) + "/tools/demo/tavi.exe"));
  ASSERT_EQ(chmod((dir + "tavi.exe").c_str(), 0755), 0);
}

struct TShellMessages : IShellReporter {
  std::vector<std::string> Messages;
  void ShellError(const std::string& message) override { Messages.push_back(message); }
};

// A real JPEG's bytes; a busy picture, so that most of the file is scan data.
std::string JpegBytes(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      picture.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, x * y % 256));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "JPG");
  return bytes.toStdString();
}

}  // namespace

// ---- The list file ----

TEST(RobustnessListFile, ReadOnlyDuringRomDirectoryIsReportedAndLeftAsItWas) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  f.Activate();
  const std::string list = f.Dir / "ludra.ini";
  const std::string before = ReadFileBytes(list);
  ASSERT_EQ(chmod(list.c_str(), 0444), 0);

  f.Chooser.Answer = QString::fromStdString(f.Dir / "Elsewhere");
  f.ChooseRomDirectory();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  const std::string& message = f.Errors.Messages[0];
  Shown("read-only list file, Rom Directory...", message);
  EXPECT_TRUE(Contains(message, list)) << message;
  EXPECT_TRUE(Contains(message, "read-only")) << message;
  EXPECT_EQ(ReadFileBytes(list), before);
  EXPECT_EQ(f.Launcher.GameSettings.RomDir, "Roms\\");  // the command stopped before its audit

  ExpectWindowWorks(f, 3, "Beta");
  // Starting a game only reads the list file.
  f.Find<QAction>("actPlay")->trigger();
  EXPECT_EQ(f.Shell.LastNumber(), 2);
  EXPECT_EQ(f.Errors.Messages.size(), 1u);
  EXPECT_EQ(ReadFileBytes(list), before);
}

TEST(RobustnessListFile, ReadOnlyDuringPropertiesOkIsReportedAndLeftAsItWas) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  f.Activate();
  const std::string list = f.Dir / "ludra.ini";
  const std::string before = ReadFileBytes(list);
  ASSERT_EQ(chmod(list.c_str(), 0444), 0);

  ASSERT_TRUE(f.SelectGame("Beta"));
  ASSERT_TRUE(f.Find<QAction>("actProperties")->isEnabled());
  bool keptOpen = false;
  PressOkWhenShown(properties, &keptOpen);
  f.Find<QAction>("actProperties")->trigger();
  EXPECT_TRUE(keptOpen);
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  const std::string& message = f.Errors.Messages[0];
  Shown("read-only list file, Properties OK", message);
  EXPECT_TRUE(Contains(message, list)) << message;
  EXPECT_TRUE(Contains(message, "read-only")) << message;
  EXPECT_EQ(ReadFileBytes(list), before);

  ExpectWindowWorks(f, 3, "Alpha");
  // Once writable again, the same command saves.
  ASSERT_EQ(chmod(list.c_str(), 0644), 0);
  ASSERT_TRUE(f.SelectGame("Beta"));
  PressOkWhenShown(properties);
  f.Find<QAction>("actProperties")->trigger();
  EXPECT_EQ(f.Errors.Messages.size(), 1u);
  const TListFile saved(list);
  EXPECT_EQ(saved.ReadString("Rom2", "CutOff", ""), "22050");
  EXPECT_EQ(saved.ReadString("Rom2", "Game", ""), "Beta");
  EXPECT_EQ(saved.ReadString("Rom3", "Files", ""), "g1");
}

// Another program holds the list file's lock as the properties are opened and a game is started:
// each waits for it with the window answering (its timer lets the lock go), then goes on.
TEST(RobustnessListFile, ALockHeldElsewhereIsWaitedForWithTheWindowAnswering) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Beta"));
  for (const char* command : {"actProperties", "actPlay"}) {
    std::optional<TFileLock> held;
    held.emplace(f.Dir / "ludra.ini", std::chrono::milliseconds(0));
    int ticks = 0;
    QTimer answering;
    QObject::connect(&answering, &QTimer::timeout, [&] {
      if (++ticks == 3) held.reset();
      if (properties->isVisible()) FindChild<QPushButton>(*properties, "btnOK")->click();
    });
    answering.start(1);
    f.Find<QAction>(command)->trigger();
    EXPECT_GE(ticks, 3) << command;
    EXPECT_EQ(f.Errors.Messages.size(), 0u) << f.Errors.Messages.front();
  }
  EXPECT_EQ(f.Shell.LastNumber(), 2);
}

TEST(RobustnessListFile, DirectoryInItsPlaceIsReportedByEveryCommandThatNeedsIt) {
  TMainWindowFixture f;
  const std::string list = f.Dir / "ludra.ini";
  MakeDirs(list);
  WriteFileBytes(list + "/keep.txt", "mine");
  f.Activate();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("directory named ludra.ini, audit", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], list)) << f.Errors.Messages[0];
  EXPECT_TRUE(f.Main().Games().empty());

  f.Chooser.Answer = QStringLiteral("/");
  f.ChooseRomDirectory();
  ASSERT_EQ(f.Errors.Messages.size(), 2u);
  Shown("directory named ludra.ini, Rom Directory...", f.Errors.Messages[1]);
  EXPECT_TRUE(Contains(f.Errors.Messages[1], list)) << f.Errors.Messages[1];

  // The window goes on with an empty list; random launch has nothing to start.
  ASSERT_TRUE(f.SelectFolder("Available"));
  EXPECT_EQ(f.Panel(2), "0 Games");
  f.Trigger("mnuRandom");
  EXPECT_TRUE(f.Shell.Calls.empty());
  EXPECT_TRUE(IsDirectory(list));
  EXPECT_EQ(ReadFileBytes(list + "/keep.txt"), "mine");

  // Moved out of the way, the next audit creates the list file and lists the catalogue.
  std::filesystem::rename(list, f.Dir / "ludra.ini.dir");
  ExpectWindowWorks(f, 25, "Tekken (JP) Ver. A");
  EXPECT_EQ(f.Errors.Messages.size(), 2u);
}

TEST(RobustnessListFile, DirectoryInItsPlaceAfterTheAuditStopsPropertiesAndPlay) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  f.Activate();
  const std::string list = f.Dir / "ludra.ini";
  std::filesystem::rename(list, f.Dir / "ludra.ini.saved");
  MakeDirs(list);

  ASSERT_TRUE(f.SelectGame("Alpha"));
  PressOkWhenShown(properties);  // not shown: the load before it fails
  f.Find<QAction>("actProperties")->trigger();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("directory named ludra.ini, Properties", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], list)) << f.Errors.Messages[0];
  EXPECT_FALSE(properties->isVisible());

  f.Find<QAction>("actPlay")->trigger();
  ASSERT_EQ(f.Errors.Messages.size(), 2u);
  Shown("directory named ludra.ini, Play", f.Errors.Messages[1]);
  EXPECT_TRUE(Contains(f.Errors.Messages[1], list)) << f.Errors.Messages[1];
  EXPECT_TRUE(f.Shell.Calls.empty());
  EXPECT_FALSE(std::filesystem::exists(f.Dir / "renderer.cfg"));

  // The catalogue read before stays listed; with the file back, everything works.
  EXPECT_EQ(f.Main().ListedCount(), 3);
  std::filesystem::remove(list);
  std::filesystem::rename(f.Dir / "ludra.ini.saved", list);
  ExpectWindowWorks(f, 3, "Beta");
  f.Find<QAction>("actPlay")->trigger();
  EXPECT_EQ(f.Shell.LastNumber(), 2);
}

TEST(RobustnessListFile, BinaryGarbageListsNothingAndAWriteKeepsEveryByte) {
  TMainWindowFixture f;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  f.List(garbage);
  f.Activate();
  EXPECT_TRUE(f.Errors.Messages.empty());
  EXPECT_EQ(f.Main().ListedCount(), 0);

  f.Chooser.Answer = QString::fromStdString(f.Dir.Path());
  f.ChooseRomDirectory();
  EXPECT_TRUE(f.Errors.Messages.empty());
  const std::string after = ReadFileBytes(f.Dir / "ludra.ini");
  EXPECT_EQ(after.substr(0, garbage.size()), garbage);
  EXPECT_EQ(TListFile(f.Dir / "ludra.ini").ReadString("General", "Path", ""), f.Dir.Path());
}

TEST(RobustnessListFile, OversizedFileIsRefusedUnreadAndUntouched) {
  TMainWindowFixture f;
  const std::string list = f.Dir / "ludra.ini";
  f.List(ThreeGames());
  ASSERT_EQ(truncate(list.c_str(), (64 << 20) + 1), 0);  // sparse: costs no disk
  f.Activate();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("list file over 64 MiB, audit", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], list)) << f.Errors.Messages[0];
  EXPECT_TRUE(Contains(f.Errors.Messages[0], "too large")) << f.Errors.Messages[0];

  f.Chooser.Answer = QStringLiteral("/");
  f.ChooseRomDirectory();
  ASSERT_EQ(f.Errors.Messages.size(), 2u);
  EXPECT_TRUE(Contains(f.Errors.Messages[1], list)) << f.Errors.Messages[1];
  struct stat st;
  ASSERT_EQ(stat(list.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, (64 << 20) + 1);
  std::ifstream head(list, std::ios::binary);
  std::string start(ThreeGames().size(), '\0');
  head.read(start.data(), static_cast<std::streamsize>(start.size()));
  EXPECT_EQ(start, ThreeGames());
}

// ---- ROM archives ----

TEST(RobustnessArchives, UnreadableArchiveStopsTheAuditAndNamesIt) {
  const std::string unreadable = "/proc/sys/vm/drop_caches";  // write-only, even for root
  if (!IsRegularFile(unreadable)) GTEST_SKIP() << "no unreadable file to point at";
  TMainWindowFixture f;
  LayOutThreeGames(f);
  const std::string list = f.Dir / "ludra.ini";
  f.Activate();
  const std::string before = ReadFileBytes(list);
  ASSERT_EQ(unlink((f.Dir / "Roms/beta.zip").c_str()), 0);
  ASSERT_EQ(symlink(unreadable.c_str(), (f.Dir / "Roms/beta.zip").c_str()), 0);

  f.AuditAll();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("unreadable archive", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], f.Dir / "Roms/beta.zip")) << f.Errors.Messages[0];
  EXPECT_EQ(f.Main().Games().size(), 2u);  // the load stopped at the archive
  ASSERT_TRUE(f.SelectFolder("Non Working"));
  ASSERT_TRUE(f.SelectFolder("All Games"));
  EXPECT_EQ(f.Main().ListedCount(), 2);
  ASSERT_TRUE(f.SelectGame("Alpha"));
  EXPECT_EQ(f.Panel(1), "Working");
  EXPECT_EQ(ReadFileBytes(list), before);

  ASSERT_EQ(unlink((f.Dir / "Roms/beta.zip").c_str()), 0);
  ExpectWindowWorks(f, 3, "Gamma");
}

TEST(RobustnessArchives, TruncatedArchiveIsAvailableOnItsExistenceAlone) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  TZipMember member;
  member.Name = "g9";  // not one of the listed files: a whole archive would fail the audit
  const std::string whole = BuildZip({member});
  f.Activate();
  ASSERT_FALSE(f.Main().Games()[2].Available);
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{10}, std::size_t{23}, whole.size() / 2, whole.size() - 1}) {
    WriteFileBytes(f.Dir / "Roms/gamma.zip", whole.substr(0, size));
    f.AuditAll();
    EXPECT_TRUE(f.Errors.Messages.empty()) << size;
    ASSERT_EQ(f.Main().Games().size(), 3u);
    EXPECT_TRUE(f.Main().Games()[2].Available) << size;
    ASSERT_TRUE(f.SelectGame("Gamma"));
    EXPECT_EQ(f.Panel(1), "Working");
  }
  ExpectWindowWorks(f, 3, "Beta");
}

// ---- Screenshots ----

TEST(RobustnessScreenshots, CorruptJpegIsReportedAndTheNextGameShowsNormally) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  MakeDirs(f.Dir / "Shots");
  const std::string whole = JpegBytes(200, 150);
  const std::string cut = whole.substr(0, whole.size() * 3 / 4);
  ASSERT_LT(whole.find("\xFF\xDA"), cut.size() / 2);  // cut inside the scan data
  WriteFileBytes(f.Dir / "Shots/alpha.jpg", cut);
  WriteFileBytes(f.Dir / "Shots/beta.jpg", "\xFF\xD8\xFF\xE0 no picture follows");
  f.Activate();

  ASSERT_TRUE(f.SelectGame("Gamma"));
  ASSERT_TRUE(f.SelectGame("Alpha"));
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("JPEG cut short", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], f.Dir / "Shots/alpha.jpg")) << f.Errors.Messages[0];
  EXPECT_EQ(f.Panel(0), "Gamma");  // the command stopped at the picture

  ASSERT_TRUE(f.SelectGame("Beta"));
  ASSERT_EQ(f.Errors.Messages.size(), 2u);
  Shown("JPEG of garbage", f.Errors.Messages[1]);
  EXPECT_TRUE(Contains(f.Errors.Messages[1], f.Dir / "Shots/beta.jpg")) << f.Errors.Messages[1];

  ExpectWindowWorks(f, 3, "Gamma");
  EXPECT_TRUE(
      f.Find<TSnapshotImage>("imgSnapshot")->Transparent());  // Gamma has no screenshot: the logo
  EXPECT_EQ(ReadFileBytes(f.Dir / "Shots/alpha.jpg"), cut);
}

TEST(RobustnessScreenshots, ZeroByteJpegIsReportedAsEmpty) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  MakeDirs(f.Dir / "Shots");
  WriteFileBytes(f.Dir / "Shots/beta.jpg", "");
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Beta"));
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("zero-byte JPEG", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], f.Dir / "Shots/beta.jpg")) << f.Errors.Messages[0];
  EXPECT_TRUE(Contains(f.Errors.Messages[0], "empty")) << f.Errors.Messages[0];
  ExpectWindowWorks(f, 3, "Alpha");
}

TEST(RobustnessScreenshots, ShotsAsAFileOrAPictureAsADirectoryShowTheLogo) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  WriteFileBytes(f.Dir / "Shots", "not a folder");
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Alpha"));
  EXPECT_TRUE(f.Errors.Messages.empty());
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(150, 112));
  EXPECT_EQ(f.Panel(0), "Alpha");

  ASSERT_EQ(unlink((f.Dir / "Shots").c_str()), 0);
  MakeDirs(f.Dir / "Shots/beta.jpg");
  ASSERT_TRUE(f.SelectGame("Beta"));
  EXPECT_TRUE(f.Errors.Messages.empty());
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Panel(0), "Beta");
  ExpectWindowWorks(f, 3, "Gamma");
  EXPECT_TRUE(IsDirectory(f.Dir / "Shots/beta.jpg"));
}

// ---- Plug-ins ----

TEST(RobustnessPlugins, GarbageIsLeftOutSilentlyAndForeignRenderersAreOffered) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  const std::string renderer = ReadFileBytes(std::string(LUDRA_PLUGIN_FIXTURES) + "renderer.tvi");
  ASSERT_EQ(renderer.substr(0, 4),
            "\x7f"
            "ELF");
  // The same renderer built for another machine (AArch64): its exports are read from the file, so
  // it is offered; whether it runs is the emulator's business, as for any plug-in.
  std::string foreign = renderer;
  foreign[18] = static_cast<char>(183);
  foreign[19] = 0;
  WriteFileBytes(f.Dir / "z-foreign.tvi", foreign);
  WriteFileBytes(f.Dir / "b-garbage.tvi", "This is not a library at all.\n");
  WriteFileBytes(f.Dir / "c-cut.tvi", renderer.substr(0, 200));
  WriteFileBytes(f.Dir / "d-mz.TVI", "MZ" + std::string(300, '\xFF'));
  WriteFileBytes(f.Dir / "e-empty.tvi", "");
  std::string wrongClass = renderer;  // a 64-bit object that says it is 32-bit
  wrongClass[4] = 1;
  WriteFileBytes(f.Dir / "f-class.tvi", wrongClass);
  std::filesystem::copy_file("/bin/true", f.Dir / "g-program.tvi");  // a program, no library
  WriteFileBytes(f.Dir / "renderer.tvi", renderer);

  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  EXPECT_EQ(f.Launcher.Renderers, (std::vector<std::string>{"renderer.tvi", "z-foreign.tvi"}));
  EXPECT_EQ(f.Launcher.GameSettings.Renderer, 0);
  properties->CreateControls();
  ASSERT_EQ(FindChild<QComboBox>(*properties, "cbRenderer")->count(), 2);
  EXPECT_EQ(FindChild<QComboBox>(*properties, "cbRenderer")->itemText(0).toStdString(),
            "renderer.tvi");
  EXPECT_TRUE(f.Errors.Messages.empty());

  f.Activate();
  ASSERT_TRUE(f.SelectGame("Alpha"));
  f.Find<QAction>("actPlay")->trigger();
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  EXPECT_TRUE(
      Contains(f.Shell.Calls[0].Parameters, " --renderer=" + f.Dir.Path() + "renderer.tvi "))
      << f.Shell.Calls[0].Parameters;
  EXPECT_EQ(ReadFileBytes(f.Dir / "z-foreign.tvi"), foreign);
  ExpectWindowWorks(f, 3, "Beta");
}

// ---- Launch ----

TEST(RobustnessLaunch, RendererConfigThatCannotBeWrittenStopsTheLaunch) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  InstallStandInEmulator(f.Dir.Path());
  TShellMessages shellMessages;
  TProcessShell shell(f.Paths, &shellMessages);
  f.Shell.ForwardTo = &shell;
  MakeDirs(f.Dir / "renderer.cfg");
  f.Activate();
  const std::string before = ReadFileBytes(f.Dir / "ludra.ini");

  ASSERT_TRUE(f.SelectGame("Beta"));
  f.Find<QAction>("actPlay")->trigger();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  Shown("renderer.cfg is a directory, Play", f.Errors.Messages[0]);
  EXPECT_TRUE(Contains(f.Errors.Messages[0], f.Dir / "renderer.cfg")) << f.Errors.Messages[0];
  EXPECT_TRUE(f.Shell.Calls.empty());  // the shell was never asked
  EXPECT_TRUE(shellMessages.Messages.empty());
  EXPECT_FALSE(EmulatorLogged(f.Dir.Path(), 300));
  EXPECT_EQ(ReadFileBytes(f.Dir / "ludra.ini"), before);
  EXPECT_TRUE(IsDirectory(f.Dir / "renderer.cfg"));

  // Out of the way, the same game starts.
  std::filesystem::rename(f.Dir / "renderer.cfg", f.Dir / "renderer.cfg.dir");
  ExpectWindowWorks(f, 3, "Beta");
  f.DoubleClick();
  EXPECT_EQ(f.Errors.Messages.size(), 1u);
  EXPECT_TRUE(EmulatorLogged(f.Dir.Path(), 10000));
}

TEST(RobustnessLaunch, MissingEmulatorIsReportedByTheShellAfterRendererConfig) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  TShellMessages shellMessages;
  TProcessShell shell(f.Paths, &shellMessages);
  f.Shell.ForwardTo = &shell;
  f.Activate();
  const std::string before = ReadFileBytes(f.Dir / "ludra.ini");

  ASSERT_TRUE(f.SelectGame("Alpha"));
  f.Find<QAction>("actPlay")->trigger();
  EXPECT_TRUE(f.Errors.Messages.empty());  // the front-end reports nothing itself
  ASSERT_EQ(shellMessages.Messages.size(), 1u);
  Shown("tavi.exe missing, Play", shellMessages.Messages[0]);
  EXPECT_TRUE(Contains(shellMessages.Messages[0], f.Dir.Path() + "tavi.exe"))
      << shellMessages.Messages[0];
  const std::string config = ReadFileBytes(f.Dir / "renderer.cfg");
  EXPECT_EQ(config.rfind("XSize=640\r\n", 0), 0u);
  EXPECT_TRUE(Contains(config, "\r\nTurnDisplay=0\r\n"));
  EXPECT_EQ(ReadFileBytes(f.Dir / "ludra.ini"), before);

  ExpectWindowWorks(f, 3, "Beta");
  f.Trigger("mnuRandom");
  EXPECT_EQ(shellMessages.Messages.size(), 2u);
}

TEST(RobustnessLaunch, EmulatorWithoutExecutePermissionIsReportedByTheShell) {
  TMainWindowFixture f;
  LayOutThreeGames(f);
  InstallStandInEmulator(f.Dir.Path());
  ASSERT_EQ(chmod((f.Dir / "tavi.exe").c_str(), 0644), 0);
  TShellMessages shellMessages;
  TProcessShell shell(f.Paths, &shellMessages);
  f.Shell.ForwardTo = &shell;
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Alpha"));
  f.DoubleClick();
  EXPECT_TRUE(f.Errors.Messages.empty());
  ASSERT_EQ(shellMessages.Messages.size(), 1u);
  Shown("tavi.exe not executable, Play", shellMessages.Messages[0]);
  EXPECT_TRUE(Contains(shellMessages.Messages[0], f.Dir.Path() + "tavi.exe"))
      << shellMessages.Messages[0];
  EXPECT_TRUE(Contains(shellMessages.Messages[0], "Permission denied"))
      << shellMessages.Messages[0];
  EXPECT_FALSE(std::filesystem::exists(f.Dir / "tavi.log"));
  ExpectWindowWorks(f, 3, "Gamma");
}

// A thread the system refuses: the probe says why and leaves none behind. The real program,
// allowed too few processes, ends saying so, where Qt would wait for ever for its own thread.
TEST(RobustnessThreads, TooFewThreadsEndTheStartWithAMessageNeverAHang) {
  int made = 0;
  const auto refused = NoRoomForThreads(3, [&] {
    if (++made == 2) throw std::system_error(EAGAIN, std::generic_category());
  });
  ASSERT_TRUE(refused);
  EXPECT_TRUE(Contains(NoThreadsMessage(*refused), "Resource temporarily unavailable"));
  EXPECT_FALSE(NoRoomForThreads(kWindowThreads));

  if (geteuid() != 0) GTEST_SKIP() << "only root can start the program as another user";
  TTempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
  const std::string program = dir / "ludra", output = dir / "stderr";
  std::filesystem::copy_file(LUDRA_PROGRAM, program);
  const pid_t pid = fork();
  if (pid == 0) {
    const rlimit few{3, 3};
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0 ||
        setrlimit(RLIMIT_NPROC, &few) != 0 || !freopen(output.c_str(), "w", stderr))
      _exit(77);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(program.c_str(), program.c_str(), nullptr);
    _exit(77);
  }
  int status = 0;
  for (int waited = 0; waited < 30000 && waitpid(pid, &status, WNOHANG) == 0; waited += 20)
    QTest::qWait(20);
  if (waitpid(pid, &status, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    FAIL() << "the program hung";
  }
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "the user nobody cannot run the program here";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string message = ReadFileBytes(output);
  Shown("3 processes allowed", message);
  EXPECT_TRUE(Contains(message, "ludra: cannot start the window")) << message;
  EXPECT_TRUE(Contains(message, "this user may run 3 processes")) << message;
}
