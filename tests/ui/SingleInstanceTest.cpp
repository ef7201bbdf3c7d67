// One window per list file: later starts for it are handed over to the window that has it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/SingleInstance.h"
#include "tests/common/TestSupport.h"

namespace {
using namespace std::chrono_literals;

// The program copied into `dir` and started there in the background, offscreen, with the claims
// in `runtime` and its output in dir/out.txt.
pid_t StartWindow(const std::string& dir, const std::string& runtime) {
  if (!std::filesystem::exists(dir + "ludra"))
    std::filesystem::copy_file(LUDRA_PROGRAM, dir + "ludra");
  const std::string command = "cd '" + dir + "' && XDG_RUNTIME_DIR='" + runtime +
                              "' QT_QPA_PLATFORM=offscreen exec ./ludra > out.txt 2>&1";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// A start in `dir` in the foreground: its exit code and output.
TRun StartAgain(const std::string& dir, const std::string& runtime) {
  return RunCommand("cd '" + dir + "' && XDG_RUNTIME_DIR='" + runtime +
                    "' QT_QPA_PLATFORM=offscreen DESKTOP_STARTUP_ID=again_TIME42 timeout 20 "
                    "./ludra 2>&1");
}

// Waits for the window's first audit, which writes the list file.
bool Audited(const std::string& dir) {
  for (int i = 0; i < 300 && !std::filesystem::exists(dir + "ludra.ini"); ++i)
    std::this_thread::sleep_for(100ms);
  return std::filesystem::exists(dir + "ludra.ini");
}

void End(pid_t pid) {
  ::kill(pid, SIGCONT);
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
}
}  // namespace

TEST(SingleInstance, ASecondStartComesToTheWindowOfItsListFileAndEnds) {
  TTempDir top;
  const std::string dir = top / "emu/", other = top / "other/", runtime = top / "runtime";
  MakeDirs(dir);
  MakeDirs(other);
  ::mkdir(runtime.c_str(), 0700);
  const pid_t first = StartWindow(dir, runtime);
  ASSERT_TRUE(Audited(dir));

  const auto before = std::chrono::steady_clock::now();
  const TRun again = StartAgain(dir, runtime);
  EXPECT_EQ(again.ExitCode, 0) << again.Out;
  EXPECT_LT(std::chrono::steady_clock::now() - before, 4s);
  EXPECT_EQ(::waitpid(first, nullptr, WNOHANG), 0);  // the first window goes on

  // Another folder's list file has a window of its own.
  const pid_t second = StartWindow(other, runtime);
  EXPECT_TRUE(Audited(other));
  EXPECT_EQ(::waitpid(second, nullptr, WNOHANG), 0);
  End(second);

  // A window that does not answer is named (on stderr and in a message, which stays open until
  // read) within the time allowed, and no second window opens.
  ::kill(first, SIGSTOP);
  const pid_t stuck = StartWindow(dir, runtime);
  const std::string named =
      "(process " + std::to_string(first) + "), but its window does not answer";
  for (int i = 0; i < 100 && ReadFileBytes(dir + "out.txt").find(named) == std::string::npos; ++i)
    std::this_thread::sleep_for(100ms);
  EXPECT_NE(ReadFileBytes(dir + "out.txt").find(named), std::string::npos)
      << ReadFileBytes(dir + "out.txt");
  End(stuck);
  End(first);

  // Its claim ends with it: the next start opens the window.
  const pid_t after = StartWindow(dir, runtime);
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(::waitpid(after, nullptr, WNOHANG), 0);
  End(after);
}

// What the later start was given by the desktop reaches the window, which comes back from the
// task bar.
TEST(SingleInstance, TheWindowGetsTheLaterStartsIdsAndComesForward) {
  TTempDir dir;
  const TPaths paths{dir.Path(), dir.Path()};
  TSingleInstance holder(paths, QString::fromStdString(dir.Path()));
  ASSERT_EQ(holder.Claim({}, 1s), TSingleInstance::First);
  EXPECT_EQ(holder.Holder(), ::getpid());
  QWidget window;
  window.showMinimized();
  std::vector<TLaunchIds> seen;
  holder.Listen([&](const TLaunchIds& ids) {
    seen.push_back(ids);
    BringToFront(window, ids);
  });

  TSingleInstance::TOutcome outcome = TSingleInstance::First;
  std::atomic<bool> done = false;
  std::thread later([&] {
    TSingleInstance start(paths, QString::fromStdString(dir.Path()));
    outcome = start.Claim({"launcher-1_TIME7", "token\n2"}, 5s);
    done = true;
  });
  for (int i = 0; i < 500 && !done; ++i) {
    QApplication::processEvents();
    std::this_thread::sleep_for(10ms);
  }
  later.join();
  EXPECT_EQ(outcome, TSingleInstance::HandedOver);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].StartupId, "launcher-1_TIME7");
  EXPECT_EQ(seen[0].ActivationToken, "token2");  // one line each
  EXPECT_FALSE(window.isMinimized());
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(qgetenv("XDG_ACTIVATION_TOKEN").isEmpty());  // spent, not passed on to games
}
