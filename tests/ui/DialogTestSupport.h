#pragma once
// Shared pieces of the dialog tests: one QApplication for the whole run, a shell that starts
// nothing, and a place for screenshots.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <string>

#include "Shell.h"

// A window's or dialog's control by its object name; a missing one fails the test.
template <class T>
T* FindChild(const QObject& root, const char* name) {
  T* found = root.findChild<T*>(QLatin1String(name));
  EXPECT_NE(found, nullptr) << "no control " << name;
  return found;
}

inline void EnsureApplication() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // shared by every test, deleted when the run ends
}

// Deletes the application object after the last test: left alive, the font machinery behind the
// widgets is reported as leaked by the sanitizer build.
class TApplicationEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { delete QCoreApplication::instance(); }
};
inline ::testing::Environment* const kApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

class TNoShell : public IShell {
 public:
  void Open(const std::string&, const std::string&) override {}
};

// Writes the widget as it looks on screen to <build>/screenshots/<name>.png.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
  const QString dir = QStringLiteral(LUDRA_TEST_BINARY_DIR "/screenshots");
  QDir().mkpath(dir);
  return widget.grab().save(dir + QStringLiteral("/") + name + QStringLiteral(".png"));
}
