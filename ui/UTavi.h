#pragma once
// The main window: folder tree, game list, screenshot and status bar; owner of the catalogue.
#include <QMainWindow>
#include <QObject>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/GameFilter.h"
#include "catalogue/Games.h"
#include "catalogue/Paths.h"
#include "launch/Shell.h"
#include "ui/AuditRunner.h"
#include "ui/EdgeToolBar.h"
#include "ui/GameControllers.h"
#include "ui/WindowSeams.h"

class QAbstractItemView;
class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QSplitter;
class QSplitterHandle;
class TAuditProgress;
class TFolderTree;
class TGameFilterTable;
class TGameListModel;
class TGameViews;
class TLauncher;
class TSnapshotImage;
class TStatusPanel;
class TfrmAbout;
class TfrmProperties;

class TfrmMain : public QMainWindow,
                 public IShellReporter,
                 public IRunWatcher,
                 public IControllerTarget {
  Q_OBJECT
 public:
  TfrmMain(const TPaths& paths, TLauncher& launcher, TWindowSeams seams = {});
  ~TfrmMain() override;

  // The dialogs are created after the window (the properties dialog runs the renderer
  // discovery) and handed to it; they live as long as the window.
  void SetDialogs(TfrmProperties* properties, TfrmAbout* about);
  // Runs `work` once the window's first paint is done, or at once when it has painted or is not
  // on screen. What the first picture does not show (the dialogs, the first audit) waits for it:
  // on a machine of few processors it would otherwise compete with the painting.
  void AfterFirstPaint(std::function<void()> work);
  bool Painted() const { return FPainted; }

  // The catalogue, replaced by every audit when it ends (on this thread). The game list model
  // holds the table.
  const TGameList& Games() const;

  // The audit runs on a thread of its own; the commands that start one return at once.
  TAuditRunner& AuditRunner() { return *FAuditRunner; }
  bool Auditing() const { return FAuditRunner->Running(); }

  // Rebuilds the list from the catalogue with the filter of a folder kind (see TGameFilter); Year
  // and Company compare against the selected folder's text.
  void FillGameList(TFolderKind filter);
  // The filter a folder of this kind (not a heading) selects.
  static TFolderKind FilterOfFolder(TFolderKind kind);

  // The selected item's catalogue position, or -1.
  int SelectedPosition() const;
  int ListedCount() const;
  QString PanelText(int panel) const;

  // The shell's own failure message, in a box owned by this window.
  void ShellError(const std::string& message) override;
  // Each run of the emulator, watched from the event loop; one that fails within the quick
  // failure window of its start gets a message of its own.
  void Watch(std::unique_ptr<TEmulatorRun> run) override;
  void ShellMessage(const TMessage& message) override;  // in the user's language

  TGameListModel* GameModel() const { return FModel; }
  TGameFilterTable* GameFilterTable() const { return FFilterTable; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  QMenu* createPopupMenu() override { return nullptr; }

 private:
  // Commands and events, reached as a user reaches them: through the actions, the controls and
  // the window's activation. Each runs its body as a Command().
  // The first activation audits, unless the first paint already did; later ones do nothing.
  void FormActivate();
  void mnuAuditClick();
  void mnuFixdatClick();  // the missing and wrong files of the last audit, for a ROM manager
  void tvFolderChange();
  void lvGamesChange();
  void lvGamesDblClick();
  void mnuRandomClick();
  void mnuRomDirectoryClick();
  void mnuAboutClick();
  void mnuExitClick();
  void actPlayExecute();
  void actPropertiesExecute();
  void actHideFolderExecute();
  void actHideScreenshotExecute();
  void actStatusbarExecute();
  void actToolbarExecute();
  // Sets the checked and enabled state of every action from the current state.
  void UpdateActions();
  // Runs a command's body through the one error guard, then UpdateActions().
  void Command(const std::function<void()>& body);

  // What the game controllers steer: the folder next to the selected one, selected as a click on
  // it would (see TFolderTree::SelectNeighbour), and the game view on show.
  QMainWindow& Window() override { return *this; }
  void SelectNeighbourFolder(int step) override;
  QAbstractItemView* GameView() const override;

  void CreateActions();
  void CreateMenus();
  void CreateToolbar();
  void CreateLayout();
  void CreateStatusBar();
  void NameParts();
  void FitOuterSize();
  void ShowShellMessage(const QString& message);

  void StartFirstAudit();
  void Audit();
  void AuditFinished(TAuditRunner::TOutcome& outcome);
  void ShowSelectedGame();
  void RandomLaunch();
  void ChooseRomDirectory();
  void SetViewStyle(int style);
  void SetPanel(int panel, const QString& text);

  // Controls, found by tests through their object names, which are these names.
  TEdgeToolBar* tbMain;
  QWidget* pnlTop;
  QSplitter* splMain;  // holds the three panels; its handles are splLeft and splRight
  QWidget* pnlFolder;
  TFolderTree* tvFolder;
  QSplitterHandle* splLeft;
  QWidget* pnlGames;
  TGameViews* lvGames;
  QSplitterHandle* splRight;
  QFrame* pnlSnapshot;
  TSnapshotImage* imgSnapshot;
  QStatusBar* sbMain;
  std::array<TStatusPanel*, 4> sbPanels;
  QMenu* pmGames;
  TAuditProgress* prgAudit;  // above the panes while a long audit runs

  // Actions (checked or enabled state) and plain commands.
  QAction* actHideFolder;
  QAction* actHideScreenshot;
  QAction* actStatusbar;
  QAction* actToolbar;
  QAction* actLargeIcons;
  QAction* actSmallIcons;
  QAction* actList;
  QAction* actDetails;
  QAction* actPlay;
  QAction* actProperties;
  QAction* mnuRandom;
  QAction* mnuAudit;
  QAction* mnuFixdat;
  QAction* mnuExit;
  QAction* mnuRomDirectory;
  QAction* mnuAbout;
  QAction* ToolButton9;  // the toolbar's About button

  TPaths FPaths;
  TFileLookup FShotLookup{FPaths.WorkDir};  // screenshots in another letter case
  TLauncher& FLauncher;
  TGameListModel* FModel;
  TGameFilterTable* FFilterTable;
  QActionGroup* FViewStyles;
  TfrmProperties* frmProperties = nullptr;
  TfrmAbout* frmAbout = nullptr;
  TWindowSeams FSeams;
  bool FAuditFinished = false;  // the last audit started has read every archive
  bool FActivated = false;
  bool FFirstAuditStarted = false;
  bool FPaintSeen = false;  // the first paint has begun
  bool FPainted = false;    // ... and is done
  std::vector<std::function<void()>> FAfterPaint;
  std::string FDatPath;        // the ROM list of the last audit, when there was one
  std::string FDatErrorShown;  // a ROM list's error is told once, not after every audit
  // Gone before the window's parts (the base class deletes them): its thread is joined while they
  // are whole, and no outcome reaches a half-destroyed window.
  std::unique_ptr<TAuditRunner> FAuditRunner;
  // The receiver of the views' signals. It goes with the window's own members, before the base
  // class deletes the views and models, so nothing they signal on the way out reaches this
  // half-destroyed window.
  QObject FViewSignals;
};
