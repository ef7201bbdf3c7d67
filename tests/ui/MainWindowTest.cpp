#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "catalogue/ListFile.h"
#include "fileio/Errors.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/FolderTree.h"
#include "ui/GameFilterTable.h"
#include "ui/GameListModel.h"
#include "ui/GameViews.h"
#include "ui/Pictures.h"
#include "ui/SnapshotImage.h"
#include "ui/StatusPanel.h"

namespace fs = std::filesystem;

namespace {
using TTexts = std::vector<std::string>;
const TTexts kDefaultCompanies = {"Arika / Capcom",
                                  "Capcom",
                                  "Takara / Capcom",
                                  "Videosystem",
                                  "Hudson / Eighting / Raizing",
                                  "Taito",
                                  "Namco",
                                  "Axela"};
const TTexts kTopLevel = {"All Games", "Available", "Company", "Year", "Non Working"};

std::string TwoCompanies(const std::string& first, const std::string& second) {
  return GameSection(1, "One", first, "1996", "one.zip", "") +
         GameSection(2, "Two", second, "1997", "two.zip", "");
}
}  // namespace

// ---- Placement ----

// Also run on a 2560 x 1600 screen at scales 1 and 3 (tests/CMakeLists.txt), where
// LUDRA_TEST_DESIGNED_FITS says whether the designed place fits.
TEST(MainWindowPlacement, DesignedPositionWhereItFitsElseWhollyOnTheScreen) {
  TMainWindowFixture f;
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect window = f.Main().frameGeometry();
  const bool designedFits = available.contains(QRect(QPoint(267, 149), QSize(638, 480)));
  if (const char* expected = std::getenv("LUDRA_TEST_DESIGNED_FITS")) {
    ASSERT_EQ(designedFits, std::string(expected) == "1");
  }
  EXPECT_TRUE(available.contains(window))
      << window.x() << "," << window.y() << " " << window.width() << "x" << window.height()
      << " on " << available.width() << "x" << available.height();
  if (designedFits) {
    EXPECT_EQ(window.topLeft(), QPoint(267, 149));
  }
}

// ---- Audit and company folders ----

TEST(MainWindowAudit, FirstAuditPutsCompanyFoldersBetweenAvailableAndYear) {
  TMainWindowFixture f;
  f.Activate();
  EXPECT_EQ(f.TopLevelTexts(), kTopLevel);
  EXPECT_EQ(f.ChildTexts("Company"), kDefaultCompanies);
  // The kinds as the nodes keep them in their state index.
  EXPECT_EQ(f.Folder("Company")->data(0, TFolderTree::FolderKindRole).toInt(), -1);
  EXPECT_EQ(f.Folder("Namco")->data(0, TFolderTree::FolderKindRole).toInt(), 4);
  EXPECT_EQ(TFolderTree::FolderKind(f.Folder("Namco")), TFolderKind::Company);
  EXPECT_EQ(f.Main().ListedCount(), 25);
  EXPECT_EQ(ReadFileBytes(f.Dir / "ludra.ini"), std::string(kDefaultCatalogue));
  EXPECT_TRUE(f.Errors.Messages.empty());
  // Nothing is selected by the program, and the count is not written by the audit.
  EXPECT_EQ(f.Find<TFolderTree>("tvFolder")->SelectedFolder(), nullptr);
  EXPECT_EQ(f.Panel(2), "");
}

TEST(MainWindowAudit, ReAuditAddsNoHeadingAndKeepsVanishedCompanies) {
  TMainWindowFixture f;
  f.List(TwoCompanies("Capcom", "Namco"));
  f.AuditAll();
  f.List(TwoCompanies("Namco", "capcom"));
  f.AuditAll();
  EXPECT_EQ(f.TopLevelTexts(), kTopLevel);
  // Compared exactly: "capcom" is a company of its own; "Capcom" stays though it is gone.
  EXPECT_EQ(f.ChildTexts("Company"), TTexts({"Capcom", "Namco", "capcom"}));
}

TEST(MainWindowAudit, OnlyTheFirstActivationAudits) {
  TMainWindowFixture f;
  ASSERT_TRUE(f.ShowActive());
  EXPECT_EQ(f.Main().ListedCount(), 25);
  f.List(TwoCompanies("A", "B"));
  f.Activate();
  EXPECT_EQ(f.Main().ListedCount(), 25);
  f.AuditAll();
  EXPECT_EQ(f.Main().ListedCount(), 2);
}

