#pragma once
// Folders made on demand: the places the program keeps its files in may not exist yet.
#include <string>

// Makes `dir` and every missing folder above it, with `mode` (less the umask). Raises
// EFCreateError naming the first folder that cannot be made.
void MakeFolders(const std::string& dir, unsigned mode);
