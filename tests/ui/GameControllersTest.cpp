// Gamepads and arcade sticks drive the window: SDL's virtual devices stand in for them, and a
// clock of the test's own times the repeat.
#include <SDL.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "tests/ui/MainWindowFixture.h"
#include "ui/FolderTree.h"
#include "ui/GameControllers.h"
#include "ui/GameViews.h"
#include "ui/Pictures.h"
#include "ui/UAbout.h"
#include "ui/UProperties.h"

using namespace std::chrono_literals;

namespace {
// A device plugged in through SDL's virtual joystick driver: a controller in the standard layout,
// or a plain joystick with two axes, one hat and four buttons.
class TVirtualDevice {
 public:
  explicit TVirtualDevice(bool controller) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = controller ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_ARCADE_STICK;
    desc.naxes = controller ? SDL_CONTROLLER_AXIS_MAX : 2;
    desc.nbuttons = controller ? SDL_CONTROLLER_BUTTON_MAX : 4;
    desc.nhats = controller ? 0 : 1;
    desc.name = controller ? "virtual controller" : "virtual arcade stick";
    FHandle = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
    FInstance = SDL_JoystickInstanceID(FHandle);
  }
  ~TVirtualDevice() { Unplug(); }

  bool Attached() const { return FHandle != nullptr; }
  void Button(int button, bool down) { SDL_JoystickSetVirtualButton(FHandle, button, down); }
  void Axis(int axis, int value) {
    SDL_JoystickSetVirtualAxis(FHandle, axis, static_cast<Sint16>(value));
  }
  void Hat(Uint8 value) { SDL_JoystickSetVirtualHat(FHandle, 0, value); }

  void Unplug() {
    if (!FHandle) return;
    SDL_JoystickClose(FHandle);
    FHandle = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == FInstance) SDL_JoystickDetachVirtual(i);
  }

 private:
  SDL_Joystick* FHandle = nullptr;
  SDL_JoystickID FInstance = -1;
};

// The default catalogue in an active window, the folder tree holding the focus as at start, and
// the controllers started.
struct TControllerFixture : TMainWindowFixture {
  TGameControllers::TClock::time_point Now = TGameControllers::TClock::now();
  std::unique_ptr<TGameControllers> Pads;

  TControllerFixture() {
    EXPECT_TRUE(ShowActive());
    Find<TFolderTree>("tvFolder")->setFocus();
    Pads = std::make_unique<TGameControllers>(Main());
    Pads->SetClock([this] { return Now; });
    EXPECT_TRUE(Pads->Start());
  }

  // One poll of the controllers, and what it posted delivered.
  void Step(std::chrono::milliseconds later = 0ms) {
    Now += later;
    Pads->Poll();
    QApplication::processEvents();
  }
  // A button pressed and let go.
  void Click(TVirtualDevice& device, int button) {
    device.Button(button, true);
    Step();
    device.Button(button, false);
    Step();
  }
  int SelectedRow() { return Find<TGameViews>("lvGames")->SelectedRow(); }
  std::string Folder() {
    const QTreeWidgetItem* node = Find<TFolderTree>("tvFolder")->SelectedFolder();
    return node ? node->text(0).toStdString() : std::string();
  }
};
}  // namespace

// ---- The mapping ----

TEST(GameControllers, ControllerDownTwiceThenAPlaysTheSecondGame) {
  TControllerFixture f;
  TVirtualDevice pad(true);
  ASSERT_TRUE(pad.Attached());
  f.Step();
  ASSERT_EQ(f.Pads->DeviceCount(), 1);
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  // The list takes the focus from the tree, and the first Down selects the first game, as the
  // key does.
  EXPECT_TRUE(f.Find<TGameViews>("lvGames")->CurrentView()->hasFocus());
  EXPECT_EQ(f.Folder(), "");
  EXPECT_EQ(f.SelectedRow(), 0);
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  EXPECT_EQ(f.SelectedRow(), 1);
  EXPECT_TRUE(f.Shell.Calls.empty());
  f.Click(pad, SDL_CONTROLLER_BUTTON_A);
  EXPECT_EQ(f.Shell.LastNumber(), 2);
  // The left stick past half its travel is Up.
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -20000);
  f.Step();
  EXPECT_EQ(f.SelectedRow(), 0);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, -8000);
  f.Step();
  f.Click(pad, SDL_CONTROLLER_BUTTON_A);
  EXPECT_EQ(f.Shell.Calls.size(), 2u);
  EXPECT_EQ(f.Shell.LastNumber(), 1);
}

