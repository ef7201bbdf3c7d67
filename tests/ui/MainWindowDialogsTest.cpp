#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "GameViews.h"
#include "MainWindowFixture.h"
#include "Pictures.h"
#include "UAbout.h"
#include "UProperties.h"

namespace {
// Closes the next modal window as soon as the event loop runs, remembering which it was.
struct TModalCloser {
  QWidget* Seen = nullptr;
  QString Text;
  QWidget* Parent = nullptr;
  void Arm() {
    QTimer::singleShot(0, [this] {
      Seen = QApplication::activeModalWidget();
      if (!Seen) return;
      Parent = Seen->parentWidget();
      if (auto* box = qobject_cast<QMessageBox*>(Seen)) Text = box->text();
      if (auto* dialog = qobject_cast<QDialog*>(Seen)) dialog->reject();
    });
  }
};

std::string TwoGames() {
  return GameSection(1, "Here", "A", "1996", "here.zip", "") +
         GameSection(2, "Gone", "A", "1996", "gone.zip", "");
}
}  // namespace

// ---- Dialogs the window opens ----

TEST(MainWindowDialogs, PropertiesOpenForAnAvailableGameOnly) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Zip("here.zip", {"x"});
  auto* properties = new TfrmProperties(f.Launcher, &f.Main());
  f.Main().SetDialogs(properties, nullptr);
  f.Main().FormActivate();

  TModalCloser closer;
  ASSERT_TRUE(f.SelectGame("Gone"));
  closer.Arm();
  f.Main().actPropertiesExecute();
  QTest::qWait(1);
  EXPECT_EQ(closer.Seen, nullptr);

  ASSERT_TRUE(f.SelectGame("Here"));
  closer.Arm();
  f.Main().actProperties->trigger();
  EXPECT_EQ(closer.Seen, properties);
  EXPECT_TRUE(f.Errors.Messages.empty());
}

TEST(MainWindowDialogs, AboutIsShownModally) {
  TMainWindowFixture f;
  auto* about = new TfrmAbout(Pictures::Logo(), &f.Main());
  f.Main().SetDialogs(nullptr, about);
  TModalCloser closer;
  closer.Arm();
  f.Main().ToolButton9->trigger();
  EXPECT_EQ(closer.Seen, about);
  closer.Seen = nullptr;
  closer.Arm();
  f.Main().mnuAbout->trigger();
  EXPECT_EQ(closer.Seen, about);
}

TEST(MainWindowDialogs, ShellFailuresShowABoxOwnedByTheWindow) {
  TMainWindowFixture f;
  TModalCloser closer;
  closer.Arm();
  f.Main().ShellError("Cannot start \"tavi.exe\".");
  ASSERT_NE(closer.Seen, nullptr);
  EXPECT_EQ(closer.Parent, &f.Main());
  EXPECT_EQ(closer.Text.toStdString(), "Cannot start \"tavi.exe\".");
}

TEST(MainWindowDialogs, ExitClosesTheWindow) {
  TMainWindowFixture f;
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Main().mnuExit->trigger();
  EXPECT_FALSE(f.Main().isVisible());
}

// ---- Real input on the list ----

TEST(MainWindowInput, DoubleClickOnAGameStartsIt) {
  TMainWindowFixture f;
  f.List(TwoGames());
  f.Main().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.Main()));
  f.Main().FormActivate();
  QAbstractItemView* view = f.Main().lvGames->CurrentView();
  const QRect item = view->visualRect(view->model()->index(1, 0));
  ASSERT_FALSE(item.isEmpty());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, item.center());
  ASSERT_EQ(f.Shell.Calls.size(), 1u);
  EXPECT_EQ(f.Shell.LastNumber(), 2);
  EXPECT_EQ(f.Panel(0), "Gone");
}
