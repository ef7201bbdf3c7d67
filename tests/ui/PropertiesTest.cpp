#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include "launch/Launcher.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/ErrorGuard.h"
#include "ui/UProperties.h"

namespace {

// Every field of the record in one line, so two records compare with one readable assertion.
std::string Describe(const TGameSettings& s) {
  std::ostringstream out;
  out << s.CutOff << '|' << s.CBuffer << '|' << s.DBuffer << '|' << s.Interpreter << s.Geometry
      << s.Sound << s.Filter << s.Surround << s.Stereo << '|' << s.Multiplier << '|' << s.Renderer
      << '|' << s.Windowed << '|' << s.Xmax << '|' << s.Ymax << '|' << s.Dithering << '|' << s.BPP
      << '|' << s.FPS << s.Skip << s.Detection << s.FrameLimit << '|' << s.FrameRate << '|'
      << s.Filtering << s.Caching << s.Quality << s.Display << s.Blending << s.Scanlines << '|'
      << s.RomDir;
  return out.str();
}

class PropertiesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  PropertiesTest() {
    Paths.ExeDir = Dir / "exe/";
    Paths.WorkDir = Dir / "work/";
    MakeDirs(Paths.ExeDir);
    MakeDirs(Paths.WorkDir);
  }

  // The dialog is made on demand, so a test can put plug-ins or a list file in place first.
  TfrmProperties& Created() {
    if (!FDialog) {
      FLauncher = std::make_unique<TLauncher>(Paths, Shell);
      FDialog = std::make_unique<TfrmProperties>(*FLauncher, nullptr, Seams);
    }
    return *FDialog;
  }
  // The same, with its controls built, as the tests reach into them.
  TfrmProperties& Dialog() {
    Created().CreateControls();
    return *FDialog;
  }
  TLauncher& Launcher() {
    Dialog();
    return *FLauncher;
  }

  // Runs Execute(p) and calls `whileOpen` once the modal loop runs; returns Execute's result.
  bool ExecuteWith(int p, const std::function<void(TfrmProperties&)>& whileOpen) {
    TfrmProperties& dialog = Dialog();
    QTimer::singleShot(0, &dialog, [&] { whileOpen(dialog); });
    return dialog.Execute(p, QStringLiteral("Tekken 3 (Japan)"));
  }

  TTempDir Dir;
  TPaths Paths;
  TFakeChooser Chooser;
  TWindowSeams Seams{.Chooser = &Chooser};
  TNoShell Shell;

 private:
  std::unique_ptr<TLauncher> FLauncher;
  std::unique_ptr<TfrmProperties> FDialog;
};

// ---- Controls and the settings record ----------------------------------------------------------

TEST_F(PropertiesTest, DropDownListsOfferExactlyTheirChoices) {
  TfrmProperties& d = Dialog();
  auto items = [](QComboBox* combo) {
    QStringList list;
    for (int i = 0; i < combo->count(); ++i) list << combo->itemText(i);
    return list.join(QStringLiteral(","));
  };
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbBPP")), QStringLiteral("15 bit,16 bit,32 bit"));
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbTFiltering")), QStringLiteral("0,1,2,3"));
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbTCaching")), QStringLiteral("0,1,2"));
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbTQuality")),
            QStringLiteral("default,4 bit,5 bit,8 bit"));
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbDisplay")), QStringLiteral("0,1,2"));
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbBlending")), QStringLiteral("0,1,2,3"));
  EXPECT_EQ(items(FindChild<QComboBox>(d, "cbScanlines")), QStringLiteral("0,1,2"));
  for (QComboBox* combo : d.findChildren<QComboBox*>()) EXPECT_FALSE(combo->isEditable());
}

