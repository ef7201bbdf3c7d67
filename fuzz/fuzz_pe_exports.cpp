// The Windows plug-in export reader. The first two bytes are always "MZ", so the file is read as
// a DLL image and never handed to the dynamic loader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Plugins.h"
#include "ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TScratchFile file(".tvi");
  std::vector<uint8_t> image(data, data + size);
  if (image.size() < 2) image.resize(2);
  image[0] = 'M';
  image[1] = 'Z';
  const TPluginKind kind = PluginKind(file.Write(image.data(), image.size()));
  if (kind != pkController && kind != pkRenderer && kind != pkSound && kind != pkOther)
    __builtin_trap();
  return 0;
}
