// The demo folder's stand-in emulator, started by the window through the real shell.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>

#include "tests/ui/MainWindowFixture.h"
#include "ui/GameViews.h"

namespace {
struct TNoMessages : IShellReporter {
  std::vector<std::string> Messages;
  void ShellError(const std::string& message) override { Messages.push_back(message); }
};
}  // namespace

TEST(DemoEmulator, DoubleClickStartsTheStandInWithTheGameAndItsRendererConfig) {
  TMainWindowFixture f;
  WriteFileBytes(f.Dir / "tavi.exe",
                 ReadFileBytes(std::string(LUDRA_SOURCE_DIR) + "/tools/demo/tavi.exe"));
  ASSERT_EQ(chmod((f.Dir / "tavi.exe").c_str(), 0755), 0);
  TNoMessages messages;
  TProcessShell shell(f.Paths, &messages);
  f.Shell.ForwardTo = &shell;
  f.Activate();
  f.Find<TGameViews>("lvGames")->SelectRow(2);
  f.DoubleClick();
  f.DestroyWindow();
  EXPECT_TRUE(f.Errors.Messages.empty());
  EXPECT_TRUE(messages.Messages.empty());

  // The emulator runs on its own; wait (bounded) until its log is complete.
  std::string log;
  for (int i = 0; i < 100 && log.find("TurnDisplay=") == std::string::npos; ++i) {
    QTest::qWait(50);
    struct stat st;
    if (stat((f.Dir / "tavi.log").c_str(), &st) == 0) log = ReadFileBytes(f.Dir / "tavi.log");
  }
  EXPECT_NE(log.find("  [3]\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  [--use-renderer-cfg-file=renderer.cfg]\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  XSize=640"), std::string::npos) << log;
  EXPECT_NE(log.find("TurnDisplay=0"), std::string::npos) << log;
}
