#pragma once
// What Ludra tells about an emulator that ended soon after its start: where its output is kept,
// how long a start is watched, and the report on the command line and the desktop.
#include <chrono>
#include <string>

#include "Shell.h"

// An emulator that ends with a failure within this time of its start is reported.
constexpr std::chrono::milliseconds kQuickFailureWindow{10000};

// Tail lines shown of the output.
constexpr std::size_t kReportedLines = 15;

// The program's own: logs under the user's state folder, kept by this executable.
TRunOptions ProgramRunOptions(IRunWatcher* watcher);

// True for a run that ended with a failure within `window` of its start.
bool QuickFailure(const TEmulatorRun& run, std::chrono::milliseconds window);

// The report on stderr for the command line: the game, how long it ran, how it ended, wine's
// settings, the last lines and the log's path.
std::string QuickFailureText(const TEmulatorRun& run);

// A desktop notification of the same, through the session bus's notification service; nothing
// (and no error) when there is no bus or no service.
void NotifyDesktop(const TEmulatorRun& run);
