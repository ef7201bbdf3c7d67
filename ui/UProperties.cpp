#include "ui/UProperties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "catalogue/Paths.h"
#include "launch/Launcher.h"
#include "ui/ErrorGuard.h"
#include "ui/Pictures.h"

namespace {
constexpr int kClientWidth = 402;
constexpr int kClientHeight = 367;
constexpr int kPagesHeight = 329;

QString Str(const std::string& s) {
  return QString::fromStdString(s);
}

QCheckBox* NewCheckBox(const QString& caption, const char* name) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

// The drop-down lists' item texts that are words; the others are numbers.
[[maybe_unused]] const char* const kItemWords[] = {
    QT_TRANSLATE_NOOP("TfrmProperties", "15 bit"), QT_TRANSLATE_NOOP("TfrmProperties", "16 bit"),
    QT_TRANSLATE_NOOP("TfrmProperties", "32 bit"), QT_TRANSLATE_NOOP("TfrmProperties", "default"),
    QT_TRANSLATE_NOOP("TfrmProperties", "4 bit"),  QT_TRANSLATE_NOOP("TfrmProperties", "5 bit"),
    QT_TRANSLATE_NOOP("TfrmProperties", "8 bit")};

QComboBox* NewComboBox(const char* name, const std::vector<std::string>& items) {
  auto* combo = new QComboBox;
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(false);
  for (const auto& item : items)
    combo->addItem(QCoreApplication::translate("TfrmProperties", item.c_str()));
  combo->setCurrentIndex(-1);
  return combo;
}

// A titled group holding its controls in one row, tightly, so the columns fit the fixed page.
// The title names the group's first control for a screen reader.
QGroupBox* NewGroup(const QString& title, std::initializer_list<QWidget*> content) {
  auto* group = new QGroupBox(title);
  if (content.size() > 0) (*content.begin())->setAccessibleName(title);
  auto* row = new QHBoxLayout(group);
  row->setContentsMargins(6, 0, 6, 3);
  row->setSpacing(4);
  for (QWidget* w : content) row->addWidget(w);
  return group;
}

// A number field as wide as six digits (the widest stored values have five) rather than the
// usual seventeen characters, so the columns keep to the designed size at the usual fonts.
class TDigitEdit : public QLineEdit {
 public:
  static constexpr int kDigits = 6;
  QSize sizeHint() const override {
    const QSize usual = QLineEdit::sizeHint();
    const QFontMetrics metrics = fontMetrics();
    const int text = metrics.horizontalAdvance(QString(kDigits, u'0'));
    return QSize(usual.width() - 17 * metrics.horizontalAdvance(u'x') + text, usual.height());
  }
  QSize minimumSizeHint() const override { return sizeHint(); }
};

// A label that names `control`, its buddy.
QLabel* NewBuddyLabel(const QString& caption, QWidget* control) {
  auto* label = new QLabel(caption);
  label->setBuddy(control);
  return label;
}

// A caption above its drop-down list.
QWidget* NewCaptioned(const QString& caption, QWidget* control) {
  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  column->addWidget(NewBuddyLabel(caption, control));
  column->addWidget(control);
  return box;
}

// An item index that names no item shows as no selection.
void ShowIndex(QComboBox* combo, int index) {
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// Neither button is the default or the cancel button: Escape does nothing, and Enter presses a
// button only while that button has the focus.
bool HandleDialogKey(QDialog* dialog, QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      event->accept();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      QWidget* focus = dialog->focusWidget();
      if (auto* push = qobject_cast<QPushButton*>(focus))
        push->click();
      else if (auto* tool = qobject_cast<QToolButton*>(focus))
        tool->click();
      event->accept();
      return true;
    }
    default:
      return false;
  }
}
}  // namespace

