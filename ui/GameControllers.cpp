#include "ui/GameControllers.h"

#include <SDL.h>
#include <dlfcn.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include "ui/DetachedThreads.h"

namespace {
// SDL is loaded when the controllers start, not with the program: Debian's library brings some
// forty others along (sound, Wayland, X). Loaded before the window, it made the start-up to the
// first painted window far slower (`ludra-bench-window --startup` measures it against the
// one-label window; docs/conventions.md). Only the functions below are used; the library stays
// loaded to the end of the process.
struct TSdl {
  decltype(&SDL_SetHint) SetHint = nullptr;
  decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
  decltype(&SDL_Quit) Quit = nullptr;
  decltype(&SDL_PumpEvents) PumpEvents = nullptr;
  decltype(&SDL_PeepEvents) PeepEvents = nullptr;
  decltype(&SDL_JoystickGetDeviceInstanceID) JoystickGetDeviceInstanceID = nullptr;
  decltype(&SDL_IsGameController) IsGameController = nullptr;
  decltype(&SDL_GameControllerOpen) GameControllerOpen = nullptr;
  decltype(&SDL_GameControllerClose) GameControllerClose = nullptr;
  decltype(&SDL_JoystickOpen) JoystickOpen = nullptr;
  decltype(&SDL_JoystickClose) JoystickClose = nullptr;
  decltype(&SDL_TLSCleanup) TLSCleanup = nullptr;

  bool Load() {
    if (Quit) return true;
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
    const bool found =
        Find(library, "SDL_SetHint", SetHint) &&
        Find(library, "SDL_InitSubSystem", InitSubSystem) &&
        Find(library, "SDL_PumpEvents", PumpEvents) &&
        Find(library, "SDL_PeepEvents", PeepEvents) &&
        Find(library, "SDL_JoystickGetDeviceInstanceID", JoystickGetDeviceInstanceID) &&
        Find(library, "SDL_IsGameController", IsGameController) &&
        Find(library, "SDL_GameControllerOpen", GameControllerOpen) &&
        Find(library, "SDL_GameControllerClose", GameControllerClose) &&
        Find(library, "SDL_JoystickOpen", JoystickOpen) &&
        Find(library, "SDL_JoystickClose", JoystickClose) &&
        Find(library, "SDL_TLSCleanup", TLSCleanup) && Find(library, "SDL_Quit", Quit);
    if (!found) Quit = nullptr;
    return found;
  }

  template <class F>
  static bool Find(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
  }
};
TSdl gSdl;
TDetachedThreads gStarters;

// A stick direction counts from half its travel and lets go a little nearer the centre, so a
// stick held about half-way does not flicker between held and released.
constexpr int kStickPress = 16384;
constexpr int kStickRelease = 12288;

constexpr int kArrowKeys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right};

// The key a direction (an index into kArrowKeys) stands for. In a dialog, up and down are Shift+Tab
// and Tab: there the arrows only change a value or a page, and a controller, which has no Tab,
// could reach neither OK nor Cancel of the properties dialog, which Escape does not close.
// Left and right, on a drop-down list of a dialog, choose its previous and next item.
int DirectionKey(int direction) {
  if (!QApplication::activePopupWidget() && qobject_cast<QDialog*>(QApplication::activeWindow())) {
    if (direction == 0 || direction == 1) return direction == 0 ? Qt::Key_Backtab : Qt::Key_Tab;
    if (qobject_cast<QComboBox*>(QApplication::focusWidget()))
      return direction == 2 ? Qt::Key_Up : Qt::Key_Down;
  }
  return kArrowKeys[direction];
}

// A in a dialog: Space on the focused button or check box (Return ticks no check box), Return
// anywhere else.
int PlayKey() {
  if (!QApplication::activePopupWidget() && qobject_cast<QDialog*>(QApplication::activeWindow()) &&
      qobject_cast<QAbstractButton*>(QApplication::focusWidget()))
    return Qt::Key_Space;
  return Qt::Key_Return;
}

// LB and RB in a dialog: its previous or next page, with the focus on the page's first control.
void SwitchPage(QWidget* dialog, int step) {
  auto* pages = dialog ? dialog->findChild<QTabWidget*>() : nullptr;
  if (!pages) return;
  const int index = pages->currentIndex() + step;
  if (index < 0 || index >= pages->count()) return;
  pages->setCurrentIndex(index);
  QWidget* page = pages->currentWidget();
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisible()) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

constexpr uint32_t Bit(int input) {
  return uint32_t{1} << input;
}

bool ProgramActive() {
  return QApplication::activeWindow() || QApplication::activePopupWidget();
}

