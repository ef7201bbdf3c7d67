#include "TestSupport.h"

#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

TTempDir::TTempDir() : TTempDir(fs::temp_directory_path().string()) {}

TTempDir::TTempDir(const std::string& parent) {
  std::string pattern = (fs::path(parent) / "ludra-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  FPath = pattern + "/";
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Tests may leave read-only entries behind; make them removable first.
  for (auto it = fs::recursive_directory_iterator(FPath, ec); !ec && it != fs::end(it);
       it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(FPath, ec);
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void MakeDirs(const std::string& path) {
  fs::create_directories(path);
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
    Put32(out, 0);  // CRC not checked by the reader
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
    Put32(central, 0);
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
