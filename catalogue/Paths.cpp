#include "catalogue/Paths.h"

#include <algorithm>

std::string ToNativePath(const std::string& stored) {
  std::string native = stored;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::string AbsolutePath(const std::string& base, const std::string& stored) {
  std::string native;
  AssignAbsolutePath(native, base, stored);
  return native;
}

void AssignAbsolutePath(std::string& out, const std::string& base, std::string_view stored) {
  out.clear();
  const bool absolute = !stored.empty() && (stored.front() == '/' || stored.front() == '\\');
  if (!absolute) {
    out.append(base);
    if (out.empty() || out.back() != '/') out.push_back('/');
  }
  const std::size_t start = out.size();
  out.append(stored);
  std::replace(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), '\\', '/');
}
