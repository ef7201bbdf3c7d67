#include "Errors.h"

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

void RaiseOutOfMemory(const std::string& file) {
  throw EInOutError(file, FileErrorMessage("read", file, "not enough memory"), ENOMEM);
}
