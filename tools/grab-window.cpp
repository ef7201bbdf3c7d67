// Renders the main window over a demo folder to PNG files, for a look at the layout without a
// display: after the first audit, then with a game selected in each view style. With --dark the
// application gets a dark palette and only the selected-game picture is made; the screen's scale
// comes from QT_SCALE_FACTOR. --suffix is added to each file name.
//   ludra-grab-window <demo-folder> <output-folder> [--dark] [--suffix <text>]
#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidgetItem>
#include <cstdio>
#include <cstring>

#include "launch/Launcher.h"
#include "launch/Shell.h"
#include "ui/FolderTree.h"
#include "ui/GameFilterTable.h"
#include "ui/GameViews.h"
#include "ui/Pictures.h"
#include "ui/UProperties.h"
#include "ui/UTavi.h"

namespace {
class TNoShell : public IShell {
 public:
  void Open(const std::string&, const std::string&) override {}
};

QString gSuffix;

bool Save(TfrmMain& window, const QDir& out, const char* name) {
  QApplication::processEvents();
  const QString path = out.filePath(QString::fromLatin1(name) + gSuffix + QStringLiteral(".png"));
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "ludra-grab-window: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

void SelectGame(TfrmMain& window, const std::string& title) {
  for (int row = 0; row < window.GameFilterTable()->rowCount(); ++row)
    if (window.Games()[static_cast<size_t>(window.GameFilterTable()->Position(row))].Game == title)
      window.findChild<TGameViews*>(QStringLiteral("lvGames"))->SelectRow(row);
}
}  // namespace

QPalette DarkPalette() {
  QPalette p;
  const QColor window(45, 45, 48), base(30, 30, 32), text(225, 225, 225);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::Highlight, QColor(42, 110, 190));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Light, QColor(75, 75, 80));
  p.setColor(QPalette::Midlight, QColor(60, 60, 64));
  p.setColor(QPalette::Mid, QColor(40, 40, 42));
  p.setColor(QPalette::Dark, QColor(20, 20, 22));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  return p;
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  bool dark = false;
  int positional = 0;
  const char* folders[2] = {nullptr, nullptr};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--dark") == 0)
      dark = true;
    else if (std::strcmp(argv[i], "--suffix") == 0 && i + 1 < argc)
      gSuffix = QString::fromLocal8Bit(argv[++i]);
    else if (positional < 2)
      folders[positional++] = argv[i];
    else
      positional = 3;
  }
  if (positional != 2) {
    std::fprintf(stderr,
                 "usage: ludra-grab-window <demo-folder> <output-folder> [--dark] "
                 "[--suffix <text>]\n");
    return 2;
  }
  QApplication::setStyle(QStringLiteral("Fusion"));
  if (dark) QApplication::setPalette(DarkPalette());
  // A list file of its own, so the demo's settings stay as they are.
  QTemporaryDir exeDir;
  const QDir demo(QString::fromLocal8Bit(folders[0]));
  const QDir out(QString::fromLocal8Bit(folders[1]));
  QDir().mkpath(out.path());
  TPaths paths;
  paths.ExeDir = exeDir.path().toStdString() + "/";
  paths.WorkDir = demo.absolutePath().toStdString() + "/";

  TNoShell shell;
  TLauncher launcher(paths, shell);
  TfrmMain window(paths, launcher);
  window.SetDialogs(new TfrmProperties(launcher, &window), nullptr);
  window.show();
  // The first audit starts once the window has painted.
  if (!QTest::qWaitFor([&] { return window.Painted(); })) return 1;
  window.AuditRunner().WaitUntilEnded();
  bool ok = dark || Save(window, out, "main-window-audited");

  auto* tree = window.findChild<TFolderTree*>(QStringLiteral("tvFolder"));
  tree->expandAll();
  tree->setCurrentItem(tree->FindFolder(QStringLiteral("All Games")));
  SelectGame(window, "Street Fighter EX Plus (USA)");
  ok = ok && Save(window, out, "main-window");
  if (dark) return ok ? 0 : 1;
  window.findChild<QAction*>(QStringLiteral("actLargeIcons"))->trigger();
  ok = ok && Save(window, out, "main-window-large-icons");
  window.findChild<QAction*>(QStringLiteral("actSmallIcons"))->trigger();
  ok = ok && Save(window, out, "main-window-small-icons");
  window.findChild<QAction*>(QStringLiteral("actList"))->trigger();
  SelectGame(window, "Star Sweep (JP) Ver. A");
  ok = ok && Save(window, out, "main-window-list");
  return ok ? 0 : 1;
}
