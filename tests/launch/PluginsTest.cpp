#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "launch/Plugins.h"
#include "tests/launch/LaunchSupport.h"

namespace fs = std::filesystem;

namespace {

std::string Fixture(const std::string& name) {
  return std::string(LUDRA_PLUGIN_FIXTURES) + name;
}

void Set16(std::string& s, std::size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Set32(std::string& s, std::size_t at, uint32_t v) {
  Set16(s, at, v & 0xFFFF);
  Set16(s, at + 2, v >> 16);
}

// A Windows DLL as the emulator's own plug-ins come: headers, one section holding the export
// directory, its tables and the names. The options damage it on purpose.
struct TPeImage {
  TPeImage(bool plus, std::vector<std::string> exports) : Plus(plus), Exports(std::move(exports)) {}

  bool Plus;                          // PE32+ (64-bit) instead of PE32
  std::vector<std::string> Exports;   // sorted into the table, as linkers do
  std::optional<uint32_t> NameCount;  // the directory's count of names
  std::optional<uint32_t> ExportRva;  // where the directory claims to be
  std::optional<uint32_t> PeOffset;   // the DOS header's pointer to "PE\0\0"
  std::optional<uint32_t> SectionCount;
  std::optional<uint32_t> FirstNameRva;  // the first entry of the name table

  std::string Build() const {
    const uint32_t peAt = 0x80, optionalAt = peAt + 24, optionalSize = Plus ? 240 : 224;
    const uint32_t sectionAt = optionalAt + optionalSize, rawAt = 0x200, va = 0x1000;
    std::vector<std::string> names = Exports;
    std::sort(names.begin(), names.end());
    const uint32_t n = static_cast<uint32_t>(names.size());

    // The section: directory, function table, name table, ordinals, then the strings.
    const uint32_t functions = 40, nameTable = functions + 4 * n, ordinals = nameTable + 4 * n;
    std::string section(ordinals + 2 * n, '\0');
    const uint32_t dllName = static_cast<uint32_t>(section.size());
    section += std::string("plugin.dll") + '\0';
    std::vector<uint32_t> nameRvas;
    for (const auto& name : names) {
      nameRvas.push_back(va + static_cast<uint32_t>(section.size()));
      section += name + '\0';
    }
    Set32(section, 12, va + dllName);
    Set32(section, 16, 1);  // ordinal base
    Set32(section, 20, n);
    Set32(section, 24, NameCount.value_or(n));
    Set32(section, 28, va + functions);
    Set32(section, 32, va + nameTable);
    Set32(section, 36, va + ordinals);
    for (uint32_t i = 0; i < n; ++i) {
      Set32(section, functions + 4 * i, va);
      Set32(section, nameTable + 4 * i, i == 0 && FirstNameRva ? *FirstNameRva : nameRvas[i]);
      Set16(section, ordinals + 2 * i, i);
    }

    std::string image(rawAt, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Set32(image, 0x3C, PeOffset.value_or(peAt));
    image.replace(peAt, 4, std::string("PE\0\0", 4));
    Set16(image, peAt + 4, Plus ? 0x8664 : 0x14C);
    Set16(image, peAt + 6, SectionCount.value_or(1));
    Set16(image, peAt + 20, optionalSize);
    Set16(image, peAt + 22, 0x2102);  // DLL
    Set16(image, optionalAt, Plus ? 0x20B : 0x10B);
    Set32(image, optionalAt + 60, rawAt);  // size of headers
    const uint32_t directories = optionalAt + (Plus ? 112 : 96);
    Set32(image, directories - 4, 16);
    Set32(image, directories, ExportRva.value_or(n ? va : 0));
    Set32(image, directories + 4, static_cast<uint32_t>(section.size()));
    image.replace(sectionAt, 6, ".edata");
    Set32(image, sectionAt + 8, static_cast<uint32_t>(section.size()));
    Set32(image, sectionAt + 12, va);
    Set32(image, sectionAt + 16, static_cast<uint32_t>(section.size()));
    Set32(image, sectionAt + 20, rawAt);
    return image + section;
  }
};

TPluginKind KindOfBytes(const TTempDir& dir, const std::string& bytes) {
  WriteFileBytes(dir / "p.tvi", bytes);
  return PluginKind(dir / "p.tvi");
}

}  // namespace

// ---- Shared libraries of this system -------------------------------------------------------

TEST(PluginKind, SharedLibrariesAreClassifiedByTheirExports) {
  EXPECT_EQ(PluginKind(Fixture("renderer.tvi")), pkRenderer);
  EXPECT_EQ(PluginKind(Fixture("controller.tvi")), pkController);  // also exports ZN_GPUinit
  EXPECT_EQ(PluginKind(Fixture("sound.tvi")), pkSound);
  EXPECT_EQ(PluginKind(Fixture("nothing.tvi")), pkOther);  // near misses only
}

TEST(PluginKind, FilesThatDoNotLoadHaveNoKind) {
  TTempDir dir;
  EXPECT_EQ(KindOfBytes(dir, "just text\n"), pkOther);
  EXPECT_EQ(KindOfBytes(dir, ""), pkOther);
  EXPECT_EQ(PluginKind(dir / "missing.tvi"), pkOther);
  MakeDirs(dir / "d.tvi");
  EXPECT_EQ(PluginKind(dir / "d.tvi"), pkOther);

  const std::string elf = ReadFileBytes(Fixture("renderer.tvi"));
  EXPECT_EQ(KindOfBytes(dir, elf.substr(0, 64)), pkOther);  // truncated
}

TEST(FindRenderers, OffersPluginsWithoutRunningAnyOfTheirCode) {
  TTempDir dir;
  // Their load-time code leaves a mark, then aborts, exits, hangs or returns; needy.tvi needs a
  // library that is not there, which the emulator reports when it loads the plug-in.
  const std::vector<std::string> names = {"abort.tvi", "exit.tvi", "loop.tvi", "needy.tvi",
                                          "write.tvi"};
  for (const auto& name : names) CopyPlugin(name, dir / name);
  const std::string mark = dir / "ran";
  ::setenv("LUDRA_PLUGIN_MARK", mark.c_str(), 1);
  const std::vector<std::string> found = FindRenderers(dir.Path());
  ::unsetenv("LUDRA_PLUGIN_MARK");
  EXPECT_EQ(found, names);
  EXPECT_FALSE(fs::exists(mark));
}

// ---- ELF of any machine --------------------------------------------------------------------

// Renderers built for other machines by fuzz/make-elf-seeds.sh (also the fuzzer's seeds). In each,
// "ZN_JammaOpen" is data, "ZN_SPUopen" only referenced, and a hidden function is not exported.
const std::vector<std::string> kElfSamples = {
    "renderer-elf32-le-sysv.tvi", "renderer-elf32-be-gnu.tvi", "renderer-elf64-be-sysv.tvi",
    "renderer-elf64-le-gnu.tvi"};

// Reads and writes the header fields of an ELF file in its own class and byte order.
struct TElfEditor {
  std::string Bytes;
  bool Is64 = Bytes[4] == 2, Big = Bytes[5] == 2;

  uint64_t Get(std::size_t at, std::size_t width) const {
    uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i)
      v |= uint64_t{static_cast<unsigned char>(Bytes[at + i])} << 8 * (Big ? width - 1 - i : i);
    return v;
  }
  void Set(std::size_t at, std::size_t width, uint64_t v) {
    for (std::size_t i = 0; i < width; ++i)
      Bytes[at + i] = static_cast<char>(v >> 8 * (Big ? width - 1 - i : i));
  }
  std::size_t Word() const { return Is64 ? 8 : 4; }
  // Where the header of the first section of `type` is, or 0.
  std::size_t Section(uint32_t type) const {
    const uint64_t at = Get(Is64 ? 40 : 32, Word()), size = Get(Is64 ? 58 : 46, 2);
    for (uint64_t i = 0; i < Get(Is64 ? 60 : 48, 2); ++i)
      if (Get(at + i * size + 4, 4) == type) return at + i * size;
    return 0;
  }
  // Where the section whose header is at `header` lies in the file.
  std::size_t Offset(std::size_t header) const { return Get(header + (Is64 ? 24 : 16), Word()); }
  // As `sstrip` leaves a library: no section headers, only the dynamic segment to go by.
  void StripSectionHeaders() {
    Set(Is64 ? 40 : 32, Word(), 0);
    Set(Is64 ? 58 : 46, 6, 0);
  }
};

TEST(PluginKind, ElfOfEitherClassAndByteOrderIsClassifiedByItsExportedFunctions) {
  TTempDir dir;
  for (const auto& name : kElfSamples) {
    SCOPED_TRACE(name);
    TElfEditor elf{
        ReadFileBytes(std::string(LUDRA_SOURCE_DIR) + "/fuzz/corpus/fuzz_plugin/" + name)};
    EXPECT_EQ(KindOfBytes(dir, elf.Bytes), pkRenderer);
    elf.StripSectionHeaders();  // found through DT_HASH or DT_GNU_HASH
    EXPECT_EQ(KindOfBytes(dir, elf.Bytes), pkRenderer);
  }
}

TEST(PluginKind, DamagedElfFilesHaveNoKindAndCostLittleMemory) {
  TTempDir dir;
  long grown = 0;
  for (const auto& name : kElfSamples) {
    SCOPED_TRACE(name);
    const TElfEditor good{
        ReadFileBytes(std::string(LUDRA_SOURCE_DIR) + "/fuzz/corpus/fuzz_plugin/" + name)};
    // The section headers are the file's last bytes, so every cut loses some of them.
    for (std::size_t size = 0; size < good.Bytes.size(); size += size < 128 ? 1 : 7)
      ASSERT_EQ(KindOfBytes(dir, good.Bytes.substr(0, size)), pkOther) << size;
    ASSERT_EQ(KindOfBytes(dir, good.Bytes.substr(0, good.Bytes.size() - 1)), pkOther);

    const std::size_t word = good.Word(), dynsym = good.Section(11);
    std::vector<TElfEditor> bad(6, good);
    bad[0].Set(good.Is64 ? 40 : 32, word, 0xFFFFFFF0);  // section headers off the file
    bad[1].Set(good.Is64 ? 60 : 48, 2, 0);              // their count in section 0...
    bad[1].Set(good.Section(0) + (good.Is64 ? 32 : 20), word, 0xFFFFFFFF);  // ...is huge
    bad[2].Set(dynsym + (good.Is64 ? 32 : 20), word, 0x7FFFFFF0);           // symbols' size
    bad[3].Set(dynsym + (good.Is64 ? 40 : 24), 4, 0xFFFF);                  // no string table
    bad[4].StripSectionHeaders();
    bad[4].Set(good.Is64 ? 56 : 44, 2, 0xFFFF);  // program headers off the file
    bad[5].StripSectionHeaders();  // the hash table gives the count of symbols: a huge one
    if (const std::size_t hash = good.Section(5))
      bad[5].Set(good.Offset(hash) + 4, 4, 0xFFFFFFFF);
    else
      bad[5].Set(good.Offset(good.Section(0x6ffffff6)), 4, 0x7FFFFFFF);
    for (std::size_t i = 0; i < bad.size(); ++i) {
      WriteFileBytes(dir / "p.tvi", bad[i].Bytes);
      const long before = PeakRssKiB();
      EXPECT_EQ(PluginKind(dir / "p.tvi"), pkOther) << i;
      grown = std::max(grown, PeakRssKiB() - before);
    }
  }
  EXPECT_LT(grown, 8 * kMiB);
}

// ---- Windows DLLs --------------------------------------------------------------------------

TEST(PluginKind, WindowsDllsAreClassifiedByTheirExportTable) {
  TTempDir dir;
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    EXPECT_EQ(KindOfBytes(dir, TPeImage{plus, {"ZN_GPUinit", "GPUopen"}}.Build()), pkRenderer);
    EXPECT_EQ(KindOfBytes(dir, TPeImage{plus, {"ZN_GPUinit", "ZN_JammaOpen"}}.Build()),
              pkController);
    EXPECT_EQ(KindOfBytes(dir, TPeImage{plus, {"ZN_SPUopen"}}.Build()), pkSound);
    EXPECT_EQ(KindOfBytes(dir, TPeImage{plus, {"ZN_GPUini", "ZN_GPUinit2", "zn_gpuinit"}}.Build()),
              pkOther);
    EXPECT_EQ(KindOfBytes(dir, TPeImage{plus, {}}.Build()), pkOther);  // no export directory
  }
}

