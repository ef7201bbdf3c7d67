// Renders the main window over a demo folder to PNG files, for a look at the layout without a
// display: after the first audit, then with a game selected in each view style.
//   ludra-grab-window <demo-folder> <output-folder>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>
#include <cstdio>

#include "FolderTree.h"
#include "GameFilterProxy.h"
#include "GameViews.h"
#include "Launcher.h"
#include "Pictures.h"
#include "Shell.h"
#include "UProperties.h"
#include "UTavi.h"

namespace {
class TNoShell : public IShell {
 public:
  void Open(const std::string&, const std::string&) override {}
};

bool Save(TfrmMain& window, const QDir& out, const char* name) {
  QApplication::processEvents();
  const QString path = out.filePath(QString::fromLatin1(name));
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "ludra-grab-window: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

void SelectGame(TfrmMain& window, const std::string& title) {
  for (int row = 0; row < window.GameProxy()->rowCount(); ++row)
    if (window.Games()[static_cast<size_t>(window.GameProxy()->Position(row))].Game == title)
      window.lvGames->SelectRow(row);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: ludra-grab-window <demo-folder> <output-folder>\n");
    return 2;
  }
  // A list file of its own, so the demo's settings stay as they are.
  QTemporaryDir exeDir;
  const QDir demo(QString::fromLocal8Bit(argv[1]));
  const QDir out(QString::fromLocal8Bit(argv[2]));
  QDir().mkpath(out.path());
  TPaths paths;
  paths.ExeDir = exeDir.path().toStdString() + "/";
  paths.WorkDir = demo.absolutePath().toStdString() + "/";

  TNoShell shell;
  TLauncher launcher(paths, shell);
  TfrmMain window(paths, launcher);
  window.SetDialogs(new TfrmProperties(launcher, &window), nullptr);
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  window.FormActivate();
  bool ok = Save(window, out, "main-window-audited.png");

  window.tvFolder->expandAll();
  window.tvFolder->setCurrentItem(window.tvFolder->FindFolder(QStringLiteral("All Games")));
  SelectGame(window, "Street Fighter EX Plus (USA)");
  ok = ok && Save(window, out, "main-window.png");
  window.actLargeIcons->trigger();
  ok = ok && Save(window, out, "main-window-large-icons.png");
  window.actList->trigger();
  SelectGame(window, "Star Sweep (JP) Ver. A");
  ok = ok && Save(window, out, "main-window-list.png");
  return ok ? 0 : 1;
}
