// Plug-in discovery: which "*.tvi" files next to the executable are renderers.
#include "launch/Plugins.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "fileio/Errors.h"
#include "fileio/FileDescriptor.h"
#include "fileio/FileWindow.h"
#include "fileio/Text.h"
#include "launch/ElfExports.h"
#include "launch/PeExports.h"

namespace {

// Tested in this order; the first one exported decides the kind.
const std::vector<std::string_view> kKindExports = {"ZN_JammaOpen", "ZN_GPUinit", "ZN_SPUopen"};

TPluginKind KindOf(const std::vector<bool>& exported) {
  for (std::size_t k = 0; k < exported.size(); ++k)
    if (exported[k]) return static_cast<TPluginKind>(k);
  return pkOther;
}

bool HasTviExtension(const std::string& name) {
  return name.size() >= 4 &&
         AsciiEqualNoCase(std::string_view(name).substr(name.size() - 4), ".tvi");
}

// The kind of the file `name` in the directory `dirFd` (or the current one for AT_FDCWD).
TPluginKind KindAt(int dirFd, const char* name) {
  // Read, never loaded: loading would run the plug-in's own code inside this program.
  // O_NONBLOCK keeps a FIFO named "*.tvi" from stalling the start.
  const TFd file(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st;
  if (!file.IsOpen() || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return pkOther;
  // One window serves the format check and the reader: the headers and, in most plug-ins, the
  // tables they point to are in the first block.
  TFileWindow window(file.Get(), static_cast<uint64_t>(st.st_size), 4096, 64 * 1024);
  const unsigned char* head = window.Get(0, std::min<uint64_t>(4, window.Size()));
  if (!head || window.Size() < 2) return pkOther;
  if (window.Size() >= 4 && std::memcmp(head,
                                        "\x7f"
                                        "ELF",
                                        4) == 0)
    return KindOf(FindElfExports(window, kKindExports));
  if (head[0] == 'M' && head[1] == 'Z') return KindOf(FindPeExports(window, kKindExports));
  return pkOther;
}

// The same; running out of memory while reading the file names it (`path`).
TPluginKind KindOrRaise(int dirFd, const char* name, const std::string& path) {
  try {
    return KindAt(dirFd, name);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(path);
  }
}

}  // namespace

TPluginKind PluginKind(const std::string& path) {
  return KindOrRaise(AT_FDCWD, path.c_str(), path);
}

std::vector<std::string> FindRenderers(const std::string& exeDir) {
  std::vector<std::string> candidates;
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(
      ::opendir(exeDir.empty() ? "." : exeDir.c_str()), ::closedir);
  DIR* const dir = listing.get();
  if (!dir) return {};
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.' || !HasTviExtension(name)) continue;
    // Follows links: a link to a plug-in counts, a directory (or a link to one) does not.
    if (entry->d_type != DT_REG) {
      struct stat st;
      if (::fstatat(::dirfd(dir), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    }
    candidates.push_back(name);
  }

  // The directory's own order is not stable; byte order is.
  std::sort(candidates.begin(), candidates.end());
  std::vector<std::string> renderers;
  for (const auto& name : candidates)
    if (KindOrRaise(::dirfd(dir), name.c_str(), exeDir + name) == pkRenderer)
      renderers.push_back(name);
  return renderers;
}
