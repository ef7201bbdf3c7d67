#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "tests/ui/DialogTestSupport.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/AuditProgress.h"
#include "ui/EdgeToolBar.h"
#include "ui/FolderTree.h"
#include "ui/GameFilterTable.h"
#include "ui/GameViews.h"
#include "ui/Pictures.h"
#include "ui/Translations.h"
#include "ui/UAbout.h"
#include "ui/UProperties.h"

namespace {
// Closes the next modal window as soon as the event loop runs, remembering which it was.
struct TModalCloser {
  QWidget* Seen = nullptr;
  QString Text;
  QWidget* Parent = nullptr;
  void Arm() {
    QTimer::singleShot(0, [this] {
      Seen = QApplication::activeModalWidget();
      if (!Seen) return;
      Parent = Seen->parentWidget();
      if (auto* box = qobject_cast<QMessageBox*>(Seen)) Text = box->text();
      if (auto* dialog = qobject_cast<QDialog*>(Seen)) dialog->reject();
    });
  }
};

std::string TwoGames() {
  return GameSection(1, "Here", "A", "1996", "here.zip", "") +
         GameSection(2, "Gone", "A", "1996", "gone.zip", "");
}
}  // namespace

// ---- Screen readers ----

TEST(MainWindowAccessibility, EveryControlHasANameAndThePanelsReadWhatTheyShow) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Zip("here.zip", {"x"});
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  auto* about = new TfrmAbout(Pictures::Logo(), &f.Main());
  f.Main().SetDialogs(properties, about);
  f.Activate();
  f.Main().show();
  f.Main().findChild<TAuditProgress*>()->show();
  ASSERT_TRUE(f.SelectFolder("Available"));
  ASSERT_TRUE(f.SelectGame("Here"));
  properties->CreateControls();
  for (QWidget* window : {static_cast<QWidget*>(&f.Main()), static_cast<QWidget*>(properties),
                          static_cast<QWidget*>(about)})
    EXPECT_EQ(UnnamedControls(window), std::vector<std::string>{})
        << window->metaObject()->className();

  const std::vector<QString> shown = {QStringLiteral("Here"), QStringLiteral("Working"),
                                      QStringLiteral("1 Games")};
  auto* bar = f.Main().findChild<QStatusBar*>();
  const QList<QLabel*> panels = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  ASSERT_GE(panels.size(), 3);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(AccessibleName(panels[static_cast<int>(i)]).toStdString(), shown[i].toStdString());
    EXPECT_FALSE(panels[static_cast<int>(i)]->accessibleDescription().isEmpty());
  }

  // The folder tree's header is hidden, but read out as what it heads (named once the window has
  // painted).
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.Main().Painted(); }));
  QAccessibleInterface* tree =
      QAccessible::queryAccessibleInterface(f.Find<TFolderTree>("tvFolder"));
  ASSERT_TRUE(tree && tree->tableInterface());
  EXPECT_EQ(tree->tableInterface()->columnDescription(0).toStdString(), "Folders");
}

// What a screen reader says of a game in the list (every view), the menu bar and the About
// box's logo, and how it sees the buttons of the four view styles.
TEST(MainWindowAccessibility, ItemsSayTheirStateAndTheViewButtonsAreRadioButtons) {
  TMainWindowFixture f;
  f.List(TwoGames() + GameSection(3, "Half", "A", "1996", "half.zip", "a,b"));
  f.Zip("here.zip", {"x"});
  f.Zip("half.zip", {"a"});
  f.Main().show();
  f.Activate();
  const std::vector<std::string> states = {"Working", "ROMs missing",
                                           "Roms/half.zip lacks 1 of its 2 files: b"};
  for (const char* style : {"actDetails", "actLargeIcons"}) {
    f.Find<QAction>(style)->trigger();
    QAccessibleInterface* list =
        QAccessible::queryAccessibleInterface(f.Find<TGameViews>("lvGames")->CurrentView());
    ASSERT_TRUE(list && list->tableInterface()) << style;
    for (int row = 0; row < 3; ++row) {
      QAccessibleInterface* item = list->tableInterface()->cellAt(row, 0);
      ASSERT_NE(item, nullptr) << style;
      EXPECT_EQ(item->text(QAccessible::Description).toStdString(), states[row]) << style;
    }
  }

  EXPECT_EQ(AccessibleName(f.Main().menuBar()).toStdString(), "Menu bar");
  TfrmAbout about(Pictures::Logo());
  EXPECT_EQ(AccessibleName(FindChild<QLabel>(about, "imgLogo")).toStdString(), "Logo");

  auto* bar = f.Find<TEdgeToolBar>("tbMain");
  for (const char* action :
       {"actLargeIcons", "actSmallIcons", "actList", "actDetails", "actHideFolder"})
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar->widgetForAction(f.Find<QAction>(action)))
                  ->role(),
              action[3] == 'H' ? QAccessible::CheckBox : QAccessible::RadioButton)
        << action;
  // Still one style at a time, and a click on the checked one keeps it.
  QWidget* details = bar->widgetForAction(f.Find<QAction>("actDetails"));
  QTest::mouseClick(details, Qt::LeftButton);
  QTest::mouseClick(details, Qt::LeftButton);
  EXPECT_TRUE(f.Find<QAction>("actDetails")->isChecked());
  EXPECT_FALSE(f.Find<QAction>("actLargeIcons")->isChecked());
}