TfrmProperties::TfrmProperties(TLauncher& launcher, QWidget* parent, const TWindowSeams& seams)
    : QDialog(parent), FLauncher(launcher), FChooser(seams.Chooser) {
  setObjectName(QStringLiteral("frmProperties"));
  setWindowTitle(tr("Tavi Properties"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);

  FormCreate();
}

// The renderer list is fixed for the program's run: plug-ins added later are offered after the
// next start.
void TfrmProperties::FormCreate() {
  Guard([this] { FLauncher.DiscoverRenderers(); });
  FRendererAtStart = FLauncher.GameSettings.Renderer;
}

void TfrmProperties::CreateControls() {
  if (PageControl1) return;
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  TabSheet1 = CreateGamePage();
  TabSheet2 = CreateRendererPage();
  PageControl1->addTab(TabSheet1, tr("Game Properties"));
  PageControl1->addTab(TabSheet2, tr("Renderer"));
  PageControl1->setCurrentIndex(0);
  PageControl1->installEventFilter(this);  // Ctrl+Tab

  btnOK = new QPushButton(tr("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnCancel = new QPushButton(tr("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* button : {btnOK, btnCancel}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  // The designed size is the least: the dialog grows with its contents, so a larger desktop
  // font cuts no text, and keeps to that size (the border stays fixed).
  PageControl1->setMinimumSize(kClientWidth, kPagesHeight);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 7, 8, kClientHeight - kPagesHeight - 7 - 25);
  buttons->setSpacing(6);
  buttons->addStretch(1);
  for (QPushButton* button : {btnOK, btnCancel}) {
    button->setMinimumSize(75, 25);
    buttons->addWidget(button);
  }
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(PageControl1, 1);
  column->addLayout(buttons);
  column->setSizeConstraint(QLayout::SetFixedSize);
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  pmResolution = new QMenu(this);
  pmResolution->setObjectName(QStringLiteral("pmResolution"));
  static const char* const kResolutions[][2] = {
      {"320", "200"}, {"640", "480"}, {"800", "600"}, {"1024", "768"}, {"1400", "1200"}};
  for (const auto& res : kResolutions) {
    const QString x = QString::fromLatin1(res[0]);
    const QString y = QString::fromLatin1(res[1]);
    QAction* entry = pmResolution->addAction(tr("%1 x %2").arg(x, y));
    connect(entry, &QAction::triggered, this, [this, x, y] {
      edXMax->setText(x);
      edYMax->setText(y);
    });
  }

  // The renderer list as the discovery at creation left it.
  for (const auto& name : FLauncher.Renderers) cbRenderer->addItem(Str(name));
  ShowIndex(cbRenderer, FRendererAtStart);
}

QWidget* TfrmProperties::CreateHeader(QLabel*& title) {
  auto* header = new QWidget;
  auto* column = new QVBoxLayout(header);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);

  auto* row = new QHBoxLayout;
  row->setSpacing(10);
  auto* icon = new TPictureBox(Pictures::PropertiesIcon());
  icon->setFixedSize(32, 32);
  title = new QLabel;
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setTextFormat(Qt::PlainText);
  // A long title is cut rather than widening the dialog from one game to the next.
  title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  row->addWidget(icon);
  row->addWidget(title, 1);
  column->addLayout(row);

  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  column->addWidget(line);
  return header;
}

QLineEdit* TfrmProperties::CreateDigitEdit(const char* name) {
  auto* edit = new TDigitEdit;
  edit->setObjectName(QString::fromLatin1(name));
  edit->installEventFilter(this);
  return edit;
}

// A page with the shared header (icon, the game's title in `title`, a line) over two columns.
QWidget* TfrmProperties::CreatePage(const char* name, QLabel*& title, const char* titleName,
                                    QVBoxLayout*& left, QVBoxLayout*& right) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(8, 6, 8, 4);
  outer->setSpacing(4);
  outer->addWidget(CreateHeader(title));
  title->setObjectName(QString::fromLatin1(titleName));

  auto* columns = new QHBoxLayout;
  columns->setSpacing(8);
  left = new QVBoxLayout;
  right = new QVBoxLayout;
  left->setSpacing(2);
  right->setSpacing(2);
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  outer->addLayout(columns, 1);
  return page;
}

