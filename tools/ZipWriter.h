#pragma once
// Writes real ZIP archives (stored members, correct CRCs): test fixtures, the benchmark's archives
// and the demo folder's placeholder ROM sets.
#include <cstdint>
#include <string>
#include <vector>

struct TZipMember {
  std::string Name;  // as stored, "/" separators
  std::string Data = "x";
  std::string Extra;    // extra field bytes in the central header
  std::string Comment;  // member comment
  uint16_t Flags = 0;   // general-purpose flags (bit 11: UTF-8 name)
};
// The CRC-32 of `data`, as ZIP archives and ROM lists state it.
uint32_t Crc32(const std::string& data);
// The archive's bytes: local headers and data, central directory, end record with `comment`.
// With `zip64`, the end record's offset is 0xFFFFFFFF and ZIP64 records carry the real one.
std::string BuildZip(const std::vector<TZipMember>& members, const std::string& comment = "",
                     bool zip64 = false);
