// The Windows plug-in export reader, on an in-memory file holding the fuzzer's bytes. The first
// two bytes are always "MZ", so every input reaches the PE headers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PeExports.h"
#include "Plugins.h"
#include "ScratchFile.h"

namespace {
const std::vector<std::string_view> kNames = {"ZN_JammaOpen", "ZN_GPUinit", "ZN_SPUopen"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TScratchFile file;
  std::vector<uint8_t> image(data, data + size);
  if (image.size() < 2) image.resize(2);
  image[0] = 'M';
  image[1] = 'Z';
  const std::string& path = file.Write(image.data(), image.size());
  const std::vector<bool> found = FindPeExports(file.Fd(), image.size(), kNames);
  if (!found.empty() && found.size() != kNames.size()) __builtin_trap();
  // The plug-in's kind is the first of the names it exports, through the same reader.
  int expected = pkOther;
  for (size_t k = found.size(); k-- > 0;)
    if (found[k]) expected = static_cast<int>(k);
  if (PluginKind(path) != expected) __builtin_trap();
  return 0;
}
