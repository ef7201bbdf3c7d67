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
    new QApplication(argc, argv);  // kept to the end of the process: no widget outlives it
  }
};

[[maybe_unused]] ::testing::Environment* const gQt =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);
}  // namespace
