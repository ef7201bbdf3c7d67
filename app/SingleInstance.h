#pragma once
// One window per list file: a second start of the window for the same list file hands itself over
// to the window that has it, which comes to the front, and ends. The claim is a lock file in the
// user's runtime folder; the hand-over goes through a local socket beside it.
#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "catalogue/Paths.h"
#include "fileio/FileDescriptor.h"

class QLocalServer;
class QWidget;

// What the desktop gave this start to end its launch feedback with (the busy cursor, the
// "starting" item): X11's startup id, Wayland's activation token. Read before the application
// object, which takes the startup id out of the environment.
struct TLaunchIds {
  QByteArray StartupId;
  QByteArray ActivationToken;
  static TLaunchIds FromEnvironment();
};

class TSingleInstance {
 public:
  enum TOutcome {
    First,       // this start has the list file: the window opens
    HandedOver,  // the window that has it took this start over
    NoAnswer,    // a window has it but did not answer in time
  };
  // For the list file of `paths`, the claim and the socket in `runtimeDir`.
  TSingleInstance(const TPaths& paths, const QString& runtimeDir);
  ~TSingleInstance();

  // Takes the list file when no window has it, else hands this start over, waiting at most
  // `limit` for the other window to answer (it may still be starting). Needs the application.
  TOutcome Claim(const TLaunchIds& ids, std::chrono::milliseconds limit);
  // After First: `activate` is called for each start handed over, with its ids.
  void Listen(std::function<void(const TLaunchIds&)> activate);
  // The process that has the list file, as it wrote itself into the claim (0 when unknown).
  long Holder() const;

 private:
  QString FLock, FSocket;
  TFd FClaim;
  std::unique_ptr<QLocalServer> FServer;
};

// Claims the list file for this start's window: nothing when it is this start's, else the exit
// code: 0 when the window that has it took this start over, 1 when that window does not answer
// within a few seconds (said on stderr and in a message; a second window is not opened over the
// list file of one that may yet come back).
std::optional<int> HandOverToRunningWindow(TSingleInstance& instance, const TLaunchIds& ids);

// Brings `window` to the front for a start handed over: shown, raised and activated, with the
// start's own ids so that the window manager lets it come forward and the desktop's launch
// feedback for that start ends.
void BringToFront(QWidget& window, const TLaunchIds& ids);