TEST(MainWindowAudit, TheListAndItsCountFollowTheSelectedFolder) {
  TMainWindowFixture f;
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("1997"));
  ASSERT_EQ(f.Main().ListedCount(), 7);
  f.List(GameSection(1, "Old", "Capcom", "1997", "old.zip", "a") +
         GameSection(2, "New", "Capcom", "1998", "new.zip", "a"));
  f.AuditAll();
  EXPECT_EQ(f.ListedTitles(), std::vector<std::string>{"Old"});
  EXPECT_EQ(f.Panel(2), "1 Games");
  EXPECT_EQ(f.Find<TFolderTree>("tvFolder")->SelectedFolder()->text(0).toStdString(), "1997");
  // A heading selects no filter: the audit lists every game.
  ASSERT_TRUE(f.SelectFolder("Year"));
  f.AuditAll();
  EXPECT_EQ(f.Main().ListedCount(), 2);
  EXPECT_EQ(f.Panel(2), "2 Games");
}

TEST(MainWindowAudit, ShowsTheLogoAndKeepsTheTransparency) {
  TMainWindowFixture f;
  f.Activate();
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(150, 112));
  EXPECT_TRUE(
      f.Find<TSnapshotImage>("imgSnapshot")->Transparent());  // the image starts transparent
}

// ---- Folders ----

TEST(MainWindowFolders, YearFolderListsItsGamesInCatalogueOrder) {
  TMainWindowFixture f;
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("1997"));
  EXPECT_EQ(f.ListedTitles(),
            (std::vector<std::string>{"Street Fighter EX Plus (USA)", "Street Fighter EX Plus (JP)",
                                      "Rival Schools (ASIA)", "Justice Gakuen (JP)",
                                      "Beastorizer (bootleg)", "Magical Date EX (JP)",
                                      "Star Sweep (JP) Ver. A"}));
  EXPECT_EQ(f.ListedPositions(), (std::vector<int>{1, 2, 6, 7, 14, 16, 23}));
  EXPECT_EQ(f.Panel(2), "7 Games");
}

TEST(MainWindowFolders, HeadingsOnlyRecount) {
  TMainWindowFixture f;
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("1994"));
  ASSERT_EQ(f.ListedTitles(), std::vector<std::string>{"Tekken (JP) Ver. A"});
  ASSERT_TRUE(f.SelectFolder("Year"));
  EXPECT_EQ(f.ListedTitles(), std::vector<std::string>{"Tekken (JP) Ver. A"});
  EXPECT_EQ(f.Panel(2), "1 Games");
  f.AuditAll();
  ASSERT_TRUE(f.SelectFolder("Company"));
  EXPECT_EQ(f.Main().ListedCount(), 25);
  EXPECT_EQ(f.Panel(2), "25 Games");
}

TEST(MainWindowFolders, AvailableMissingAndCompanyFolders) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Found", "Capcom", "1996", "found.zip", "a") +
         GameSection(2, "Lost", "Capcom", "1996", "lost.zip", "a") +
         GameSection(3, "Other", "Capcom Ltd", "2001", "other.zip", "b"));
  f.Zip("found.zip", {"A"});
  f.Zip("other.zip", {"b"});
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("Available"));
  EXPECT_EQ(f.ListedTitles(), (std::vector<std::string>{"Found", "Other"}));
  ASSERT_TRUE(f.SelectFolder("Non Working"));
  EXPECT_EQ(f.ListedTitles(), std::vector<std::string>{"Lost"});
  ASSERT_TRUE(f.SelectFolder("Capcom"));
  EXPECT_EQ(f.ListedTitles(), (std::vector<std::string>{"Found", "Lost"}));
  EXPECT_EQ(f.Panel(2), "2 Games");
  // A year outside the fixed folders is listed under none of them.
  for (const char* year : {"1994", "1995", "1996", "1997", "1998", "1999"}) {
    ASSERT_TRUE(f.SelectFolder(year));
    for (const std::string& title : f.ListedTitles()) EXPECT_NE(title, "Other");
  }
}

