#pragma once
// Reading the system's font configuration is the largest single cost of showing any window with
// text (about a third of the program's start). It needs nothing from Qt, so the program starts it
// on another processor and builds its window meanwhile; Qt finds it done when it first needs a
// font.

class TFontPreload {
 public:
  // Starts the reading on a processor other than this thread's, unless it runs already; does
  // nothing when there is only one.
  TFontPreload();
  // Waits for the reading, so it never outlives the program's main.
  ~TFontPreload();
  TFontPreload(const TFontPreload&) = delete;
  TFontPreload& operator=(const TFontPreload&) = delete;

  // Before anything measures or draws text: Qt would otherwise read the configuration a second
  // time alongside. Returns at once when no reading runs.
  static void Wait();

  // For a program's .preinit_array (see Ludra.cpp), the earliest its own code runs: before the
  // libraries initialise themselves (Qt, ICU, GLib: about a millisecond), so the reading gains
  // that much. `environment` is the process's; the C library sets `environ` to it only after
  // this, and the reading needs it for the user's own font settings. A reading started here that
  // nothing waits for (the command-line modes) ends with the process.
  static void StartBeforeLibraries(char** environment);
};
