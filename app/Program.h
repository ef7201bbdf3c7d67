#pragma once
// The program's own process before its window: the command-line modes that need none, and where
// this run keeps its files.
#include <optional>

#include "app/CommandLine.h"
#include "app/EmulatorFolder.h"
#include "app/Places.h"
#include "catalogue/Paths.h"
#include "launch/Shell.h"

// What the command line leaves for the window.
struct TStart {
  TCommandLine Options;
  bool Installed = false;
  // A portable copy: the process's own paths. An installed program: the emulator's folder when
  // it is known without asking, else nothing, and the user must choose.
  std::optional<TPaths> Paths;
  TEmulatorFolder Folders{UserConfigDir()};
};

// Runs what the command line asks for when it needs no window (--help, --version, --run,
// --desktop-entry, the log keeper, a bad argument) and returns the exit code. Otherwise returns
// nothing, and `start` holds what the window needs.
std::optional<int> RunWithoutWindow(int argc, char** argv, TStart& start);

// The window's paths, once the application object exists. An installed program that knows no
// emulator's folder asks for one (with --choose-emulator-dir, asks anew), and works in it.
// Nothing when the user cancels or the folder cannot be entered (said on stderr and, for a
// cancel, in a message): the program then ends.
std::optional<TPaths> WindowPaths(const TStart& start);

// The program's own: logs under the user's state folder, kept by this executable.
TRunOptions ProgramRunOptions(IRunWatcher* watcher);
