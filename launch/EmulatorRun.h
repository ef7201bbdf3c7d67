#pragma once
// One start of the emulator, watched: how and when it ended, and where its output went.
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "fileio/FileDescriptor.h"
#include "fileio/Message.h"

// The game a start is for: its number (section Rom<n>) and title.
struct TGameRef {
  int Number = 0;
  std::string Title;
};

// How a run ended.
struct TRunEnd {
  bool Signaled = false;  // Code is a signal's number, else the exit status
  int Code = 0;
  std::chrono::milliseconds Ran{0};
  bool Failed() const { return Signaled || Code != 0; }
};

// A run of the emulator started by this process, which is its parent and reaps it. Two
// descriptors tell when to look again: the process's (readable once it ended) and the log
// keeper's (readable once the output up to the end is in the log). Destroying a run leaves the
// emulator running.
class TEmulatorRun {
 public:
  using TClock = std::chrono::steady_clock;
  TEmulatorRun(pid_t pid, TClock::time_point started, TFd process, TFd drained, TGameRef game,
               TFd log, std::string logPath, std::vector<std::string> notes);

  int ProcessFd() const { return FProcess.Get(); }  // -1 once it is reaped
  int DrainedFd() const { return FDrained.Get(); }  // -1 once the log is complete
  pid_t Pid() const { return FPid; }

  // Reaps the emulator and takes the keeper's note when they are ready, never waiting; true
  // once both are done.
  bool Update();
  bool Finished() const { return !FProcess.IsOpen() && !FDrained.IsOpen(); }
  // Waits up to `timeout` for the run to finish; true when it did.
  bool WaitFor(std::chrono::milliseconds timeout);

  const TRunEnd& End() const { return FEnd; }
  const TGameRef& Game() const { return FGame; }
  // Empty when the output could not be kept; LogProblem then says why.
  const std::string& LogPath() const { return FLogPath; }
  TMessage LogProblem;
  // "WINE=..." and "WINEPREFIX=..." as they were set, for a program started through wine.
  const std::vector<std::string>& Notes() const { return FNotes; }

  // The last `count` lines of its log (at most its last 64 KiB are read): of this run's own file,
  // also when a later start of the game has taken the name.
  std::vector<std::string> LastLines(std::size_t count) const;

 private:
  pid_t FPid;
  TClock::time_point FStarted;
  TFd FProcess;
  TFd FDrained;
  TGameRef FGame;
  std::string FLogPath;
  std::vector<std::string> FNotes;
  TFd FLog;
  TRunEnd FEnd;
};

// Gets each run the shell starts.
class IRunWatcher {
 public:
  virtual ~IRunWatcher() = default;
  virtual void Watch(std::unique_ptr<TEmulatorRun> run) = 0;
};

// The game's log file name: its number and its title in lower-case letters and digits, a long
// title cut and followed by a digest of it.
std::string LogFileName(const TGameRef& game);

// "SIGSEGV" for a signal's number ("signal 70" for one without a name).
std::string SignalName(int signal);

// The end in English words, for the command line: "exit status 3", "signal SIGSEGV
// (Segmentation fault)".
std::string DescribeEnd(const TRunEnd& end);
