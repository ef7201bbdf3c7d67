#pragma once
// Where this program and the files it keeps live: its own executable, the user's folders of the
// desktop's conventions, and the id it is known by. The one place that asks the system for them.
#include <string>

#include "catalogue/Paths.h"

// The desktop file id the installed program is known by (desktop entry, icon, metainfo).
extern const char* const kAppId;

// The running executable's absolute path, as the system names it now (after an upgrade it ends
// in " (deleted)").
std::string ExecutablePath();
// The same, to start again as a helper process: after an upgrade replaced the file, the process's
// own link, which still reaches the binary that runs.
std::string ExecutableToStart();

// The real process: its executable's directory and its working directory.
TPaths ProcessPaths();

// True when `exeDir` is the binary folder of an installed tree: the desktop entry sits where the
// install rules put it, relative to the binary folder, so any prefix and a moved tree both work.
bool IsInstalledProgram(const std::string& exeDir);

// Each ends in '/'; a variable that is unset or not absolute is ignored, as the convention says.
std::string UserConfigDir();  // "$XDG_CONFIG_HOME/ludra/", or "$HOME/.config/ludra/"
std::string UserDataDir();    // "$XDG_DATA_HOME/", or "$HOME/.local/share/"
std::string UserStateDir();   // "$XDG_STATE_HOME/ludra/", or "$HOME/.local/state/ludra/"
