#pragma once
// Exported function names of an ELF shared object, read from the file: loading a plug-in to ask
// would run its initialisation code inside this program.
#include <string_view>
#include <vector>

#include "fileio/FileWindow.h"

// Looks for each of `names` among the defined functions that the dynamic symbol table of the
// shared object in `file` exports (global or weak binding, function or indirect function, not
// hidden). ELF32 and ELF64 of either byte order; the table is found through the section headers
// or, when those are stripped, through the dynamic segment. Returns one flag per name, or an
// empty vector when the file is no well-formed ELF shared object. Every offset, size and count is
// checked against the file, and only small windows of it are held.
std::vector<bool> FindElfExports(TFileWindow& file, const std::vector<std::string_view>& names);
