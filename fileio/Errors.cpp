#include "fileio/Errors.h"

#include <cerrno>
#include <cstring>

std::string SysErrorMessage(int errorCode) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorCode, buffer, sizeof buffer);
  return text ? text : "error " + std::to_string(errorCode);
}

std::string FileErrorMessage(std::string_view verb, std::string_view file,
                             std::string_view reason) {
  while (reason.ends_with('.')) reason.remove_suffix(1);
  std::string message = "Cannot ";
  message.append(verb).append(" \"").append(file).append("\": ").append(reason).append(".");
  return message;
}

namespace {
// The verbs of file errors, for the translation tools: callers pass them as plain text.
[[maybe_unused]] const char* const kVerbs[] = {
    QT_TRANSLATE_NOOP("Message", "create"),
    QT_TRANSLATE_NOOP("Message", "open"),
    QT_TRANSLATE_NOOP("Message", "read"),
    QT_TRANSLATE_NOOP("Message", "write"),
    QT_TRANSLATE_NOOP("Message", "run"),
    QT_TRANSLATE_NOOP("Message", "open the archive"),
    QT_TRANSLATE_NOOP("Message", "read the archive"),
    QT_TRANSLATE_NOOP("Message", "open the picture"),
    QT_TRANSLATE_NOOP("Message", "read the picture"),
    QT_TRANSLATE_NOOP("Message", "replace"),
};

// A reason in plain text loses its full stop: the template has one.
TMessage WithoutFullStop(TMessage reason) {
  std::string text = reason.English();
  if (text.empty() || text.back() != '.') return reason;
  while (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}
}  // namespace

TMessage FileError(std::string_view verb, std::string_view file, TMessage reason) {
  return TMessage::Template(QT_TRANSLATE_NOOP("Message", "Cannot %1 \"%2\": %3."),
                            {TMessage::Template(std::string(verb)), std::string(file),
                             WithoutFullStop(std::move(reason))});
}

TMessage NotEnoughMemory() {
  return TMessage::Template(QT_TRANSLATE_NOOP("Message", "not enough memory"));
}

void RaiseOutOfMemory(const std::string& file) {
  throw EInOutError(file, FileError("read", file, NotEnoughMemory()), ENOMEM);
}
