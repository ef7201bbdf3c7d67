#include "tools/ZipWriter.h"

#include <array>

uint32_t Crc32(const std::string& data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

namespace {
void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
void Put64(std::string& s, uint64_t v) {
  Put32(s, static_cast<uint32_t>(v));
  Put32(s, static_cast<uint32_t>(v >> 32));
}
}  // namespace

std::string BuildZip(const std::vector<TZipMember>& members, const std::string& comment,
                     bool zip64) {
  std::string out, central;
  const uint32_t dosTime = 0x6000, dosDate = 0x5A21;
  for (const auto& m : members) {
    const auto offset = static_cast<uint32_t>(out.size());
    Put32(out, 0x04034B50);
    Put16(out, 10);
    Put16(out, m.Flags);
    Put16(out, 0);  // stored
    Put16(out, dosTime);
    Put16(out, dosDate);
    Put32(out, Crc32(m.Data));
    Put32(out, static_cast<uint32_t>(m.Data.size()));
    Put32(out, static_cast<uint32_t>(m.Data.size()));
    Put16(out, static_cast<uint32_t>(m.Name.size()));
    Put16(out, 0);
    out += m.Name;
    out += m.Data;

    Put32(central, 0x02014B50);
    Put16(central, 20);
    Put16(central, 10);
    Put16(central, m.Flags);
    Put16(central, 0);
    Put16(central, dosTime);
    Put16(central, dosDate);
    Put32(central, Crc32(m.Data));
    Put32(central, static_cast<uint32_t>(m.Data.size()));
    Put32(central, static_cast<uint32_t>(m.Data.size()));
    Put16(central, static_cast<uint32_t>(m.Name.size()));
    Put16(central, static_cast<uint32_t>(m.Extra.size()));
    Put16(central, static_cast<uint32_t>(m.Comment.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0);
    Put32(central, offset);
    central += m.Name;
    central += m.Extra;
    central += m.Comment;
  }
  const auto cdOffset = static_cast<uint64_t>(out.size());
  out += central;
  const auto count = static_cast<uint32_t>(members.size());
  if (zip64) {
    const auto z64Offset = static_cast<uint64_t>(out.size());
    Put32(out, 0x06064B50);
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, count);
    Put64(out, count);
    Put64(out, central.size());
    Put64(out, cdOffset);
    Put32(out, 0x07064B50);  // locator
    Put32(out, 0);
    Put64(out, z64Offset);
    Put32(out, 1);
  }
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, zip64 ? 0xFFFF : count);
  Put16(out, zip64 ? 0xFFFF : count);
  Put32(out, zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(central.size()));
  Put32(out, zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(cdOffset));
  Put16(out, static_cast<uint32_t>(comment.size()));
  out += comment;
  return out;
}
