#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tests/ui/DialogTestSupport.h"
#include "ui/Pictures.h"
#include "ui/UAbout.h"

namespace {

// A logo whose background (bottom-left pixel) is white with a red block on it.
QPixmap TestLogo() {
  QPixmap logo(150, 112);
  logo.fill(Qt::white);
  QPainter painter(&logo);
  painter.fillRect(10, 10, 40, 30, Qt::red);
  return logo;
}

class AboutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }
  TfrmAbout About{TestLogo()};
};

// ---- Layout ------------------------------------------------------------------------------------

TEST_F(AboutTest, BoxSitsAtItsPlaceWithTheCreditsClipped) {
  EXPECT_EQ(About.windowTitle(), QStringLiteral("About"));
  EXPECT_EQ(About.size(), QSize(393, 137));
  EXPECT_EQ(About.pos(), QPoint(290, 283));
  EXPECT_EQ(FindChild<QFrame>(About, "Panel1")->geometry(), QRect(176, 8, 201, 89));
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->parentWidget(),
            FindChild<QFrame>(About, "Panel1"));
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->geometry(), QRect(-1, 0, 210, 137));
  EXPECT_EQ(FindChild<QLabel>(About, "Label1")->text(), QStringLiteral("Tavi Frontent V1.0"));
  EXPECT_TRUE(FindChild<QLabel>(About, "Label2")->font().bold());
  EXPECT_EQ(FindChild<QLabel>(About, "Label4")->pos(), QPoint(48, 88));
  EXPECT_FALSE(FindChild<QPushButton>(About, "OK")->isDefault());
  EXPECT_FALSE(FindChild<QPushButton>(About, "OK")->autoDefault());
  // Its size is fixed: it asks for no button to minimise or maximise it.
  EXPECT_FALSE(About.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(About.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(About.minimumSize(), About.maximumSize());
}

// The credits keep their places as the least and flow down as their text grows: no two overlap.
TEST_F(AboutTest, GrowsWithALargerDesktopFontAndCutsNothing) {
  for (int points : {9, 12, 14, 16}) {
    TDesktopFont desktop(points);
    TfrmAbout about{TestLogo()};
    about.show();
    EXPECT_GE(about.width(), 393);
    EXPECT_GE(about.height(), 137);
    auto* credits = about.findChild<QFrame*>(QStringLiteral("Panel1"));
    for (QLabel* label : credits->findChildren<QLabel*>()) {
      EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
      EXPECT_GE(label->height(), label->sizeHint().height()) << label->text().toStdString();
      EXPECT_LE(label->mapTo(credits, QPoint(label->width(), 0)).x(), credits->width())
          << label->text().toStdString();
    }
    auto* sheet = about.findChild<QWidget*>(QStringLiteral("ScrollBox1"));
    QRect above;
    for (const char* name : {"Label1", "Label2", "Label3", "Label4"}) {
      auto* label = FindChild<QLabel>(about, name);
      const QRect text(label->pos(), label->sizeHint());
      EXPECT_FALSE(text.intersects(above)) << name << " at " << points << " pt";
      EXPECT_TRUE(sheet->rect().contains(label->geometry())) << name << " at " << points;
      above = text;
    }
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_TRUE(about.rect().contains(credits->geometry()));
    auto* button = about.findChild<QPushButton*>();
    EXPECT_GE(button->width(), button->sizeHint().width());
    EXPECT_TRUE(about.rect().contains(button->geometry()));
    about.hide();
  }
}

TEST_F(AboutTest, LogoIsDrawnAtTheFirstShowingWithoutItsBackground) {
  EXPECT_TRUE(FindChild<QLabel>(About, "imgLogo")->pixmap().isNull());
  About.show();
  const QImage shown = FindChild<QLabel>(About, "imgLogo")->pixmap().toImage();
  About.hide();
  ASSERT_EQ(shown.size(), QSize(150, 112));
  EXPECT_EQ(qAlpha(shown.pixel(0, 111)), 0);        // the white background is left out
  EXPECT_EQ(shown.pixel(20, 20), qRgb(255, 0, 0));  // the picture itself stays
}

// ---- Scrolling ---------------------------------------------------------------------------------

TEST_F(AboutTest, TimerRunsOnlyWhileTheBoxIsShown) {
  EXPECT_FALSE(FindChild<QTimer>(About, "Timer1")->isActive());
  EXPECT_EQ(FindChild<QTimer>(About, "Timer1")->interval(), 50);
  About.show();
  EXPECT_TRUE(FindChild<QTimer>(About, "Timer1")->isActive());
  FindChild<QPushButton>(About, "OK")->click();
  EXPECT_FALSE(About.isVisible());
  EXPECT_FALSE(FindChild<QTimer>(About, "Timer1")->isActive());
  About.show();
  EXPECT_TRUE(FindChild<QTimer>(About, "Timer1")->isActive());
  About.close();
  EXPECT_FALSE(FindChild<QTimer>(About, "Timer1")->isActive());
}

TEST_F(AboutTest, TicksMoveUpByThreeAndWrapFromTopToBottom) {
  About.Timer1Timer();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->pos(), QPoint(-1, -3));
  FindChild<QWidget>(About, "ScrollBox1")->move(-1, -157);
  About.Timer1Timer();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), -160);
  About.Timer1Timer();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), 160);
  About.Timer1Timer();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), 157);
  FindChild<QWidget>(About, "ScrollBox1")->move(-1, -161);
  About.Timer1Timer();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), 160);
}

TEST_F(AboutTest, ReopeningContinuesWhereTheScrollStopped) {
  About.show();
  QElapsedTimer waited;
  waited.start();
  while (FindChild<QWidget>(About, "ScrollBox1")->y() > -9 && waited.elapsed() < 5000)
    QTest::qWait(20);
  FindChild<QPushButton>(About, "OK")->click();
  const int stopped = FindChild<QWidget>(About, "ScrollBox1")->y();
  EXPECT_LE(stopped, -9);  // the timer really moved it
  QTest::qWait(120);
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), stopped);  // no ticks while hidden

  About.show();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), stopped);
  About.Timer1Timer();
  EXPECT_EQ(FindChild<QWidget>(About, "ScrollBox1")->y(), stopped - 3);
  About.hide();
}

// ---- Keys --------------------------------------------------------------------------------------

TEST_F(AboutTest, EscapeDoesNotCloseButEnterOnTheButtonDoes) {
  bool visibleAfterEscape = false;
  QTimer::singleShot(0, &About, [&] {
    QTest::keyClick(&About, Qt::Key_Escape);
    visibleAfterEscape = About.isVisible();
    FindChild<QPushButton>(About, "OK")->setFocus();
    QTest::keyClick(FindChild<QPushButton>(About, "OK"), Qt::Key_Return);
    if (About.isVisible()) About.reject();  // keeps a failing test from hanging
  });
  EXPECT_EQ(About.exec(), QDialog::Accepted);
  EXPECT_TRUE(visibleAfterEscape);
}

// ---- Screenshot --------------------------------------------------------------------------------

TEST_F(AboutTest, Screenshot) {
  TfrmAbout about(Pictures::Logo());
  about.show();
  FindChild<QTimer>(about, "Timer1")->stop();
  EXPECT_TRUE(SaveScreenshot(about, QStringLiteral("about")));
  FindChild<QWidget>(about, "ScrollBox1")->move(-1, -45);
  EXPECT_TRUE(SaveScreenshot(about, QStringLiteral("about-scrolled")));
  about.hide();
}

}  // namespace