TEST(MainWindowFolders, ItemsShowTheirFieldsAndIcons) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Loud", "Capcom", "1996", "loud.zip", "") +
         GameSection(2, "Quiet", "Namco", "1997", "quiet.zip", "", false) +
         GameSection(3, "Lost", "Taito", "1998", "lost.zip", ""));
  f.Zip("loud.zip", {"x"});
  f.Zip("quiet.zip", {"x"});
  f.Activate();
  TGameFilterTable* table = f.Main().GameFilterTable();
  EXPECT_EQ(table->index(1, 0).data().toString().toStdString(), "Quiet");
  EXPECT_EQ(table->index(1, 1).data().toString().toStdString(), "Japan");
  EXPECT_EQ(table->index(1, 2).data().toString().toStdString(), "Namco");
  EXPECT_EQ(table->index(1, 3).data().toString().toStdString(), "ZN1");
  EXPECT_EQ(table->index(1, 4).data().toString().toStdString(), "1997");
  std::vector<int> images;
  for (int row = 0; row < 3; ++row)
    images.push_back(table->index(row, 0).data(TGameListModel::ImageIndexRole).toInt());
  EXPECT_EQ(images, (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(table->headerData(0, Qt::Horizontal).toString().toStdString(), "Game");
  EXPECT_EQ(table->headerData(4, Qt::Horizontal).toString().toStdString(), "Year");
}

// A game model that changes by rows and in place, not only by resets.
class TChangingGames : public TGameListModel {
 public:
  void InsertFirst(TGameList games) {
    beginInsertRows({}, 0, 0);
    Replace(std::move(games));
    endInsertRows();
  }
  void ChangeInPlace(TGameList games, int row) {
    Replace(std::move(games));
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
  }

 private:
  void Replace(TGameList games) {
    const QSignalBlocker quiet(this);  // the table changes, only the signals above tell of it
    SetGames(std::move(games));
  }
};

TEST(MainWindowFolders, FilterTableFollowsRowsAddedAndGamesChangedInPlace) {
  auto game = [](const char* title, bool available) {
    TGame g;
    g.Game = title;
    g.Available = available;
    return g;
  };
  TChangingGames games;
  games.SetGames({game("A", true), game("B", false)});
  TGameFilterTable table;
  table.SetSource(&games);
  table.SetFilter(TGameFilter{TFolderKind::Available, ""});
  ASSERT_EQ(table.rowCount(), 1);

  games.InsertFirst({game("C", true), game("A", true), game("B", false)});
  EXPECT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.Position(1), 1);
  EXPECT_EQ(table.index(1, 0).data().toString(), QStringLiteral("A"));

  int changedRows = 0;
  QObject::connect(&table, &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex& from, const QModelIndex& to) {
                     changedRows += to.row() - from.row() + 1;
                   });
  games.ChangeInPlace({game("C", true), game("A2", true), game("B", false)}, 1);
  EXPECT_EQ(changedRows, 1);  // the same games listed: only the changed cells
  EXPECT_EQ(table.index(1, 0).data().toString(), QStringLiteral("A2"));
  games.ChangeInPlace({game("C", true), game("A2", true), game("B", true)}, 2);
  EXPECT_EQ(table.rowCount(), 3);  // B came into the folder
  EXPECT_EQ(table.Position(2), 2);
}

TEST(MainWindowFolders, EachItemsTooltipSaysWhyTheGameIsOrIsNotAvailable) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Good", "A", "1996", "good.zip", "a,b") +
         GameSection(2, "Bare", "A", "1996", "bare.zip", "") +
         GameSection(3, "Gone", "A", "1996", "gone.zip", "z") +
         GameSection(4, "Wrong", "A", "1996", "wrong.zip", "n1,n2,n3,n4,n5,n6,n7,n8,n9") +
         GameSection(5, "Broken", "A", "1996", "broken.zip", "a"));
  f.Zip("GOOD.ZIP", {"roms/B"});
  f.Zip("bare.zip", {"x"});
  f.Zip("wrong.zip", {"q"});
  WriteFileBytes(f.Dir / "Roms/broken.zip", std::string(100, 'x'));
  f.Main().show();
  f.Activate();
  // The whole title first, for the views that cut it short.
  const TTexts expected = {
      "Good\nRoms/GOOD.ZIP lacks 1 of its 2 files: a",
      "Bare\narchive found: Roms/bare.zip; no files are listed for it",
      "Gone\narchive not found: Roms/gone.zip",
      "Wrong\nnone of the expected files is in Roms/wrong.zip; expected: n1, n2, n3, n4, n5, n6, "
      "n7, n8, ...",
      "Broken\nwarning: available only because the archive exists; its directory could not be "
      "read: Roms/broken.zip; it lacks 1 of its 1 files: a"};
  TGameFilterTable* table = f.Main().GameFilterTable();
  for (int row = 0; row < table->rowCount(); ++row)
    EXPECT_EQ(table->index(row, 0).data(Qt::ToolTipRole).toString().toStdString(),
              expected.at(static_cast<size_t>(row)));
  // Every view shows it on hovering the item, the detail view on any column: for an incomplete
  // game, the files its archive lacks.
  for (QAction* style : {f.Find<QAction>("actLargeIcons"), f.Find<QAction>("actSmallIcons"),
                         f.Find<QAction>("actList"), f.Find<QAction>("actDetails")}) {
    style->trigger();
    QAbstractItemView* view = f.Find<TGameViews>("lvGames")->CurrentView();
    const QModelIndex item = table->index(0, style == f.Find<QAction>("actDetails") ? 4 : 0);
    const QPoint at = view->visualRect(item).center();
    QHelpEvent hover(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &hover);
    EXPECT_EQ(QToolTip::text().toStdString(), expected[0]) << style->text().toStdString();
    QToolTip::hideText();
  }
}

// ---- Selection, actions and launching ----

