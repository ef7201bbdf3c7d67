#pragma once
// The audit with many archive reads in flight. On a network share or a USB disk every file request
// waits on the device, so the archives of one audit are read by a small pool of threads while the
// calling thread reads the list file and hands the games over in catalogue order: the outcome is
// the one that reading them one after the other gives, errors included.
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>

#include "catalogue/Games.h"
#include "fileio/Errors.h"

// How many archives an audit reads at once, the calling thread included: enough to keep the queue
// of a share or a disk full. On local files the threads finish sooner and cost next to nothing.
constexpr int kAuditReads = 32;

// Shared between a running audit and the threads that watch it or stop it.
struct TAuditControl {
  std::atomic<bool> Cancel{false};    // set from anywhere: the audit stops after its current reads
  std::atomic<std::size_t> Total{0};  // the games of the catalogue, counted as the audit starts
  std::atomic<std::size_t> Done{0};   // the games audited and handed over so far
};

// Raised by an audit whose control was cancelled, in place of its result.
class EAuditCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "the audit was cancelled"; }
};

// Raised in place of an audit's result when the ROM folder cannot be examined because its storage
// failed (a share whose server is gone, read errors) or it may not be searched: which archives are
// there is then unknown, and no game is called missing for it. The message names the folder and
// gives the system's reason.
class ERomFolderUnreadable : public EInOutError {
  using EInOutError::EInOutError;
};

class TDat;
class TAuditCache;

struct TAuditOptions {
  int Reads = kAuditReads;  // 1: the calling thread reads every archive itself, in order
  TAuditControl* Control = nullptr;
  // A ROM list to check each game's files against, for an audit with notes.
  const TDat* Dat = nullptr;
  // What earlier audits read (AuditCache.h): archives whose key is unchanged are not opened, and
  // what is read afresh is added. nullptr: every archive is read.
  TAuditCache* Cache = nullptr;
  // Called by the thread about to read the archive of the game at catalogue position `p` (tests
  // slow some reads down, so that they finish out of order).
  std::function<void(std::size_t p)> BeforeRead;
  // Called before each reader thread is made; tests throw there for a thread that cannot be.
  std::function<void()> BeforeThread;
};

// Each thread that allocates would get a heap of its own from glibc, each reserving 64 MiB of
// address space: an audit's 32 readers alone would take 2 GiB of it, which an address-space limit
// does not allow. The audit's threads allocate little, so the process's threads share the heaps
// there are from then on. Called before the readers are made; a program that audits on a thread
// of its own calls it before making that.
void ShareHeaps();

// The games of the catalogue in `list`, counted as the audit counts them (up to the first
// section without a title).
std::size_t CountGames(const TIniFile& list);
