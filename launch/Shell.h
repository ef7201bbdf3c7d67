#pragma once
// The shell's "Open": starting a program with a parameter text, without waiting for it.
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Paths.h"
#include "fileio/Message.h"
#include "launch/EmulatorRun.h"

class IShell {
 public:
  virtual ~IShell() = default;
  // Starts `program` (a name looked up in the working directory) with `parameters`.
  // Failures are reported by the shell itself, never raised.
  virtual void Open(const std::string& program, const std::string& parameters) = 0;
  // The same for one game, which a shell that watches its programs names in its reports.
  virtual void OpenGame(const std::string& program, const std::string& parameters,
                        const TGameRef& game) {
    (void)game;
    Open(program, parameters);
  }
};

// Where the shell shows its own failure message (the window fills it with a message box).
class IShellReporter {
 public:
  virtual ~IShellReporter() = default;
  virtual void ShellError(const std::string& message) = 0;
  // The same as a template, for a reporter that translates it; by default its English text.
  virtual void ShellMessage(const TMessage& message) { ShellError(message.English()); }
};

// What becomes of a started program's output, and who watches it.
struct TRunOptions {
  // Each game's last output is kept in a file here, through the keeper; with either of them
  // empty the output goes nowhere.
  std::string LogDir;
  std::vector<std::string> Keeper;  // the log keeper's command, its program first
  IRunWatcher* Watcher = nullptr;   // gets every run; without one the shell keeps them in Runs()
};

// The real shell: splits the parameter text at blanks into arguments and starts the program in
// its own session, with no shell in between; a Windows executable ("MZ") goes through the wine
// that $WINE names, or `wine` on the PATH. The program is looked up in paths.WorkDir, letter
// case ignored where needed. This process stays the program's parent, to learn how it ended;
// the program outlives it all the same.
class TProcessShell : public IShell {
 public:
  TProcessShell(const TPaths& paths, IShellReporter* reporter, TRunOptions options = {});
  // The game's number is taken from the parameter text's first word.
  void Open(const std::string& program, const std::string& parameters) override;
  void OpenGame(const std::string& program, const std::string& parameters,
                const TGameRef& game) override;

  std::vector<std::unique_ptr<TEmulatorRun>>& Runs() { return FRuns; }

 private:
  TPaths FPaths;
  IShellReporter* FReporter;
  TRunOptions FOptions;
  std::vector<std::unique_ptr<TEmulatorRun>> FRuns;
};
