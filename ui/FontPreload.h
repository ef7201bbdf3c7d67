#pragma once
// Reading the system's font configuration (fontconfig) is the largest single cost of showing any
// window with text. It needs nothing from Qt, so the window's start reads it on a second thread
// while the widgets are made; Qt finds it done when it first needs a font. That saves a tenth or
// so of the start to the first painted window (`ludra-bench-window --startup`, against the
// one-label window; docs/conventions.md).

class TFontPreload {
 public:
  // Starts the reading. Only once QApplication exists: its constructor sets the locale, and
  // fontconfig reads locale data (the decimal point of its configuration), which no thread may do
  // while setlocale runs. Only for the window; the command-line modes never read fonts.
  TFontPreload();
  // Joins the reading, should nothing have waited for it (a start that failed early).
  ~TFontPreload();
  TFontPreload(const TFontPreload&) = delete;
  TFontPreload& operator=(const TFontPreload&) = delete;

  // The one place the reading is joined: the main window calls it before it first measures text,
  // since Qt would otherwise read the configuration a second time alongside. Returns at once when
  // no reading runs.
  static void Wait();
};
