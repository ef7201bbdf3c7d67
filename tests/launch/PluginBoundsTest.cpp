// Windows plug-ins whose export tables claim more than the file holds: classified in bounded
// memory, as what they really export or as no kind at all.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

#include "launch/Plugins.h"
#include "tests/common/TestSupport.h"

namespace {

void Set16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32(std::string& s, size_t at, uint32_t v) {
  Set16(s, at, v & 0xFFFF);
  Set16(s, at + 2, v >> 16);
}

// A DLL with one section at file offset 0x200 (address 0x1000) that holds the export directory,
// its name table and the names (sorted); `nameCount` overrides the directory's count of names.
std::string Dll(bool plus, const std::vector<std::string>& names, uint32_t nameCount) {
  const uint32_t pe = 0x40, optional = pe + 24, optionalSize = plus ? 240 : 224;
  const uint32_t sectionTable = optional + optionalSize, raw = 0x200, va = 0x1000;
  const auto n = static_cast<uint32_t>(names.size());
  std::string section(40 + 4 * n, '\0');
  Set32(section, 20, n);
  Set32(section, 24, nameCount);
  Set32(section, 32, va + 40);  // the name table follows the directory
  for (uint32_t i = 0; i < n; ++i) {
    Set32(section, 40 + 4 * i, va + static_cast<uint32_t>(section.size()));
    section += names[i] + '\0';
  }
  std::string image(raw, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Set32(image, 0x3C, pe);
  image.replace(pe, 4, std::string("PE\0\0", 4));
  Set16(image, pe + 4, plus ? 0x8664 : 0x14C);
  Set16(image, pe + 6, 1);
  Set16(image, pe + 20, optionalSize);
  Set16(image, pe + 22, 0x2102);
  Set16(image, optional, plus ? 0x20B : 0x10B);
  Set32(image, optional + 60, raw);
  const uint32_t directories = optional + (plus ? 112 : 96);
  Set32(image, directories - 4, 16);
  Set32(image, directories, va);
  Set32(image, directories + 4, static_cast<uint32_t>(section.size()));
  image.replace(sectionTable, 6, ".edata");
  Set32(image, sectionTable + 8, static_cast<uint32_t>(section.size()));
  Set32(image, sectionTable + 12, va);
  Set32(image, sectionTable + 16, static_cast<uint32_t>(section.size()));
  Set32(image, sectionTable + 20, raw);
  return image + section;
}

TPluginKind KindOf(const TTempDir& dir, const std::string& bytes) {
  WriteFileBytes(dir / "p.tvi", bytes);
  return PluginKind(dir / "p.tvi");
}

}  // namespace

// ---- Counts beyond the file ------------------------------------------------------------------

TEST(PluginBounds, NameCountOf2To32Minus1CostsNoMemory) {
  TTempDir dir;
  for (bool plus : {false, true}) {
    // The real table holds the renderer's name only; the count claims four billion entries.
    EXPECT_EQ(KindOf(dir, Dll(plus, {"ZN_GPUinit"}, 1)), pkRenderer);
    const long before = PeakRssKiB();
    const TPluginKind kind = KindOf(dir, Dll(plus, {"ZN_GPUinit"}, 0xFFFFFFFF));
    EXPECT_TRUE(kind == pkRenderer || kind == pkOther) << kind;
    EXPECT_LT(PeakRssKiB() - before, 8 * kMiB);
  }
}

TEST(PluginBounds, LargeTableWithAClaimOfMoreStillFindsItsNames) {
  TTempDir dir;
  // 100,000 real names (sorted, "ZN_GPUinit" among them) under a count of 2^31.
  std::vector<std::string> names;
  for (int i = 0; i < 100'000; ++i) names.push_back("Export" + std::to_string(1'000'000 + i));
  names.push_back("ZN_GPUinit");
  const long before = PeakRssKiB();
  const TPluginKind kind = KindOf(dir, Dll(true, names, 0x80000000));
  EXPECT_TRUE(kind == pkRenderer || kind == pkOther) << kind;
  EXPECT_EQ(KindOf(dir, Dll(true, names, static_cast<uint32_t>(names.size()))), pkRenderer);
  // The file is about 2 MiB; the reader keeps a small window of it, never a copy of the table.
  EXPECT_LT(PeakRssKiB() - before, 32 * kMiB);
}

TEST(PluginBounds, NameTableAtTheVeryEndOfTheFile) {
  TTempDir dir;
  std::string bytes = Dll(false, {"ZN_SPUopen"}, 1);
  // The table's one entry moved to the file's last two bytes: half an entry.
  const size_t directory = 0x200;
  Set32(bytes, directory + 32, 0x1000 + static_cast<uint32_t>(bytes.size() - directory - 2));
  EXPECT_EQ(KindOf(dir, bytes), pkOther);
}
