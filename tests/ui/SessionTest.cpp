// One whole session as a user would have it, start to close: audit, folders, views, properties,
// a launch of the stand-in emulator, a new ROM directory. The sanitizer build runs it for leaks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "catalogue/ListFile.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/Pictures.h"
#include "ui/SnapshotImage.h"
#include "ui/UAbout.h"
#include "ui/UProperties.h"

namespace {
struct TShellMessages : IShellReporter {
  std::vector<std::string> Messages;
  void ShellError(const std::string& message) override { Messages.push_back(message); }
};

// Runs `edit` on the dialog once it is shown, then presses "OK" or "Cancel".
void WhenShown(TfrmProperties* dialog, std::function<void()> edit, bool ok) {
  QTimer::singleShot(0, dialog, [=] {
    if (!dialog->isVisible()) return;
    edit();
    (ok ? FindChild<QPushButton>(*dialog, "btnOK") : FindChild<QPushButton>(*dialog, "btnCancel"))
        ->click();
  });
}

void CloseNextModal() {
  QTimer::singleShot(0, [] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
  });
}

// Complete runs in the stand-in emulator's log: each ends with the last line of renderer.cfg.
int Runs(const std::string& log) {
  int runs = 0;
  for (std::size_t at = log.find("TurnDisplay="); at != std::string::npos;
       at = log.find("TurnDisplay=", at + 1))
    ++runs;
  return runs;
}

// The stand-in's log once it holds `count` complete runs (bounded wait).
std::string EmulatorLog(const std::string& dir, int count) {
  std::string log;
  for (int i = 0; i < 500 && Runs(log) < count; ++i) {
    if (std::filesystem::exists(dir + "tavi.log")) log = ReadFileBytes(dir + "tavi.log");
    if (Runs(log) < count) QTest::qWait(20);
  }
  return log;
}
}  // namespace

TEST(Session, AuditBrowseEditLaunchAndChangeTheRomDirectory) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Alpha", "Capcom", "1996", "alpha.zip", "a1") +
         GameSection(2, "Beta", "Namco", "1997", "beta.zip", "b1", false) +
         GameSection(3, "Gamma", "Namco", "1998", "gamma.zip", "g1"));
  f.Zip("alpha.zip", {"a1"});
  f.Zip("beta.zip", {"B1"});
  QImage shot(40, 30, QImage::Format_RGB32);
  shot.fill(Qt::green);
  f.Shot("Shots/beta.jpg", shot);
  WriteFileBytes(f.Dir / "tavi.exe",
                 ReadFileBytes(std::string(LUDRA_SOURCE_DIR) + "/tools/demo/tavi.exe"));
  ASSERT_EQ(chmod((f.Dir / "tavi.exe").c_str(), 0755), 0);
  TShellMessages shellMessages;
  TProcessShell shell(f.Paths, &shellMessages);
  f.Shell.ForwardTo = &shell;

  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  auto* about = new TfrmAbout(Pictures::Logo(), &f.Main());
  f.Main().SetDialogs(properties, about);
  f.Main().show();
  f.Main().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Activate();  // whether or not the platform activated it: audits once
  EXPECT_EQ(f.Main().ListedCount(), 3);

  // Folders and views.
  ASSERT_TRUE(f.SelectFolder("Namco"));
  EXPECT_EQ(f.Panel(2), "2 Games");
  ASSERT_TRUE(f.SelectFolder("Available"));
  EXPECT_EQ(f.Panel(2), "2 Games");
  ASSERT_TRUE(f.SelectGame("Beta"));
  EXPECT_FALSE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  for (QAction* style : {f.Find<QAction>("actLargeIcons"), f.Find<QAction>("actSmallIcons"),
                         f.Find<QAction>("actList"), f.Find<QAction>("actDetails")})
    style->trigger();
  f.Find<QAction>("actHideFolder")->trigger();
  f.Find<QAction>("actHideScreenshot")->trigger();
  f.Find<QAction>("actHideFolder")->trigger();
  f.Find<QAction>("actHideScreenshot")->trigger();
  f.Find<QAction>("actStatusbar")->trigger();
  f.Find<QAction>("actStatusbar")->trigger();
  EXPECT_EQ(f.Panel(0), "Beta");

  // Properties: Cancel writes nothing, OK saves what was changed.
  const std::string before = ReadFileBytes(f.Dir / "ludra.ini");
  WhenShown(
      properties, [&] { FindChild<QComboBox>(*properties, "cbScanlines")->setCurrentIndex(1); },
      false);
  f.Find<QAction>("actProperties")->trigger();
  EXPECT_EQ(ReadFileBytes(f.Dir / "ludra.ini"), before);
  WhenShown(
      properties,
      [&] {
        FindChild<QComboBox>(*properties, "cbScanlines")->setCurrentIndex(2);
        FindChild<QCheckBox>(*properties, "cbWindow")->setChecked(false);
        FindChild<QToolButton>(*properties, "SpeedButton1")->click();
        FindChild<QMenu>(*properties, "pmResolution")->actions().at(2)->trigger();  // "800 x 600"
        FindChild<QMenu>(*properties, "pmResolution")->close();
      },
      true);
  f.Find<QAction>("actProperties")->trigger();
  const TListFile saved(f.Dir / "ludra.ini");
  EXPECT_EQ(saved.ReadString("Rom2", "Scanlines", ""), "2");
  EXPECT_EQ(saved.ReadString("Rom2", "Windowed", ""), "0");
  EXPECT_EQ(saved.ReadString("Rom2", "Xmax", ""), "800");
  EXPECT_EQ(saved.ReadString("Rom2", "Sound", ""), "0");  // the catalogue's flag, kept

  // Launches through the real shell: play, double click and a random game. Each waits for the
  // emulator before the next: every launch rewrites the one "renderer.cfg" it reads.
  f.Find<QAction>("actPlay")->trigger();
  std::string log = EmulatorLog(f.Dir.Path(), 1);
  EXPECT_NE(log.find("  [2]\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  [--use-sound=no]\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  XSize=800\r\n  YSize=600\r\n  FullScreen=1\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  ScanLines=2\r"), std::string::npos) << log;
  ASSERT_TRUE(f.SelectGame("Alpha"));
  f.DoubleClick();
  log = EmulatorLog(f.Dir.Path(), 2);
  EXPECT_NE(log.find("  [1]\n"), std::string::npos) << log;
  f.Trigger("mnuRandom");
  log = EmulatorLog(f.Dir.Path(), 3);
  EXPECT_EQ(Runs(log), 3) << log;

  // About, then a new ROM directory where nothing is found.
  CloseNextModal();
  f.Find<QAction>("mnuAbout")->trigger();
  MakeDirs(f.Dir / "Empty");
  f.Chooser.Answer = QString::fromStdString(f.Dir / "Empty");
  f.ChooseRomDirectory();
  ASSERT_TRUE(f.SelectFolder("Non Working"));
  EXPECT_EQ(f.Panel(2), "3 Games");

  EXPECT_TRUE(f.Errors.Messages.empty());
  EXPECT_TRUE(shellMessages.Messages.empty());
  f.Find<QAction>("mnuExit")->trigger();
  EXPECT_FALSE(f.Main().isVisible());
}