void PostKey(QWidget* target, int key, bool autoRepeat) {
  if (!target) return;
  const Qt::KeyboardModifiers modifiers =
      key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier;
  QString text;
  if (key == Qt::Key_Return) text = QStringLiteral("\r");
  if (key == Qt::Key_Space) text = QStringLiteral(" ");
  if (key == Qt::Key_Escape) text = QString(QChar(0x1b));
  // Posted, not sent: a key that opens a modal dialog runs the dialog's event loop, and the
  // controllers must be read from there too.
  QCoreApplication::postEvent(target,
                              new QKeyEvent(QEvent::KeyPress, key, modifiers, text, autoRepeat));
  QCoreApplication::postEvent(target,
                              new QKeyEvent(QEvent::KeyRelease, key, modifiers, text, autoRepeat));
}

// The Menu key's context menu, as the platform makes it: for the focus, at its text cursor (an
// item view's current item).
void PostContextMenu(QWidget* target) {
  if (!target || !target->isEnabled()) return;
  const QPoint pos = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QCoreApplication::postEvent(
      target, new QContextMenuEvent(QContextMenuEvent::Keyboard, pos, target->mapToGlobal(pos)));
}
}  // namespace

struct TGameControllers::TDevice {
  int32_t Instance = -1;
  SDL_GameController* Pad = nullptr;  // known to SDL's controller database
  SDL_Joystick* Stick = nullptr;      // any other joystick
  uint32_t Buttons = 0;               // a controller's, one bit per SDL_GameControllerButton
  uint8_t Hat = SDL_HAT_CENTERED;     // a plain joystick's first hat
  bool Fire = false;                  // a plain joystick's first button
  uint32_t StickDirections = 0;       // the stick's directions past half travel

  void SetAxis(int axis, int value) {
    const uint32_t negative = Bit(axis == 0 ? Left : Up);
    const uint32_t positive = Bit(axis == 0 ? Right : Down);
    const bool wasNegative = StickDirections & negative, wasPositive = StickDirections & positive;
    StickDirections &= ~(negative | positive);
    if (value <= -(wasNegative ? kStickRelease : kStickPress))
      StickDirections |= negative;
    else if (value >= (wasPositive ? kStickRelease : kStickPress))
      StickDirections |= positive;
  }

  uint32_t Inputs() const {
    uint32_t inputs = StickDirections;
    if (Pad) {
      static constexpr std::pair<SDL_GameControllerButton, TInput> kLayout[] = {
          {SDL_CONTROLLER_BUTTON_DPAD_UP, Up},
          {SDL_CONTROLLER_BUTTON_DPAD_DOWN, Down},
          {SDL_CONTROLLER_BUTTON_DPAD_LEFT, Left},
          {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, Right},
          {SDL_CONTROLLER_BUTTON_A, Play},
          {SDL_CONTROLLER_BUTTON_START, MenuBar},
          {SDL_CONTROLLER_BUTTON_GUIDE, MenuBar},
          {SDL_CONTROLLER_BUTTON_B, Cancel},
          {SDL_CONTROLLER_BUTTON_BACK, Menu},
          {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PrevFolder},
          {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, NextFolder},
      };
      for (const auto& [button, input] : kLayout)
        if (Buttons & Bit(button)) inputs |= Bit(input);
    } else {
      if (Hat & SDL_HAT_UP) inputs |= Bit(Up);
      if (Hat & SDL_HAT_DOWN) inputs |= Bit(Down);
      if (Hat & SDL_HAT_LEFT) inputs |= Bit(Left);
      if (Hat & SDL_HAT_RIGHT) inputs |= Bit(Right);
      if (Fire) inputs |= Bit(Play);
    }
    return inputs;
  }
};

struct TGameControllers::TStarter {
  explicit TStarter(TGameControllers* owner) : Owner(owner) {}
  TGameControllers* Owner;  // nullptr once the controllers are gone
  std::mutex Lock;
};

int TGameControllers::StartersRunning() {
  return gStarters.Running();
}

bool TGameControllers::WaitForStarters(std::chrono::milliseconds limit) {
  return gStarters.WaitForNone(limit);
}

TGameControllers::TGameControllers(IControllerTarget& window, QObject* parent)
    : QObject(parent),
      FTarget(window),
      FWindow(window.Window()),
      FNow(&TClock::now),
      FStarter(std::make_shared<TStarter>(this)) {
  FTimer.setInterval(kIdlePollMs);
  connect(&FTimer, &QTimer::timeout, this, &TGameControllers::Poll);
  // Back in front, the controllers are read at the quick pace at once, not after an idle poll.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] {
    if (FStarted) Schedule();
  });
}