// Start opens the menu bar as F10 does, so every command is in reach: Help > About here.
TEST(GameControllers, StartOpensTheMenuBarWhereHelpAboutIsReached) {
  TControllerFixture f;
  auto* about = new TfrmAbout(Pictures::Logo(), &f.Main());
  f.Main().SetDialogs(nullptr, about);
  TVirtualDevice pad(true);
  f.Step();
  f.Click(pad, SDL_CONTROLLER_BUTTON_START);
  f.Step();
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(f.Main().menuBar()->activeAction(), f.Main().menuBar()->actions().value(0));
  for (int i = 0; i < 3; ++i) f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
  ASSERT_EQ(f.Main().menuBar()->activeAction(), f.Main().menuBar()->actions().value(3));
  bool shown = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QApplication::activeModalWidget() != about) return;
    shown = true;
    about->reject();
  });
  poll.start(20);
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);  // onto "&About"
  f.Click(pad, SDL_CONTROLLER_BUTTON_A);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(f.Shell.Calls.empty());
}

TEST(GameControllers, PlainJoystickUsesItsStickHatAndFirstButton) {
  TControllerFixture f;
  TVirtualDevice stick(false);
  ASSERT_TRUE(stick.Attached());
  f.Step();
  stick.Axis(1, 32767);  // down, past half its travel
  f.Step();
  stick.Axis(1, 0);
  f.Step();
  stick.Hat(SDL_HAT_DOWN);
  f.Step();
  stick.Hat(SDL_HAT_CENTERED);
  f.Step();
  stick.Axis(1, 12000);  // not yet half
  f.Step();
  EXPECT_EQ(f.SelectedRow(), 1);
  f.Click(stick, 1);  // only the first button plays
  EXPECT_TRUE(f.Shell.Calls.empty());
  f.Click(stick, 0);
  EXPECT_EQ(f.Shell.LastNumber(), 2);
}

TEST(GameControllers, HeldDirectionRepeatsAfter400msEvery80msUntilLetGo) {
  TControllerFixture f;
  TVirtualDevice pad(true);
  f.Step();
  pad.Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
  f.Step();
  EXPECT_EQ(f.SelectedRow(), 0);
  f.Step(399ms);
  EXPECT_EQ(f.SelectedRow(), 0);
  f.Step(1ms);
  EXPECT_EQ(f.SelectedRow(), 1);
  f.Step(79ms);
  EXPECT_EQ(f.SelectedRow(), 1);
  f.Step(1ms);
  EXPECT_EQ(f.SelectedRow(), 2);
  f.Step(80ms);
  EXPECT_EQ(f.SelectedRow(), 3);
  pad.Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
  f.Step();
  f.Step(1s);
  EXPECT_EQ(f.SelectedRow(), 3);
}

