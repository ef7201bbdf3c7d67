#include "ui/ErrorGuard.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <exception>

#include "fileio/Errors.h"
#include "ui/Translations.h"

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
  } catch (const EFileError& e) {
    try {
      Report(Translated(e.Message).toStdString());
    } catch (...) {
    }
  } catch (const std::exception& e) {
    try {
      Report(e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      Report(QApplication::translate("Guard", "An unknown error occurred.").toStdString());
    } catch (...) {
    }
  }
}
