// The audit off the window's thread: the window goes on while the archives are read, a long audit
// shows how far it has come, and cancelling, a second request or closing the window leave nothing
// half-done.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>

#include "tests/ui/MainWindowFixture.h"
#include "ui/AuditProgress.h"
#include "ui/Translations.h"

namespace {
// Lets the first `free` archive reads through after a millisecond each (slow enough to start the
// readers) and holds the others until it is opened; counts them all.
class TReadGate {
 public:
  explicit TReadGate(std::size_t free = 0) : FFree(free) {}
  std::function<void(std::size_t)> Hook() {
    return [this](std::size_t p) { Pass(p); };
  }
  void Open() {
    {
      const std::lock_guard lock(FLock);
      FOpen = true;
    }
    FOpened.notify_all();
  }
  std::atomic<std::size_t> Reads{0};

 private:
  void Pass(std::size_t p) {
    ++Reads;
    if (p < FFree) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return;
    }
    // Bounded, so that a failed test cannot hang in the window's destructor.
    std::unique_lock lock(FLock);
    FOpened.wait_for(lock, std::chrono::seconds(10), [this] { return FOpen; });
  }
  const std::size_t FFree;
  std::mutex FLock;
  std::condition_variable FOpened;
  bool FOpen = false;
};

// Counts the times a widget is shown.
struct TShows : QObject {
  int Count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    Count += e->type() == QEvent::Show;
    return false;
  }
};

bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000) {
  for (int waited = 0; !done() && waited < milliseconds; waited += 10) QTest::qWait(10);
  return done();
}

std::string Catalogue(int games, const std::string& company) {
  std::string list;
  for (int n = 1; n <= games; ++n)
    list += GameSection(n, "Game " + std::to_string(n), company, "1997",
                        "g" + std::to_string(n) + ".zip", "a");
  return list;
}

std::set<std::string> FilesIn(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    names.insert(e.path().string());
  return names;
}
}  // namespace

