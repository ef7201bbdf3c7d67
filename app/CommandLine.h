#pragma once
// The program's command line, answered before anything needs a display.
#include <optional>
#include <string>

#include "catalogue/Paths.h"

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

// Reads the list file as the window's audit does (creating it when missing) and checks that
// game `number` is one of its games; false (with the reason on stderr) when it is not.
bool CheckGameNumber(const TPaths& paths, int number);
