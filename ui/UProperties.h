#pragma once
// The properties dialog: shows and edits the settings record for one game.
#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>

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
  // Creation runs the renderer discovery, which fills the renderer list.
  explicit TfrmProperties(TLauncher& launcher, QWidget* parent = nullptr);

  void SetGameName(const QString& title);
  void ShowSettings();   // settings record -> controls
  void ApplySettings();  // controls -> settings record

  // The properties command for the game at catalogue position p: LoadSettings(p + 1), show the
  // values, show modally; OK saves with SaveSettings(p + 1), Cancel writes nothing. A failure is
  // reported through Guard(). Returns true when OK was chosen and the settings were saved.
  bool Execute(int p, const QString& title);

  // Centred on the desktop each time it is shown.
  void setVisible(bool visible) override;

  // The folder chooser behind the ROM directory button: (parent, starting folder) -> the chosen
  // folder, or an empty text when cancelled. Tests put a recorder here.
  std::function<QString(QWidget*, const QString&)> ChooseDirectory;

  // Where the resolution menu pops up: the dialog's top left corner plus the button's offset
  // within its page.
  QPoint ResolutionMenuPos() const;

  // Handlers, public so the tests can drive them as a click would.
  void btnDirClick();
  void SpeedButton1Click();

  // Page control and the two pages.
  QTabWidget* PageControl1;
  QWidget* TabSheet1;  // "Game Properties"
  QWidget* TabSheet2;  // "Renderer"
  QLabel* lblFilename1;
  QLabel* lblFilename2;

  // "Game Properties"
  QComboBox* cbRenderer;
  QLineEdit* edCutOff;
  QLineEdit* edCBuffer;
  QLineEdit* edDBuffer;
  QCheckBox* cbInterpreter;
  QCheckBox* cbGeometry;
  QLineEdit* edDir;
  QToolButton* btnDir;
  QCheckBox* cbSound;
  QCheckBox* cbSoundFilter;
  QCheckBox* cbSurround;
  QCheckBox* cbStereo;
  QLineEdit* edSurrMult;

  // "Renderer"
  QCheckBox* cbWindow;
  QToolButton* SpeedButton1;
  QLineEdit* edXMax;
  QLineEdit* edYMax;
  QCheckBox* cbDithering;
  QComboBox* cbTFiltering;
  QComboBox* cbTCaching;
  QComboBox* cbTQuality;
  QComboBox* cbBPP;
  QLineEdit* edFRate;
  QCheckBox* cbFPS;
  QCheckBox* cbSkip;
  QCheckBox* cbLimit;
  QCheckBox* cbDetect;
  QComboBox* cbDisplay;
  QComboBox* cbBlending;
  QComboBox* cbScanlines;

  QPushButton* btnOK;
  QPushButton* btnCancel;
  QMenu* pmResolution;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();
  QWidget* CreatePage(const char* name, QLabel*& title, const char* titleName, QVBoxLayout*& left,
                      QVBoxLayout*& right);
  QWidget* CreateGamePage();
  QWidget* CreateRendererPage();
  QWidget* CreateHeader(QLabel*& title);
  QLineEdit* CreateDigitEdit(const char* name);
  bool editorKeyPress(const QString& typed) const;

  TLauncher& Launcher;
};
