// The main window over a folder, driven by a virtual game controller, for trying the controller
// support by hand on a real display where no controller is plugged in. The window, its dialogs
// and the controllers start as in the program; the virtual device is plugged in once SDL has
// started. Commands come on the standard input, one a line:
//   press <button> | release <button> | tap <button>   a, b, back, start, lb, rb, up, down, left,
//                                                       right (a plain joystick: fire, button2)
//   axis <n> <value>         an axis, -32768 to 32767 (the left stick: 0 across, 1 up and down)
//   unplug | plug            the device goes and comes back
//   focus                    prints which widget the keys go to
// Games are not started: each start is printed instead.
//   ludra-virtual-pad <folder> [--stick]
#include <SDL.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "launch/Launcher.h"
#include "launch/Shell.h"
#include "ui/GameControllers.h"
#include "ui/Pictures.h"
#include "ui/UAbout.h"
#include "ui/UProperties.h"
#include "ui/UTavi.h"

namespace {
class TPrintingShell : public IShell {
 public:
  void Open(const std::string& program, const std::string& parameters) override {
    std::printf("start: %s %s\n", program.c_str(), parameters.c_str());
    std::fflush(stdout);
  }
};

class TVirtualPad {
 public:
  explicit TVirtualPad(bool stick) : FStick(stick) {}
  ~TVirtualPad() { Unplug(); }

  void Plug() {
    if (FHandle) return;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = FStick ? SDL_JOYSTICK_TYPE_ARCADE_STICK : SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = FStick ? 2 : SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = FStick ? 4 : SDL_CONTROLLER_BUTTON_MAX;
    desc.nhats = FStick ? 1 : 0;
    desc.name = FStick ? "virtual arcade stick" : "virtual controller";
    FHandle = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
    if (FHandle) FInstance = SDL_JoystickInstanceID(FHandle);
  }
  void Unplug() {
    if (!FHandle) return;
    SDL_JoystickClose(FHandle);
    FHandle = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == FInstance) SDL_JoystickDetachVirtual(i);
  }
  bool Set(const std::string& name, bool down) {
    if (!FHandle) return false;
    if (FStick) {
      static const std::map<std::string, Uint8> kHat = {{"up", SDL_HAT_UP},
                                                        {"down", SDL_HAT_DOWN},
                                                        {"left", SDL_HAT_LEFT},
                                                        {"right", SDL_HAT_RIGHT}};
      if (const auto hat = kHat.find(name); hat != kHat.end())
        return SDL_JoystickSetVirtualHat(FHandle, 0, down ? hat->second : SDL_HAT_CENTERED) == 0;
      if (name == "fire" || name == "button2")
        return SDL_JoystickSetVirtualButton(FHandle, name == "fire" ? 0 : 1, down) == 0;
      return false;
    }
    static const std::map<std::string, int> kButtons = {
        {"a", SDL_CONTROLLER_BUTTON_A},
        {"b", SDL_CONTROLLER_BUTTON_B},
        {"back", SDL_CONTROLLER_BUTTON_BACK},
        {"start", SDL_CONTROLLER_BUTTON_START},
        {"lb", SDL_CONTROLLER_BUTTON_LEFTSHOULDER},
        {"rb", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
        {"up", SDL_CONTROLLER_BUTTON_DPAD_UP},
        {"down", SDL_CONTROLLER_BUTTON_DPAD_DOWN},
        {"left", SDL_CONTROLLER_BUTTON_DPAD_LEFT},
        {"right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT}};
    const auto button = kButtons.find(name);
    return button != kButtons.end() &&
           SDL_JoystickSetVirtualButton(FHandle, button->second, down) == 0;
  }
  bool Axis(int axis, int value) {
    return FHandle && SDL_JoystickSetVirtualAxis(FHandle, axis, static_cast<Sint16>(value)) == 0;
  }

 private:
  bool FStick;
  SDL_Joystick* FHandle = nullptr;
  SDL_JoystickID FInstance = -1;
};

const char* const kCommands =
    "commands, one a line:\n"
    "  press <button> | release <button> | tap <button>\n"
    "      a, b, back, start, lb, rb, up, down, left, right (--stick: fire, button2, up, down,\n"
    "      left, right)\n"
    "  axis <n> <value>   an axis, -32768 to 32767 (0 across, 1 up and down)\n"
    "  unplug | plug      the device goes and comes back\n"
    "  focus              which widget the keys go to\n"
    "  quit\n";

void Run(TVirtualPad& pad, const std::string& line) {
  std::istringstream in(line);
  std::string command, name;
  in >> command >> name;
  bool ok = true;
  if (command == "press" || command == "release") {
    ok = pad.Set(name, command == "press");
  } else if (command == "tap") {
    ok = pad.Set(name, true);
    QTimer::singleShot(60, [&pad, name] { pad.Set(name, false); });
  } else if (command == "axis") {
    int value = 0;
    in >> value;
    ok = pad.Axis(std::atoi(name.c_str()), value);
  } else if (command == "plug") {
    pad.Plug();
  } else if (command == "unplug") {
    pad.Unplug();
  } else if (command == "focus") {
    const QWidget* focus = QApplication::focusWidget();
    std::printf("focus: %s %s, popup: %s, active window: %s\n",
                focus ? focus->metaObject()->className() : "none",
                focus ? qPrintable(focus->objectName()) : "",
                QApplication::activePopupWidget() ? "open" : "none",
                QApplication::activeWindow()
                    ? qPrintable(QApplication::activeWindow()->windowTitle())
                    : "none");
  } else if (!command.empty()) {
    // Not a command at all: what the commands are.
    std::printf("unknown command: %s\n%s", line.c_str(), kCommands);
  }
  if (!ok) std::printf("not done: %s\n", line.c_str());
  std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
  // Before the application, which needs a display.
  if (argc < 2 || (argc == 3 && std::strcmp(argv[2], "--stick") != 0) || argc > 3) {
    std::fprintf(stderr, "usage: ludra-virtual-pad <folder> [--stick]\n%s", kCommands);
    return 2;
  }
  QApplication app(argc, argv);
  QTemporaryDir exeDir;  // a list file of its own, so the folder's settings stay as they are
  TPaths paths;
  paths.ExeDir = exeDir.path().toStdString() + "/";
  paths.WorkDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath().toStdString() + "/";

  TPrintingShell shell;
  TLauncher launcher(paths, shell);
  TfrmMain window(paths, launcher);
  window.SetDialogs(new TfrmProperties(launcher, &window),
                    new TfrmAbout(Pictures::Logo(), &window));
  TGameControllers controllers(window);
  controllers.StartAfterFirstPaint(window);
  TVirtualPad pad(argc == 3);
  // Plugged in once SDL runs: the controllers poll it at least four times a second.
  QTimer plug;
  QObject::connect(&plug, &QTimer::timeout, [&] {
    if (!controllers.Started()) return;
    plug.stop();
    pad.Plug();
    std::printf("plugged in\n");
    std::fflush(stdout);
  });
  plug.start(50);

  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  std::string pending;
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[512];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      input.setEnabled(false);
      return;
    }
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line == "quit") return QApplication::quit();
      Run(pad, line);
    }
  });

  window.show();
  window.activateWindow();
  return QApplication::exec();
}
