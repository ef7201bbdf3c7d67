#include "Paths.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

namespace {
std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}
}  // namespace

TPaths TPaths::FromProcess() {
  TPaths paths;
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) {
    std::string exe(buffer, static_cast<std::size_t>(n));
    paths.ExeDir = exe.substr(0, exe.rfind('/') + 1);
  } else {
    paths.ExeDir = "./";
  }
  paths.WorkDir = getcwd(buffer, sizeof buffer) ? WithSlash(buffer) : "./";
  return paths;
}

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
