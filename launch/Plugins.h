#pragma once
// Emulator plug-ins ("*.tvi") in the executable's directory, classified by their exports.
#include <string>
#include <vector>

enum TPluginKind { pkController = 0, pkRenderer = 1, pkSound = 2, pkOther = 3 };

// Reads the exported function names from the file (ELF shared objects and Windows DLLs; nothing
// of the plug-in runs) and tests "ZN_JammaOpen", "ZN_GPUinit", "ZN_SPUopen" in that order. A
// file of neither format, or a damaged one, is pkOther. Never throws, never crashes.
TPluginKind PluginKind(const std::string& path);

// The file names (no directory) of the renderer plug-ins in `exeDir`, ascending byte order;
// hidden files and directories skipped, ".tvi" matched without regard to case.
std::vector<std::string> FindRenderers(const std::string& exeDir);
