#pragma once
// The program's command line, answered before anything needs a display: --help and --version,
// the emulator's folder of an installed program, and the two commands that show no window.
#include <chrono>
#include <optional>
#include <string>

#include "EmulatorFolder.h"
#include "Paths.h"
#include "Shell.h"

struct TCommandLine {
  enum TMode { Window, Run, DesktopEntry };
  TMode Mode = Window;
  std::string EmulatorDir;         // --emulator-dir, empty when not given
  bool ChooseEmulatorDir = false;  // --choose-emulator-dir: the window asks for the folder anew
  int Game = 0;                    // the N of --run N and --desktop-entry N
};

// Parses argv. Returns the exit code when the program has nothing more to do: 0 after --help or
// --version (printed on stdout), 2 after a bad argument (explained on stderr). Arguments with a
// single dash are the toolkit's (-platform, -style, ...) and are left to it, in the window only.
std::optional<int> ParseCommandLine(int argc, char** argv, TCommandLine& options);

// Where this run keeps its files. A portable copy: the process's own paths (and --emulator-dir is
// refused, with EFOpenError). An installed program: the emulator's folder when it is known
// without asking, else nothing, and the user must choose. Raises EFOpenError for a bad folder.
struct TStart {
  bool Installed = false;
  std::optional<TPaths> Paths;
};
TStart StartPaths(const TCommandLine& options, const TPaths& process, bool installed,
                  const TEmulatorFolder& folders);

// Makes `paths.WorkDir` the process's working directory; raises EFOpenError naming it.
void EnterFolder(const TPaths& paths);

// --run N: game N started exactly as a double click starts it, then watched for `window`.
// 0 started (and running, or ended cleanly), 1 failed to start or ended with a failure within
// `window` (reported on stderr), 2 no such game.
int RunGame(const TPaths& paths, int number, TRunOptions options, std::chrono::milliseconds window);

// --desktop-entry N: a desktop entry that runs `exe` with --run N for this emulator folder.
// Prints the path written. 0 written, 1 failed, 2 no such game.
int WriteGameDesktopEntry(const TPaths& paths, bool installed, const std::string& exe,
                          const std::string& dataHome, int number);

// The running executable's absolute path.
std::string ExecutablePath();

// "$XDG_DATA_HOME/", or "$HOME/.local/share/" when that is unset or not absolute.
std::string UserDataDir();
