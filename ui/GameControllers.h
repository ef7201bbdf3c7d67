#pragma once
// Game controllers and arcade sticks, read through SDL, stand in for the keyboard: each move
// becomes the key it means, sent to the focus of whichever of the program's windows is active
// (in the main window, to the game list).
// A controller that SDL's database knows uses its standard layout; any other joystick uses its
// first two axes or its first hat as the stick and its first button to play.
//
//   D-pad, left stick, a plain stick or hat   arrow keys (held: repeated)
//   A; a plain joystick's first button        Return
//   Start, Guide                              the menu bar, as F10 (closes an open menu)
//   B                                         Escape
//   Back (Select)                             the Menu key
//   left / right shoulder                     the previous / next folder
//
// In a dialog, up and down are Shift+Tab and Tab; left and right choose in a drop-down list; A
// presses the focused button or ticks the focused check box (Space); Start is A; the shoulders
// turn the pages.
// While none of the program's windows is active, input is ignored, so a game played with the
// same controller never moves the list.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAbstractItemView;
class QMainWindow;
class QWidget;
union SDL_Event;

// What the controllers steer in the main window.
class IControllerTarget {
 public:
  virtual QMainWindow& Window() = 0;
  // The game view on show, which takes the directions.
  virtual QAbstractItemView* GameView() const = 0;
  // Selects the folder `step` places from the selected one, as a click on it would.
  virtual void SelectNeighbourFolder(int step) = 0;

 protected:
  ~IControllerTarget() = default;
};

class TGameControllers : public QObject {
  Q_OBJECT
 public:
  using TClock = std::chrono::steady_clock;
  using TNow = std::function<TClock::time_point()>;

  // A held direction repeats after kRepeatDelay, then every kRepeatInterval.
  static constexpr std::chrono::milliseconds kRepeatDelay{400};
  static constexpr std::chrono::milliseconds kRepeatInterval{80};
  // SDL is read this often while a device is attached and a window of the program is active;
  // otherwise only often enough to notice a device being plugged in.
  static constexpr int kBusyPollMs = 10;
  static constexpr int kIdlePollMs = 250;

  // In `window` the controllers drive the game list, and the shoulder buttons its folders.
  explicit TGameControllers(IControllerTarget& window, QObject* parent = nullptr);
  ~TGameControllers() override;

  // Starts SDL, on a thread, once `window` has been painted for the first time, so start-up
  // does not wait for the library or the device scan.
  void StartAfterFirstPaint(QWidget& window);
  // Starts SDL's controller support now, unless it runs already, and polls it from then on;
  // false when SDL cannot be loaded or started.
  bool Start();
  bool Started() const { return FStarted; }

  // Start-up threads still running in the process, those of controllers that are gone included:
  // they are never waited for. Tests wait here (true when none is left within `limit`).
  static int StartersRunning();
  static bool WaitForStarters(std::chrono::milliseconds limit);

  // Takes in what SDL has queued (devices, buttons, axes), then repeats a held direction when it
  // is due. The poll timer runs it; tests call it directly.
  void Poll();

  int DeviceCount() const;
  int PollInterval() const { return FTimer.interval(); }
  void SetClock(TNow now);  // nullptr: the steady clock

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum TInput : uint8_t {
    Up,
    Down,
    Left,
    Right,
    Play,
    Cancel,
    Menu,
    PrevFolder,
    NextFolder,
    MenuBar
  };
  struct TDevice;
  struct TStarter;

  static bool StartSdl();  // on any thread
  void Handle(const SDL_Event& event);
  void Open(int deviceIndex);
  void Close(int32_t instance);
  TDevice* Find(int32_t instance);
  void Update();
  void Press(TInput input);
  QWidget* KeysTarget();
  void Repeat();
  void Schedule();

  IControllerTarget& FTarget;
  QMainWindow& FWindow;
  QTimer FTimer;
  TNow FNow;
  std::shared_ptr<TStarter> FStarter;  // shared with the start-up thread, which may outlive this
  bool FStarting = false;              // SDL is being started on that thread
  bool FSdlUp = false;                 // SDL loaded and started
  bool FStarted = false;               // and polled
  std::vector<TDevice> FDevices;
  uint32_t FHeld = 0;   // one bit per TInput, over all devices
  int FRepeating = -1;  // the direction that repeats, or -1
  TClock::time_point FNextRepeat;
};
