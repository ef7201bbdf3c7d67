#pragma once
// A main window over a temporary folder (executable and working directory both point there),
// with a recording shell, error reporter, folder chooser and random source.
#include <QAction>
#include <QImage>
#include <QTreeWidgetItem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "launch/Launcher.h"
#include "launch/Shell.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/ErrorGuard.h"
#include "ui/UTavi.h"
#include "ui/WindowSeams.h"

struct TRecordingShell : IShell {
  struct TCall {
    std::string Program, Parameters;
  };
  std::vector<TCall> Calls;
  IShell* ForwardTo = nullptr;  // a real shell that also gets each "Open" (after it is recorded)
  void Open(const std::string& program, const std::string& parameters) override {
    OpenGame(program, parameters, {});
  }
  void OpenGame(const std::string& program, const std::string& parameters,
                const TGameRef& game) override {
    Calls.push_back({program, parameters});
    if (ForwardTo) ForwardTo->OpenGame(program, parameters, game);
  }
  // The game number the emulator was started with: the first word of the parameter text.
  int LastNumber() const;
};

struct TRecordingReporter : IErrorReporter {
  std::vector<std::string> Messages;
  void ShowError(const std::string& message) override { Messages.push_back(message); }
};

class TMainWindowFixture {
 public:
  TMainWindowFixture();
  ~TMainWindowFixture();

  TTempDir Dir;
  TPaths Paths;
  TRecordingShell Shell;
  TLauncher Launcher;
  TRecordingReporter Errors;
  TFakeChooser Chooser;
  TWindowSeams Seams{.Chooser = &Chooser};  // as the window is made

  // The window, made on first use (after the test has laid out its files).
  TfrmMain& Main();
  // The window's control or action named `name`.
  template <class T>
  T* Find(const char* name) {
    return FindChild<T>(Main(), name);
  }
  // The action named `name`, triggered as by its menu item or button.
  void Trigger(const char* name) { Find<QAction>(name)->trigger(); }
  // The list's double click, as the keyboard gives it: Return on the list (a window that is not
  // on screen takes no mouse).
  void DoubleClick();
  // The window's activation, as the desktop gives it when the user brings the window forward.
  void SendActivation() {
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&Main(), &activation);
  }
  // The commands that audit, each waited for until its audit has ended and been shown.
  void Activate();
  // Shown and activated as at the program's start: returns once the first audit has ended.
  bool ShowActive();
  void AuditAll();
  void ChooseRomDirectory();
  void DestroyWindow();  // as the program's end does, after the window was closed

  void List(const std::string& text);
  void Zip(const std::string& name, const std::vector<std::string>& members);
  void Shot(const std::string& relativePath, const QImage& picture);

  // Selects the folder with this text (first in tree order); false when there is none.
  bool SelectFolder(const std::string& text);
  const QTreeWidgetItem* Folder(const std::string& text);
  // Selects the listed game with this title; false when it is not listed.
  bool SelectGame(const std::string& title);
  std::vector<std::string> ListedTitles();
  std::vector<int> ListedPositions();
  std::vector<std::string> ChildTexts(const std::string& folder);
  std::vector<std::string> TopLevelTexts();
  std::string Panel(int panel);

 private:
  std::unique_ptr<TfrmMain> FMain;
};

// A list file text of `Rom<n>` sections in CR LF lines.
std::string GameSection(int n, const std::string& title, const std::string& company,
                        const std::string& year, const std::string& romName,
                        const std::string& files, bool sound = true);
