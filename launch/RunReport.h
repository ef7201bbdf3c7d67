#pragma once
// What Ludra tells about an emulator that ended soon after its start: how long a start is watched
// and the text of the report, the same on the command line, on the desktop and in the window.
#include <chrono>
#include <cstddef>
#include <string>

#include "launch/EmulatorRun.h"

// An emulator that ends with a failure within this time of its start is reported.
constexpr std::chrono::milliseconds kQuickFailureWindow{10000};

// Tail lines shown of the output.
constexpr std::size_t kReportedLines = 15;

// True for a run that ended with a failure within `window` of its start.
bool QuickFailure(const TEmulatorRun& run, std::chrono::milliseconds window);

// The report: the game, how long it ran, how it ended, wine's settings, the last lines and the
// log's path.
std::string QuickFailureText(const TEmulatorRun& run);
