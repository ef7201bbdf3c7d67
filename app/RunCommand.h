#pragma once
// --run N: a game started from the command line, without a window.
#include <chrono>

#include "catalogue/Paths.h"
#include "launch/Shell.h"

// Game N started exactly as a double click starts it, then watched for `window`. 0 started (and
// running, or ended cleanly), 1 failed to start or ended with a failure within `window`
// (reported on stderr, and on the desktop when stderr is no terminal), 2 no such game.
int RunGame(const TPaths& paths, int number, TRunOptions options, std::chrono::milliseconds window);