TEST_F(PropertiesTest, ShownValuesComeBackUnchanged) {
  TfrmProperties& d = Dialog();
  TGameSettings s;
  s.CutOff = "11025";
  s.CBuffer = "8192";
  s.DBuffer = "1024";
  // Every field but Sound (ticked by the defaults' test) differs from the empty record, so a field
  // left without its control shows here.
  s.Interpreter = true;
  s.Geometry = true;
  s.Sound = false;
  s.Filter = true;
  s.Surround = true;
  s.Stereo = true;
  s.Multiplier = "7";
  s.Renderer = -1;
  s.Windowed = true;
  s.Xmax = "1400";
  s.Ymax = "1200";
  s.Dithering = true;
  s.BPP = 1;
  s.FPS = true;
  s.Skip = true;
  s.Detection = true;
  s.FrameLimit = true;
  s.FrameRate = "60";
  s.Filtering = 3;
  s.Caching = 0;
  s.Quality = 2;
  s.Display = 1;
  s.Blending = 2;
  s.Scanlines = 2;
  s.RomDir = "D:\\Games\\Roms\\";
  Launcher().GameSettings = s;
  d.ShowSettings();
  EXPECT_EQ(FindChild<QComboBox>(d, "cbTQuality")->currentText(), QStringLiteral("5 bit"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edDir")->text(), QStringLiteral("D:\\Games\\Roms\\"));

  Launcher().GameSettings = TGameSettings{};
  d.ApplySettings();
  EXPECT_EQ(Describe(Launcher().GameSettings), Describe(s));
}

TEST_F(PropertiesTest, IndexNamingNoItemShowsNothingAndAppliesAsMinusOne) {
  TfrmProperties& d = Dialog();
  Launcher().GameSettings.BPP = 3;
  Launcher().GameSettings.Scanlines = -7;
  Launcher().GameSettings.Renderer = 5;
  d.ShowSettings();
  EXPECT_EQ(FindChild<QComboBox>(d, "cbBPP")->currentIndex(), -1);
  EXPECT_EQ(FindChild<QComboBox>(d, "cbScanlines")->currentIndex(), -1);
  EXPECT_EQ(FindChild<QComboBox>(d, "cbRenderer")->currentIndex(), -1);
  d.ApplySettings();
  EXPECT_EQ(Launcher().GameSettings.BPP, -1);
  EXPECT_EQ(Launcher().GameSettings.Scanlines, -1);
  EXPECT_EQ(Launcher().GameSettings.Renderer, -1);
}

TEST_F(PropertiesTest, EveryControlGetsItsFullHeightInTheFixedSize) {
  TfrmProperties& d = Dialog();
  d.show();
  for (QWidget* page : {FindChild<QWidget>(d, "TabSheet1"), FindChild<QWidget>(d, "TabSheet2")}) {
    FindChild<QTabWidget>(d, "PageControl1")->setCurrentWidget(page);
    for (QWidget* w : page->findChildren<QWidget*>()) {
      if (!qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w) &&
          !qobject_cast<QCheckBox*>(w))
        continue;
      EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
      EXPECT_TRUE(page->rect().contains(QRect(w->mapTo(page, QPoint(0, 0)), w->size())))
          << w->objectName().toStdString();
    }
  }
  d.hide();
}

TEST_F(PropertiesTest, GrowsWithALargerDesktopFontAndCutsNothing) {
  for (int points : {9, 12}) {
    TDesktopFont desktop(points);
    TfrmProperties d(Launcher(), nullptr);
    d.show();
    EXPECT_GE(d.width(), 402);
    EXPECT_GE(d.height(), 367);
    auto* pages = d.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int page = 0; page < pages->count(); ++page) {
      pages->setCurrentIndex(page);
      ExpectNothingCut(pages->widget(page), QStringLiteral("22050"));
    }
    for (auto* button : d.findChildren<QPushButton*>()) {
      EXPECT_GE(button->width(), button->sizeHint().width());
      EXPECT_TRUE(d.rect().contains(button->geometry()));
    }
    d.hide();
  }
}

TEST_F(PropertiesTest, EveryLabelNamesItsControlForAScreenReader) {
  TfrmProperties& d = Dialog();
  for (QLabel* label : d.findChildren<QLabel*>()) {
    if (label->text().isEmpty() || label == FindChild<QLabel>(d, "lblFilename1") ||
        label == FindChild<QLabel>(d, "lblFilename2"))
      continue;
    EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
  }
}

// ---- Renderer list -----------------------------------------------------------------------------

