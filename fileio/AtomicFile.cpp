#include "fileio/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <thread>

#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"

namespace {
// Closes a descriptor and removes a temporary file unless told the rename went through.
struct TTempGuard {
  TFd Fd;
  std::string Path;
  bool Keep = false;
  ~TTempGuard() {
    Fd.Reset();
    if (!Keep && !Path.empty()) unlink(Path.c_str());
  }
};

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The process's file creation mask, which a newly made file's mode honours. Read, not set: a
// umask() round trip would race with other threads creating files.
mode_t CurrentUmask() {
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[128];
    unsigned value;
    while (std::fgets(line, sizeof line, status))
      if (std::sscanf(line, "Umask: %o", &value) == 1) mask = static_cast<mode_t>(value);
    std::fclose(status);
  }
  return mask;
}

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

std::string LinkTarget(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = readlink(current.c_str(), link.data(), link.size());
    if (n <= 0) return current;
    link.resize(static_cast<std::size_t>(n));
    current = link.front() == '/' ? link : DirectoryOf(current) + link;
  }
  return current;  // a loop of links: using it fails, and says so
}

TMessage NotRegularReason(unsigned mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return TMessage::Template(QT_TRANSLATE_NOOP("Message", "it is a directory"));
  if (S_ISFIFO(mode))
    return TMessage::Template(QT_TRANSLATE_NOOP("Message", "it is a named pipe, not a file"));
  if (S_ISSOCK(mode))
    return TMessage::Template(QT_TRANSLATE_NOOP("Message", "it is a socket, not a file"));
  if (S_ISCHR(mode) || S_ISBLK(mode))
    return TMessage::Template(QT_TRANSLATE_NOOP("Message", "it is a device, not a file"));
  return TMessage::Template(QT_TRANSLATE_NOOP("Message", "it is not a regular file"));
}

namespace {
// Rewrites the file where it lies, for a folder that takes no new file: room for the new bytes is
// taken before the old ones are touched, so a full disk fails with the file as it was.
void WriteInPlace(const std::string& target, std::string_view bytes, TWriteFailure raise) {
  auto failed = [&] {
    const int err = errno;
    raise(err, SysErrorMessage(err));
  };
  const TFd file(open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.IsOpen()) return failed();
  struct stat st;
  if (fstat(file.Get(), &st) != 0) return failed();
  if (!S_ISREG(st.st_mode)) return raise(EINVAL, NotRegularReason(st.st_mode));
  if (static_cast<std::size_t>(st.st_size) < bytes.size()) {
    const int err = posix_fallocate(file.Get(), 0, static_cast<off_t>(bytes.size()));
    if (err != 0 && err != EOPNOTSUPP && err != EINVAL) {
      (void)!ftruncate(file.Get(), st.st_size);  // what a partial reservation added
      return raise(err, SysErrorMessage(err));
    }
  }
  if (!WriteFull(file.Get(), bytes.data(), bytes.size())) return failed();
  if (ftruncate(file.Get(), static_cast<off_t>(bytes.size())) != 0 || fsync(file.Get()) != 0)
    return failed();
}
}  // namespace

namespace {
void WriteAtomic(const std::string& path, std::string_view bytes, TWriteFailure raise, bool flush);
}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes, std::string_view verb) {
  WriteFileAtomic(path, bytes, [&](int, const TMessage& reason) {
    throw EFCreateError(path, FileError(verb, path, reason));
  });
}

void WriteFileAtomic(const std::string& path, std::string_view bytes, TWriteFailure raise) {
  WriteAtomic(path, bytes, raise, true);
}

void ReplaceFileUnflushed(const std::string& path, std::string_view bytes) {
  WriteAtomic(
      path, bytes,
      [&](int, const TMessage& reason) {
        throw EFCreateError(path, FileError("write", path, reason));
      },
      false);
}

