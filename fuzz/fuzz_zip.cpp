// The archive directory reader on a file holding the fuzzer's bytes.
#include <cstddef>
#include <cstdint>

#include "catalogue/UZipList.h"
#include "fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TScratchFile file;
  TZip zip(file.Write(data, size));
  // Touch every byte of every member so ASan sees any string built from bytes past a buffer.
  size_t sum = 0;
  for (int i = 0; i < zip.Count(); ++i) {
    const TItem& item = zip.Items[i];
    for (char c : item.FileName) sum += static_cast<unsigned char>(c);
    for (char c : item.Path) sum += static_cast<unsigned char>(c);
    sum += item.DateTime + item.CompressedSize + item.Size;
    // The split is at the last separator: the name holds none, the path ends in one.
    if (item.FileName.find_first_of("\\:") != std::string::npos) __builtin_trap();
    if (!item.Path.empty() && item.Path.back() != '\\' && item.Path.back() != ':') __builtin_trap();
    if (item.FileName.find('/') != std::string::npos || item.Path.find('/') != std::string::npos)
      __builtin_trap();
  }
  // Each member takes at least one 46-byte central header from the file.
  if (static_cast<size_t>(zip.Count()) * 46 > size) __builtin_trap();
  volatile size_t sink = sum;
  (void)sink;
  return 0;
}