TEST(MainWindowActions, NothingSelectedDisablesPlayAndPropertiesAndDoubleClickDoesNothing) {
  TMainWindowFixture f;
  f.Activate();
  EXPECT_FALSE(f.Find<QAction>("actPlay")->isEnabled());
  EXPECT_FALSE(f.Find<QAction>("actProperties")->isEnabled());
  f.DoubleClick();
  f.Trigger("actPlay");
  EXPECT_TRUE(f.Shell.Calls.empty());
}

TEST(MainWindowActions, MissingGameCannotBePlayedButDoubleClickStartsIt) {
  TMainWindowFixture f;
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  EXPECT_EQ(f.Panel(0), "Kikaioh (JP)");
  EXPECT_EQ(f.Panel(1), "ROMs missing");
  EXPECT_FALSE(f.Find<QAction>("actPlay")->isEnabled());
  EXPECT_FALSE(f.Find<QAction>("actProperties")->isEnabled());
  f.Trigger("actPlay");
  EXPECT_TRUE(f.Shell.Calls.empty());
  f.DoubleClick();
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  EXPECT_EQ(f.Shell.Calls[0].Program, "tavi.exe");
  EXPECT_EQ(f.Shell.LastNumber(), 11);
}

TEST(MainWindowActions, AvailableGameIsPlayedByItsNumber) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Missing", "A", "1996", "none.zip", "") +
         GameSection(2, "Here", "A", "1996", "here.zip", "a,b"));
  f.Zip("here.zip", {"B"});
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Here"));
  EXPECT_EQ(f.Panel(1), "Working");
  EXPECT_TRUE(f.Find<QAction>("actPlay")->isEnabled());
  EXPECT_TRUE(f.Find<QAction>("actProperties")->isEnabled());
  f.Find<QAction>("actPlay")->trigger();
  EXPECT_EQ(f.Shell.LastNumber(), 2);
  // A refill drops the selection, and the game's panels with it.
  ASSERT_TRUE(f.SelectFolder("Non Working"));
  EXPECT_EQ(f.Main().SelectedPosition(), -1);
  EXPECT_FALSE(f.Find<QAction>("actPlay")->isEnabled());
  EXPECT_EQ(f.Panel(0), "");
}

TEST(MainWindowActions, ViewStylesAreExclusiveAndKeepTheSelection) {
  TMainWindowFixture f;
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Tekken (JP) Ver. A"));
  EXPECT_TRUE(f.Find<QAction>("actDetails")->isChecked());
  for (QAction* style : {f.Find<QAction>("actLargeIcons"), f.Find<QAction>("actSmallIcons"),
                         f.Find<QAction>("actList"), f.Find<QAction>("actDetails")}) {
    style->trigger();
    int checked = 0;
    for (QAction* a : {f.Find<QAction>("actLargeIcons"), f.Find<QAction>("actSmallIcons"),
                       f.Find<QAction>("actList"), f.Find<QAction>("actDetails")})
      checked += a->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(style->isChecked());
    EXPECT_EQ(f.Main().SelectedPosition(), 19);
  }
  f.Find<QAction>("actLargeIcons")->trigger();
  EXPECT_EQ(f.Find<TGameViews>("lvGames")->currentWidget(),
            f.Find<TGameViews>("lvGames")->IconView());
  EXPECT_EQ(f.Find<TGameViews>("lvGames")->IconView()->viewMode(), QListView::IconMode);
  f.Find<QAction>("actDetails")->trigger();
  EXPECT_EQ(f.Find<TGameViews>("lvGames")->currentWidget(),
            f.Find<TGameViews>("lvGames")->DetailView());
}

TEST(MainWindowActions, HidingAPanelHidesItsSplitterAndShowingRestoresBoth) {
  TMainWindowFixture f;
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  EXPECT_TRUE(f.Find<QAction>("actHideFolder")->isChecked());
  EXPECT_TRUE(f.Find<QAction>("actHideScreenshot")->isChecked());

  f.Find<QAction>("actHideFolder")->trigger();
  EXPECT_FALSE(f.Find<QWidget>("pnlFolder")->isVisible());
  EXPECT_FALSE(f.Find<QSplitterHandle>("splLeft")->isVisible());
  EXPECT_FALSE(f.Find<QAction>("actHideFolder")->isChecked());
  f.Find<QAction>("actHideFolder")->trigger();
  EXPECT_TRUE(f.Find<QWidget>("pnlFolder")->isVisible());
  EXPECT_TRUE(f.Find<QSplitterHandle>("splLeft")->isVisible());
  EXPECT_TRUE(f.Find<QAction>("actHideFolder")->isChecked());

  f.Find<QAction>("actHideScreenshot")->trigger();
  EXPECT_FALSE(f.Find<QFrame>("pnlSnapshot")->isVisible());
  EXPECT_FALSE(f.Find<QSplitterHandle>("splRight")->isVisible());
  EXPECT_FALSE(f.Find<QAction>("actHideScreenshot")->isChecked());
  f.Find<QAction>("actHideScreenshot")->trigger();
  EXPECT_TRUE(f.Find<QFrame>("pnlSnapshot")->isVisible());
  EXPECT_TRUE(f.Find<QSplitterHandle>("splRight")->isVisible());

  f.Find<QAction>("actStatusbar")->trigger();
  EXPECT_FALSE(f.Find<QStatusBar>("sbMain")->isVisible());
  EXPECT_FALSE(f.Find<QAction>("actStatusbar")->isChecked());
  f.Find<QAction>("actToolbar")->trigger();
  EXPECT_FALSE(f.Find<TEdgeToolBar>("tbMain")->isVisible());
  EXPECT_FALSE(f.Find<QAction>("actToolbar")->isChecked());
  f.Find<QAction>("actToolbar")->trigger();
  EXPECT_TRUE(f.Find<TEdgeToolBar>("tbMain")->isVisible());
  EXPECT_TRUE(f.Find<QAction>("actToolbar")->isChecked());
}

