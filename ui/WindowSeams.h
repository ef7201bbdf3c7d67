#pragma once
// What the windows ask of the user and of chance, handed to them once, at construction. The
// defaults are the real ones; tests put recorders and scripts in their place.
#include <chrono>
#include <functional>

#include "launch/RunReport.h"
#include "ui/FolderChooser.h"

// The platform's folder and file dialogs and its message box.
IFolderChooser& PlatformFolderChooser();
// A position in [0, n), drawn by a generator seeded from the clock when this is made.
std::function<int(int n)> ClockSeededRandom();

struct TWindowSeams {
  // "Rom Directory...", the fixdat's file, the properties dialog's ROM directory button and the
  // notes that go with them. Not owned: it outlives the windows.
  IFolderChooser* Chooser = &PlatformFolderChooser();
  // The random launch draws with this.
  std::function<int(int n)> Random = ClockSeededRandom();
  // A run of the emulator that fails this soon after its start gets a message of its own.
  std::chrono::milliseconds QuickFailureWindow = kQuickFailureWindow;
};
