#pragma once
// Where an installed Ludra keeps what a copy in the emulator's folder keeps beside itself.
//
// A copy of the program placed in the emulator's folder finds its list file, "renderer.cfg" and
// the plug-ins beside itself. An installed program lives in a binary folder it must not write to,
// so it works in the emulator's folder instead: the folder named on the command line, else the
// working directory when it holds "tavi.exe", else the folder remembered from the last run. Only a
// folder that holds "tavi.exe" is ever used: any other would get a list file it has no use for.
#include <optional>
#include <string>

#include "catalogue/Paths.h"

class TEmulatorFolder {
 public:
  explicit TEmulatorFolder(std::string configDir) : FConfigDir(std::move(configDir)) {}

  // The folder to use, ending in '/', or nothing when the user must be asked. `given` (from
  // --emulator-dir, relative to `workDir`) must be a folder holding "tavi.exe"; otherwise
  // EFOpenError names it.
  std::optional<std::string> Find(const std::string& given, const std::string& workDir) const;

  // The folder remembered from the last run, when it still holds "tavi.exe".
  std::optional<std::string> Remembered() const;
  // The folder remembered from the last run as it was written (absolute), usable or not.
  std::optional<std::string> RememberedPath() const;
  // Keeps `folder` for the next run; raises EFCreateError naming the file when it cannot.
  void Remember(const std::string& folder) const;
  std::string RememberedFile() const { return FConfigDir + "emulator-folder"; }

 private:
  std::string FConfigDir;
};

// True when `folder` holds "tavi.exe", in any letter case, a file that can be read and is not
// empty.
bool HoldsEmulator(const std::string& folder);
// Why it does not, naming the file when there is one; nothing when it does.
std::optional<std::string> EmulatorProblem(const std::string& folder);

// The nearest folder that exists at or above `path` ("/" at the latest), ending in '/'.
std::string NearestFolder(const std::string& path);

// The paths of an installed program working in `folder`: both the executable's directory (for
// the list file, "renderer.cfg" and the plug-ins) and the working directory point there.
TPaths PathsInFolder(const std::string& folder);
