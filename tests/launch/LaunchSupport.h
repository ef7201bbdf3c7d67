#pragma once
// Helpers shared by the launch tests: a recording shell, a launcher over a temporary folder,
// and a bounded wait for files written by child processes.
#include <string>
#include <vector>

#include "launch/Launcher.h"
#include "tests/common/TestSupport.h"

// Remembers every "Open" instead of starting anything.
class TRecordingShell : public IShell {
 public:
  struct TCall {
    std::string Program;
    std::string Parameters;
  };
  std::vector<TCall> Calls;
  void Open(const std::string& program, const std::string& parameters) override {
    Calls.push_back({program, parameters});
  }
};

class TRecordingReporter : public IShellReporter {
 public:
  std::vector<std::string> Messages;
  void ShellError(const std::string& message) override { Messages.push_back(message); }
};

// Executable directory and working directory in one temporary folder.
struct TLaunchSetup {
  TTempDir Dir;
  TPaths Paths{Dir.Path(), Dir.Path()};
  TRecordingShell Shell;
  TLauncher Launcher{Paths, Shell};

  std::string ListFile() const { return Dir / "ludra.ini"; }
};

// The lines of a text, without their ends (LF or CR LF).
std::vector<std::string> SplitLines(const std::string& text);

// Polls for `path` for up to ten seconds; true when it appeared.
bool WaitForFile(const std::string& path);

// Copies a built plug-in fixture ("renderer.tvi", ...) to `target`.
void CopyPlugin(const std::string& fixture, const std::string& target);
