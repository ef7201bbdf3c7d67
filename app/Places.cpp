#include "app/Places.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "fileio/PathLookup.h"

const char* const kAppId = LUDRA_APP_ID;

namespace {
std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// `$variable` when it is an absolute path, else `$HOME/` + `fallback`.
std::string UserDir(const char* variable, const char* fallback) {
  const char* dir = std::getenv(variable);
  if (dir && dir[0] == '/') return WithSlash(dir);
  const char* home = std::getenv("HOME");
  return WithSlash(home && home[0] ? home : "/") + fallback;
}
}  // namespace

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("ludra");
}

std::string ExecutableToStart() {
  const std::string exe = ExecutablePath();
  return IsRegularFile(exe) ? exe : "/proc/self/exe";
}

TPaths ProcessPaths() {
  TPaths paths;
  const std::string exe = ExecutablePath();
  const std::size_t slash = exe.rfind('/');
  paths.ExeDir = slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
  char buffer[PATH_MAX];
  paths.WorkDir = ::getcwd(buffer, sizeof buffer) ? WithSlash(buffer) : "./";
  return paths;
}

bool IsInstalledProgram(const std::string& exeDir) {
  return IsRegularFile(WithSlash(exeDir) + LUDRA_DATADIR_FROM_BINDIR "/applications/" + kAppId +
                       ".desktop");
}

std::string UserConfigDir() {
  return UserDir("XDG_CONFIG_HOME", ".config/") + "ludra/";
}

std::string UserDataDir() {
  return UserDir("XDG_DATA_HOME", ".local/share/");
}

std::string UserStateDir() {
  return UserDir("XDG_STATE_HOME", ".local/state/") + "ludra/";
}