TEST(MainWindowAuditThread, ALongAuditShowsItsProgressKeepsTheListAndCancels) {
  TReadGate gate;
  TMainWindowFixture f;
  TShows shows;
  f.Find<TAuditProgress>("prgAudit")->installEventFilter(&shows);
  f.Main().show();
  f.List(GameSection(1, "One", "A", "1996", "one.zip", "a") +
         GameSection(2, "Two", "B", "1997", "two.zip", "a"));
  f.Zip("one.zip", {"a"});
  f.Activate();
  ASSERT_EQ(f.Main().ListedCount(), 2);
  EXPECT_EQ(shows.Count, 0);  // a quick audit passes unseen
  auto* fixdat = f.Find<QAction>("mnuFixdat");
  EXPECT_TRUE(fixdat->isEnabled());
  // The strip lies over the foot of the panes: as it comes and goes, nothing under the pointer
  // moves.
  auto where = [&] {
    QWidget* list = f.Find<QWidget>("lvGames");
    return QRect(list->mapTo(&f.Main(), QPoint(0, 0)), list->size());
  };
  const QRect listed = where();

  f.List(Catalogue(300, "C"));
  f.Main().AuditRunner().BeforeRead = gate.Hook();
  f.Trigger("mnuAudit");
  ASSERT_TRUE(f.Main().Auditing());
  // A fixdat now would leave out what is not read yet.
  EXPECT_FALSE(fixdat->isEnabled());
  fixdat->trigger();
  EXPECT_TRUE(f.Chooser.Told.empty());
  ASSERT_TRUE(WaitFor([&] { return f.Find<TAuditProgress>("prgAudit")->isVisible(); }));
  EXPECT_EQ(where(), listed);
  EXPECT_EQ(f.Find<TAuditProgress>("prgAudit")->geometry().bottom(),
            f.Find<QWidget>("splMain")->geometry().bottom());
  EXPECT_NE(f.Find<TAuditProgress>("prgAudit")->lblProgress->text().toStdString().find("of 300"),
            std::string::npos)
      << f.Find<TAuditProgress>("prgAudit")->lblProgress->text().toStdString();
  // Meanwhile the window shows and starts the games it listed before.
  EXPECT_EQ(f.Main().ListedCount(), 2);
  EXPECT_EQ(f.ChildTexts("Company"), (std::vector<std::string>{"A", "B"}));
  ASSERT_TRUE(f.SelectGame("One"));
  f.Find<QAction>("actPlay")->trigger();
  EXPECT_EQ(f.Shell.LastNumber(), 1);
  EXPECT_EQ(f.Panel(3), "");  // the status bar is not the progress's

  QTest::mouseClick(f.Find<TAuditProgress>("prgAudit")->btnCancel, Qt::LeftButton);
  EXPECT_FALSE(f.Main().Auditing());
  EXPECT_FALSE(f.Find<TAuditProgress>("prgAudit")->isVisible());
  EXPECT_FALSE(fixdat->isEnabled());  // nor after a cancelled audit
  EXPECT_EQ(where(), listed);
  gate.Open();
  QTest::qWait(50);  // the cancelled audit comes back to nobody
  EXPECT_EQ(f.Main().ListedCount(), 2);
  EXPECT_EQ(f.ChildTexts("Company"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(f.Main().Games().size(), 2u);
  EXPECT_TRUE(f.Errors.Messages.empty());
}

// The window's first picture does not wait for the archives: activation before the first paint
// starts the audit after it. A window that is not on screen audits at once.
TEST(MainWindowAuditThread, TheFirstAuditStartsOnceTheWindowHasPainted) {
  TMainWindowFixture f;
  f.List(GameSection(1, "One", "A", "1996", "one.zip", "a"));
  f.Main().show();
  f.SendActivation();
  EXPECT_FALSE(f.Main().Auditing());
  ASSERT_TRUE(WaitFor([&] { return f.Main().Painted(); }));
  f.Main().AuditRunner().WaitUntilEnded();
  EXPECT_EQ(f.Main().ListedCount(), 1);

  TMainWindowFixture hidden;
  hidden.List(GameSection(1, "One", "A", "1996", "one.zip", "a"));
  hidden.SendActivation();
  EXPECT_TRUE(hidden.Main().Auditing());
}

// A compositor without a seat (ui_wayland runs this under one) never activates the window: its
// first paint audits all the same.
TEST(MainWindowAuditThread, AWindowNeverActivatedAuditsAfterItsFirstPaint) {
  if (QGuiApplication::platformName() != QLatin1String("wayland"))
    GTEST_SKIP() << "needs a Wayland compositor that activates nothing (test ui_wayland)";
  TMainWindowFixture f;
  f.List(GameSection(1, "One", "A", "1996", "one.zip", "a") +
         GameSection(2, "Two", "B", "1997", "two.zip", "b"));
  f.Zip("one.zip", {"a"});
  f.Main().show();
  ASSERT_TRUE(WaitFor([&] { return f.Main().ListedCount() == 2; }, 10000));
  EXPECT_FALSE(f.Main().isActiveWindow());
  EXPECT_EQ(f.ChildTexts("Company"), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(f.Main().Games()[0].Available);
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowAuditThread, ASecondRequestStartsTheAuditOver) {
  TReadGate gate;
  TMainWindowFixture f;
  f.List(Catalogue(300, "Old"));
  f.Main().AuditRunner().BeforeRead = gate.Hook();
  const int threads = TAuditRunner::ThreadsRunning();  // a cancelled test's may still run
  f.Trigger("mnuAudit");
  f.List(Catalogue(3, "New"));
  f.Trigger("mnuAudit");
  f.Trigger("mnuAudit");
  ASSERT_TRUE(f.Main().Auditing());
  // The requests wait for the first audit's thread, held in a read: none starts beside it.
  EXPECT_EQ(TAuditRunner::ThreadsRunning(), threads + 1);
  gate.Open();
  f.Main().AuditRunner().WaitUntilEnded();
  QTest::qWait(50);  // the first audit's outcome, dropped
  EXPECT_EQ(f.Main().ListedCount(), 3);
  EXPECT_EQ(f.ChildTexts("Company"), std::vector<std::string>{"New"});
}

TEST(MainWindowAuditThread, ClosingStopsTheAuditAndWritesNothing) {
  TReadGate gate(40);
  TMainWindowFixture f;
  f.List(Catalogue(2000, "C"));
  const std::string list = ReadFileBytes(f.Dir / "ludra.ini");
  const std::set<std::string> files = FilesIn(f.Dir.Path());
  f.Main().AuditRunner().BeforeRead = gate.Hook();
  f.Main().show();
  f.Trigger("mnuAudit");
  ASSERT_TRUE(WaitFor([&] { return gate.Reads > 40; }));
  f.Find<QAction>("mnuExit")->trigger();
  EXPECT_FALSE(f.Main().isVisible());
  EXPECT_FALSE(f.Main().Auditing());
  gate.Open();
  f.DestroyWindow();
  ASSERT_TRUE(TAuditRunner::WaitForThreads(std::chrono::seconds(30)));  // the reads in flight
  EXPECT_LT(gate.Reads, 400u);
  EXPECT_EQ(ReadFileBytes(f.Dir / "ludra.ini"), list);
  EXPECT_EQ(FilesIn(f.Dir.Path()), files);
  EXPECT_TRUE(f.Errors.Messages.empty());
}

// The count of a large catalogue and Cancel are whole at the window's designed size, in English
// and in German.
TEST(MainWindowAuditThread, TheWholeProgressShowsAtTheDesignedSize) {
  struct TBackToEnglish {
    ~TBackToEnglish() { RemoveTranslations(); }
  } english;
  for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                QLocale(QLocale::German, QLocale::Germany)}) {
    InstallTranslations(locale);
    TMainWindowFixture f;
    f.Main().show();
    auto* strip = f.Main().findChild<TAuditProgress*>();
    auto* label = strip->findChild<QLabel*>();
    auto* cancel = strip->findChild<QPushButton*>();
    label->setText(
        QCoreApplication::translate("TAuditProgress", "Reading the ROM archives: %1 of %2")
            .arg(locale.toString(2699), locale.toString(10000)));
    strip->show();
    f.Main().centralWidget()->layout()->activate();
    const std::string name = locale.name().toStdString();
    EXPECT_GE(label->width(), label->sizeHint().width()) << name;
    EXPECT_GE(cancel->width(), cancel->sizeHint().width()) << name;
    EXPECT_LE(cancel->mapTo(&f.Main(), QPoint(cancel->width(), 0)).x(), f.Main().width()) << name;
  }
}
