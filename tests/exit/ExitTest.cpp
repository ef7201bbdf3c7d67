// The window's end never waits on a device: not on a ROM share that stopped answering in the
// middle of an audit, nor on a controller driver whose start-up hangs. This suite is not linked
// with SDL: its run path finds a stand-in libSDL2 whose start-up hangs until the test lets it go.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "bench/LatencyMount.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/GameControllers.h"

namespace {
bool WaitFor(const std::function<bool()>& done, int milliseconds = 10000) {
  for (int waited = 0; !done() && waited < milliseconds; waited += 10) QTest::qWait(10);
  return done();
}

// Calls `release` after a while unless it is dismissed first, so that a test whose end does wait
// still ends; Fired() tells that it had to.
class TWatchdog {
 public:
  explicit TWatchdog(std::function<void()> release)
      : FThread([this, release = std::move(release)] {
          std::unique_lock lock(FLock);
          if (!FDone.wait_for(lock, std::chrono::seconds(20), [this] { return FDismissed; })) {
            FFired = true;
            release();
          }
        }) {}
  ~TWatchdog() {
    Dismiss();
    FThread.join();
  }
  void Dismiss() {
    {
      const std::lock_guard lock(FLock);
      FDismissed = true;
    }
    FDone.notify_all();
  }
  bool Fired() const { return FFired; }

 private:
  std::mutex FLock;
  std::condition_variable FDone;
  bool FDismissed = false;
  std::atomic<bool> FFired{false};
  std::thread FThread;
};
}  // namespace

TEST(Exit, ClosingTheWindowDoesNotWaitForAShareThatStoppedAnswering) {
  TMainWindowFixture f;
  const std::string source = f.Dir / "share";
  MakeDirs(source);
  TZipMember member;
  member.Name = "a";
  const std::string zip = BuildZip({member});
  std::string list;
  for (int n = 1; n <= 400; ++n) {
    const std::string name = "g" + std::to_string(n) + ".zip";
    list += GameSection(n, "Game " + std::to_string(n), "C", "1997", name, "a");
    WriteFileBytes(source + "/" + name, zip);
  }
  TLatencyMount share(source, 2000);
  if (share.Path().empty()) GTEST_SKIP() << "no slow share to test with: " << share.Why();
  f.List("[General]\r\nPath=" + share.Path() + "/\r\n" + list);
  const std::string before = ReadFileBytes(f.Dir / "ludra.ini");

  f.Main().show();
  f.Trigger("mnuAudit");
  // Slow reads start the readers; then the share stops answering with many reads in flight.
  ASSERT_TRUE(WaitFor([&] { return f.Main().AuditRunner().Done() >= 40; }));
  share.Pause(true);
  QTest::qWait(100);
  ASSERT_TRUE(f.Main().Auditing());

  TWatchdog watchdog([&] { share.Pause(false); });
  f.Main().close();
  f.DestroyWindow();
  watchdog.Dismiss();
  EXPECT_FALSE(watchdog.Fired()) << "the window's end waited for the share";
  EXPECT_GT(TAuditRunner::ThreadsRunning(), 0);  // the reads are still waiting

  share.Pause(false);
  EXPECT_TRUE(TAuditRunner::WaitForThreads(std::chrono::seconds(30)));
  EXPECT_EQ(ReadFileBytes(f.Dir / "ludra.ini"), before);  // the cancelled audit wrote nothing
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(Exit, ClosingTheWindowDoesNotWaitForAHangingControllerStartUp) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's dlopen does not search the program's run path";
#endif
  TMainWindowFixture f;
  f.List(GameSection(1, "One", "A", "1996", "one.zip", "a"));
  auto controllers = std::make_unique<TGameControllers>(f.Main());
  controllers->StartAfterFirstPaint(f.Main());
  f.Main().show();
  // The stand-in is the library the program loads, and its start-up is under way.
  void* sdl = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    sdl = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    return sdl != nullptr;
  }));
  const auto entered = reinterpret_cast<int (*)()>(dlsym(sdl, "StandInEntered"));
  const auto release = reinterpret_cast<void (*)()>(dlsym(sdl, "StandInRelease"));
  ASSERT_TRUE(entered && release) << "not the stand-in: " << dlerror();
  ASSERT_TRUE(WaitFor([&] { return entered() > 0; }));

  TWatchdog watchdog(release);
  controllers.reset();
  f.Main().close();
  f.DestroyWindow();
  watchdog.Dismiss();
  EXPECT_FALSE(watchdog.Fired()) << "the end waited for the controllers' start-up";
  EXPECT_EQ(TGameControllers::StartersRunning(), 1);

  release();  // the start-up ends and finds nobody to tell
  EXPECT_TRUE(TGameControllers::WaitForStarters(std::chrono::seconds(10)));
  QTest::qWait(20);
  dlclose(sdl);
}
