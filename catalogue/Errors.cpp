#include "Errors.h"

#include <cstring>

std::string SysErrorMessage(int errorCode) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(errorCode, buffer, sizeof buffer);
  return text ? text : "error " + std::to_string(errorCode);
}