TEST(MainWindowActions, ShortcutsAndHints) {
  TMainWindowFixture f;
  EXPECT_EQ(f.Find<QAction>("actHideFolder")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_D));
  EXPECT_EQ(f.Find<QAction>("actHideScreenshot")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
  EXPECT_EQ(f.Find<QAction>("actStatusbar")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
  EXPECT_EQ(f.Find<QAction>("actToolbar")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_T));
  EXPECT_EQ(f.Find<QAction>("actHideFolder")->statusTip().toStdString(), "Toggle Folder List");
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f.Main()));
  QTest::keyClick(&f.Main(), Qt::Key_N, Qt::AltModifier);
  EXPECT_FALSE(f.Find<QFrame>("pnlSnapshot")->isVisible());
  QTest::keyClick(&f.Main(), Qt::Key_Q, Qt::ControlModifier);  // the desktop's Quit: File > Exit
  EXPECT_FALSE(f.Main().isVisible());
}

TEST(MainWindowActions, ToolbarButtonsInOrderRunTheirActionsAndShowNoTooltips) {
  TMainWindowFixture f;
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  TfrmMain& m = f.Main();
  const QList<QAction*> actions = FindChild<TEdgeToolBar>(m, "tbMain")->actions();
  ASSERT_EQ(actions.size(), 9);
  const std::vector<QAction*> buttons = {FindChild<QAction>(m, "actHideFolder"),
                                         FindChild<QAction>(m, "actHideScreenshot"),
                                         nullptr,
                                         FindChild<QAction>(m, "actLargeIcons"),
                                         FindChild<QAction>(m, "actSmallIcons"),
                                         FindChild<QAction>(m, "actList"),
                                         FindChild<QAction>(m, "actDetails"),
                                         nullptr,
                                         FindChild<QAction>(m, "ToolButton9")};
  int right = 0;
  for (int i = 0; i < actions.size(); ++i) {
    QWidget* item = FindChild<TEdgeToolBar>(m, "tbMain")->widgetForAction(actions[i]);
    ASSERT_NE(item, nullptr);
    if (buttons[i]) {
      EXPECT_EQ(actions[i], buttons[i]) << i;
    }
    EXPECT_EQ(actions[i]->isSeparator(), buttons[i] == nullptr) << i;
    EXPECT_EQ(qobject_cast<QToolButton*>(item) != nullptr, buttons[i] != nullptr) << i;
    EXPECT_TRUE(item->isVisible()) << i;
    EXPECT_GE(item->x(), right) << i;  // left to right, side by side
    right = item->x() + item->width();
  }
  EXPECT_LE(right, FindChild<TEdgeToolBar>(m, "tbMain")->width());

  auto* screenshot =
      qobject_cast<QToolButton*>(FindChild<TEdgeToolBar>(m, "tbMain")
                                     ->widgetForAction(FindChild<QAction>(m, "actHideScreenshot")));
  ASSERT_NE(screenshot, nullptr);
  EXPECT_TRUE(screenshot->isChecked());
  QTest::mouseClick(screenshot, Qt::LeftButton);
  EXPECT_FALSE(FindChild<QFrame>(m, "pnlSnapshot")->isVisible());
  EXPECT_FALSE(screenshot->isChecked());

  // The hint is kept for a screen reader; hovering shows nothing.
  EXPECT_EQ(screenshot->accessibleDescription().toStdString(), "Toggle Screen Shot");
  QToolTip::hideText();
  const QPoint at = screenshot->rect().center();
  QHelpEvent hover(QEvent::ToolTip, at, screenshot->mapToGlobal(at));
  QApplication::sendEvent(screenshot, &hover);
  EXPECT_TRUE(QToolTip::text().isEmpty());
}