TEST(GameControllers, ShouldersSelectThePreviousAndNextFolderWithItsList) {
  TControllerFixture f;
  TVirtualDevice pad(true);
  f.Step();
  f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);  // nothing selected: the first folder
  EXPECT_EQ(f.Folder(), "All Games");
  EXPECT_EQ(f.Panel(2), "25 Games");
  f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
  EXPECT_EQ(f.Folder(), "Available");
  EXPECT_EQ(f.Panel(2), "0 Games");
  f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
  f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);  // into the collapsed heading
  EXPECT_EQ(f.Folder(), "Arika / Capcom");
  EXPECT_EQ(f.Main().ListedCount(), 6);
  EXPECT_EQ(f.Panel(2), "6 Games");
  f.Click(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
  EXPECT_EQ(f.Folder(), "Company");
  f.Click(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
  f.Click(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
  f.Click(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);  // no further than the first
  EXPECT_EQ(f.Folder(), "All Games");
  EXPECT_EQ(f.Panel(2), "25 Games");
}

TEST(GameControllers, BackOpensTheGamesMenuWhereTheDpadAndAChoose) {
  TControllerFixture f;
  f.List(GameSection(1, "Here", "A", "1996", "here.zip", "") +
         GameSection(2, "Gone", "A", "1996", "gone.zip", ""));
  f.Zip("here.zip", {"x"});
  f.AuditAll();
  TVirtualDevice pad(true);
  f.Step();
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  f.Click(pad, SDL_CONTROLLER_BUTTON_BACK);
  ASSERT_TRUE(f.Find<QMenu>("pmGames")->isVisible());
  f.Click(pad, SDL_CONTROLLER_BUTTON_B);  // Escape closes it
  EXPECT_FALSE(f.Find<QMenu>("pmGames")->isVisible());
  f.Click(pad, SDL_CONTROLLER_BUTTON_BACK);
  ASSERT_TRUE(f.Find<QMenu>("pmGames")->isVisible());
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);  // onto "&Play"
  f.Click(pad, SDL_CONTROLLER_BUTTON_A);
  EXPECT_FALSE(f.Find<QMenu>("pmGames")->isVisible());
  EXPECT_EQ(f.Shell.LastNumber(), 1);
}

// ---- Which window listens ----

TEST(GameControllers, InputWhileNoWindowOfTheProgramIsActiveIsIgnored) {
  TControllerFixture f;
  TVirtualDevice pad(true);
  f.Step();
  EXPECT_EQ(f.Pads->PollInterval(), TGameControllers::kBusyPollMs);
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  ASSERT_EQ(f.SelectedRow(), 0);

  QApplication::setActiveWindow(nullptr);  // the emulator in front
  f.Step();
  EXPECT_EQ(f.Pads->PollInterval(), TGameControllers::kIdlePollMs);
  f.Click(pad, SDL_CONTROLLER_BUTTON_A);
  f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
  pad.Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
  f.Step(1s);
  EXPECT_TRUE(f.Shell.Calls.empty());
  EXPECT_EQ(f.Folder(), "");
  EXPECT_EQ(f.SelectedRow(), 0);

  // Back in front, a direction held since then does nothing until pressed anew.
  QApplication::setActiveWindow(&f.Main());
  f.Step(1s);
  EXPECT_EQ(f.SelectedRow(), 0);
  pad.Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false);
  f.Step();
  f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
  EXPECT_EQ(f.SelectedRow(), 1);
}

TEST(GameControllers, TheAboutBoxGetsTheKeysWhileItIsActive) {
  TControllerFixture f;
  auto* about = new TfrmAbout(Pictures::Logo(), &f.Main());
  f.Main().SetDialogs(nullptr, about);
  TVirtualDevice pad(true);
  f.Step();
  bool pressed = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QApplication::activeWindow() != about) return;
    if (pressed) return about->reject();  // A did not reach it: end the test all the same
    pressed = true;
    f.Click(pad, SDL_CONTROLLER_BUTTON_B);  // Escape does not close it
    EXPECT_TRUE(about->isVisible());
    f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);  // the folders are not in front
    f.Click(pad, SDL_CONTROLLER_BUTTON_A);              // Return on its OK button closes it
  });
  poll.start(20);
  f.Trigger("mnuAbout");
  EXPECT_EQ(about->result(), QDialog::Accepted);
  EXPECT_EQ(f.Folder(), "");
}

