// The main window's construction: layout, actions, menus, toolbar and status bar.
#include "ui/UTavi.h"

#include <QActionGroup>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <utility>

#include "fileio/AtomicFile.h"
#include "ui/AuditProgress.h"
#include "ui/EdgeToolBar.h"
#include "ui/FolderTree.h"
#include "ui/FontPreload.h"
#include "ui/GameFilterTable.h"
#include "ui/GameListModel.h"
#include "ui/GameViews.h"
#include "ui/LockWait.h"
#include "ui/Pictures.h"
#include "ui/ScreenFit.h"
#include "ui/SnapshotImage.h"
#include "ui/StatusPanel.h"

namespace {
constexpr QPoint kDesignedPosition(267, 149);
constexpr QSize kOuterSize(638, 480);
constexpr QSize kMinimumOuterSize(455, 400);
constexpr int kSplitterWidth = 5;
constexpr int kPanelMinimum = 30;

QAction* NewAction(QObject* owner, const QString& caption, const QString& hint = QString(),
                   int image = -1) {
  auto* action = new QAction(caption, owner);
  if (!hint.isEmpty()) action->setStatusTip(hint);
  if (image >= 0) action->setIcon(Pictures::MenuImage(image));
  return action;
}

// F10 in an open menu of the menu bar closes it, as F10 opened it.
class TCloseOnF10 : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::NoModifier) return false;
    static_cast<QWidget*>(watched)->close();
    return true;
  }
};

QWidget* Filled(QWidget* panel, QWidget* content) {
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(content);
  return panel;
}
}  // namespace

TfrmMain::TfrmMain(const TPaths& paths, TLauncher& launcher, TWindowSeams seams)
    : FPaths(paths), FLauncher(launcher), FSeams(std::move(seams)) {
  setWindowTitle(tr("TAVI"));
  QFont dialogFont = font();
  dialogFont.setPointSize(8);
  // Text in scripts that need shaping is still shaped; Latin titles are drawn glyph by glyph,
  // without optional ligatures, as the classic controls draw them. Shaping every title of the
  // list several times over was the largest part of painting it.
  dialogFont.setStyleStrategy(QFont::PreferNoShaping);
  setFont(dialogFont);

  FModel = new TGameListModel(this);
  FFilterTable = new TGameFilterTable(this);
  FModel->SetWorkDir(FPaths.WorkDir);
  FFilterTable->SetSource(FModel);
  FAuditRunner = std::make_unique<TAuditRunner>(
      [this](TAuditRunner::TOutcome& outcome) { AuditFinished(outcome); });
  // The properties and a game's start read the list file here: while another program holds its
  // lock, the window waits answering.
  SetLockWaiter(&WaitAnswering);

  CreateActions();
  // The fixdat command waits for an audit to end.
  connect(FAuditRunner.get(), &TAuditRunner::Started, &FViewSignals, [this] { UpdateActions(); });
  connect(FAuditRunner.get(), &TAuditRunner::Ended, &FViewSignals, [this] { UpdateActions(); });
  CreateLayout();
  CreateMenus();
  CreateToolbar();
  // Nothing above measures text. The logo is drawn while the fonts are still being read (the
  // first audit finds it drawn); what follows measures text and needs them. This is the one place
  // the reading started in main is joined.
  imgSnapshot->ShowLogo(Pictures::Logo());
  TFontPreload::Wait();
  QList<int> widths;
  for (int c = 0; c < TGameListModel::ColumnCount; ++c)
    widths.append(TGameListModel::ColumnWidth(c));
  lvGames->SetColumnWidths(widths);
  CreateStatusBar();
  NameParts();

  // Until the frame is known the outer size is taken as the window's own. The designed place
  // assumed a screen of its time: on a small or highly scaled screen the window is moved (and, if
  // it must be, shrunk) until it lies on the screen.
  setMinimumSize(kMinimumOuterSize);
  const QRect available = AvailableScreenArea(kDesignedPosition);
  QSize size = kOuterSize;
  if (!available.isEmpty()) size = size.boundedTo(available.size()).expandedTo(kMinimumOuterSize);
  resize(size);
  move(FittedPosition(QRect(kDesignedPosition, size), available));
  UpdateActions();
}

TfrmMain::~TfrmMain() = default;

const TGameList& TfrmMain::Games() const {
  return FModel->Games();
}