// ---- Random launch ----

TEST(MainWindowRandom, NothingAvailableStartsTheLastOf101Draws) {
  TMainWindowFixture f;
  int draws = 0;
  f.Seams.Random = [&](int n) {
    EXPECT_EQ(n, 25);
    return draws++ % n;
  };
  f.Activate();
  f.Trigger("mnuRandom");
  EXPECT_EQ(draws, 101);
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  EXPECT_EQ(f.Shell.LastNumber(), 100 % 25 + 1);
}

TEST(MainWindowRandom, StopsAtTheFirstAvailableGame) {
  TMainWindowFixture f;
  f.List(GameSection(1, "A", "X", "1996", "a.zip", "") +
         GameSection(2, "B", "X", "1996", "b.zip", "") +
         GameSection(3, "C", "X", "1996", "c.zip", ""));
  f.Zip("c.zip", {"x"});
  std::vector<int> script = {0, 1, 0, 2, 1};
  size_t draws = 0;
  f.Seams.Random = [&](int) { return script[draws++]; };
  f.Activate();
  f.Trigger("mnuRandom");
  EXPECT_EQ(draws, 4u);
  EXPECT_EQ(f.Shell.LastNumber(), 3);
}

TEST(MainWindowRandom, EmptyCatalogueStartsNothing) {
  TMainWindowFixture f;
  f.List("[General]\r\nPath=Roms\\\r\n");
  bool asked = false;
  f.Seams.Random = [&](int) {
    asked = true;
    return 0;
  };
  f.Activate();
  ASSERT_TRUE(f.Main().Games().empty());
  f.Trigger("mnuRandom");
  EXPECT_FALSE(asked);
  EXPECT_TRUE(f.Shell.Calls.empty());
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowRandom, TheClockSeededSourceStaysInRange) {
  TMainWindowFixture f;
  f.Activate();
  for (int i = 0; i < 20; ++i) f.Trigger("mnuRandom");
  ASSERT_EQ(f.Shell.Calls.size(), 20u);
  for (const auto& call : f.Shell.Calls) {
    const int number = std::stoi(call.Parameters);
    EXPECT_GE(number, 1);
    EXPECT_LE(number, 25);
  }
}

// ---- Screenshots ----

TEST(MainWindowScreenshot, PresentScreenshotIsOpaqueAtItsOwnSize) {
  TMainWindowFixture f;
  QImage shot(64, 48, QImage::Format_RGB32);
  shot.fill(Qt::red);
  f.Shot("Shots/sfexp.jpg", shot);
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Street Fighter EX Plus (JP)"));
  EXPECT_FALSE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(64, 48));
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowScreenshot, FoundWhateverTheLetterCaseOnDisk) {
  TMainWindowFixture f;
  QImage shot(20, 10, QImage::Format_RGB32);
  shot.fill(Qt::blue);
  f.Shot("shots/KIKAIOH.JPG", shot);
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  EXPECT_FALSE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(20, 10));
}

TEST(MainWindowScreenshot, ScreenshotsAddedOrRemovedLaterAreSeen) {
  TMainWindowFixture f;
  MakeDirs(f.Dir / "Shots");
  f.Activate();
  // Folders last changed an hour ago: their listings are kept from one selection to the next.
  for (const std::string& folder : {f.Dir.Path(), f.Dir / "Shots"})
    fs::last_write_time(folder, fs::file_time_type::clock::now() - std::chrono::hours(1));
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  QImage shot(20, 10, QImage::Format_RGB32);
  shot.fill(Qt::blue);
  f.Shot("Shots/KIKAIOH.JPG", shot);  // found only through the listing
  ASSERT_TRUE(f.SelectGame("Tekken (JP) Ver. A"));
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  EXPECT_FALSE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(20, 10));
  fs::remove(f.Dir / "Shots/KIKAIOH.JPG");
  ASSERT_TRUE(f.SelectGame("Tekken (JP) Ver. A"));
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowScreenshot, MissingScreenshotShowsTheLogoTransparently) {
  TMainWindowFixture f;
  QImage shot(64, 48, QImage::Format_RGB32);
  shot.fill(Qt::red);
  f.Shot("Shots/sfexp.jpg", shot);
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Street Fighter EX Plus (JP)"));
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(150, 112));
  // The bottom-left pixel's colour is left out.
  const QImage shown = f.Find<TSnapshotImage>("imgSnapshot")->Displayed();
  EXPECT_EQ(qAlpha(shown.pixel(0, 111)), 0);
  // Kept in the format the painter blends as it is, the other colours unchanged.
  EXPECT_EQ(shown.format(), QImage::Format_ARGB32_Premultiplied);
  const QImage picture = f.Find<TSnapshotImage>("imgSnapshot")->Picture();
  EXPECT_EQ(shown.pixel(75, 40), picture.pixel(75, 40));
}

