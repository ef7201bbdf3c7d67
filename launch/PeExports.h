#pragma once
// Exported names of a Windows DLL (PE32 or PE32+), read from the file: such plug-ins cannot be
// loaded on this system, but their export table says what kind they are.
#include <string_view>
#include <vector>

#include "fileio/FileWindow.h"

// Looks for each of `names` in the export name table of the file under `w`.
// Returns one flag per name, or an empty vector when the file is no well-formed PE image.
// Every offset and count is checked against the file, and names are found by binary search as
// the system's loader does, so a damaged file costs a few dozen small reads at most.
std::vector<bool> FindPeExports(TFileWindow& w, const std::vector<std::string_view>& names);