void TfrmMain::CreateActions() {
  actHideFolder = NewAction(this, tr("&Folder List"), tr("Toggle Folder List"), 0);
  actHideFolder->setShortcut(QKeySequence(Qt::ALT | Qt::Key_D));
  actHideScreenshot = NewAction(this, tr("&Screen Shot"), tr("Toggle Screen Shot"), 1);
  actHideScreenshot->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
  actStatusbar = NewAction(this, tr("&Statusbar"));
  actStatusbar->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
  actToolbar = NewAction(this, tr("&Toolbar"));
  actToolbar->setShortcut(QKeySequence(Qt::ALT | Qt::Key_T));
  actLargeIcons = NewAction(this, tr("Large Icons"), tr("Large Icons"), 2);
  actSmallIcons = NewAction(this, tr("Small Icons"), tr("Small Icons"), 3);
  actList = NewAction(this, tr("List"), tr("List"), 4);
  actDetails = NewAction(this, tr("Details"), tr("Details"), 5);
  actPlay = NewAction(this, tr("&Play"));
  actProperties = NewAction(this, tr("&Properties"));
  mnuRandom = NewAction(this, tr("&Select Random Game"));
  mnuAudit = NewAction(this, tr("&Audit all Games"));
  // Beside the audit whose result it writes, where a user who sees missing files looks.
  mnuFixdat = NewAction(this, tr("Save &Fixdat of Missing Files..."));
  mnuFixdat->setObjectName(QStringLiteral("mnuFixdat"));
  mnuExit = NewAction(this, tr("&Exit"));
  // The desktop's Quit key; where the platform names none (a bare or offscreen one), Ctrl+Q.
  mnuExit->setShortcuts(QKeySequence::Quit);
  if (mnuExit->shortcuts().isEmpty()) mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  mnuRomDirectory = NewAction(this, tr("Rom Directory..."));
  mnuAbout = NewAction(this, tr("&About"));
  ToolButton9 = NewAction(this, tr("About"), QString(), 6);

  for (QAction* a : {actHideFolder, actHideScreenshot, actStatusbar, actToolbar, actLargeIcons,
                     actSmallIcons, actList, actDetails})
    a->setCheckable(true);
  FViewStyles = new QActionGroup(this);
  FViewStyles->setExclusive(true);
  for (QAction* a : {actLargeIcons, actSmallIcons, actList, actDetails}) FViewStyles->addAction(a);

  // The shortcuts work whatever bar is hidden.
  addActions({actHideFolder, actHideScreenshot, actStatusbar, actToolbar});

  connect(actHideFolder, &QAction::triggered, this, &TfrmMain::actHideFolderExecute);
  connect(actHideScreenshot, &QAction::triggered, this, &TfrmMain::actHideScreenshotExecute);
  connect(actStatusbar, &QAction::triggered, this, &TfrmMain::actStatusbarExecute);
  connect(actToolbar, &QAction::triggered, this, &TfrmMain::actToolbarExecute);
  connect(actLargeIcons, &QAction::triggered, this, [this] { SetViewStyle(TGameViews::vsIcon); });
  connect(actSmallIcons, &QAction::triggered, this,
          [this] { SetViewStyle(TGameViews::vsSmallIcon); });
  connect(actList, &QAction::triggered, this, [this] { SetViewStyle(TGameViews::vsList); });
  connect(actDetails, &QAction::triggered, this, [this] { SetViewStyle(TGameViews::vsReport); });
  connect(actPlay, &QAction::triggered, this, &TfrmMain::actPlayExecute);
  connect(actProperties, &QAction::triggered, this, &TfrmMain::actPropertiesExecute);
  connect(mnuRandom, &QAction::triggered, this, &TfrmMain::mnuRandomClick);
  connect(mnuAudit, &QAction::triggered, this, &TfrmMain::mnuAuditClick);
  connect(mnuFixdat, &QAction::triggered, this, &TfrmMain::mnuFixdatClick);
  connect(mnuExit, &QAction::triggered, this, &TfrmMain::mnuExitClick);
  connect(mnuRomDirectory, &QAction::triggered, this, &TfrmMain::mnuRomDirectoryClick);
  connect(mnuAbout, &QAction::triggered, this, &TfrmMain::mnuAboutClick);
  connect(ToolButton9, &QAction::triggered, this, &TfrmMain::mnuAboutClick);

  // F10 opens the menu bar on its first menu, as on the desktops users come from and as a
  // controller's Start does. Within an open menu the menu has the key (see CreateMenus).
  auto* menuBarKey = new QAction(this);
  menuBarKey->setObjectName(QStringLiteral("actMenuBarKey"));
  menuBarKey->setShortcut(QKeySequence(Qt::Key_F10));
  addAction(menuBarKey);
  connect(menuBarKey, &QAction::triggered, this, [this] {
    QMenuBar* bar = menuBar();
    if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().constFirst());
  });
}

