// The window and the emulator's quick failures: real stand-in emulators, started by a double
// click through the real shell, their output kept by the program's own keeper.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QLocale>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QtTest/QTest>
#include <chrono>
#include <memory>

#include "tests/ui/DialogTestSupport.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/Translations.h"
#include "ui/URunFailure.h"

namespace {
using namespace std::chrono_literals;

class RunFailureWindow : public ::testing::Test {
 protected:
  RunFailureWindow() {
    // An archive that lacks one of the game's files, and one that is not there.
    f.List(
        "[General]\r\nPath=Roms\\\r\n[Rom1]\r\nGame=Street Fighter EX\r\nRomname=sfex.zip\r\n"
        "Files=sfe-04a,sfe-05m\r\n[Rom2]\r\nGame=Tekken 3\r\nRomname=tekken3.zip\r\n"
        "Files=tk3\r\n");
    f.Zip("sfex.zip", {"sfe-04a"});
    // Shortened from the program's ten seconds, so a "late" failure comes soon.
    f.Seams.QuickFailureWindow = 2000ms;
    TRunOptions options;
    options.LogDir = f.Dir / "state/";
    options.Keeper = {LUDRA_PROGRAM, "--keep-log"};
    options.Watcher = &f.Main();
    Real = std::make_unique<TProcessShell>(f.Paths, nullptr, options);
    f.Shell.ForwardTo = Real.get();
    f.Activate();
  }

  // Starts the game with this stand-in, as a double click does, and lets the event loop run until
  // its run is over; the messages the window then shows.
  QList<TfrmRunFailure*> Play(const std::string& script,
                              const std::string& title = "Street Fighter EX") {
    WriteFileBytes(f.Dir / "tavi.exe", "#!/bin/sh\n" + script);
    ::chmod((f.Dir / "tavi.exe").c_str(), 0755);
    EXPECT_TRUE(f.SelectGame(title));
    f.DoubleClick();
    for (int i = 0; i < 2000 && !f.Main().findChildren<TRunWatch*>().isEmpty(); ++i)
      QTest::qWait(5);
    EXPECT_TRUE(f.Main().findChildren<TRunWatch*>().isEmpty());
    return f.Main().findChildren<TfrmRunFailure*>();
  }

  std::string Log() { return ReadFileBytes(f.Dir / "state/1-street-fighter-ex.log"); }

  TMainWindowFixture f;
  std::unique_ptr<TProcessShell> Real;
};
}  // namespace

TEST_F(RunFailureWindow, QuickFailureShowsTheGameTheStatusAndTheLastLinesSelectable) {
  const auto shown = Play(
      "for i in $(seq 1 39); do echo \"line $i\"; done\n"
      "echo 'fatal: cannot find sfe-04a' >&2\nexit 3\n");
  ASSERT_EQ(shown.size(), 1);
  TfrmRunFailure* message = shown[0];
  EXPECT_TRUE(message->isVisible());
  EXPECT_FALSE(message->isModal());
  const std::string text = message->Message().toStdString();
  for (const std::string& part :
       {std::string("\"Street Fighter EX\""), std::string("exit status 3"),
        f.Dir / "state/1-street-fighter-ex.log",
        std::string("Its ROM files are incomplete: Roms/sfex.zip lacks 1 of its 2 files: sfe-05m")})
    EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
  ASSERT_NE(message->mmoOutput, nullptr);
  const QStringList lines = message->mmoOutput->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 15);
  EXPECT_EQ(lines.front(), QStringLiteral("line 26"));
  EXPECT_EQ(lines.back(), QStringLiteral("fatal: cannot find sfe-04a"));
  EXPECT_EQ(UnnamedControls(message), std::vector<std::string>{});
  EXPECT_TRUE(message->mmoOutput->isReadOnly());
  EXPECT_TRUE(message->mmoOutput->textInteractionFlags() & Qt::TextSelectableByMouse);
  EXPECT_EQ(Log().substr(Log().size() - 27), "fatal: cannot find sfe-04a\n");

  // One message per failed start; the window goes on meanwhile.
  EXPECT_EQ(Play("kill -SEGV $$\n").size(), 2);
  const std::string signal =
      f.Main().findChildren<TfrmRunFailure*>().back()->Message().toStdString();
  EXPECT_NE(signal.find("SIGSEGV"), std::string::npos) << signal;
  EXPECT_NE(signal.find("It wrote nothing"), std::string::npos) << signal;
  EXPECT_TRUE(f.Errors.Messages.empty());
}

// A double click starts a game whose archive is missing as well; its failure says so.
TEST_F(RunFailureWindow, QuickFailureOfAGameWithoutItsArchiveNamesTheArchive) {
  const auto shown = Play("exit 1\n", "Tekken 3");
  ASSERT_EQ(shown.size(), 1);
  const std::string text = shown[0]->Message().toStdString();
  EXPECT_NE(text.find("Its ROMs are missing: archive not found: Roms/tekken3.zip"),
            std::string::npos)
      << text;
}

TEST_F(RunFailureWindow, CleanExitAndLateFailureShowNothing) {
  EXPECT_TRUE(Play("echo 'bye'\nexit 0\n").isEmpty());
  EXPECT_EQ(Log(), "bye\n");
  EXPECT_TRUE(Play("sleep 2.1\nexit 1\n").isEmpty());
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST_F(RunFailureWindow, TheSecondsAreWrittenInTheUsersDigits) {
  struct TBackToEnglish {
    QLocale Old;
    ~TBackToEnglish() {
      QLocale::setDefault(Old);
      RemoveTranslations();
    }
  } english{QLocale()};
  const QLocale german(QLocale::German, QLocale::Germany);
  ASSERT_TRUE(InstallTranslations(german));
  QLocale::setDefault(german);
  const auto shown = Play("sleep 0.2\nexit 3\n");
  ASSERT_EQ(shown.size(), 1);
  const QString text = shown[0]->Message();
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("lief \\d+,\\d Sekunden"))))
      << text.toStdString();
}
