#pragma once
// --desktop-entry N: a menu entry that starts one game of one emulator's folder.
#include <string>

#include "catalogue/Paths.h"

// A desktop entry in `dataHome`/applications that runs `exe` with --run N for this emulator
// folder. Prints the path written. 0 written, 1 failed, 2 no such game.
int WriteGameDesktopEntry(const TPaths& paths, bool installed, const std::string& exe,
                          const std::string& dataHome, int number);