// Up and down move through its controls, as Shift+Tab and Tab: the arrows would leave a controller
// on the page tabs, and Escape does not close it.
TEST(GameControllers, ThePropertiesDialogIsLeftWithTheDpadAndA) {
  TControllerFixture f;
  f.List(GameSection(1, "Here", "A", "1996", "here.zip", ""));
  f.Zip("here.zip", {"x"});
  f.AuditAll();
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  ASSERT_TRUE(f.SelectGame("Here"));
  TVirtualDevice pad(true);
  f.Step();
  int downs = 0;
  bool backAndForth = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QApplication::activeWindow() != properties) return;
    if (properties->focusWidget() != FindChild<QPushButton>(*properties, "btnOK") && downs < 60) {
      ++downs;
      return f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    }
    f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_UP);
    f.Click(pad, SDL_CONTROLLER_BUTTON_B);
    backAndForth = properties->isVisible() &&
                   properties->focusWidget() != FindChild<QPushButton>(*properties, "btnOK");
    f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    f.Click(pad, SDL_CONTROLLER_BUTTON_A);
    if (properties->isVisible()) properties->reject();  // A missed OK: end the test all the same
  });
  poll.start(20);
  f.Trigger("actProperties");
  EXPECT_LT(downs, 60);
  EXPECT_TRUE(backAndForth);
  EXPECT_EQ(properties->result(), QDialog::Accepted);
}

// A ticks the focused check box, left and right choose in the focused drop-down list, the
// shoulders turn the pages, and OK saves what was chosen.
TEST(GameControllers, ThePropertiesAreEditedWithAShouldersAndLeftRight) {
  TControllerFixture f;
  f.List(GameSection(1, "Here", "A", "1996", "here.zip", ""));
  f.Zip("here.zip", {"x"});
  f.AuditAll();
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  ASSERT_TRUE(f.SelectGame("Here"));
  TVirtualDevice pad(true);
  f.Step();
  bool sawSound = false, sawFiltering = false;
  int filtering = -1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (QApplication::activeWindow() != properties) return;
    poll.stop();
    auto* sound = properties->findChild<QCheckBox*>(QStringLiteral("cbSound"));
    auto* filter = properties->findChild<QComboBox*>(QStringLiteral("cbTFiltering"));
    auto* ok = properties->findChild<QPushButton*>(QStringLiteral("btnOK"));
    auto downTo = [&](QWidget* target) {
      for (int i = 0; i < 40 && properties->focusWidget() != target; ++i)
        f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
      return properties->focusWidget() == target;
    };
    if ((sawSound = downTo(sound))) f.Click(pad, SDL_CONTROLLER_BUTTON_A);
    f.Click(pad, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER);
    filtering = filter->currentIndex();
    if ((sawFiltering = downTo(filter))) f.Click(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    filtering = filter->currentIndex() - filtering;
    if (downTo(ok)) f.Click(pad, SDL_CONTROLLER_BUTTON_A);
    if (properties->isVisible()) properties->reject();  // A missed OK: end the test all the same
  });
  poll.start(20);
  f.Trigger("actProperties");
  EXPECT_TRUE(sawSound);
  EXPECT_TRUE(sawFiltering);
  EXPECT_EQ(filtering, 1);
  EXPECT_EQ(properties->result(), QDialog::Accepted);
  const std::string list = ReadFileBytes(f.Dir / "ludra.ini");
  EXPECT_NE(list.find("\r\nSound=0\r\n"), std::string::npos) << list;
  EXPECT_NE(list.find("\r\nFiltering=1\r\n"), std::string::npos) << list;
}

// ---- Devices coming and going ----

TEST(GameControllers, PluggedInAfterStartAndUnpluggedWhileHeld) {
  TControllerFixture f;
  f.Step();
  EXPECT_EQ(f.Pads->DeviceCount(), 0);
  EXPECT_EQ(f.Pads->PollInterval(), TGameControllers::kIdlePollMs);
  auto stick = std::make_unique<TVirtualDevice>(false);
  f.Step();
  EXPECT_EQ(f.Pads->DeviceCount(), 1);
  stick->Hat(SDL_HAT_DOWN);
  f.Step();
  f.Step(400ms);
  EXPECT_EQ(f.SelectedRow(), 1);
  stick->Unplug();
  f.Step();
  EXPECT_EQ(f.Pads->DeviceCount(), 0);
  f.Step(1s);
  EXPECT_EQ(f.SelectedRow(), 1);
  EXPECT_EQ(f.Pads->PollInterval(), TGameControllers::kIdlePollMs);
}
