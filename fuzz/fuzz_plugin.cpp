// The plug-in readers on an in-memory file holding the fuzzer's bytes: ELF shared objects and
// Windows DLLs, chosen by the file's first bytes as discovery chooses.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/FileWindow.h"
#include "fuzz/ScratchFile.h"
#include "launch/ElfExports.h"
#include "launch/PeExports.h"
#include "launch/Plugins.h"

namespace {
const std::vector<std::string_view> kNames = {"ZN_JammaOpen", "ZN_GPUinit", "ZN_SPUopen"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TScratchFile file;
  const std::string& path = file.Write(data, size);
  std::vector<bool> found;
  TFileWindow window(file.Fd(), size);
  if (size >= 4 && std::memcmp(data,
                               "\x7f"
                               "ELF",
                               4) == 0)
    found = FindElfExports(window, kNames);
  else if (size >= 2 && data[0] == 'M' && data[1] == 'Z')
    found = FindPeExports(window, kNames);
  if (!found.empty() && found.size() != kNames.size()) __builtin_trap();
  // The plug-in's kind is the first of the names it exports, through the same readers.
  int expected = pkOther;
  for (size_t k = found.size(); k-- > 0;)
    if (found[k]) expected = static_cast<int>(k);
  if (PluginKind(path) != expected) __builtin_trap();
  return 0;
}