// ---- Dialogs the window opens ----

TEST(MainWindowDialogs, PropertiesOpenForAnAvailableGameOnly) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Zip("here.zip", {"x"});
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  f.Activate();

  TModalCloser closer;
  ASSERT_TRUE(f.SelectGame("Gone"));
  closer.Arm();
  f.Trigger("actProperties");
  QTest::qWait(1);
  EXPECT_EQ(closer.Seen, nullptr);

  ASSERT_TRUE(f.SelectGame("Here"));
  closer.Arm();
  f.Find<QAction>("actProperties")->trigger();
  EXPECT_EQ(closer.Seen, properties);
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowDialogs, AboutIsShownModally) {
  TMainWindowFixture f;
  auto* about = new TfrmAbout(Pictures::Logo(), &f.Main());
  f.Main().SetDialogs(nullptr, about);
  TModalCloser closer;
  closer.Arm();
  f.Find<QAction>("ToolButton9")->trigger();
  EXPECT_EQ(closer.Seen, about);
  closer.Seen = nullptr;
  closer.Arm();
  f.Find<QAction>("mnuAbout")->trigger();
  EXPECT_EQ(closer.Seen, about);
}

TEST(MainWindowDialogs, ShellFailuresShowABoxOwnedByTheWindow) {
  TMainWindowFixture f;
  TModalCloser closer;
  closer.Arm();
  f.Main().ShellError("Cannot start \"tavi.exe\".");
  ASSERT_NE(closer.Seen, nullptr);
  EXPECT_EQ(closer.Parent, &f.Main());
  EXPECT_EQ(closer.Text.toStdString(), "Cannot start \"tavi.exe\".");
}

TEST(MainWindowDialogs, ExitClosesTheWindow) {
  TMainWindowFixture f;
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Find<QAction>("mnuExit")->trigger();
  EXPECT_FALSE(f.Main().isVisible());
}

// The ROM list beside the list file: a malformed one is told once (not after every audit); the
// fixdat command then says why it cannot write the missing files.
TEST(MainWindowDialogs, AMalformedDatIsToldOnceAndTheFixdatSaysWhatItCannotWrite) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Good", "A", "1996", "good.zip", "a,b") +
         GameSection(2, "Gone", "A", "1996", "gone.zip", "z"));
  f.Zip("good.zip", {"a"});
  WriteFileBytes(f.Dir / "ludra.dat", "game ( name good\n");
  f.Activate();
  f.AuditAll();
  ASSERT_EQ(f.Chooser.Told.size(), 1u);
  EXPECT_TRUE(f.Chooser.Told[0].contains(QString::fromStdString(f.Dir / "ludra.dat")))
      << f.Chooser.Told[0].toStdString();
  EXPECT_TRUE(f.Chooser.Told[0].contains(QStringLiteral("line 1")));
  EXPECT_EQ(f.Main().Games()[0].Available, true);  // the audit ran as without it

  // Without the DAT no file has a size, which a fixdat needs: none is written, and that is said.
  f.Chooser.SaveAs = QString::fromStdString(f.Dir / "fix.xml");
  auto* command = f.Main().findChild<QAction*>(QStringLiteral("mnuFixdat"));
  ASSERT_NE(command, nullptr);
  command->trigger();
  EXPECT_FALSE(std::filesystem::exists(f.Dir / "fix.xml"));
  ASSERT_EQ(f.Chooser.Told.size(), 2u);
  EXPECT_TRUE(f.Chooser.Told[1].contains(QStringLiteral("2 missing or wrong files")))
      << f.Chooser.Told[1].toStdString();
  EXPECT_TRUE(f.Errors.Messages.empty());
}

