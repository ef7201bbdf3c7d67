#pragma once
// A quick failure told through the desktop's notifications, for a --run started from a menu entry
// whose stderr nobody reads.
#include "EmulatorRun.h"

// Sends the report through the session bus's notification service; nothing (and no error) when
// there is no bus or no service.
void NotifyDesktop(const TEmulatorRun& run);
