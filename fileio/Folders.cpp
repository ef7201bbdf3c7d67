#include "fileio/Folders.h"

#include <sys/stat.h>

#include <cerrno>

#include "fileio/Errors.h"
#include "fileio/PathLookup.h"

void MakeFolders(const std::string& dir, unsigned mode) {
  for (std::size_t at = 1; at <= dir.size(); ++at) {
    if (at < dir.size() && dir[at] != '/') continue;
    const std::string part = dir.substr(0, at);
    if (part.empty() || part.back() == '/' || IsDirectory(part)) continue;
    if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST)
      throw EFCreateError(part, "Cannot create \"" + part + "\": " + SysErrorMessage(errno) + ".");
  }
}