TEST(PluginKind, DamagedWindowsDllsHaveNoKind) {
  TTempDir dir;
  const std::string good = TPeImage{false, {"ZN_GPUinit"}}.Build();
  ASSERT_EQ(KindOfBytes(dir, good), pkRenderer);
  // The name is the file's last bytes, so every cut loses it or something before it.
  for (std::size_t size = 0; size < good.size(); ++size)
    ASSERT_EQ(KindOfBytes(dir, good.substr(0, size)), pkOther) << size;

  TPeImage outside{false, {"ZN_GPUinit"}};
  outside.ExportRva = 0x00F00000;
  EXPECT_EQ(KindOfBytes(dir, outside.Build()), pkOther);

  TPeImage header{false, {"ZN_GPUinit"}};
  header.PeOffset = 0xFFFFFFF0;
  EXPECT_EQ(KindOfBytes(dir, header.Build()), pkOther);

  TPeImage sections{true, {"ZN_GPUinit"}};
  sections.SectionCount = 0xFFFF;  // a table far larger than the file
  EXPECT_EQ(KindOfBytes(dir, sections.Build()), pkOther);

  TPeImage strayName{false, {"ZN_GPUinit"}};
  strayName.FirstNameRva = 0xFFFFFFF0;
  EXPECT_EQ(KindOfBytes(dir, strayName.Build()), pkOther);
}

