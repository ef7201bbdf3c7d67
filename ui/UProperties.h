#pragma once
// The properties dialog: shows and edits the settings record for one game.
#include <QDialog>
#include <QPoint>
#include <QString>

#include "ui/WindowSeams.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QVBoxLayout;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QToolButton;
class QWidget;
class TLauncher;

class TfrmProperties : public QDialog {
  Q_OBJECT
 public:
  // Creation runs the renderer discovery, which fills the renderer list. The ROM directory
  // button asks the seams' chooser.
  explicit TfrmProperties(TLauncher& launcher, QWidget* parent = nullptr,
                          const TWindowSeams& seams = {});

  // The pages with their controls, the buttons and the resolution menu are built when first
  // needed: before the first showing, and by every method here that reads or sets a control.
  // Code that reaches a control directly calls this first.
  void CreateControls();

  void SetGameName(const QString& title);
  void ShowSettings();   // settings record -> controls
  void ApplySettings();  // controls -> settings record

  // The properties command for the game at catalogue position p: LoadSettings(p + 1), show the
  // values, show modally; OK saves with SaveSettings(p + 1), Cancel writes nothing. A failure is
  // reported through Guard(). Returns true when OK was chosen and the settings were saved.
  bool Execute(int p, const QString& title);

  // Centred on the desktop each time it is shown.
  void setVisible(bool visible) override;

  // Where the resolution menu pops up: the dialog's top left corner plus the button's offset
  // within its page.
  QPoint ResolutionMenuPos();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Handlers of the buttons' clicks.
  void btnDirClick();
  void btnOKClick();
  void SpeedButton1Click();

  void FormCreate();
  QWidget* CreatePage(const char* name, QLabel*& title, const char* titleName, QVBoxLayout*& left,
                      QVBoxLayout*& right);
  QWidget* CreateGamePage();
  QWidget* CreateRendererPage();
  QWidget* CreateHeader(QLabel*& title);
  QLineEdit* CreateDigitEdit(const char* name);
  bool editorKeyPress(const QString& typed) const;
  bool PageKey(QKeyEvent* key);  // Ctrl+Tab: true when it turned the page
  // Calls visit(field of the settings record, its control) for every setting.
  template <class Visit>
  void ForEachBinding(Visit&& visit);

  TLauncher& FLauncher;
  IFolderChooser* FChooser;

  // Controls, found by tests through their object names, which are these names.
  // Page control and the two pages.
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;  // "Game Properties"
  QWidget* TabSheet2 = nullptr;  // "Renderer"
  QLabel* lblFilename1 = nullptr;
  QLabel* lblFilename2 = nullptr;

  // "Game Properties"
  QComboBox* cbRenderer = nullptr;
  QLineEdit* edCutOff = nullptr;
  QLineEdit* edCBuffer = nullptr;
  QLineEdit* edDBuffer = nullptr;
  QCheckBox* cbInterpreter = nullptr;
  QCheckBox* cbGeometry = nullptr;
  QLineEdit* edDir = nullptr;
  QToolButton* btnDir = nullptr;
  QCheckBox* cbSound = nullptr;
  QCheckBox* cbSoundFilter = nullptr;
  QCheckBox* cbSurround = nullptr;
  QCheckBox* cbStereo = nullptr;
  QLineEdit* edSurrMult = nullptr;

  // "Renderer"
  QCheckBox* cbWindow = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QLineEdit* edXMax = nullptr;
  QLineEdit* edYMax = nullptr;
  QCheckBox* cbDithering = nullptr;
  QComboBox* cbTFiltering = nullptr;
  QComboBox* cbTCaching = nullptr;
  QComboBox* cbTQuality = nullptr;
  QComboBox* cbBPP = nullptr;
  QLineEdit* edFRate = nullptr;
  QCheckBox* cbFPS = nullptr;
  QCheckBox* cbSkip = nullptr;
  QCheckBox* cbLimit = nullptr;
  QCheckBox* cbDetect = nullptr;
  QComboBox* cbDisplay = nullptr;
  QComboBox* cbBlending = nullptr;
  QComboBox* cbScanlines = nullptr;

  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
  QMenu* pmResolution = nullptr;
  int FRendererAtStart = -1;  // the renderer selected by the discovery at creation
  int FSaveNumber = 0;        // the game OK saves, while the properties command shows the dialog
};
