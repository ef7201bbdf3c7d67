#pragma once
// The properties dialog: shows and edits the settings record for one game.
#include <QDialog>
#include <QString>

class TLauncher;

class TfrmProperties : public QDialog {
  Q_OBJECT
 public:
  // Creation runs the renderer discovery, which fills the renderer list.
  explicit TfrmProperties(TLauncher& launcher, QWidget* parent = nullptr);

  void SetGameName(const QString& title);
  void ShowSettings();   // settings record -> controls
  void ApplySettings();  // controls -> settings record

  // The properties command for the game at catalogue position p: LoadSettings(p + 1), show the
  // values, show modally; OK saves with SaveSettings(p + 1), Cancel writes nothing.
  // Returns true when OK was chosen.
  bool Execute(int p, const QString& title);

 private:
  TLauncher& Launcher;
};
