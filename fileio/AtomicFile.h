#pragma once
// Whole-file writes that never leave a half-written file behind, the lock that keeps two writers
// of one file apart, and reads that never block on something that is no file.
#include <chrono>
#include <string>
#include <string_view>

#include "fileio/FileDescriptor.h"
#include "fileio/FunctionRef.h"
#include "fileio/Message.h"

// The file that `path` names, symbolic links followed to their end, also when that end does not
// exist yet (a dangling link): writing there keeps the link. `path` itself when it is no link.
std::string LinkTarget(const std::string& path);

// Why `mode` (from stat) is no regular file: "it is a directory", "it is a named pipe", ...; empty
// for a regular file.
TMessage NotRegularReason(unsigned mode);

// The new bytes go to a temporary file in the same directory, created for the owner alone (or
// with the target's mode), flushed to disk, and renamed over the target; the folder is flushed
// too. The replacement keeps the old file's mode, and its owner and group where the process may
// set them. A link is written through, and stays. A failure leaves the old file whole and raises
// EFCreateError naming `path`, with `verb` in its message ("write", "create"). A success also
// removes the temporary files that writers of the same target left when they were killed.
//
// A file the process may write in a folder where it may not make one (a shared folder) cannot
// be replaced: it is rewritten in place instead, room for the new bytes taken first and the
// result flushed. That write is not safe against a crash in its middle.
void WriteFileAtomic(const std::string& path, std::string_view bytes,
                     std::string_view verb = "write");

// The same, for callers with an error of their own: `raise(errorCode, reason)` must throw. The
// code is the system's (EISDIR for a directory in the way, EINVAL for another non-file, EACCES
// for a read-only file).
using TWriteFailure = TFunctionRef<void(int errorCode, const TMessage& reason)>;
void WriteFileAtomic(const std::string& path, std::string_view bytes, TWriteFailure raise);

// The same replacement, whole or not at all, without waiting for the disk: for a file whose loss
// costs nothing but time (a cache that checks itself when read). After a crash it may be empty or
// torn. Raises EFCreateError naming `path`.
void ReplaceFileUnflushed(const std::string& path, std::string_view bytes);

// Reads a whole file without ever blocking: a missing file gives `false`; a file that is no
// regular file, cannot be read or is larger than `maxBytes` raises EFOpenError naming it.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// An exclusive lock over the changes to one file, held for the object's life. It is an advisory
// flock() of the folder that holds the file: the file itself is replaced by every change (a lock
// on it would stay with the old one) and may not exist yet, and a lock file would be left beside
// the user's file. flock() belongs to the open descriptor, so the system releases it when the
// holder exits or is killed; a folder opened for reading can carry it. Where the file system
// cannot lock folders, changes go on unlocked, as crash-safe as before. Waits up to `timeout`
// for another holder, then raises EFCreateError naming `file`.
// Readers take it shared: a change written into the file itself (where the folder takes no new
// file) is then never seen half done. A reader that waits too long raises EFOpenError.
//
// A lock that is not free at once is waited for in the system's queue, so a holder that lets go
// between back-to-back changes lets the waiter in. Where a waiter is set (SetLockWaiter), that
// wait goes through it.
class TFileLock {
 public:
  enum TMode { Exclusive, Shared };
  TFileLock(const std::string& file, std::chrono::milliseconds timeout, TMode mode = Exclusive);
  ~TFileLock();
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

 private:
  TFd FFd;
};

// How a lock that is not free at once is waited for: `wait` blocks until the lock is taken or its
// time is up, never throws, and may run on any thread; the waiter runs it once before it returns.
// The window runs it off its own thread and goes on answering meanwhile. None: run where asked.
using TLockWaiter = void (*)(TFunctionRef<void()> wait);
void SetLockWaiter(TLockWaiter waiter);
