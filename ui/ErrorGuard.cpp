#include "ErrorGuard.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <exception>

namespace {
IErrorReporter* gReporter = nullptr;

void Report(const std::string& message) {
  if (gReporter) {
    gReporter->ShowError(message);
    return;
  }
  QMessageBox::critical(QApplication::activeWindow(), QApplication::translate("Guard", "Ludra"),
                        QString::fromStdString(message));
}
}  // namespace

void SetErrorReporter(IErrorReporter* reporter) {
  gReporter = reporter;
}

void Guard(const std::function<void()>& body) noexcept {
  try {
    body();
  } catch (const std::exception& e) {
    try {
      Report(e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      Report("An unknown error occurred.");
    } catch (...) {
    }
  }
}
