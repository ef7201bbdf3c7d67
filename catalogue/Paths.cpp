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
  std::string native = ToNativePath(stored);
  if (!native.empty() && native.front() == '/') return native;
  return WithSlash(base) + native;
}