// ---- Status bar ----

// An audit leaves no game selected (as another folder does): the game's panels and picture go.
TEST(MainWindowStatus, NoGameSelectedEmptiesTheGamesPanelsAndShowsTheLogo) {
  TMainWindowFixture f;
  QImage shot(64, 48, QImage::Format_RGB32);
  shot.fill(Qt::red);
  f.Shot("Shots/sfexp.jpg", shot);
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Street Fighter EX Plus (JP)"));
  ASSERT_FALSE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  f.AuditAll();
  EXPECT_EQ(f.Main().SelectedPosition(), -1);
  EXPECT_EQ(f.Panel(0) + f.Panel(1), "");
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
  EXPECT_EQ(f.Find<TSnapshotImage>("imgSnapshot")->Picture().size(), QSize(150, 112));
}

// At the window's least width the panels share what there is; each cuts its text with "…".
TEST(MainWindowStatus, PanelsCutTheirTextsAndNeverOverlapInANarrowWindow) {
  TMainWindowFixture f;
  const std::string title = "Kosodate Quiz My Angel 3 (JP) Special Limited Edition";
  f.List(GameSection(1, title, "A", "1998", "angel.zip", "a"));
  f.Main().show();
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("All Games"));
  ASSERT_TRUE(f.SelectGame(title));
  f.Main().resize(455, f.Main().height());
  QApplication::processEvents();
  int right = 0;
  for (const char* name : {"sbPanel0", "sbPanel1", "sbPanel2", "sbPanel3"}) {
    auto* panel = f.Find<TStatusPanel>(name);
    EXPECT_GE(panel->x(), right) << name;
    right = panel->geometry().right() + 1;
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->ShownText()),
              panel->contentsRect().width())
        << name;
  }
  EXPECT_LE(right, f.Find<QStatusBar>("sbMain")->width());
  EXPECT_TRUE(f.Find<TStatusPanel>("sbPanel0")->ShownText().endsWith(QChar(0x2026)));
  EXPECT_EQ(AccessibleName(f.Find<TStatusPanel>("sbPanel0")).toStdString(), title);
}

TEST(MainWindowScreenshot, UnreadablePictureIsReportedByNameAndTheWindowGoesOn) {
  TMainWindowFixture f;
  MakeDirs(f.Dir / "Shots");
  WriteFileBytes(f.Dir / "Shots/sfexp.jpg", "\xFF\xD8 this is no picture");
  f.Activate();
  ASSERT_TRUE(f.SelectGame("Kikaioh (JP)"));
  ASSERT_TRUE(f.SelectGame("Street Fighter EX Plus (JP)"));
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  EXPECT_NE(f.Errors.Messages[0].find("sfexp.jpg"), std::string::npos) << f.Errors.Messages[0];
  EXPECT_EQ(f.Panel(0), "Kikaioh (JP)");  // the command stopped at the picture
  ASSERT_TRUE(f.SelectGame("Tekken (JP) Ver. A"));
  EXPECT_EQ(f.Panel(0), "Tekken (JP) Ver. A");
  EXPECT_TRUE(f.Find<TSnapshotImage>("imgSnapshot")->Transparent());
}

// ---- Failures and the ROM directory ----

// A ROM folder that cannot be read (here a link to itself; a share whose server is gone alike)
// tells nothing of which games are there: the message says why, and the list stays as it was.
TEST(MainWindowFailures, UnreadableRomFolderKeepsTheListAndSaysWhy) {
  TMainWindowFixture f;
  f.List(GameSection(1, "First", "A", "1996", "a.zip", "a") +
         GameSection(2, "Second", "B", "1996", "b.zip", "b"));
  f.Zip("a.zip", {"a"});
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("Available"));
  ASSERT_EQ(f.ListedTitles(), std::vector<std::string>{"First"});

  const std::string roms = f.Dir / "Roms";
  ASSERT_EQ(rename(roms.c_str(), (f.Dir / "away").c_str()), 0);
  ASSERT_EQ(symlink("Roms", roms.c_str()), 0);
  f.AuditAll();
  EXPECT_EQ(f.Errors.Messages, std::vector<std::string>{"Cannot read the ROM folder \"" + roms +
                                                        "/\": " + SysErrorMessage(ELOOP) + "."});
  ASSERT_EQ(f.Main().Games().size(), 2u);
  EXPECT_TRUE(f.Main().Games()[0].Available);
  EXPECT_EQ(f.ListedTitles(), std::vector<std::string>{"First"});
}