TGameControllers::~TGameControllers() {
  {
    // A start-up still under way is not waited for: SDL's scan of the devices can hang in a
    // driver, and the program's end must not. It finds nobody to tell.
    const std::lock_guard lock(FStarter->Lock);
    FStarter->Owner = nullptr;
  }
  for (TDevice& device : FDevices) {
    if (device.Pad) gSdl.GameControllerClose(device.Pad);
    if (device.Stick) gSdl.JoystickClose(device.Stick);
  }
  if (FSdlUp) gSdl.Quit();
}

void TGameControllers::SetClock(TNow now) {
  FNow = now ? std::move(now) : TNow(&TClock::now);
}

void TGameControllers::StartAfterFirstPaint(QWidget& window) {
  window.installEventFilter(this);
}

// Loading SDL and its scan for devices take some milliseconds, which a thread of their own keeps
// from the window's first moments.
bool TGameControllers::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint) {
    watched->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] {
      if (FStarted || FStarting) return;
      FStarting = true;
      gStarters.Started();
      try {
        std::thread([starter = FStarter] {
          const bool up = StartSdl();
          // What SDL keeps for this thread (its error text) goes with it, as SDL's own threads do.
          if (gSdl.Quit) gSdl.TLSCleanup();
          {
            const std::lock_guard lock(starter->Lock);
            if (TGameControllers* const owner = starter->Owner) {
              try {
                QMetaObject::invokeMethod(
                    owner,
                    [owner, up] {
                      owner->FStarting = false;
                      owner->FSdlUp = up;
                      owner->Start();
                    },
                    Qt::QueuedConnection);
              } catch (...) {
                // No memory for the message: the program goes on without controllers.
              }
            }
          }
          gStarters.Ended();
        }).detach();
      } catch (...) {
        FStarting = false;  // no thread to be had: no controllers either
        gStarters.Ended();
      }
    });
  }
  return QObject::eventFilter(watched, event);
}

