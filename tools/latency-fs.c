// ludra-latency-fs: a read-only FUSE pass-through that waits a fixed time before answering each
// request and lets the kernel cache nothing, so every file request of a program costs what it
// costs on a network share or a USB disk. The benchmarks mount it over their ROM folders.
//   ludra-latency-fs SOURCE MOUNTPOINT [--delay-us=N] [--pause-file=PATH] [FUSE options, e.g. -f]
// While PATH exists, no request is answered: the share has stopped answering. A request whose
// caller is killed meanwhile is given up, as a hard NFS mount gives it up.
// Unmount with fusermount3 -u MOUNTPOINT.
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <dirent.h>
#include <signal.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

struct TOptions {
  const char* Source;
  unsigned DelayUs;
  const char* PauseFile;
};
static struct TOptions gOptions = {NULL, 1000, NULL};

static int gRoot = -1;  // the source folder, which every path is opened relative to

static void Sleep(unsigned us) {
  struct timespec t = {us / 1000000, (long)(us % 1000000) * 1000};
  while (nanosleep(&t, &t) != 0 && errno == EINTR && !fuse_interrupted()) {
  }
}

// Every request waits before it is answered; requests in flight wait side by side, as on a
// device with a queue. 0, or -EINTR for a request given up by its caller while paused.
static int Wait(void) {
  Sleep(gOptions.DelayUs);
  while (gOptions.PauseFile && access(gOptions.PauseFile, F_OK) == 0) {
    if (fuse_interrupted()) return -EINTR;
    Sleep(5000);
  }
  return 0;
}

static void Interrupted(int signal) {
  (void)signal;
}

// "/a/b" -> "a/b", "/" -> "."
static const char* Relative(const char* path) {
  while (*path == '/') ++path;
  return *path ? path : ".";
}

static void* Init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
  (void)conn;
  cfg->entry_timeout = 0;
  cfg->attr_timeout = 0;
  cfg->negative_timeout = 0;
  cfg->direct_io = 1;  // no page cache: each read goes to the file system
  cfg->kernel_cache = 0;
  cfg->use_ino = 1;
  cfg->intr = 1;  // a killed caller's request is given up (see Wait and main)
  return NULL;
}

static int GetAttr(const char* path, struct stat* st, struct fuse_file_info* fi) {
  const int waited = Wait();
  if (waited != 0) return waited;
  const int r =
      fi ? fstat((int)fi->fh, st) : fstatat(gRoot, Relative(path), st, AT_SYMLINK_NOFOLLOW);
  return r == 0 ? 0 : -errno;
}

static int ReadLink(const char* path, char* buffer, size_t size) {
  const int waited = Wait();
  if (waited != 0) return waited;
  if (size == 0) return -EINVAL;
  const ssize_t n = readlinkat(gRoot, Relative(path), buffer, size - 1);
  if (n < 0) return -errno;
  buffer[n] = 0;
  return 0;
}

static int Open(const char* path, struct fuse_file_info* fi) {
  const int waited = Wait();
  if (waited != 0) return waited;
  if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
  const int fd = openat(gRoot, Relative(path), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -errno;
  fi->fh = (uint64_t)fd;
  fi->direct_io = 1;
  fi->keep_cache = 0;
  return 0;
}

static int Read(const char* path, char* buffer, size_t size, off_t offset,
                struct fuse_file_info* fi) {
  (void)path;
  const int waited = Wait();
  if (waited != 0) return waited;
  const ssize_t n = pread((int)fi->fh, buffer, size, offset);
  return n < 0 ? -errno : (int)n;
}

static int Release(const char* path, struct fuse_file_info* fi) {
  (void)path;
  const int waited = Wait();
  if (waited != 0) return waited;
  close((int)fi->fh);
  return 0;
}

static int OpenDir(const char* path, struct fuse_file_info* fi) {
  const int waited = Wait();
  if (waited != 0) return waited;
  const int fd = openat(gRoot, Relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -errno;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    const int error = errno;
    close(fd);
    return -error;
  }
  fi->fh = (uint64_t)(uintptr_t)dir;
  return 0;
}

// The whole folder in one request: the kernel asks again for what does not fit its buffer.
static int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                   struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
  (void)path;
  (void)flags;
  const int waited = Wait();
  if (waited != 0) return waited;
  DIR* dir = (DIR*)(uintptr_t)fi->fh;
  if (offset == 0)
    rewinddir(dir);
  else
    seekdir(dir, offset);
  for (struct dirent* e; (e = readdir(dir)) != NULL;) {
    struct stat st;
    memset(&st, 0, sizeof st);
    st.st_ino = e->d_ino;
    st.st_mode = (mode_t)DTTOIF(e->d_type);
    if (fill(buffer, e->d_name, &st, telldir(dir), 0)) break;
  }
  return 0;
}

static int ReleaseDir(const char* path, struct fuse_file_info* fi) {
  (void)path;
  const int waited = Wait();
  if (waited != 0) return waited;
  closedir((DIR*)(uintptr_t)fi->fh);
  return 0;
}

static int StatFs(const char* path, struct statvfs* st) {
  const int waited = Wait();
  if (waited != 0) return waited;
  (void)path;
  return fstatvfs(gRoot, st) == 0 ? 0 : -errno;
}

static const struct fuse_operations kOperations = {
    .getattr = GetAttr,
    .readlink = ReadLink,
    .open = Open,
    .read = Read,
    .release = Release,
    .opendir = OpenDir,
    .readdir = ReadDir,
    .releasedir = ReleaseDir,
    .statfs = StatFs,
    .init = Init,
};

static const struct fuse_opt kOptionSpecs[] = {
    {"--delay-us=%u", offsetof(struct TOptions, DelayUs), 0},
    {"--pause-file=%s", offsetof(struct TOptions, PauseFile), 0},
    FUSE_OPT_END,
};

// The first argument that is not an option is the source; the mount point is FUSE's.
static int TakeSource(void* data, const char* arg, int key, struct fuse_args* args) {
  (void)data;
  (void)args;
  if (key == FUSE_OPT_KEY_NONOPT && !gOptions.Source) {
    gOptions.Source = strdup(arg);
    return 0;
  }
  return 1;
}

int main(int argc, char** argv) {
  struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
  if (fuse_opt_parse(&args, &gOptions, kOptionSpecs, TakeSource) != 0) return 1;
  if (!gOptions.Source) {
    fprintf(stderr,
            "usage: %s SOURCE MOUNTPOINT [--delay-us=N] [--pause-file=PATH] [FUSE options]\n",
            argv[0]);
    return 2;
  }
  gRoot = open(gOptions.Source, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (gRoot < 0) {
    perror(gOptions.Source);
    return 1;
  }
  // libfuse interrupts the thread of a request whose caller was killed with SIGUSR1, and installs
  // no handler for it when intr is set at init: without this one, the signal would end the whole
  // file system and leave a dead mount. No SA_RESTART, so that the wait in Sleep ends.
  struct sigaction interrupt;
  memset(&interrupt, 0, sizeof interrupt);
  interrupt.sa_handler = Interrupted;
  sigemptyset(&interrupt.sa_mask);
  sigaction(SIGUSR1, &interrupt, NULL);
  // Enough threads that a program with many requests in flight has them all waiting at once.
  fuse_opt_add_arg(&args, "-o");
  fuse_opt_add_arg(&args, "ro,default_permissions,max_threads=128,max_idle_threads=128");
  const int result = fuse_main(args.argc, args.argv, &kOperations, NULL);
  fuse_opt_free_args(&args);
  return result;
}
