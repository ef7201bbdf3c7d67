#include "app/EmulatorFolder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/Folders.h"

namespace {
std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// The absolute, link-free form of an existing folder, or nothing.
std::optional<std::string> RealFolder(const std::string& path) {
  char buffer[PATH_MAX];
  if (!::realpath(path.c_str(), buffer) || !IsDirectory(buffer)) return std::nullopt;
  return WithSlash(buffer);
}
}  // namespace

std::optional<std::string> EmulatorProblem(const std::string& folder) {
  TFileLookup lookup;
  const auto found = lookup.FindFile(WithSlash(folder) + "tavi.exe");
  if (!found) return "it does not hold tavi.exe";
  // Only what could be started counts: a file of nothing, or one nobody may read, is a leftover.
  const TFd file(::open(found->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  struct stat st;
  if (!file.IsOpen() || ::fstat(file.Get(), &st) != 0)
    return "\"" + *found + "\" cannot be read: " + SysErrorMessage(errno);
  if (st.st_size == 0) return "\"" + *found + "\" is empty";
  return std::nullopt;
}

bool HoldsEmulator(const std::string& folder) {
  return !EmulatorProblem(folder);
}

std::optional<std::string> TEmulatorFolder::Find(const std::string& given,
                                                 const std::string& workDir) const {
  if (!given.empty()) {
    // A path typed on this system: taken as it stands, backslashes included.
    const std::string path = given.front() == '/' ? given : WithSlash(workDir) + given;
    char buffer[PATH_MAX];
    const bool exists = ::realpath(path.c_str(), buffer) != nullptr;
    std::string reason = exists ? "it is not a folder" : SysErrorMessage(errno);
    if (exists && IsDirectory(buffer)) {
      const auto problem = EmulatorProblem(buffer);
      if (!problem) return WithSlash(buffer);
      reason = *problem;
    }
    throw EFOpenError(path,
                      "Cannot use \"" + path + "\" as the emulator's folder: " + reason + ".");
  }
  if (HoldsEmulator(workDir)) return RealFolder(workDir);
  return Remembered();
}

std::optional<std::string> TEmulatorFolder::RememberedPath() const {
  std::string text;
  try {
    if (!ReadWholeFile(RememberedFile(), text, PATH_MAX + 1)) return std::nullopt;
  } catch (const EFileError&) {
    return std::nullopt;  // an unreadable note is as good as none: the user is asked again
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty() || text.front() != '/') return std::nullopt;
  return text;
}

std::optional<std::string> TEmulatorFolder::Remembered() const {
  const auto text = RememberedPath();
  if (!text) return std::nullopt;
  auto folder = RealFolder(*text);
  if (!folder || !HoldsEmulator(*folder)) return std::nullopt;
  return folder;
}

void TEmulatorFolder::Remember(const std::string& folder) const {
  // A new user may have no ~/.config yet.
  MakeFolders(FConfigDir, 0700);
  WriteFileAtomic(RememberedFile(), folder + "\n");
}

std::string NearestFolder(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && !IsDirectory(folder)) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    folder.resize(slash == std::string::npos ? 0 : slash + 1);
  }
  return folder.empty() ? "/" : WithSlash(folder);
}

TPaths PathsInFolder(const std::string& folder) {
  TPaths paths;
  paths.ExeDir = WithSlash(folder);
  paths.WorkDir = paths.ExeDir;
  return paths;
}
