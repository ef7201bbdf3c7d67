#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string_view>

#include "Errors.h"

namespace {
[[noreturn]] void CreateFailed(const std::string& path, const std::string& reason) {
  throw EFCreateError(path, "Cannot write \"" + path + "\": " + reason + ".");
}

// Closes a descriptor and removes a temporary file unless told the rename went through.
struct TTempGuard {
  int Fd = -1;
  std::string Path;
  bool Keep = false;
  ~TTempGuard() {
    if (Fd >= 0) close(Fd);
    if (!Keep && !Path.empty()) unlink(Path.c_str());
  }
};

// The process id in a temporary file name "." + base + ".tmp-<pid>-<counter>", or 0 when the
// name is not one of ours for this target.
pid_t TemporaryOwner(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return 0;
  name.remove_prefix(prefix.size());
  const auto dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9 || dash + 1 == name.size()) return 0;
  pid_t pid = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (i == dash) continue;
    if (name[i] < '0' || name[i] > '9') return 0;
    if (i < dash) pid = pid * 10 + (name[i] - '0');
  }
  return pid;
}

// A writer killed between making its temporary file and the rename leaves that file behind. The
// next successful write of the same target removes such leftovers, but only plain files of this
// target's own pattern whose writing process no longer exists; a live writer's file is its own.
void RemoveStaleTemporaries(const std::string& dir, const std::string& base) {
  DIR* listing = opendir(dir.empty() ? "." : dir.c_str());
  if (!listing) return;
  const std::string prefix = "." + base + ".tmp-";
  while (const dirent* entry = readdir(listing)) {
    const pid_t owner = TemporaryOwner(entry->d_name, prefix);
    if (owner <= 0 || owner == getpid()) continue;
    if (kill(owner, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (fstatat(dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
      continue;
    unlinkat(dirfd(listing), entry->d_name, 0);
  }
  closedir(listing);
}
}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  // Write through a symbolic link to its target, so the link survives.
  std::string target = path;
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) target = resolved;
  }
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) CreateFailed(path, "a directory of that name is in the way");
  // The owner's write bit plays the part of the read-only attribute, also for root.
  if (exists && !(st.st_mode & S_IWUSR)) CreateFailed(path, "the file is read-only");

  const auto slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

  static unsigned counter = 0;
  TTempGuard temp;
  for (int attempt = 0; attempt < 100 && temp.Fd < 0; ++attempt) {
    temp.Path =
        dir + "." + base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    temp.Fd = open(temp.Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (temp.Fd < 0 && errno != EEXIST) {
      const int err = errno;
      temp.Path.clear();
      CreateFailed(path, SysErrorMessage(err));
    }
  }
  if (temp.Fd < 0) {
    temp.Path.clear();
    CreateFailed(path, "no temporary file could be made beside it");
  }
  if (exists) fchmod(temp.Fd, st.st_mode & 07777);

  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(temp.Fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) CreateFailed(path, SysErrorMessage(n < 0 ? errno : EIO));
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (fsync(temp.Fd) != 0) CreateFailed(path, SysErrorMessage(errno));
  const int fd = temp.Fd;
  temp.Fd = -1;
  if (close(fd) != 0) CreateFailed(path, SysErrorMessage(errno));
  if (rename(temp.Path.c_str(), target.c_str()) != 0) CreateFailed(path, SysErrorMessage(errno));
  temp.Keep = true;

  // Make the rename itself durable.
  const int dirFd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    close(dirFd);
  }
  RemoveStaleTemporaries(dir, base);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return false;
    const int err = errno;
    throw EFOpenError(path, "Cannot open \"" + path + "\": " + SysErrorMessage(err) + ".");
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    throw EFOpenError(path, "Cannot open \"" + path + "\": it is a directory.");
  }
  if (static_cast<std::size_t>(st.st_size) > maxBytes) {
    close(fd);
    throw EFOpenError(path, "Cannot open \"" + path + "\": the file is too large (" +
                                std::to_string(st.st_size) + " bytes).");
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      close(fd);
      throw EFOpenError(path, "Cannot read \"" + path + "\": " + SysErrorMessage(err) + ".");
    }
    if (n == 0) break;  // shrank meanwhile
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  close(fd);
  return true;
}