// ---- Real input on the list ----

TEST(MainWindowInput, DoubleClickOnAGameStartsIt) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Activate();
  QAbstractItemView* view = f.Find<TGameViews>("lvGames")->CurrentView();
  const QRect item = view->visualRect(view->model()->index(1, 0));
  ASSERT_FALSE(item.isEmpty());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, item.center());
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  EXPECT_EQ(f.Shell.LastNumber(), 2);
  EXPECT_EQ(f.Panel(0), "Gone");
}

TEST(MainWindowInput, SmallIconsReachTheLastGameInADefaultSizedWindow) {
  TMainWindowFixture f;
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Activate();
  ASSERT_EQ(f.Main().ListedCount(), 25);
  f.Find<TGameViews>("lvGames")->SelectRow(0);
  f.Find<QAction>("actSmallIcons")->trigger();
  QAbstractItemView* view = f.Find<TGameViews>("lvGames")->CurrentView();
  view->setFocus();
  QTest::keyClick(view, Qt::Key_End);
  QApplication::processEvents();
  EXPECT_EQ(f.Main().SelectedPosition(), 24);
  const QRect last = view->visualRect(view->model()->index(24, 0));
  EXPECT_TRUE(view->viewport()->rect().contains(last));
  // Switching views keeps the selected game in sight.
  f.Find<QAction>("actLargeIcons")->trigger();
  view = f.Find<TGameViews>("lvGames")->CurrentView();
  QApplication::processEvents();
  EXPECT_TRUE(view->viewport()->rect().contains(view->visualRect(view->model()->index(24, 0))));
}

TEST(MainWindowInput, ReturnAndEnterPlayTheSelectedGameLikeADoubleClick) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Activate();
  QAbstractItemView* view = f.Find<TGameViews>("lvGames")->CurrentView();
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_TRUE(f.Shell.Calls.empty());  // nothing selected
  ASSERT_TRUE(f.SelectGame("Gone"));   // ROMs missing: a double click starts it all the same
  QTest::keyClick(view, Qt::Key_Return);
  f.Find<QAction>("actSmallIcons")->trigger();
  QTest::keyClick(f.Find<TGameViews>("lvGames")->CurrentView(), Qt::Key_Enter, Qt::KeypadModifier);
  ASSERT_EQ(f.Shell.Calls.size(), 2u);
  EXPECT_EQ(f.Shell.LastNumber(), 2);
}

TEST(MainWindowInput, ShiftF10OpensThePopupLikeTheMenuKey) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Here"));
  QTest::keyClick(f.Find<TGameViews>("lvGames")->CurrentView(), Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(f.Find<QMenu>("pmGames")->isVisible());
  f.Find<QMenu>("pmGames")->close();
}

TEST(MainWindowInput, F10OpensTheMenuBarOnItsFirstMenuAndClosesIt) {
  TMainWindowFixture f;
  f.List(TwoGames());
  ASSERT_TRUE(f.ShowActive());
  QMenu* file = f.Main().menuBar()->actions().constFirst()->menu();
  QTest::keyClick(f.Find<TGameViews>("lvGames")->CurrentView(), Qt::Key_F10);
  ASSERT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }));
  EXPECT_EQ(QApplication::activePopupWidget(), file);
  QTest::keyClick(file, Qt::Key_F10);
  EXPECT_FALSE(file->isVisible());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(MainWindowInput, FirstDownSelectsTheFirstFolderAndTheFirstGame) {
  TMainWindowFixture f;
  f.List(TwoGames());
  ASSERT_TRUE(f.ShowActive());
  EXPECT_EQ(f.Find<TFolderTree>("tvFolder")->SelectedFolder(),
            nullptr);  // none selected by the program
  f.Find<TFolderTree>("tvFolder")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(f.Find<TFolderTree>("tvFolder"), Qt::Key_Down);
  ASSERT_NE(f.Find<TFolderTree>("tvFolder")->SelectedFolder(), nullptr);
  EXPECT_EQ(f.Find<TFolderTree>("tvFolder")->SelectedFolder()->text(0),
            QStringLiteral("All Games"));
  QTest::keyClick(f.Find<TFolderTree>("tvFolder"), Qt::Key_Down);
  EXPECT_EQ(f.Find<TFolderTree>("tvFolder")->SelectedFolder()->text(0),
            QStringLiteral("Available"));

  f.SelectFolder("All Games");
  for (QAction* style : {f.Find<QAction>("actDetails"), f.Find<QAction>("actSmallIcons")}) {
    style->trigger();
    QAbstractItemView* view = f.Find<TGameViews>("lvGames")->CurrentView();
    view->selectionModel()->clear();
    view->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(f.Main().SelectedPosition(), 0) << style->text().toStdString();
  }
}

