#include "ui/LockWait.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>
#include <QThread>
#include <thread>

void WaitAnswering(TFunctionRef<void()> wait) {
  QCoreApplication* const app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return wait();
  QEventLoop loop;
  std::thread waiter;
  try {
    waiter = std::thread([&] {
      wait();
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
  } catch (...) {
    return wait();  // no thread to be had: the window waits, at most for the lock's time
  }
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  waiter.join();  // at once, or (when the program is ending) when the lock's time is up
  QGuiApplication::restoreOverrideCursor();
}