QWidget* TfrmProperties::CreateGamePage() {
  QVBoxLayout *left, *right;
  QWidget* page = CreatePage("TabSheet1", lblFilename1, "lblFilename1", left, right);

  cbRenderer = NewComboBox("cbRenderer", {});
  edCutOff = CreateDigitEdit("edCutOff");
  edCBuffer = CreateDigitEdit("edCBuffer");
  edDBuffer = CreateDigitEdit("edDBuffer");
  cbInterpreter = NewCheckBox(tr("use interpreter"), "cbInterpreter");
  cbGeometry = NewCheckBox(tr("use slow geometry"), "cbGeometry");
  left->addWidget(NewGroup(tr("renderer"), {cbRenderer}));
  left->addWidget(NewGroup(tr("sound filter cutoff"), {edCutOff}));
  left->addWidget(NewGroup(tr("code buffer size"), {edCBuffer}));
  left->addWidget(NewGroup(tr("drop buffer size"), {edDBuffer}));
  left->addWidget(cbInterpreter);
  left->addWidget(cbGeometry);
  left->addStretch(1);

  edDir = new QLineEdit;
  edDir->setObjectName(QStringLiteral("edDir"));
  btnDir = new QToolButton;
  btnDir->setObjectName(QStringLiteral("btnDir"));
  btnDir->setText(QStringLiteral("..."));
  btnDir->setToolTip(tr("Choose the ROM directory"));
  btnDir->setAccessibleName(btnDir->toolTip());
  connect(btnDir, &QToolButton::clicked, this, [this] { btnDirClick(); });
  cbSound = NewCheckBox(tr("use sound"), "cbSound");
  cbSoundFilter = NewCheckBox(tr("sound filter enable"), "cbSoundFilter");
  cbSurround = NewCheckBox(tr("sound surround light enable"), "cbSurround");
  cbStereo = NewCheckBox(tr("sound stereo exciter"), "cbStereo");
  edSurrMult = CreateDigitEdit("edSurrMult");
  right->addWidget(NewGroup(tr("roms directory"), {edDir, btnDir}));
  right->addWidget(cbSound);
  right->addWidget(cbSoundFilter);
  right->addWidget(cbSurround);
  right->addWidget(cbStereo);
  right->addWidget(NewGroup(tr("sound surround multiplier"), {edSurrMult}));
  right->addStretch(1);
  return page;
}

QWidget* TfrmProperties::CreateRendererPage() {
  QVBoxLayout *left, *right;
  QWidget* page = CreatePage("TabSheet2", lblFilename2, "lblFilename2", left, right);

  cbWindow = NewCheckBox(tr("Run in a Window"), "cbWindow");
  left->addWidget(cbWindow);

  auto* resolution = new QHBoxLayout;
  resolution->setSpacing(4);
  SpeedButton1 = new QToolButton;
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setArrowType(Qt::DownArrow);
  SpeedButton1->setToolTip(tr("Choose a resolution"));
  SpeedButton1->setAccessibleName(SpeedButton1->toolTip());
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  edXMax = CreateDigitEdit("edXMax");
  edYMax = CreateDigitEdit("edYMax");
  edXMax->setAccessibleName(tr("Resolution, width"));
  edYMax->setAccessibleName(tr("Resolution, height"));
  resolution->addWidget(NewBuddyLabel(tr("Res"), edXMax));
  resolution->addWidget(SpeedButton1);
  resolution->addWidget(edXMax, 1);
  resolution->addWidget(edYMax, 1);
  left->addLayout(resolution);

  cbDithering = NewCheckBox(tr("Dithering"), "cbDithering");
  left->addWidget(cbDithering);

  cbTFiltering = NewComboBox("cbTFiltering", kFilteringItems);
  cbTCaching = NewComboBox("cbTCaching", kCachingItems);
  cbTQuality = NewComboBox("cbTQuality", kQualityItems);
  auto* textures = new QGroupBox(tr("Textures"));
  auto* grid = new QGridLayout(textures);
  grid->setContentsMargins(6, 0, 6, 3);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  grid->addWidget(NewBuddyLabel(tr("Texture Filtering:"), cbTFiltering), 0, 0);
  grid->addWidget(cbTFiltering, 0, 1);
  grid->addWidget(NewBuddyLabel(tr("Texture Caching:"), cbTCaching), 1, 0);
  grid->addWidget(cbTCaching, 1, 1);
  grid->addWidget(NewBuddyLabel(tr("Texture Quality:"), cbTQuality), 2, 0);
  grid->addWidget(cbTQuality, 2, 1);
  grid->setColumnStretch(1, 1);
  left->addWidget(textures);
  left->addStretch(1);

  cbBPP = NewComboBox("cbBPP", kBPPItems);
  right->addWidget(NewGroup(tr("Bits per Pixel"), {cbBPP}));

  edFRate = CreateDigitEdit("edFRate");
  cbFPS = NewCheckBox(tr("Show FPS"), "cbFPS");
  cbSkip = NewCheckBox(tr("Frame Skip"), "cbSkip");
  cbLimit = NewCheckBox(tr("Frame Limit"), "cbLimit");
  cbDetect = NewCheckBox(tr("Detection"), "cbDetect");
  auto* frames = new QGroupBox(tr("Frames"));
  auto* frameColumn = new QVBoxLayout(frames);
  frameColumn->setContentsMargins(6, 0, 6, 3);
  frameColumn->setSpacing(2);
  auto* rate = new QHBoxLayout;
  rate->addWidget(NewBuddyLabel(tr("Frame Rate"), edFRate));
  rate->addWidget(edFRate, 1);
  frameColumn->addLayout(rate);
  for (QCheckBox* box : {cbFPS, cbSkip, cbLimit, cbDetect}) frameColumn->addWidget(box);
  right->addWidget(frames);
  right->addStretch(1);

  cbDisplay = NewComboBox("cbDisplay", kDisplayItems);
  cbBlending = NewComboBox("cbBlending", kBlendingItems);
  cbScanlines = NewComboBox("cbScanlines", kScanlinesItems);
  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(8);
  bottom->addWidget(NewCaptioned(tr("Turn Display"), cbDisplay), 1);
  bottom->addWidget(NewCaptioned(tr("Blending"), cbBlending), 1);
  bottom->addWidget(NewCaptioned(tr("Scanlines"), cbScanlines), 1);
  static_cast<QVBoxLayout*>(page->layout())->addLayout(bottom);  // along the page's foot
  return page;
}