void TfrmMain::CreateMenus() {
  QMenuBar* mmMain = menuBar();
  mmMain->setObjectName(QStringLiteral("mmMain"));
  mmMain->setAccessibleName(tr("Menu bar"));
  auto* closeOnF10 = new TCloseOnF10(this);
  auto addMenu = [&](const QString& title) {
    QMenu* menu = mmMain->addMenu(title);
    menu->setAttribute(Qt::WA_WindowPropagation);  // the window's font
    menu->installEventFilter(closeOnF10);
    connect(menu, &QMenu::aboutToShow, this, &TfrmMain::UpdateActions);
    return menu;
  };
  QMenu* file = addMenu(tr("&File"));
  file->addAction(actPlay);
  file->addSeparator();
  file->addActions({mnuRandom, mnuAudit, mnuFixdat, mnuExit});

  QMenu* view = addMenu(tr("&View"));
  view->addActions({actToolbar, actStatusbar, actHideFolder, actHideScreenshot});
  view->addSeparator();
  view->addActions({actLargeIcons, actSmallIcons, actList, actDetails});

  QMenu* options = addMenu(tr("&Options"));
  options->addActions({mnuRomDirectory, actProperties});

  QMenu* help = addMenu(tr("&Help"));
  help->addAction(mnuAbout);

  pmGames = new QMenu(this);
  pmGames->setAttribute(Qt::WA_WindowPropagation);
  pmGames->addAction(actPlay);
  pmGames->addSeparator();
  pmGames->addAction(mnuRandom);
  pmGames->addSeparator();
  pmGames->addAction(actProperties);
  connect(pmGames, &QMenu::aboutToShow, this, &TfrmMain::UpdateActions);
}

// The controls and actions are private; tests and accessibility tools find them by these names.
void TfrmMain::NameParts() {
  const std::pair<QObject*, const char*> parts[] = {{tbMain, "tbMain"},
                                                    {pnlTop, "pnlTop"},
                                                    {splMain, "splMain"},
                                                    {pnlFolder, "pnlFolder"},
                                                    {tvFolder, "tvFolder"},
                                                    {splLeft, "splLeft"},
                                                    {pnlGames, "pnlGames"},
                                                    {lvGames, "lvGames"},
                                                    {splRight, "splRight"},
                                                    {pnlSnapshot, "pnlSnapshot"},
                                                    {imgSnapshot, "imgSnapshot"},
                                                    {sbMain, "sbMain"},
                                                    {sbPanels[0], "sbPanel0"},
                                                    {sbPanels[1], "sbPanel1"},
                                                    {sbPanels[2], "sbPanel2"},
                                                    {sbPanels[3], "sbPanel3"},
                                                    {pmGames, "pmGames"},
                                                    {prgAudit, "prgAudit"},
                                                    {actHideFolder, "actHideFolder"},
                                                    {actHideScreenshot, "actHideScreenshot"},
                                                    {actStatusbar, "actStatusbar"},
                                                    {actToolbar, "actToolbar"},
                                                    {actLargeIcons, "actLargeIcons"},
                                                    {actSmallIcons, "actSmallIcons"},
                                                    {actList, "actList"},
                                                    {actDetails, "actDetails"},
                                                    {actPlay, "actPlay"},
                                                    {actProperties, "actProperties"},
                                                    {mnuRandom, "mnuRandom"},
                                                    {mnuAudit, "mnuAudit"},
                                                    {mnuExit, "mnuExit"},
                                                    {mnuRomDirectory, "mnuRomDirectory"},
                                                    {mnuAbout, "mnuAbout"},
                                                    {ToolButton9, "ToolButton9"}};
  for (const auto& [part, name] : parts) part->setObjectName(QLatin1String(name));
}

void TfrmMain::SelectNeighbourFolder(int step) {
  tvFolder->SelectNeighbour(step);
}

QAbstractItemView* TfrmMain::GameView() const {
  return lvGames->CurrentView();
}

void TfrmMain::CreateToolbar() {
  tbMain->addActions({actHideFolder, actHideScreenshot});
  tbMain->addSeparator();
  tbMain->addActions({actLargeIcons, actSmallIcons, actList, actDetails});
  tbMain->addSeparator();
  tbMain->addAction(ToolButton9);
}