TEST(MainWindowInput, HoveringAnActionLeavesThePanelsTexts) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Zip("here.zip", {"x"});
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Here"));
  f.Find<QAction>("actHideFolder")->hover();
  f.Find<QAction>("actLargeIcons")->hover();
  QApplication::processEvents();
  EXPECT_TRUE(f.Find<QStatusBar>("sbMain")->currentMessage().isEmpty());
  EXPECT_TRUE(f.Find<QLabel>("sbPanel0")->isVisible());
  EXPECT_EQ(f.Panel(0), "Here");
  EXPECT_EQ(f.Panel(1), "Working");
}

// ---- Translations ----

TEST(Translations, GermanWindowGivesTheAuditsReasonsAndTheFileAndLaunchErrorsInGerman) {
  struct TBackToEnglish {
    ~TBackToEnglish() { RemoveTranslations(); }
  } english;
  ASSERT_TRUE(InstallTranslations(QLocale(QLocale::German, QLocale::Germany)));
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Zip("here.zip", {"x"});
  TProcessShell shell(f.Paths, &f.Main());  // no tavi.exe in the folder
  f.Shell.ForwardTo = &shell;
  f.Activate();
  TGameFilterTable* table = f.Main().GameFilterTable();
  EXPECT_EQ(table->index(1, 0).data(Qt::ToolTipRole).toString().toStdString(),
            "Gone\nArchiv nicht gefunden: Roms/gone.zip");

  ASSERT_TRUE(f.SelectGame("Here"));
  TModalCloser closer;
  closer.Arm();
  f.Find<QAction>("actPlay")->trigger();
  EXPECT_TRUE(closer.Text.startsWith(QString::fromStdString("„" + f.Dir / "tavi.exe") +
                                     QStringLiteral("“ kann nicht gestartet werden: ")))
      << closer.Text.toStdString();

  std::filesystem::remove(f.Dir / "renderer.cfg");  // written before the start failed
  MakeDirs(f.Dir / "renderer.cfg");
  f.Find<QAction>("actPlay")->trigger();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  EXPECT_EQ(f.Errors.Messages[0],
            "„" + f.Dir / "renderer.cfg" + "“ kann nicht geschrieben werden: es ist ein Ordner.");
}

TEST(Translations, GermanLoadsAndChangesTheMenus) {
  struct TBackToEnglish {
    ~TBackToEnglish() { RemoveTranslations(); }
  } english;
  ASSERT_TRUE(InstallTranslations(QLocale(QLocale::German, QLocale::Germany)));
  {
    TMainWindowFixture f;
    f.Activate();
    QStringList menus;
    for (QAction* menu : f.Main().menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, QStringList({QStringLiteral("Dat&ei"), QStringLiteral("&Ansicht"),
                                  QStringLiteral("&Optionen"), QStringLiteral("&Hilfe")}));
    EXPECT_EQ(f.Find<QAction>("actPlay")->text(), QStringLiteral("&Spielen"));
    // Within each menu, no two items share a mnemonic.
    for (QAction* menu : f.Main().menuBar()->actions()) {
      QString letters;
      for (QAction* item : menu->menu()->actions()) {
        const qsizetype at = item->text().indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= item->text().size()) continue;
        const QChar letter = item->text().at(at + 1).toLower();
        EXPECT_FALSE(letters.contains(letter)) << item->text().toStdString();
        letters += letter;
      }
    }
    ASSERT_TRUE(f.SelectFolder("Alle Spiele"));
    EXPECT_EQ(f.Panel(2), "25 Spiele");
    // Qt's own standard dialogs follow, where Qt's translations are installed.
    if (QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                          QStringLiteral("/qtbase_de.qm"))) {
      EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                QStringLiteral("Abbrechen"));
    }
  }
  RemoveTranslations();
  EXPECT_FALSE(InstallTranslations(QLocale(QLocale::English, QLocale::UnitedStates)));
  TMainWindowFixture f;
  EXPECT_EQ(f.Main().menuBar()->actions().value(0)->text(), QStringLiteral("&File"));
}