TEST(PluginKind, HugeNameCountIsBoundedByTheFile) {
  TTempDir dir;
  for (bool plus : {false, true}) {
    TPeImage image{plus, {"ZN_GPUinit", "ZN_JammaOpen"}};
    image.NameCount = 0xFFFFFFFF;
    EXPECT_EQ(KindOfBytes(dir, image.Build()), pkOther);
  }
}

TEST(PluginKind, NamesAreFoundInALargeSortedTable) {
  TTempDir dir;
  std::vector<std::string> names;
  for (int i = 0; i < 5000; ++i) names.push_back("Export" + std::to_string(i));
  names.push_back("ZN_SPUopen");
  EXPECT_EQ(KindOfBytes(dir, TPeImage{true, names}.Build()), pkSound);
  names.push_back("ZN_GPUinit");
  EXPECT_EQ(KindOfBytes(dir, TPeImage{false, names}.Build()), pkRenderer);
  names.push_back("AAA_first");
  names.push_back("ZN_JammaOpen");
  EXPECT_EQ(KindOfBytes(dir, TPeImage{false, names}.Build()), pkController);
}

// ---- Discovery -----------------------------------------------------------------------------

TEST(FindRenderers, KeepsRendererFilesInByteOrder) {
  TTempDir dir;
  CopyPlugin("renderer.tvi", dir / "renderer.tvi");
  CopyPlugin("renderer.tvi", dir / "B.TVI");        // extension in any case
  CopyPlugin("renderer.tvi", dir / ".hidden.tvi");  // hidden
  CopyPlugin("renderer.tvi", dir / "renderer.so");  // another extension
  CopyPlugin("renderer.tvi", dir / "renderer.tvi.bak");
  CopyPlugin("controller.tvi", dir / "controller.tvi");
  CopyPlugin("sound.tvi", dir / "sound.tvi");
  CopyPlugin("nothing.tvi", dir / "nothing.tvi");
  WriteFileBytes(dir / "pe.tvi", TPeImage{false, {"ZN_GPUinit"}}.Build());
  WriteFileBytes(dir / "pe64.tvi", TPeImage{true, {"ZN_GPUinit"}}.Build());
  WriteFileBytes(dir / "x.tvi", "not a library\n");
  MakeDirs(dir / "d.tvi");
  fs::create_symlink(dir / "renderer.tvi", dir / "link.tvi");
  ASSERT_EQ(::mkfifo((dir / "fifo.tvi").c_str(), 0644), 0);  // must not stall the search

  EXPECT_EQ(FindRenderers(dir.Path()),
            (std::vector<std::string>{"B.TVI", "link.tvi", "pe.tvi", "pe64.tvi", "renderer.tvi"}));
}

TEST(FindRenderers, MissingDirectoryGivesNothing) {
  TTempDir dir;
  EXPECT_TRUE(FindRenderers(dir / "gone/").empty());
}

TEST(DiscoverRenderers, SelectsTheFirstOrNothing) {
  TLaunchSetup s;
  s.Launcher.DiscoverRenderers();
  EXPECT_TRUE(s.Launcher.Renderers.empty());
  EXPECT_EQ(s.Launcher.GameSettings.Renderer, -1);

  CopyPlugin("renderer.tvi", s.Dir / "soft.tvi");
  CopyPlugin("renderer.tvi", s.Dir / "gl.tvi");
  s.Launcher.DiscoverRenderers();
  EXPECT_EQ(s.Launcher.Renderers, (std::vector<std::string>{"gl.tvi", "soft.tvi"}));
  EXPECT_EQ(s.Launcher.GameSettings.Renderer, 0);
}