void TfrmMain::CreateLayout() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  tbMain = new TEdgeToolBar(central);
  tbMain->setFixedHeight(29);
  column->addWidget(tbMain);

  pnlTop = new QWidget(central);
  pnlTop->setFixedHeight(5);
  column->addWidget(pnlTop);

  splMain = new QSplitter(Qt::Horizontal, central);
  splMain->setHandleWidth(kSplitterWidth);
  splMain->setOpaqueResize(false);  // the panel follows when the mouse is released
  splMain->setChildrenCollapsible(false);
  column->addWidget(splMain, 1);

  // Across the window, over the foot of the panes: the game list alone is too narrow for the
  // whole count and the button at the window's designed size.
  prgAudit = new TAuditProgress(*FAuditRunner, splMain);

  // Each part is made inside its final parent, which already has the window's font: a part made
  // apart and put in later would be measured and laid out once for each font.
  pnlFolder = new QWidget(splMain);
  tvFolder = new TFolderTree(pnlFolder);
  Filled(pnlFolder, tvFolder);
  pnlFolder->setMinimumWidth(kPanelMinimum);

  pnlGames = new QWidget(splMain);
  lvGames = new TGameViews(pnlGames);
  lvGames->SetModel(FFilterTable);
  Filled(pnlGames, lvGames);
  pnlGames->setMinimumWidth(kPanelMinimum);

  // A lowered outer and a raised inner bevel around the picture.
  pnlSnapshot = new QFrame(splMain);
  pnlSnapshot->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlSnapshot->setLineWidth(1);
  auto* inner = new QFrame(pnlSnapshot);
  inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
  inner->setLineWidth(1);
  imgSnapshot = new TSnapshotImage(inner);
  Filled(inner, imgSnapshot);
  Filled(pnlSnapshot, inner);
  pnlSnapshot->setMinimumWidth(kPanelMinimum);

  // What a screen reader announces for each part.
  tvFolder->setAccessibleName(tr("Folders"));
  // The tree's header is hidden, but read out. Its label is measured as it is set: before the
  // first paint that would read the fonts on this thread beside their reading thread, which adds
  // much of the window's own start-up again (`ludra-bench-window --startup`).
  FAfterPaint.push_back([this] { tvFolder->setHeaderLabel(tr("Folders")); });
  lvGames->DetailView()->setAccessibleName(tr("Games"));
  imgSnapshot->setAccessibleName(tr("Screen shot"));

  splMain->setStretchFactor(0, 0);
  splMain->setStretchFactor(1, 1);
  splMain->setStretchFactor(2, 0);
  splLeft = splMain->handle(1);
  splRight = splMain->handle(2);
  // The game list takes whatever the side panels leave.
  splMain->setSizes({185, kOuterSize.width() - 185 - 248 - 2 * kSplitterWidth, 248});

  setCentralWidget(central);

  connect(tvFolder->selectionModel(), &QItemSelectionModel::selectionChanged, &FViewSignals,
          [this] { tvFolderChange(); });
  connect(lvGames, &TGameViews::Changed, &FViewSignals, [this] { lvGamesChange(); });
  connect(lvGames, &TGameViews::DoubleClicked, &FViewSignals, [this] { lvGamesDblClick(); });
  connect(lvGames, &TGameViews::ContextMenu, &FViewSignals, [this](const QPoint& pos) {
    UpdateActions();
    pmGames->popup(pos);
  });
}

void TfrmMain::CreateStatusBar() {
  sbMain = statusBar();
  static const int widths[4] = {300, 100, 100, 50};
  const QString names[4] = {tr("Selected game"), tr("State of the selected game"),
                            tr("Number of listed games"), tr("Status")};
  for (int i = 0; i < 4; ++i) {
    sbPanels[i] = new TStatusPanel(widths[i], sbMain);
    // A screen reader reads what the panel shows (its name is its text), and what it is for.
    sbPanels[i]->setAccessibleDescription(names[i]);
    sbMain->addWidget(sbPanels[i]);
  }
}

// The designed size counts the window frame; once the frame is known, the inside is fitted to it.
void TfrmMain::FitOuterSize() {
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame.width() <= 0 && frame.height() <= 0) return;
  setMinimumSize(kMinimumOuterSize - frame);
  resize(kOuterSize - frame);
}
