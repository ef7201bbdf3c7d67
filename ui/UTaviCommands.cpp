// The main window's commands and events.
#include <QAction>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <utility>

#include "catalogue/AuditText.h"
#include "catalogue/ListFile.h"
#include "launch/Launcher.h"
#include "launch/RunReport.h"
#include "ui/ErrorGuard.h"
#include "ui/FolderChooser.h"
#include "ui/FolderTree.h"
#include "ui/GameFilterTable.h"
#include "ui/GameListModel.h"
#include "ui/GameViews.h"
#include "ui/Picture.h"
#include "ui/Pictures.h"
#include "ui/SnapshotImage.h"
#include "ui/StatusPanel.h"
#include "ui/Translations.h"
#include "ui/UAbout.h"
#include "ui/UProperties.h"
#include "ui/URunFailure.h"
#include "ui/UTavi.h"

void TfrmMain::SetDialogs(TfrmProperties* properties, TfrmAbout* about) {
  frmProperties = properties;
  frmAbout = about;
}

void TfrmMain::Command(const std::function<void()>& body) {
  Guard(body);
  UpdateActions();
}

// ---------------------------------------------------------------------------------------------
// Activation and audit

// Hints are kept on the actions but shown nowhere: not as tooltips, and not in the status bar,
// where they would hide the four panels for as long as the pointer stays.
bool TfrmMain::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) return true;
  if (event->type() == QEvent::WindowActivate) FormActivate();
  if (event->type() == QEvent::Paint && !FPaintSeen) {
    FPaintSeen = true;
    // The window paints before its parts; a queued call runs once all of them have.
    QMetaObject::invokeMethod(
        this,
        [this] {
          FPainted = true;
          for (auto& work : std::exchange(FAfterPaint, {})) work();
          // A window the compositor never activates (focus-stealing prevention, a kiosk or
          // headless session) still gets its games.
          StartFirstAudit();
        },
        Qt::QueuedConnection);
  }
  return QMainWindow::event(event);
}

void TfrmMain::AfterFirstPaint(std::function<void()> work) {
  if (FPainted || !isVisible())
    work();
  else
    FAfterPaint.push_back(std::move(work));
}

void TfrmMain::FormActivate() {
  if (FActivated) return;
  FActivated = true;  // before the audit: a message box it shows re-activates the window
  FitOuterSize();
  StartFirstAudit();
}

// The first activation or the first paint, whichever comes first; the other does nothing.
void TfrmMain::StartFirstAudit() {
  if (FFirstAuditStarted) return;
  FFirstAuditStarted = true;
  AfterFirstPaint([this] { Command([this] { Audit(); }); });
}

void TfrmMain::mnuAuditClick() {
  Command([this] { Audit(); });
}

// Closing the window (Exit too) stops an audit that runs; it writes nothing.
void TfrmMain::closeEvent(QCloseEvent* event) {
  FAuditRunner->Cancel();
  QMainWindow::closeEvent(event);
}

void TfrmMain::Audit() {
  // The list file is made here when it is missing; it is read, with the archives, off this
  // thread. A request while an audit runs starts it over.
  const std::string listPath = ListFilePath(FPaths);
  EnsureListFile(listPath);
  FAuditFinished = false;  // what the list shows is no longer what the audit would say
  FAuditRunner->Start(listPath, FPaths.WorkDir);
}

void TfrmMain::AuditFinished(TAuditRunner::TOutcome& outcome) {
  Command([&] {
    if (!outcome.List) std::rethrow_exception(outcome.Error);  // the list file was not read
    // One reading of the list file serves the ROM directory setting and the catalogue.
    FLauncher.LoadSettings(-1, *outcome.List);
    // A ROM folder that cannot be read (a share whose server is gone) says nothing of which
    // games are there: the list keeps what the last audit found, and the message says why.
    if (outcome.FolderUnreadable) std::rethrow_exception(outcome.Error);
    // Should the load have stopped on an error, the model still takes what was read, and the
    // list is rebuilt from it with the filter in force.
    FModel->SetGames(std::move(outcome.Games), std::move(outcome.Notes));
    FDatPath = std::move(outcome.DatPath);
    const std::string datError = outcome.DatError.English();
    if (!datError.empty() && datError != FDatErrorShown)
      FSeams.Chooser->Tell(this,
                           tr("The ROM list could not be read, so the audit ran without it:\n%1")
                               .arg(Translated(outcome.DatError)));
    FDatErrorShown = datError;
    if (outcome.Error) std::rethrow_exception(outcome.Error);
    tvFolder->AddCompanyFolders(outcome.Companies);
    // The list follows the highlighted folder, and its count with it; with no folder (or a
    // heading) highlighted it lists every game.
    const QTreeWidgetItem* folder = tvFolder->SelectedFolder();
    const TFolderKind kind = folder ? TFolderTree::FolderKind(folder) : TFolderKind::Heading;
    FillGameList(kind == TFolderKind::Heading ? TFolderKind::All : FilterOfFolder(kind));
    if (folder) SetPanel(2, tr("%n Games", nullptr, ListedCount()));
    imgSnapshot->ShowLogo(Pictures::Logo());
    FAuditFinished = true;
  });
}