namespace {
void WriteAtomic(const std::string& path, std::string_view bytes, TWriteFailure raise, bool flush) {
  auto fail = [&](int code, const TMessage& reason) {
    raise(code, reason);
    throw EFCreateError(path, FileError("write", path, reason));  // a raise that did not
  };
  auto failed = [&] {
    const int err = errno;
    fail(err, SysErrorMessage(err));
  };
  const std::string target = LinkTarget(path);
  struct stat st;
  const bool exists = stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode))
    fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL, NotRegularReason(st.st_mode));
  // The owner's write bit plays the part of the read-only attribute, also for root.
  if (exists && !(st.st_mode & S_IWUSR))
    fail(EACCES, TMessage::Template(QT_TRANSLATE_NOOP("Message", "the file is read-only")));
  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());

  const std::string dir = DirectoryOf(target);
  const std::string base = target.substr(dir.size());
  static unsigned counter = 0;
  TTempGuard temp;
  for (int attempt = 0; attempt < 100 && !temp.Fd.IsOpen(); ++attempt) {
    temp.Path =
        dir + "." + base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    // Never readable by more than the owner and the target's readers, not even for a moment.
    temp.Fd.Reset(open(temp.Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0600));
    if (!temp.Fd.IsOpen() && errno != EEXIST) {
      const int err = errno;
      temp.Path.clear();
      if (exists && (err == EACCES || err == EPERM)) {
        WriteInPlace(target, bytes, fail);
        return;
      }
      fail(err, SysErrorMessage(err));
    }
  }
  if (!temp.Fd.IsOpen()) {
    temp.Path.clear();
    fail(EEXIST, TMessage::Template(
                     QT_TRANSLATE_NOOP("Message", "no temporary file could be made beside it")));
  }

  if (!WriteFull(temp.Fd.Get(), bytes.data(), bytes.size())) failed();
  // A new file is the writer's: the old one's owner and group are given back where allowed (root
  // saving a user's file; a member of the file's group), or at least its group.
  if (exists && fchown(temp.Fd.Get(), st.st_uid, st.st_gid) != 0)
    (void)!fchown(temp.Fd.Get(), static_cast<uid_t>(-1), st.st_gid);
  if (fchmod(temp.Fd.Get(), mode) != 0) failed();
  if (flush && fsync(temp.Fd.Get()) != 0) failed();
  if (temp.Fd.Close() != 0) failed();
  if (rename(temp.Path.c_str(), target.c_str()) != 0) failed();
  temp.Keep = true;

  // Make the rename itself durable.
  if (flush) {
    const TFd folder(open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen()) fsync(folder.Get());
  }
  RemoveStaleTemporaries(dir, base);
}
}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes) {
  bytes.clear();
  auto fail = [&](std::string_view verb, const TMessage& reason) {
    throw EFOpenError(path, FileError(verb, path, reason));
  };
  // Looked at before it is opened: opening a device can have effects of its own.
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    fail("open", NotRegularReason(st.st_mode));
  // Without O_NONBLOCK, a named pipe put there meanwhile would hold the open until a writer came.
  const TFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.IsOpen()) {
    if (errno == ENOENT) return false;
    fail("open", SysErrorMessage(errno));
  }
  if (fstat(file.Get(), &st) != 0) fail("open", SysErrorMessage(errno));
  if (!S_ISREG(st.st_mode)) fail("open", NotRegularReason(st.st_mode));
  if (static_cast<std::size_t>(st.st_size) > maxBytes)
    fail("open",
         TMessage::Template(QT_TRANSLATE_NOOP("Message", "the file is too large (%1 bytes)"),
                            {std::to_string(st.st_size)}));
  try {
    bytes.resize(static_cast<std::size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(path);
  }
  const ssize_t got = ReadFull(file.Get(), bytes.data(), bytes.size());
  if (got < 0) fail("read", SysErrorMessage(errno));
  bytes.resize(static_cast<std::size_t>(got));  // fewer when it shrank meanwhile
  return true;
}

