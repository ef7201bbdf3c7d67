#pragma once
// A quick failure told through the desktop's notifications, for a --run started from a menu entry
// whose stderr nobody reads.
#include "fileio/Message.h"
#include "launch/EmulatorRun.h"

// Sends the report through the session bus's notification service, in the user's language, with
// what the game's archive lacks when `roms` says so; nothing (and no error) when there is no bus
// or no service.
void NotifyDesktop(const TEmulatorRun& run, const TMessage& roms);
