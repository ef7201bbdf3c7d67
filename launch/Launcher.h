#pragma once
// Settings store, renderer configuration and the emulator's start, around the one settings record.
#include <string>
#include <vector>

#include "catalogue/Paths.h"
#include "launch/Settings.h"
#include "launch/Shell.h"

class TListFile;

class TLauncher {
 public:
  TLauncher(const TPaths& paths, IShell& shell);

  // Before the first load: texts empty, booleans false, indexes -1; Renderer is set by
  // DiscoverRenderers.
  TGameSettings GameSettings;
  std::vector<std::string> Renderers;  // renderer plug-in file names, no directory

  // Fills Renderers from the executable's directory and selects item 0 (-1 when empty).
  void DiscoverRenderers();

  // With number <= 0 only the ROM directory field is read (a missing list file is created).
  void LoadSettings(int number);
  // The same from a list file already read (and created when missing) by the caller.
  void LoadSettings(int number, const TListFile& file);
  // Writes every setting to Rom<number> and the ROM directory to General/Path, in one change of
  // the list file (all of them or none).
  void SaveSettings(int number);
  // The ROM directory command: General/Path alone (the list file is created first if missing).
  void SaveRomDirectory(const std::string& romDir);

  // ExeDir + "renderer.cfg", 16 lines, CR LF. Raises EInOutError naming the file.
  void WriteRendererConfig();
  std::string RendererConfigText() const;

  // The emulator's parameter text for game position p, from the current settings.
  std::string Parameters(int p) const;

  // LoadSettings(p + 1), WriteRendererConfig, then the shell's "Open" of "tavi.exe".
  void PlayGame(int p);

  const TPaths& Paths() const { return FPaths; }

 private:
  TPaths FPaths;
  IShell& FShell;
};
