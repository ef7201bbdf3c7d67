// One QApplication for every widget test of this executable.
#include <gtest/gtest.h>

#include <QApplication>

namespace {
class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QApplication::instance()) return;  // another file of the suite made it
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    FApp = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete FApp;
    FApp = nullptr;
  }

 private:
  QApplication* FApp = nullptr;
};

[[maybe_unused]] ::testing::Environment* const gQt =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);
}  // namespace