bool TGameControllers::StartSdl() {
  if (!gSdl.Load()) return false;
  // SDL has no window here to be in front or behind: whether input counts is decided above, by
  // the program's own active window. Qt handles the signals. The controllers are only read,
  // through the system's input devices: SDL's own drivers would talk to some controllers
  // directly (report modes, lights) while the emulator uses them too. The environment may
  // still say otherwise, as in any SDL program.
  gSdl.SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  gSdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  gSdl.SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
  return gSdl.InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

bool TGameControllers::Start() {
  if (FStarting) return false;  // the start-up under way calls this when it is done
  if (!FSdlUp) FSdlUp = StartSdl();
  if (!FSdlUp) return false;
  if (FStarted) return true;
  FStarted = true;
  Poll();  // the devices attached already
  FTimer.start();
  return true;
}

void TGameControllers::Poll() {
  if (!FStarted) return;
  gSdl.PumpEvents();
  SDL_Event events[32];
  int n;
  while ((n = gSdl.PeepEvents(events, 32, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0)
    for (int i = 0; i < n; ++i) Handle(events[i]);
  Repeat();
  Schedule();
}

// SDL reports a known controller twice, as a controller and as the joystick under it; a
// controller's joystick events are left alone.
void TGameControllers::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_JOYDEVICEADDED:
      Open(event.jdevice.which);
      return;
    case SDL_JOYDEVICEREMOVED:
      Close(event.jdevice.which);
      return;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (TDevice* d = Find(event.cbutton.which); d && d->Pad && event.cbutton.button < 32) {
        const uint32_t bit = Bit(event.cbutton.button);
        d->Buttons = event.cbutton.state ? d->Buttons | bit : d->Buttons & ~bit;
      }
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (TDevice* d = Find(event.caxis.which); d && d->Pad &&
                                                (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ||
                                                 event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY))
        d->SetAxis(event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ? 0 : 1, event.caxis.value);
      break;
    case SDL_JOYAXISMOTION:
      if (TDevice* d = Find(event.jaxis.which); d && d->Stick && event.jaxis.axis < 2)
        d->SetAxis(event.jaxis.axis, event.jaxis.value);
      break;
    case SDL_JOYHATMOTION:
      if (TDevice* d = Find(event.jhat.which); d && d->Stick && event.jhat.hat == 0)
        d->Hat = event.jhat.value;
      break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
      if (TDevice* d = Find(event.jbutton.which); d && d->Stick && event.jbutton.button == 0)
        d->Fire = event.jbutton.state;
      break;
    default:
      return;
  }
  Update();
}

void TGameControllers::Open(int deviceIndex) {
  const SDL_JoystickID instance = gSdl.JoystickGetDeviceInstanceID(deviceIndex);
  if (instance < 0 || Find(instance)) return;
  TDevice device;
  device.Instance = instance;
  if (gSdl.IsGameController(deviceIndex)) device.Pad = gSdl.GameControllerOpen(deviceIndex);
  if (!device.Pad) device.Stick = gSdl.JoystickOpen(deviceIndex);
  if (!device.Pad && !device.Stick) return;
  FDevices.push_back(device);
}

void TGameControllers::Close(int32_t instance) {
  const auto at = std::find_if(FDevices.begin(), FDevices.end(),
                               [&](const TDevice& d) { return d.Instance == instance; });
  if (at == FDevices.end()) return;
  if (at->Pad) gSdl.GameControllerClose(at->Pad);
  if (at->Stick) gSdl.JoystickClose(at->Stick);
  FDevices.erase(at);
  Update();  // what it held is let go
}

int TGameControllers::DeviceCount() const {
  return static_cast<int>(FDevices.size());
}

TGameControllers::TDevice* TGameControllers::Find(int32_t instance) {
  for (TDevice& device : FDevices)
    if (device.Instance == instance) return &device;
  return nullptr;
}

// A move counts when it starts; one that starts while another program is in front is ignored,
// also once the program is back in front and it is still held.
void TGameControllers::Update() {
  uint32_t held = 0;
  for (const TDevice& device : FDevices) held |= device.Inputs();
  const uint32_t pressed = held & ~FHeld;
  FHeld = held;
  if (FRepeating >= 0 && !(held & Bit(FRepeating))) FRepeating = -1;
  if (!pressed || !ProgramActive()) return;
  for (int input = Up; input <= MenuBar; ++input)
    if (pressed & Bit(input)) Press(static_cast<TInput>(input));
}

void TGameControllers::Press(TInput input) {
  FRepeating = -1;  // as on a keyboard, a new key ends the repeat of the one held before
  switch (input) {
    case Up:
    case Down:
    case Left:
    case Right:
      PostKey(KeysTarget(), DirectionKey(input), false);
      FRepeating = input;
      FNextRepeat = FNow() + kRepeatDelay;
      return;
    case Play:
      PostKey(KeysTarget(), PlayKey(), false);
      return;
    case MenuBar: {
      // In the main window, as F10: the menu bar opens on its first menu, or a menu open closes.
      // Elsewhere (a dialog has no menu bar) Start is A.
      if (QApplication::activeWindow() != &FWindow) return Press(Play);
      if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        return;
      }
      QMenuBar* bar = FWindow.menuBar();
      if (!bar->actions().isEmpty())
        QMetaObject::invokeMethod(
            bar, [bar] { bar->setActiveAction(bar->actions().constFirst()); },
            Qt::QueuedConnection);
      return;
    }
    case Cancel:
      PostKey(KeysTarget(), Qt::Key_Escape, false);
      return;
    case Menu:
      PostKey(KeysTarget(), Qt::Key_Menu, false);
      PostContextMenu(KeysTarget());
      return;
    case PrevFolder:
    case NextFolder: {
      const int step = input == PrevFolder ? -1 : 1;
      if (QApplication::activePopupWidget()) return;
      // In a dialog, its pages; the folders only in the main window itself.
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeWindow())) {
        QMetaObject::invokeMethod(
            dialog, [dialog, step] { SwitchPage(dialog, step); }, Qt::QueuedConnection);
        return;
      }
      if (QApplication::activeWindow() != &FWindow) return;
      QMetaObject::invokeMethod(
          this, [this, step] { FTarget.SelectNeighbourFolder(step); }, Qt::QueuedConnection);
      return;
    }
  }
}

// Where the keyboard's keys would go: an open popup menu, else the active window's focus. In the
// main window that is the game list, whose focus a controller takes as a click on it would: the
// folders are the shoulders' part, and the tree, which holds the focus at start, would otherwise
// take the directions with no button that leaves it.
QWidget* TGameControllers::KeysTarget() {
  if (QWidget* popup = QApplication::activePopupWidget())
    return popup->focusWidget() ? popup->focusWidget() : popup;
  QWidget* active = QApplication::activeWindow();
  if (active == &FWindow) {
    QAbstractItemView* list = FTarget.GameView();
    if (!list->hasFocus()) list->setFocus(Qt::OtherFocusReason);
    return list;
  }
  if (QWidget* focus = QApplication::focusWidget()) return focus;
  return active;
}

void TGameControllers::Repeat() {
  if (FRepeating < 0) return;
  if (!ProgramActive()) {
    FRepeating = -1;
    return;
  }
  const TClock::time_point now = FNow();
  if (now < FNextRepeat) return;
  PostKey(KeysTarget(), DirectionKey(FRepeating), true);
  // After a stall the repeat goes on at its pace instead of catching up in a burst.
  FNextRepeat += kRepeatInterval;
  if (FNextRepeat <= now) FNextRepeat = now + kRepeatInterval;
}

void TGameControllers::Schedule() {
  const int interval = !FDevices.empty() && ProgramActive() ? kBusyPollMs : kIdlePollMs;
  if (FTimer.interval() != interval) FTimer.setInterval(interval);
}
