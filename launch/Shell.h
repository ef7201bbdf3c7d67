#pragma once
// The shell's "Open": starting a program with a parameter text, without waiting for it.
#include <string>

#include "Message.h"
#include "Paths.h"

class IShell {
 public:
  virtual ~IShell() = default;
  // Starts `program` (a name looked up in the working directory) with `parameters`.
  // Failures are reported by the shell itself, never raised.
  virtual void Open(const std::string& program, const std::string& parameters) = 0;
};

// Where the shell shows its own failure message (the window fills it with a message box).
class IShellReporter {
 public:
  virtual ~IShellReporter() = default;
  virtual void ShellError(const std::string& message) = 0;
  // The same as a template, for a reporter that translates it; by default its English text.
  virtual void ShellMessage(const TMessage& message) { ShellError(message.English()); }
};

// The real shell: splits the parameter text at blanks into arguments and starts the program
// detached, with no shell in between; a Windows executable ("MZ") goes through the wine that
// $WINE names, or `wine` on the PATH. The program is looked up in paths.WorkDir, letter case
// ignored where needed.
class TProcessShell : public IShell {
 public:
  TProcessShell(const TPaths& paths, IShellReporter* reporter);
  void Open(const std::string& program, const std::string& parameters) override;

 private:
  TPaths FPaths;
  IShellReporter* FReporter;
};
