#pragma once
// Emulator plug-ins ("*.tvi") in the executable's directory, classified by their exports.
#include <string>
#include <vector>

enum TPluginKind { pkController = 0, pkRenderer = 1, pkSound = 2, pkOther = 3 };

// Loads the library (ELF through the dynamic loader; Windows DLLs by reading their export table)
// and tests "ZN_JammaOpen", "ZN_GPUinit", "ZN_SPUopen" in that order. A file that does not load
// is pkOther. Never throws, never crashes on a damaged file.
TPluginKind PluginKind(const std::string& path);

// The file names (no directory) of the renderer plug-ins in `exeDir`, ascending byte order;
// hidden files and directories skipped, ".tvi" matched without regard to case.
std::vector<std::string> FindRenderers(const std::string& exeDir);
