// A long line drawn on the GUI thread is filled there, not handed to the thread pool; the pool
// still runs everything else it is given.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <cstring>

#include "GuiThreadFills.h"

TEST(GuiThreadFills, LongLinesAreFilledWhileThePoolIsBusy) {
  if (std::strncmp(qVersion(), "6.4.", 4) != 0) GTEST_SKIP() << "only for Qt 6.4";
  QThreadPool* pool = QThreadPool::globalInstance();
  const int threads = pool->maxThreadCount();
  pool->setMaxThreadCount(1);
  KeepGuiFillsOnGuiThread();

  // The pool's one thread is kept busy for up to three seconds: a fill handed to the pool would
  // wait behind it.
  QSemaphore release, finished;
  std::atomic<QThread*> ranOn{nullptr};
  pool->start([&] {
    ranOn = QThread::currentThread();
    release.tryAcquire(1, 3000);
    finished.release();
  });

  QImage image(400, 20, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    // Translucent, as Fusion's lines are: blended span by span, 400 one-pixel spans.
    painter.setPen(QColor(0, 0, 0, 128));
    painter.drawLine(0, 10, 399, 10);
  }
  const bool waited = finished.available() > 0;
  release.release();
  KeepGuiFillsOnGuiThread(false);
  pool->waitForDone();
  pool->setMaxThreadCount(threads);

  EXPECT_FALSE(waited) << "the fill waited for the pool";
  EXPECT_EQ(image.pixel(0, 10), image.pixel(399, 10));
  EXPECT_NEAR(qGray(image.pixel(399, 10)), 127, 2);
  EXPECT_NE(ranOn.load(), QThread::currentThread()) << "the pool's own work ran inline";
}