void TfrmProperties::SetGameName(const QString& title) {
  CreateControls();
  lblFilename1->setText(title);
  lblFilename2->setText(title);
}

// Each field of the settings record beside the control that shows it. The pairs are typed, so a
// renamed control or one of the wrong kind does not compile.
template <class Visit>
void TfrmProperties::ForEachBinding(Visit&& visit) {
  CreateControls();
  using S = TGameSettings;
  const std::pair<std::string S::*, QLineEdit*> texts[] = {
      {&S::CutOff, edCutOff},       {&S::CBuffer, edCBuffer}, {&S::DBuffer, edDBuffer},
      {&S::Multiplier, edSurrMult}, {&S::RomDir, edDir},      {&S::Xmax, edXMax},
      {&S::Ymax, edYMax},           {&S::FrameRate, edFRate}};
  const std::pair<bool S::*, QCheckBox*> flags[] = {{&S::Interpreter, cbInterpreter},
                                                    {&S::Geometry, cbGeometry},
                                                    {&S::Sound, cbSound},
                                                    {&S::Filter, cbSoundFilter},
                                                    {&S::Surround, cbSurround},
                                                    {&S::Stereo, cbStereo},
                                                    {&S::Windowed, cbWindow},
                                                    {&S::Dithering, cbDithering},
                                                    {&S::FPS, cbFPS},
                                                    {&S::Skip, cbSkip},
                                                    {&S::Detection, cbDetect},
                                                    {&S::FrameLimit, cbLimit}};
  const std::pair<int S::*, QComboBox*> indices[] = {
      {&S::Renderer, cbRenderer},    {&S::BPP, cbBPP},
      {&S::Filtering, cbTFiltering}, {&S::Caching, cbTCaching},
      {&S::Quality, cbTQuality},     {&S::Display, cbDisplay},
      {&S::Blending, cbBlending},    {&S::Scanlines, cbScanlines}};
  for (const auto& [field, control] : texts) visit(field, control);
  for (const auto& [field, control] : flags) visit(field, control);
  for (const auto& [field, control] : indices) visit(field, control);
}

void TfrmProperties::ShowSettings() {
  const TGameSettings& s = FLauncher.GameSettings;
  ForEachBinding([&](auto field, auto* control) {
    using Control = std::remove_pointer_t<decltype(control)>;
    if constexpr (std::is_same_v<Control, QLineEdit>)
      control->setText(Str(s.*field));
    else if constexpr (std::is_same_v<Control, QCheckBox>)
      control->setChecked(s.*field);
    else
      ShowIndex(control, s.*field);
  });
}

void TfrmProperties::ApplySettings() {
  TGameSettings& s = FLauncher.GameSettings;
  ForEachBinding([&](auto field, auto* control) {
    using Control = std::remove_pointer_t<decltype(control)>;
    if constexpr (std::is_same_v<Control, QLineEdit>)
      s.*field = control->text().toStdString();
    else if constexpr (std::is_same_v<Control, QCheckBox>)
      s.*field = control->isChecked();
    else
      s.*field = control->currentIndex();
  });
}

bool TfrmProperties::Execute(int p, const QString& title) {
  bool saved = false;
  Guard([&] {
    FLauncher.LoadSettings(p + 1);
    ShowSettings();
    SetGameName(title);
    // The page control is left where it was: the dialog reopens on the page shown last.
    FSaveNumber = p + 1;
    saved = exec() == QDialog::Accepted;
    FSaveNumber = 0;
  });
  return saved;
}