namespace {
using TLockClock = std::chrono::steady_clock;

std::atomic<TLockWaiter> gLockWaiter{nullptr};

// The signal that ends a lock's wait at its deadline. Its handler does nothing: the flock() it
// interrupts returns EINTR. None of the program's libraries uses it.
int LockTimerSignal() {
  return SIGRTMIN + 5;
}

void EndLockWait(int) {}

bool LockTimerReady() {
  static const bool ready = [] {
    struct sigaction before {};
    if (sigaction(LockTimerSignal(), nullptr, &before) != 0) return false;
    if ((before.sa_flags & SA_SIGINFO) != 0 || before.sa_handler != SIG_DFL) return false;
    struct sigaction action {};
    action.sa_handler = EndLockWait;
    sigemptyset(&action.sa_mask);
    return sigaction(LockTimerSignal(), &action, nullptr) == 0;  // no SA_RESTART
  }();
  return ready;
}

// Asks again and again, more and more slowly: where no timer can be made.
int PollLock(int fd, int operation, TLockClock::time_point deadline) {
  auto pause = std::chrono::milliseconds(1);
  while (flock(fd, operation | LOCK_NB) != 0) {
    if (errno != EINTR && errno != EWOULDBLOCK) return errno;
    if (TLockClock::now() >= deadline) return EWOULDBLOCK;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
  return 0;
}

// Waits in the kernel's queue, woken the moment the holder lets go, and so is not starved by a
// writer that saves back to back (asking now and then misses the short gaps between its saves).
// A timer of this thread's own ends the wait at `deadline`, and again every few milliseconds
// after it, should the first signal come before the wait began. 0, or the error (EWOULDBLOCK
// once the deadline has passed).
int LockBefore(int fd, int operation, TLockClock::time_point deadline) {
  sigevent event{};
  event.sigev_notify = SIGEV_THREAD_ID;
  event.sigev_signo = LockTimerSignal();
  event._sigev_un._tid = gettid();
  timer_t timer;
  if (!LockTimerReady() || timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
    return PollLock(fd, operation, deadline);
  sigset_t timerSignal, before;
  sigemptyset(&timerSignal);
  sigaddset(&timerSignal, LockTimerSignal());
  pthread_sigmask(SIG_UNBLOCK, &timerSignal, &before);
  const auto left =
      std::max<std::chrono::nanoseconds>(deadline - TLockClock::now(), std::chrono::nanoseconds(1));
  itimerspec when{};
  when.it_value.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
  when.it_value.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
  when.it_interval.tv_nsec = 5'000'000;
  timer_settime(timer, 0, &when, nullptr);
  int result = 0;
  while (flock(fd, operation) != 0) {
    if (errno != EINTR) {
      result = errno;
      break;
    }
    if (TLockClock::now() >= deadline) {
      result = EWOULDBLOCK;
      break;
    }
  }
  timer_delete(timer);
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return result;
}
}  // namespace

void SetLockWaiter(TLockWaiter waiter) {
  gLockWaiter.store(waiter);
}

TFileLock::TFileLock(const std::string& file, std::chrono::milliseconds timeout, TMode mode) {
  const std::string dir = DirectoryOf(LinkTarget(file));
  FFd.Reset(open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  // A folder that cannot be opened is missing (the write that follows fails and says so) or
  // unreadable (it is written unlocked).
  if (!FFd.IsOpen()) return;
  const int operation = mode == Shared ? LOCK_SH : LOCK_EX;
  int result;
  do result = flock(FFd.Get(), operation | LOCK_NB) == 0 ? 0 : errno;
  while (result == EINTR);
  if (result == EWOULDBLOCK) {
    const auto deadline = TLockClock::now() + timeout;
    const auto wait = [&] { result = LockBefore(FFd.Get(), operation, deadline); };
    if (const TLockWaiter waiter = gLockWaiter.load())
      waiter(wait);
    else
      wait();
  }
  if (result == 0) return;
  FFd.Reset();
  if (result != EWOULDBLOCK) return;  // no locks on this file system
  const auto ms = timeout.count();
  const TMessage span =
      ms % 1000 == 0
          ? TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 seconds"),
                               {std::to_string(ms / 1000)})
          : TMessage::Template(QT_TRANSLATE_NOOP("Message", "%1 ms"), {std::to_string(ms)});
  const TMessage message = FileError(
      mode == Shared ? "read" : "write", file,
      TMessage::Template(
          QT_TRANSLATE_NOOP("Message", "another program has kept it locked for more than %1"),
          {span}));
  if (mode == Shared) throw EFOpenError(file, message);
  throw EFCreateError(file, message);
}

TFileLock::~TFileLock() = default;  // closing the folder releases the lock