TFolderKind TfrmMain::FilterOfFolder(TFolderKind kind) {
  return kind >= TFolderKind::All && kind <= TFolderKind::Year ? kind : TFolderKind::Company;
}

void TfrmMain::FillGameList(TFolderKind filter) {
  const QTreeWidgetItem* folder = tvFolder->SelectedFolder();
  TGameFilter rule;
  rule.Kind = filter;
  if (folder) rule.Text = folder->text(0).toStdString();
  FFilterTable->SetFilter(rule);
  lvGames->LayOutNow();  // once, after the table and the filter have both changed
}

// ---------------------------------------------------------------------------------------------
// Folders and list

void TfrmMain::tvFolderChange() {
  Command([this] {
    const QTreeWidgetItem* folder = tvFolder->SelectedFolder();
    if (!folder) return;
    const TFolderKind kind = TFolderTree::FolderKind(folder);
    if (kind != TFolderKind::Heading) FillGameList(FilterOfFolder(kind));
    SetPanel(2, tr("%n Games", nullptr, ListedCount()));
  });
}

void TfrmMain::lvGamesChange() {
  Command([this] { ShowSelectedGame(); });
}

void TfrmMain::ShowSelectedGame() {
  const int p = SelectedPosition();
  if (p < 0) {
    // No game: nothing of one is shown, and the picture is the one the window starts with.
    SetPanel(0, QString());
    SetPanel(1, QString());
    imgSnapshot->SetTransparent(true);
    imgSnapshot->ShowLogo(Pictures::Logo());
    return;
  }
  const TGame& game = Games()[static_cast<size_t>(p)];
  // The exact name costs one stat; only a miss consults the listings of the working directory
  // and "Shots", which are kept while those folders stay unchanged.
  const std::string wanted = AbsolutePath(FPaths.WorkDir, "Shots\\" + game.Preview);
  std::optional<std::string> shot;
  if (IsRegularFile(wanted)) {
    shot = wanted;
  } else {
    FShotLookup.Refresh();
    shot = FShotLookup.FindFile(wanted);
  }
  if (shot) {
    imgSnapshot->SetTransparent(false);
    imgSnapshot->SetPicture(LoadPicture(*shot));
  } else {
    imgSnapshot->SetTransparent(true);
    imgSnapshot->ShowLogo(Pictures::Logo());
  }
  // A picture that cannot be read stops here: the panels keep the previous game's text.
  SetPanel(0, QString::fromStdString(game.Game));
  SetPanel(1, game.Available ? tr("Working") : tr("ROMs missing"));
}

int TfrmMain::SelectedPosition() const {
  const int row = lvGames->SelectedRow();
  if (row < 0) return -1;
  const int p = FFilterTable->Position(row);
  return p >= 0 && static_cast<size_t>(p) < Games().size() ? p : -1;
}

int TfrmMain::ListedCount() const {
  return FFilterTable->rowCount();
}

QString TfrmMain::PanelText(int panel) const {
  return sbPanels.at(panel)->text();
}

void TfrmMain::SetPanel(int panel, const QString& text) {
  sbPanels.at(panel)->setText(text);
}

// ---------------------------------------------------------------------------------------------
// Launching

void TfrmMain::lvGamesDblClick() {
  Command([this] {
    const int p = SelectedPosition();
    if (p >= 0) FLauncher.PlayGame(p);
  });
}

void TfrmMain::actPlayExecute() {
  Command([this] {
    const int p = SelectedPosition();
    if (p >= 0 && Games()[static_cast<size_t>(p)].Available) FLauncher.PlayGame(p);
  });
}

void TfrmMain::mnuRandomClick() {
  Command([this] { RandomLaunch(); });
}

void TfrmMain::RandomLaunch() {
  const int n = static_cast<int>(Games().size());
  if (n == 0) return;  // no position to draw from: nothing is started
  int p = 0;
  for (int draw = 0; draw < 101; ++draw) {
    p = FSeams.Random(n);
    if (p < 0 || p >= n) p = 0;  // a source out of range must not read past the table
    if (Games()[static_cast<size_t>(p)].Available) break;
  }
  FLauncher.PlayGame(p);
}