TEST(MainWindowFailures, UnreadableArchiveStopsTheAuditWithinTheTable) {
  const std::string unreadable = "/proc/sys/vm/drop_caches";  // a file that nobody may read
  if (!IsRegularFile(unreadable)) GTEST_SKIP() << "no unreadable file to point at";
  TMainWindowFixture f;
  f.List(GameSection(1, "First", "A", "1996", "a.zip", "a") +
         GameSection(2, "Second", "B", "1996", "b.zip", "b") +
         GameSection(3, "Third", "C", "1996", "c.zip", "c"));
  f.Activate();
  ASSERT_TRUE(f.SelectFolder("Non Working"));
  ASSERT_EQ(f.Main().ListedCount(), 3);
  ASSERT_TRUE(f.SelectGame("Third"));

  MakeDirs(f.Dir / "Roms");
  ASSERT_EQ(symlink(unreadable.c_str(), (f.Dir / "Roms/b.zip").c_str()), 0);
  f.AuditAll();
  ASSERT_EQ(f.Errors.Messages.size(), 1u);
  EXPECT_NE(f.Errors.Messages[0].find("b.zip"), std::string::npos) << f.Errors.Messages[0];
  ASSERT_EQ(f.Main().Games().size(), 2u);
  // The list is rebuilt from what was read, with the filter in force; nothing past the table.
  EXPECT_EQ(f.ListedTitles(), std::vector<std::string>{"First"});
  EXPECT_EQ(f.Main().SelectedPosition(), -1);
  EXPECT_EQ(f.ChildTexts("Company"), TTexts({"A", "B", "C"}));

  // The window goes on: another audit, once the archive is gone, lists all three again.
  ASSERT_EQ(unlink((f.Dir / "Roms/b.zip").c_str()), 0);
  f.AuditAll();
  EXPECT_EQ(f.Main().ListedCount(), 3);
}

TEST(MainWindowFailures, RomDirectoryChangeWritesPathAndReAudits) {
  TMainWindowFixture f;
  f.List(GameSection(1, "Elsewhere", "A", "1996", "e.zip", ""));
  f.Activate();
  ASSERT_FALSE(f.Main().Games()[0].Available);
  MakeDirs(f.Dir / "My Roms");
  TZipMember member;
  member.Name = "x";
  WriteFileBytes(f.Dir / "My Roms/e.zip", BuildZip({member}));

  f.ChooseRomDirectory();  // cancelled
  EXPECT_EQ(f.Chooser.Asked, 1);
  EXPECT_EQ(f.Chooser.Prompt.toStdString(), "Choose Rom-Directory");
  EXPECT_EQ(TListFile(f.Dir / "ludra.ini").ReadString("General", "Path", "none"), "none");

  const std::string chosen = f.Dir / "My Roms";
  f.Chooser.Answer = QString::fromStdString(chosen);
  f.ChooseRomDirectory();
  EXPECT_EQ(TListFile(f.Dir / "ludra.ini").ReadString("General", "Path", ""), chosen);
  EXPECT_EQ(f.Launcher.GameSettings.RomDir, chosen);  // as stored; the audit looked there:
  EXPECT_TRUE(f.Main().Games()[0].Available);
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowFailures, RomDirectoryChangeCreatesAMissingListFile) {
  TMainWindowFixture f;
  f.Main();
  f.Chooser.Answer = QStringLiteral("/");
  f.ChooseRomDirectory();
  const std::string text = ReadFileBytes(f.Dir / "ludra.ini");
  EXPECT_EQ(text.rfind(std::string(kDefaultCatalogue), 0), 0u);
  EXPECT_EQ(TListFile(f.Dir / "ludra.ini").ReadString("General", "Path", ""), "/");
  EXPECT_EQ(f.Main().ListedCount(), 25);
}

// ---- Type-ahead ----

TEST(MainWindowTypeAhead, FirstLettersFindTheGameInEveryView) {
  TMainWindowFixture f;
  f.Activate();
  const int interval = QApplication::keyboardInputInterval();
  QApplication::setKeyboardInputInterval(0);
  for (QAction* style : {f.Find<QAction>("actLargeIcons"), f.Find<QAction>("actSmallIcons"),
                         f.Find<QAction>("actList"), f.Find<QAction>("actDetails")}) {
    style->trigger();
    ASSERT_TRUE(f.SelectGame("Tekken (JP) Ver. A"));
    // A click in the details may make any cell of the row current.
    QAbstractItemView* view = f.Find<TGameViews>("lvGames")->CurrentView();
    view->selectionModel()->setCurrentIndex(view->currentIndex().siblingAtColumn(3),
                                            QItemSelectionModel::NoUpdate);
    QTest::qWait(2);  // longer than the interval: a new search, not more letters for the last
    view->keyboardSearch(QStringLiteral("kik"));
    EXPECT_EQ(f.Main().SelectedPosition(), 10) << style->text().toStdString();
    EXPECT_EQ(f.Panel(0), "Kikaioh (JP)");
  }
  QApplication::setKeyboardInputInterval(interval);
}
