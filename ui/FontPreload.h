#pragma once
// Reading the system's font configuration is the largest single cost of showing any window with
// text (about a third of the program's start). It needs nothing from Qt, so the program starts it
// on another processor and builds its window meanwhile; Qt finds it done when it first needs a
// font.

class TFontPreload {
 public:
  // Starts the reading on a processor other than this thread's; does nothing when there is only
  // one.
  TFontPreload();
  // Waits for the reading, so it never outlives the program's main.
  ~TFontPreload();
  TFontPreload(const TFontPreload&) = delete;
  TFontPreload& operator=(const TFontPreload&) = delete;

  // Before anything measures or draws text: Qt would otherwise read the configuration a second
  // time alongside. Returns at once when no reading runs.
  static void Wait();
};