// OK saves before the dialog closes: when the save fails, the error is shown and the dialog
// stays open with the user's values, to try again or to cancel.
void TfrmProperties::btnOKClick() {
  bool saved = FSaveNumber == 0;  // not opened by the properties command: nothing to save
  if (!saved) {
    Guard([&] {
      ApplySettings();
      FLauncher.SaveSettings(FSaveNumber);
      saved = true;
    });
  }
  if (saved) accept();
}

void TfrmProperties::btnDirClick() {
  CreateControls();
  Guard([this] {
    // The field holds the path as stored: "\" separators, relative to the working directory.
    const std::string stored = edDir->text().toStdString();
    std::string start = "/";
    if (!stored.empty()) {
      TFileLookup lookup;
      auto found = lookup.Find(AbsolutePath(FLauncher.Paths().WorkDir, stored));
      if (found && IsDirectory(*found)) start = *found;
    }
    const std::optional<QString> folder =
        FChooser->ChooseFolder(this, tr("Choose Rom-Directory"), QDir::cleanPath(Str(start)));
    if (!folder) return;
    QString chosen = *folder;
    while (chosen.size() > 1 && (chosen.endsWith(u'/') || chosen.endsWith(u'\\'))) chosen.chop(1);
    edDir->setText(chosen);
  });
}

QPoint TfrmProperties::ResolutionMenuPos() {
  CreateControls();
  // Measured from the outer corner, frame included, so the menu opens by the button, shifted up
  // and left by the frame and the tabs.
  return frameGeometry().topLeft() + SpeedButton1->mapTo(TabSheet2, QPoint(0, 0));
}

void TfrmProperties::SpeedButton1Click() {
  CreateControls();
  Guard([this] { pmResolution->popup(ResolutionMenuPos()); });
}

// Typing into the number fields takes digits, Backspace and Enter; any other character is
// dropped. Keys without a character (arrows, Delete, Tab) and shortcuts (Ctrl+V) pass, so pasted
// text is taken as it is.
bool TfrmProperties::editorKeyPress(const QString& typed) const {
  for (QChar c : typed)
    if (c.isPrint() && (c < u'0' || c > u'9')) return false;
  return true;
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the page, wherever the focus is in the dialog, and take the
// focus straight to the new page's first control. Left to the page control, hiding the old page
// would first hand the focus to the next control that stays shown, OK, which a screen reader
// announces on the way.
bool TfrmProperties::PageKey(QKeyEvent* key) {
  if (!(key->modifiers() & Qt::ControlModifier) ||
      (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab))
    return false;
  const int count = PageControl1->count();
  const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
  const int to = (PageControl1->currentIndex() + (back ? count - 1 : 1)) % count;
  if (QWidget* focus = focusWidget()) focus->clearFocus();
  PageControl1->setCurrentIndex(to);
  QWidget* page = PageControl1->currentWidget();
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisible() && !w->focusProxy()) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
  }
  key->accept();
  return true;
}

bool TfrmProperties::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PageControl1)
    return event->type() == QEvent::KeyPress && PageKey(static_cast<QKeyEvent*>(event));
  // Otherwise installed on the digit fields.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // A line edit types nothing with Ctrl held, so those keys are shortcuts (Ctrl+V pastes).
    // Alt and Meta do type, and are filtered like any other key.
    if (key->modifiers() & Qt::ControlModifier) return false;
    if (!editorKeyPress(key->text())) return true;
  } else if (event->type() == QEvent::InputMethod) {
    auto* input = static_cast<QInputMethodEvent*>(event);
    if (!editorKeyPress(input->commitString()))
      input->setCommitString(QString(), input->replacementStart(), input->replacementLength());
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmProperties::keyPressEvent(QKeyEvent* event) {
  if (!HandleDialogKey(this, event) && !PageKey(event)) QDialog::keyPressEvent(event);
}

void TfrmProperties::setVisible(bool visible) {
  if (visible) CreateControls();
  if (visible && !isVisible()) {
    // Centred on the size it is shown at: grown with a larger font, not the designed one.
    ensurePolished();
    if (layout()) layout()->activate();
    if (QScreen* desktop = QGuiApplication::primaryScreen()) {
      const QRect area = desktop->availableGeometry();
      const QSize outer = frameGeometry().size();
      move(area.x() + (area.width() - outer.width()) / 2,
           area.y() + (area.height() - outer.height()) / 2);
    }
  }
  QDialog::setVisible(visible);
}