void TfrmMain::ShellError(const std::string& message) {
  ShowShellMessage(QString::fromStdString(message));
}

void TfrmMain::ShellMessage(const TMessage& message) {
  ShowShellMessage(Translated(message));
}

void TfrmMain::ShowShellMessage(const QString& message) {
  QMessageBox box(QMessageBox::Warning, tr("TAVI"), message, QMessageBox::Ok, this);
  box.exec();
}

void TfrmMain::Watch(std::unique_ptr<TEmulatorRun> run) {
  new TRunWatch(
      std::move(run),
      [this](TRunWatch* watch) {
        if (QuickFailure(watch->Run(), FSeams.QuickFailureWindow)) {
          // A game whose archive is missing or lacks files may be why: the message names them.
          const int p = watch->Run().Game().Number - 1;
          const TAuditNote* note = FModel->Note(p);
          const TGame* game = FModel->Game(p);
          QString roms;
          const bool missing = note && (note->Reason == TAuditNote::ArchiveMissing ||
                                        note->Reason == TAuditNote::NoExpectedFile);
          if (note && game && (missing || note->Reason == TAuditNote::Incomplete) &&
              game->Game == watch->Run().Game().Title)
            roms = Translated(AuditNoteMessage(game->RomPath, *note, FPaths.WorkDir));
          auto* message = new TfrmRunFailure(watch->Run(), this, roms, missing);
          message->show();
        }
        watch->deleteLater();
      },
      this);
}

// ---------------------------------------------------------------------------------------------
// Options, dialogs and exit

void TfrmMain::mnuRomDirectoryClick() {
  Command([this] { ChooseRomDirectory(); });
}

void TfrmMain::ChooseRomDirectory() {
  const std::optional<QString> folder =
      FSeams.Chooser->ChooseFolder(this, tr("Choose Rom-Directory"), QDir::rootPath());
  if (!folder) return;
  FLauncher.SaveRomDirectory(folder->toStdString());
  Audit();
}

void TfrmMain::actPropertiesExecute() {
  Command([this] {
    const int p = SelectedPosition();
    if (p < 0 || !Games()[static_cast<size_t>(p)].Available || !frmProperties) return;
    frmProperties->Execute(p, QString::fromStdString(Games()[static_cast<size_t>(p)].Game));
  });
}

void TfrmMain::mnuAboutClick() {
  Command([this] {
    if (frmAbout) frmAbout->exec();
  });
}

void TfrmMain::mnuExitClick() {
  close();
}

// ---------------------------------------------------------------------------------------------
// Panels and view styles

void TfrmMain::actHideFolderExecute() {
  const bool visible = splLeft->isHidden();
  splLeft->setVisible(visible);
  pnlFolder->setVisible(!splLeft->isHidden());
  UpdateActions();
}

void TfrmMain::actHideScreenshotExecute() {
  pnlSnapshot->setVisible(pnlSnapshot->isHidden());
  splRight->setVisible(!pnlSnapshot->isHidden());
  UpdateActions();
}

void TfrmMain::actStatusbarExecute() {
  sbMain->setVisible(sbMain->isHidden());
  UpdateActions();
}

void TfrmMain::actToolbarExecute() {
  tbMain->setVisible(tbMain->isHidden());
  UpdateActions();
}

void TfrmMain::SetViewStyle(int style) {
  lvGames->SetViewStyle(static_cast<TGameViews::TViewStyle>(style));
  UpdateActions();
}

void TfrmMain::UpdateActions() {
  actHideFolder->setChecked(!pnlFolder->isHidden());
  actHideScreenshot->setChecked(!pnlSnapshot->isHidden());
  actStatusbar->setChecked(!sbMain->isHidden());
  actToolbar->setChecked(!tbMain->isHidden());
  const TGameViews::TViewStyle style = lvGames->ViewStyle();
  actLargeIcons->setChecked(style == TGameViews::vsIcon);
  actSmallIcons->setChecked(style == TGameViews::vsSmallIcon);
  actList->setChecked(style == TGameViews::vsList);
  actDetails->setChecked(style == TGameViews::vsReport);
  const int p = SelectedPosition();
  const bool playable = p >= 0 && Games()[static_cast<size_t>(p)].Available;
  actPlay->setEnabled(playable);
  actProperties->setEnabled(playable);
  // Written only from an audit that read every archive: one still reading or cancelled would
  // leave out what it has not read.
  mnuFixdat->setEnabled(FAuditFinished && !Auditing());
}
