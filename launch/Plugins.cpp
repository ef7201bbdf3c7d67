// Plug-in discovery: which "*.tvi" files next to the executable are renderers.
#include "Plugins.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "PeExports.h"

namespace {

// Tested in this order; the first one exported decides the kind.
const std::vector<std::string_view> kKindExports = {"ZN_JammaOpen", "ZN_GPUinit", "ZN_SPUopen"};

TPluginKind KindOf(const std::vector<bool>& exported) {
  for (std::size_t k = 0; k < exported.size(); ++k)
    if (exported[k]) return static_cast<TPluginKind>(k);
  return pkOther;
}

TPluginKind ElfKind(const std::string& path) {
  // Without a slash the loader would search its library path instead of this file.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* library = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!library) return pkOther;
  std::vector<bool> exported;
  for (auto name : kKindExports)
    exported.push_back(::dlsym(library, std::string(name).c_str()) != nullptr);
  ::dlclose(library);
  return KindOf(exported);
}

class TFd {
 public:
  explicit TFd(int fd) : Fd(fd) {}
  ~TFd() {
    if (Fd >= 0) ::close(Fd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  const int Fd;
};

bool HasTviExtension(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
  return ext == ".tvi";
}

}  // namespace

TPluginKind PluginKind(const std::string& path) {
  // Look before loading: only ELF objects go to the loader, and only Windows images are parsed.
  // O_NONBLOCK keeps a FIFO named "*.tvi" from stalling the start.
  const TFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat st;
  if (file.Fd < 0 || ::fstat(file.Fd, &st) != 0 || !S_ISREG(st.st_mode)) return pkOther;
  unsigned char head[4] = {};
  ssize_t got;
  do got = ::pread(file.Fd, head, sizeof head, 0);
  while (got < 0 && errno == EINTR);

  if (got == 4 && std::memcmp(head,
                              "\x7f"
                              "ELF",
                              4) == 0)
    return ElfKind(path);
  if (got >= 2 && head[0] == 'M' && head[1] == 'Z')
    return KindOf(FindPeExports(file.Fd, static_cast<uint64_t>(st.st_size), kKindExports));
  return pkOther;
}

std::vector<std::string> FindRenderers(const std::string& exeDir) {
  std::vector<std::string> candidates;
  DIR* dir = ::opendir(exeDir.empty() ? "." : exeDir.c_str());
  if (!dir) return {};
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name[0] == '.' || !HasTviExtension(name)) continue;
    // Follows links: a link to a plug-in counts, a directory (or a link to one) does not.
    struct stat st;
    if (::fstatat(::dirfd(dir), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
    candidates.push_back(name);
  }
  ::closedir(dir);

  // The directory's own order is not stable; byte order is.
  std::sort(candidates.begin(), candidates.end());
  std::vector<std::string> renderers;
  for (const auto& name : candidates)
    if (PluginKind(exeDir + name) == pkRenderer) renderers.push_back(name);
  return renderers;
}
