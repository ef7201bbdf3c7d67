#include "tests/ui/MainWindowFixture.h"

#include <QTest>
#include <QTreeWidgetItemIterator>

#include "ui/FolderTree.h"
#include "ui/GameFilterTable.h"
#include "ui/GameViews.h"

int TRecordingShell::LastNumber() const {
  if (Calls.empty()) return -1;
  return std::stoi(Calls.back().Parameters.substr(0, Calls.back().Parameters.find(' ')));
}

TMainWindowFixture::TMainWindowFixture() : Paths{Dir.Path(), Dir.Path()}, Launcher(Paths, Shell) {
  SetErrorReporter(&Errors);
}

TMainWindowFixture::~TMainWindowFixture() {
  FMain.reset();
  SetErrorReporter(nullptr);
  // A closed window leaves its audit's thread to end by itself; the test's folder and read hooks
  // stay until it has.
  TAuditRunner::WaitForThreads(std::chrono::seconds(60));
}

TfrmMain& TMainWindowFixture::Main() {
  if (!FMain) FMain = std::make_unique<TfrmMain>(Paths, Launcher, Seams);
  return *FMain;
}

void TMainWindowFixture::DoubleClick() {
  QTest::keyClick(Find<TGameViews>("lvGames")->CurrentView(), Qt::Key_Return);
}

void TMainWindowFixture::Activate() {
  SendActivation();
  // A window on screen starts its first audit once it has painted.
  for (int waited = 0; Main().isVisible() && !Main().Painted() && waited < 5000; waited += 10)
    QTest::qWait(10);
  Main().AuditRunner().WaitUntilEnded();
}

bool TMainWindowFixture::ShowActive() {
  Main().show();
  Main().activateWindow();
  if (!QTest::qWaitForWindowActive(&Main())) return false;
  Activate();
  return true;
}

void TMainWindowFixture::AuditAll() {
  Trigger("mnuAudit");
  Main().AuditRunner().WaitUntilEnded();
}

void TMainWindowFixture::ChooseRomDirectory() {
  Trigger("mnuRomDirectory");
  Main().AuditRunner().WaitUntilEnded();
}

void TMainWindowFixture::DestroyWindow() {
  FMain.reset();
}

void TMainWindowFixture::List(const std::string& text) {
  WriteFileBytes(Dir / "ludra.ini", text);
}

void TMainWindowFixture::Zip(const std::string& name, const std::vector<std::string>& members) {
  std::vector<TZipMember> zm;
  for (const std::string& m : members) {
    TZipMember member;
    member.Name = m;
    zm.push_back(member);
  }
  MakeDirs(Dir / "Roms");
  WriteFileBytes(Dir / ("Roms/" + name), BuildZip(zm));
}

void TMainWindowFixture::Shot(const std::string& relativePath, const QImage& picture) {
  const std::string path = Dir / relativePath;
  MakeDirs(path.substr(0, path.rfind('/')));
  picture.save(QString::fromStdString(path));
}

bool TMainWindowFixture::SelectFolder(const std::string& text) {
  QTreeWidgetItem* node = Find<TFolderTree>("tvFolder")->FindFolder(QString::fromStdString(text));
  if (!node) return false;
  Find<TFolderTree>("tvFolder")->setCurrentItem(node);
  return true;
}

const QTreeWidgetItem* TMainWindowFixture::Folder(const std::string& text) {
  return Find<TFolderTree>("tvFolder")->FindFolder(QString::fromStdString(text));
}

std::string TMainWindowFixture::Panel(int panel) {
  return Main().PanelText(panel).toStdString();
}

bool TMainWindowFixture::SelectGame(const std::string& title) {
  TGameFilterTable* table = Main().GameFilterTable();
  for (int row = 0; row < table->rowCount(); ++row)
    if (Main().Games()[static_cast<size_t>(table->Position(row))].Game == title) {
      Find<TGameViews>("lvGames")->SelectRow(row);
      return true;
    }
  return false;
}

std::vector<std::string> TMainWindowFixture::ListedTitles() {
  std::vector<std::string> titles;
  TGameFilterTable* table = Main().GameFilterTable();
  for (int row = 0; row < table->rowCount(); ++row)
    titles.push_back(table->index(row, 0).data().toString().toStdString());
  return titles;
}

std::vector<int> TMainWindowFixture::ListedPositions() {
  std::vector<int> positions;
  TGameFilterTable* table = Main().GameFilterTable();
  for (int row = 0; row < table->rowCount(); ++row) positions.push_back(table->Position(row));
  return positions;
}

std::vector<std::string> TMainWindowFixture::ChildTexts(const std::string& folder) {
  std::vector<std::string> texts;
  if (const QTreeWidgetItem* node = Folder(folder))
    for (int c = 0; c < node->childCount(); ++c)
      texts.push_back(node->child(c)->text(0).toStdString());
  return texts;
}

std::vector<std::string> TMainWindowFixture::TopLevelTexts() {
  std::vector<std::string> texts;
  for (int i = 0; i < Find<TFolderTree>("tvFolder")->topLevelItemCount(); ++i)
    texts.push_back(Find<TFolderTree>("tvFolder")->topLevelItem(i)->text(0).toStdString());
  return texts;
}

std::string GameSection(int n, const std::string& title, const std::string& company,
                        const std::string& year, const std::string& romName,
                        const std::string& files, bool sound) {
  return "[Rom" + std::to_string(n) + "]\r\nGame=" + title +
         "\r\nCountry=Japan\r\nCompany=" + company + "\r\nSystem=ZN1\r\nYear=" + year +
         "\r\nRomname=" + romName + "\r\nFiles=" + files + "\r\nSound=" + (sound ? "1" : "0") +
         "\r\n";
}