TEST_F(PropertiesTest, NoRendererPluginGivesAnEmptyListWithNothingSelected) {
  WriteFileBytes(Paths.ExeDir + "readme.tvi", "not a library");
  TfrmProperties& d = Dialog();
  EXPECT_EQ(FindChild<QComboBox>(d, "cbRenderer")->count(), 0);
  EXPECT_EQ(FindChild<QComboBox>(d, "cbRenderer")->currentIndex(), -1);
  d.ApplySettings();
  EXPECT_EQ(Launcher().GameSettings.Renderer, -1);
}

// ---- Digit filter ------------------------------------------------------------------------------

TEST_F(PropertiesTest, DigitFieldsTakeDigitsAndBackspaceOnly) {
  TfrmProperties& d = Dialog();
  FindChild<QLineEdit>(d, "edCutOff")->setText(QStringLiteral("2205"));
  QTest::keyClicks(FindChild<QLineEdit>(d, "edCutOff"), QStringLiteral("a"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edCutOff")->text(), QStringLiteral("2205"));
  QTest::keyClicks(FindChild<QLineEdit>(d, "edCutOff"), QStringLiteral("0"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edCutOff")->text(), QStringLiteral("22050"));
  QTest::keyClick(FindChild<QLineEdit>(d, "edCutOff"), Qt::Key_Backspace);
  EXPECT_EQ(FindChild<QLineEdit>(d, "edCutOff")->text(), QStringLiteral("2205"));
  QTest::keyClicks(FindChild<QLineEdit>(d, "edCutOff"), QStringLiteral(" -.,x+9"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edCutOff")->text(), QStringLiteral("22059"));
  QTest::keyClick(FindChild<QLineEdit>(d, "edCutOff"), Qt::Key_A, Qt::AltModifier);
  QTest::keyClick(FindChild<QLineEdit>(d, "edCutOff"), Qt::Key_B, Qt::MetaModifier);
  EXPECT_EQ(FindChild<QLineEdit>(d, "edCutOff")->text(), QStringLiteral("22059"));
}

TEST_F(PropertiesTest, InputMethodTextIsFilteredLikeTyping) {
  TfrmProperties& d = Dialog();
  FindChild<QLineEdit>(d, "edFRate")->setText(QStringLiteral("10"));
  auto commit = [&](const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(FindChild<QLineEdit>(d, "edFRate"), &event);
  };
  commit(QStringLiteral("\u00e9"));
  commit(QStringLiteral("0"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edFRate")->text(), QStringLiteral("100"));
}

TEST_F(PropertiesTest, EveryNumberFieldIsFilteredButTheDirectoryIsNot) {
  TfrmProperties& d = Dialog();
  for (QLineEdit* edit : {FindChild<QLineEdit>(d, "edCutOff"), FindChild<QLineEdit>(d, "edCBuffer"),
                          FindChild<QLineEdit>(d, "edDBuffer"),
                          FindChild<QLineEdit>(d, "edSurrMult"), FindChild<QLineEdit>(d, "edXMax"),
                          FindChild<QLineEdit>(d, "edYMax"), FindChild<QLineEdit>(d, "edFRate")}) {
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("1q2"));
    EXPECT_EQ(edit->text(), QStringLiteral("12")) << edit->objectName().toStdString();
  }
  FindChild<QLineEdit>(d, "edDir")->clear();
  QTest::keyClicks(FindChild<QLineEdit>(d, "edDir"), QStringLiteral("Roms2"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edDir")->text(), QStringLiteral("Roms2"));
}

TEST_F(PropertiesTest, KeysWithoutCharactersAndPastingStillWork) {
  TfrmProperties& d = Dialog();
  FindChild<QLineEdit>(d, "edXMax")->setText(QStringLiteral("640"));
  QTest::keyClick(FindChild<QLineEdit>(d, "edXMax"), Qt::Key_Home);
  QTest::keyClick(FindChild<QLineEdit>(d, "edXMax"), Qt::Key_Delete);
  EXPECT_EQ(FindChild<QLineEdit>(d, "edXMax")->text(), QStringLiteral("40"));
  QTest::keyClick(FindChild<QLineEdit>(d, "edXMax"), Qt::Key_Right);
  QTest::keyClicks(FindChild<QLineEdit>(d, "edXMax"), QStringLiteral("8"));
  EXPECT_EQ(FindChild<QLineEdit>(d, "edXMax")->text(), QStringLiteral("480"));

  QGuiApplication::clipboard()->setText(QStringLiteral("12ab"));
  FindChild<QLineEdit>(d, "edXMax")->clear();
  QTest::keyClick(FindChild<QLineEdit>(d, "edXMax"), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(FindChild<QLineEdit>(d, "edXMax")->text(), QStringLiteral("12ab"));
}

// ---- Resolution menu ---------------------------------------------------------------------------

TEST_F(PropertiesTest, ResolutionEntrySetsBothFieldsOnly) {
  TfrmProperties& d = Dialog();
  QStringList entries;
  for (QAction* a : FindChild<QMenu>(d, "pmResolution")->actions()) entries << a->text();
  ASSERT_EQ(entries.join(QStringLiteral(",")),
            QStringLiteral("320 x 200,640 x 480,800 x 600,1024 x 768,1400 x 1200"));

  for (bool windowed : {false, true}) {
    FindChild<QCheckBox>(d, "cbWindow")->setChecked(windowed);
    FindChild<QLineEdit>(d, "edXMax")->setText(QStringLiteral("640"));
    FindChild<QLineEdit>(d, "edYMax")->setText(QStringLiteral("480"));
    FindChild<QMenu>(d, "pmResolution")->actions().at(4)->trigger();
    EXPECT_EQ(FindChild<QLineEdit>(d, "edXMax")->text(), QStringLiteral("1400"));
    EXPECT_EQ(FindChild<QLineEdit>(d, "edYMax")->text(), QStringLiteral("1200"));
    EXPECT_EQ(FindChild<QCheckBox>(d, "cbWindow")->isChecked(), windowed);
  }
  FindChild<QMenu>(d, "pmResolution")->actions().at(0)->trigger();
  EXPECT_EQ(FindChild<QLineEdit>(d, "edXMax")->text() + QStringLiteral("x") +
                FindChild<QLineEdit>(d, "edYMax")->text(),
            QStringLiteral("320x200"));
}

TEST_F(PropertiesTest, ResolutionButtonPopsTheMenuNearTheButton) {
  TfrmProperties& d = Dialog();
  d.move(100, 50);
  d.show();
  FindChild<QTabWidget>(d, "PageControl1")->setCurrentIndex(1);
  const QPoint offset = FindChild<QToolButton>(d, "SpeedButton1")
                            ->mapTo(FindChild<QWidget>(d, "TabSheet2"), QPoint(0, 0));
  EXPECT_EQ(d.ResolutionMenuPos(), d.frameGeometry().topLeft() + offset);
  FindChild<QToolButton>(d, "SpeedButton1")->click();
  EXPECT_TRUE(FindChild<QMenu>(d, "pmResolution")->isVisible());
  FindChild<QMenu>(d, "pmResolution")->hide();
  d.hide();
}

// ---- ROM directory chooser ---------------------------------------------------------------------

class RomDirectoryTest : public PropertiesTest {
 protected:
  QString Choose(const QString& text, const QString& answer) {
    TfrmProperties& d = Dialog();
    Chooser.Answer = answer.isEmpty() ? std::nullopt : std::optional(answer);
    FindChild<QLineEdit>(d, "edDir")->setText(text);
    FindChild<QToolButton>(d, "btnDir")->click();
    Starts << Chooser.Start;
    return FindChild<QLineEdit>(d, "edDir")->text();
  }
  QStringList Starts;
};

TEST_F(RomDirectoryTest, ChosenFolderReplacesTheTextWithoutTrailingSeparator) {
  EXPECT_EQ(Choose(QStringLiteral("Roms\\"), QStringLiteral("/media/arcade/zn/")),
            QStringLiteral("/media/arcade/zn"));
  EXPECT_EQ(Choose(QStringLiteral("Roms\\"), QStringLiteral("/")), QStringLiteral("/"));
}

TEST_F(RomDirectoryTest, CancellingChangesNothing) {
  EXPECT_EQ(Choose(QStringLiteral("Roms\\"), QString()), QStringLiteral("Roms\\"));
  EXPECT_EQ(Chooser.Asked, 1);
}

TEST_F(RomDirectoryTest, StartsAtTheFolderNamedRelativeToTheWorkingDirectory) {
  MakeDirs(Paths.WorkDir + "Roms/zn1");
  MakeDirs(Dir / "elsewhere");
  Choose(QStringLiteral("Roms\\"), QString());
  Choose(QStringLiteral("roms\\ZN1"), QString());  // stored on a case-blind file system
  Choose(QString::fromStdString(Dir / "elsewhere"), QString());
  const QString work = QString::fromStdString(Paths.WorkDir);
  EXPECT_EQ(Starts, QStringList({work + QStringLiteral("Roms"), work + QStringLiteral("Roms/zn1"),
                                 QString::fromStdString(Dir / "elsewhere")}));
}

TEST_F(RomDirectoryTest, MissingFolderStartsAtTheRoot) {
  WriteFileBytes(Paths.WorkDir + "file", "not a folder");
  Choose(QStringLiteral("file"), QString());
  Choose(QStringLiteral("NoSuchFolder\\"), QString());
  Choose(QString(), QString());
  EXPECT_EQ(Starts, QStringList({QStringLiteral("/"), QStringLiteral("/"), QStringLiteral("/")}));
}

// ---- Showing the dialog ------------------------------------------------------------------------

TEST_F(PropertiesTest, EscapeClosesNothingAndEnterPressesOnlyTheFocusedButton) {
  bool visibleAfterKeys = false;
  const bool saved = ExecuteWith(0, [&](TfrmProperties& d) {
    QTest::keyClick(&d, Qt::Key_Escape);
    QTest::keyClick(FindChild<QLineEdit>(d, "edCutOff"), Qt::Key_Escape);
    FindChild<QLineEdit>(d, "edCutOff")->setFocus();
    QTest::keyClick(FindChild<QLineEdit>(d, "edCutOff"), Qt::Key_Return);
    visibleAfterKeys = d.isVisible();
    FindChild<QPushButton>(d, "btnCancel")->setFocus();
    QTest::keyClick(FindChild<QPushButton>(d, "btnCancel"), Qt::Key_Return);
    if (d.isVisible())
      FindChild<QPushButton>(d, "btnOK")->click();  // keeps a failing test from hanging
  });
  EXPECT_TRUE(visibleAfterKeys);
  EXPECT_FALSE(saved);  // Enter went to Cancel
  EXPECT_FALSE(FindChild<QPushButton>(Dialog(), "btnOK")->isDefault());
  EXPECT_FALSE(FindChild<QPushButton>(Dialog(), "btnCancel")->isDefault());
}

TEST_F(PropertiesTest, ShowsCentredOnTheDesktopWhereverItWasLeft) {
  Dialog().move(0, 0);
  QPoint centre;
  ExecuteWith(0, [&](TfrmProperties& d) {
    centre = d.frameGeometry().center();
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  const QPoint desktop = QGuiApplication::primaryScreen()->availableGeometry().center();
  // The frame is unknown before the first showing, so allow for its width.
  EXPECT_LE((centre - desktop).manhattanLength(), 10);

  // Centred on the size it grew to with a larger font, not on the designed one.
  TDesktopFont desktopFont(14);
  TfrmProperties large(Launcher(), nullptr);
  QTimer::singleShot(0, &large, [&] {
    centre = large.frameGeometry().center();
    FindChild<QPushButton>(large, "btnCancel")->click();
  });
  large.Execute(0, QStringLiteral("Tekken 3 (Japan)"));
  EXPECT_GT(large.height(), 367);
  EXPECT_LE((centre - desktop).manhattanLength(), 10);
}

// Ctrl+Tab turns the page and takes the focus to its first control, passing nothing on the way.
TEST_F(PropertiesTest, CtrlTabGoesStraightToTheNewPagesFirstControl) {
  struct TFocusIns : QObject {
    std::vector<std::string> Names;
    bool eventFilter(QObject* watched, QEvent* e) override {
      if (e->type() == QEvent::FocusIn) Names.push_back(watched->objectName().toStdString());
      return false;
    }
  } focusIns;
  ExecuteWith(0, [&](TfrmProperties& d) {
    EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
    for (QWidget* w : d.findChildren<QWidget*>()) w->installEventFilter(&focusIns);
    QWidget* last = FindChild<QLineEdit>(d, "edSurrMult");  // the first page's last control
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Tab, Qt::ControlModifier);
    // From a button as well, and back with Ctrl+Shift+Tab.
    QTest::keyClick(FindChild<QPushButton>(d, "btnCancel"), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  EXPECT_EQ(focusIns.Names, (std::vector<std::string>{"edSurrMult", "cbWindow", "cbRenderer"}));
}

TEST_F(PropertiesTest, OpensOnTheFirstPageThenOnThePageShownLast) {
  int first = -1, second = -1;
  ExecuteWith(0, [&](TfrmProperties& d) {
    first = FindChild<QTabWidget>(d, "PageControl1")->currentIndex();
    FindChild<QTabWidget>(d, "PageControl1")->setCurrentIndex(1);
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  ExecuteWith(1, [&](TfrmProperties& d) {
    second = FindChild<QTabWidget>(d, "PageControl1")->currentIndex();
    FindChild<QPushButton>(d, "btnOK")->click();
  });
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

// ---- Loading and saving through the dialog -----------------------------------------------------

class PropertiesFileTest : public PropertiesTest {
 protected:
  std::string ListFile() const { return Paths.ExeDir + "ludra.ini"; }

  // What the controls show, read through a scratch copy so the record itself stays untouched.
  static std::string Shown(TfrmProperties& d, TLauncher& launcher) {
    const TGameSettings kept = launcher.GameSettings;
    d.ApplySettings();
    std::string shown = Describe(launcher.GameSettings);
    launcher.GameSettings = kept;
    return shown;
  }
};

class TRecordingReporter : public IErrorReporter {
 public:
  TRecordingReporter() { SetErrorReporter(this); }
  ~TRecordingReporter() override { SetErrorReporter(nullptr); }
  void ShowError(const std::string& message) override { Messages.push_back(message); }
  std::vector<std::string> Messages;
};

const char kTwoGames[] =
    "[General]\r\nPath=Roms\\\r\n[Rom1]\r\nGame=Alpha\r\nSound=0\r\n[Rom2]\r\nGame=Beta\r\n";

TEST_F(PropertiesFileTest, FreshListFileShowsTheDefaults) {
  std::string shown;
  const bool saved = ExecuteWith(0, [&](TfrmProperties& d) {
    shown = Shown(d, Launcher());
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  EXPECT_FALSE(saved);
  EXPECT_EQ(shown, "22050|4096|2048|111000|40|-1|1|640|480|0|2|1011|100|023000|Roms\\");
  EXPECT_EQ(ReadFileBytes(ListFile()).substr(0, 7), "[Rom0]\r");  // created from the catalogue
}

TEST_F(PropertiesFileTest, StoredValuesAreShownAsTheyStand) {
  WriteFileBytes(
      ListFile(),
      "[General]\r\nPath=/media/zn\r\n[Rom1]\r\nGame=Alpha\r\n[Rom2]\r\nGame=Beta\r\n"
      "CutOff=11025\r\nCBuffer=1\r\nDBuffer=2\r\nInterpreter=0\r\nGeometry=0\r\n"
      "Sound=0\r\nFilter=1\r\nSurround=1\r\nStereo=1\r\nMultiplier=3\r\nRenderer=7\r\n"
      "Windowed=0\r\nXmax=1024\r\nYmax=768\r\nDithering=1\r\nBPP=0\r\nFPS=0\r\nSkip=1\r\n"
      "Detection=0\r\nFrameLimit=0\r\nFrameRate=1e2\r\nFiltering=3\r\nCaching=1\r\n"
      "Quality=0\r\nDisplay=2\r\nBlending=9\r\nScanlines=1\r\n");
  std::string shown;
  QString quality, title;
  ExecuteWith(1, [&](TfrmProperties& d) {
    shown = Shown(d, Launcher());
    quality = FindChild<QComboBox>(d, "cbTQuality")->currentText();
    title = FindChild<QLabel>(d, "lblFilename1")->text() + QStringLiteral("/") +
            FindChild<QLabel>(d, "lblFilename2")->text();
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  EXPECT_EQ(shown, "11025|1|2|000111|3|-1|0|1024|768|1|0|0100|1e2|3102-11|/media/zn");
  EXPECT_EQ(quality, QStringLiteral("default"));
  EXPECT_EQ(title, QStringLiteral("Tekken 3 (Japan)/Tekken 3 (Japan)"));
}

TEST_F(PropertiesFileTest, OkWritesEveryKeyInTheTableOrder) {
  WriteFileBytes(ListFile(), kTwoGames);
  const bool saved = ExecuteWith(0, [&](TfrmProperties& d) {
    FindChild<QCheckBox>(d, "cbSound")->setChecked(true);
    FindChild<QCheckBox>(d, "cbWindow")->setChecked(false);
    FindChild<QLineEdit>(d, "edSurrMult")->setText(QStringLiteral("55"));
    FindChild<QMenu>(d, "pmResolution")->actions().at(2)->trigger();
    FindChild<QComboBox>(d, "cbBPP")->setCurrentIndex(1);
    FindChild<QLineEdit>(d, "edDir")->setText(QStringLiteral("/media/zn"));
    FindChild<QPushButton>(d, "btnOK")->click();
  });
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadFileBytes(ListFile()),
            "[General]\r\nPath=/media/zn\r\n"
            "[Rom1]\r\nGame=Alpha\r\nSound=1\r\nCutOff=22050\r\nCBuffer=4096\r\nDBuffer=2048\r\n"
            "Interpreter=1\r\nGeometry=1\r\nFilter=0\r\nSurround=0\r\nStereo=0\r\nMultiplier=55\r\n"
            "Renderer=-1\r\nWindowed=0\r\nXmax=800\r\nYmax=600\r\nDithering=0\r\nBPP=1\r\nFPS=1\r\n"
            "Skip=0\r\nDetection=1\r\nFrameLimit=1\r\nFrameRate=100\r\nFiltering=0\r\nCaching=2\r\n"
            "Quality=3\r\nDisplay=0\r\nBlending=0\r\nScanlines=0\r\n"
            "[Rom2]\r\nGame=Beta\r\n");
}

TEST_F(PropertiesFileTest, CancelWritesNothingAndTheNextLoadDropsWhatWasTyped) {
  WriteFileBytes(ListFile(), kTwoGames);
  const bool saved = ExecuteWith(1, [&](TfrmProperties& d) {
    FindChild<QLineEdit>(d, "edSurrMult")->setText(QStringLiteral("55"));
    FindChild<QLineEdit>(d, "edDir")->setText(QStringLiteral("/elsewhere"));
    FindChild<QCheckBox>(d, "cbSound")->setChecked(false);
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFileBytes(ListFile()), kTwoGames);

  QString multiplier, dir;
  ExecuteWith(1, [&](TfrmProperties& d) {
    multiplier = FindChild<QLineEdit>(d, "edSurrMult")->text();
    dir = FindChild<QLineEdit>(d, "edDir")->text();
    FindChild<QPushButton>(d, "btnCancel")->click();
  });
  EXPECT_EQ(multiplier, QStringLiteral("40"));
  EXPECT_EQ(dir, QStringLiteral("Roms\\"));
}

TEST_F(PropertiesFileTest, RenderersFoundAtCreationAreOfferedFirstOneSelected) {
  const std::string fixtures = LUDRA_PLUGIN_FIXTURES;
  std::filesystem::copy_file(fixtures + "renderer.tvi", Paths.ExeDir + "zgl.tvi");
  std::filesystem::copy_file(fixtures + "renderer.tvi", Paths.ExeDir + "asoft.tvi");
  std::filesystem::copy_file(fixtures + "controller.tvi", Paths.ExeDir + "pad.tvi");
  Created();
  // A plug-in added after creation is not offered, even though the controls come later.
  std::filesystem::copy_file(fixtures + "renderer.tvi", Paths.ExeDir + "late.tvi");
  TfrmProperties& d = Dialog();
  ASSERT_EQ(FindChild<QComboBox>(d, "cbRenderer")->count(), 2);
  EXPECT_EQ(FindChild<QComboBox>(d, "cbRenderer")->itemText(0), QStringLiteral("asoft.tvi"));
  EXPECT_EQ(FindChild<QComboBox>(d, "cbRenderer")->itemText(1), QStringLiteral("zgl.tvi"));
  EXPECT_EQ(FindChild<QComboBox>(d, "cbRenderer")->currentIndex(), 0);

  WriteFileBytes(ListFile(), kTwoGames);
  ExecuteWith(1, [&](TfrmProperties& dialog) {
    FindChild<QComboBox>(dialog, "cbRenderer")->setCurrentIndex(1);
    FindChild<QPushButton>(dialog, "btnOK")->click();
  });
  EXPECT_NE(ReadFileBytes(ListFile()).find("\r\nRenderer=1\r\n"), std::string::npos);
}

TEST_F(PropertiesFileTest, FailedLoadIsReportedAndTheDialogStaysClosed) {
  MakeDirs(ListFile());  // a folder where the list file should be
  TRecordingReporter reporter;
  bool shown = false;
  const bool saved = ExecuteWith(0, [&](TfrmProperties& d) {
    shown = d.isVisible();
    if (shown) FindChild<QPushButton>(d, "btnCancel")->click();
  });
  EXPECT_FALSE(saved);
  EXPECT_FALSE(shown);
  ASSERT_EQ(reporter.Messages.size(), 1u);
  EXPECT_NE(reporter.Messages[0].find("ludra.ini"), std::string::npos);
}

TEST_F(PropertiesFileTest, FailedSaveKeepsTheDialogOpenWithTheEditsToRetry) {
  WriteFileBytes(ListFile(), kTwoGames);
  TRecordingReporter reporter;
  bool openAfterFailure = false;
  QString cutOffAfterFailure;
  const bool saved = ExecuteWith(0, [&](TfrmProperties& d) {
    d.findChild<QLineEdit*>(QStringLiteral("edCutOff"))->setText(QStringLiteral("777"));
    std::filesystem::remove(ListFile());
    MakeDirs(ListFile() + "/blocked");  // the write cannot replace a folder
    FindChild<QPushButton>(d, "btnOK")->click();
    openAfterFailure = d.isVisible();
    cutOffAfterFailure = FindChild<QLineEdit>(d, "edCutOff")->text();
    std::filesystem::remove_all(ListFile());
    WriteFileBytes(ListFile(), kTwoGames);
    FindChild<QPushButton>(d, "btnOK")->click();  // the retry saves
    if (d.isVisible()) d.reject();                // keeps a failing test from hanging
  });
  ASSERT_EQ(reporter.Messages.size(), 1u);
  EXPECT_NE(reporter.Messages[0].find("ludra.ini"), std::string::npos);
  EXPECT_TRUE(openAfterFailure);
  EXPECT_EQ(cutOffAfterFailure, QStringLiteral("777"));
  EXPECT_TRUE(saved);
  EXPECT_NE(ReadFileBytes(ListFile()).find("\r\nCutOff=777\r\n"), std::string::npos);
}

// ---- Screenshots -------------------------------------------------------------------------------

TEST_F(PropertiesTest, Screenshots) {
  std::filesystem::copy_file(std::string(LUDRA_PLUGIN_FIXTURES) + "renderer.tvi",
                             Paths.ExeDir + "gpu_opengl.tvi");
  TfrmProperties& d = Dialog();
  Launcher().LoadSettings(1);
  d.ShowSettings();
  d.SetGameName(QStringLiteral("Tekken 3 (Japan)"));
  d.show();
  FindChild<QTabWidget>(d, "PageControl1")->setCurrentIndex(0);
  EXPECT_TRUE(SaveScreenshot(d, QStringLiteral("properties-game")));
  FindChild<QTabWidget>(d, "PageControl1")->setCurrentIndex(1);
  EXPECT_TRUE(SaveScreenshot(d, QStringLiteral("properties-renderer")));
  d.hide();
}

}  // namespace
