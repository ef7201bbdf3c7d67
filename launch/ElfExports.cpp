#include "launch/ElfExports.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

constexpr unsigned kClass32 = 1, kClass64 = 2;
constexpr unsigned kLittleEndian = 1, kBigEndian = 2;
constexpr uint32_t kSharedObject = 3;  // e_type ET_DYN
constexpr uint32_t kSectionDynSym = 11, kSectionStrTab = 3;
constexpr uint32_t kSegmentLoad = 1, kSegmentDynamic = 2;
constexpr uint64_t kDynNull = 0, kDynHash = 4, kDynStrTab = 5, kDynSymTab = 6, kDynStrSize = 10,
                   kDynSymEnt = 11, kDynGnuHash = 0x6ffffef5;
constexpr unsigned kBindGlobal = 1, kBindWeak = 2;
constexpr unsigned kTypeFunc = 2, kTypeIndirectFunc = 10;
constexpr unsigned kVisibilityInternal = 1, kVisibilityHidden = 2;
// The string and symbol tables are scanned through windows of up to this much.
constexpr std::size_t kMaxChunk = 256 * 1024;

// Field layout and byte order of one file.
class TElfLayout {
 public:
  TElfLayout(bool is64, bool big) : Is64(is64), FBig(big) {}

  uint32_t U16(const unsigned char* p) const { return FBig ? GetBe16(p) : GetLe16(p); }
  uint32_t U32(const unsigned char* p) const { return FBig ? GetBe32(p) : GetLe32(p); }
  uint64_t U64(const unsigned char* p) const { return FBig ? GetBe64(p) : GetLe64(p); }
  // An address, offset or size: four bytes in ELF32, eight in ELF64.
  uint64_t Word(const unsigned char* p) const { return Is64 ? U64(p) : U32(p); }

  std::size_t HeaderSize() const { return Is64 ? 64 : 52; }
  std::size_t SectionSize() const { return Is64 ? 64 : 40; }
  std::size_t SegmentSize() const { return Is64 ? 56 : 32; }
  std::size_t SymbolSize() const { return Is64 ? 24 : 16; }
  std::size_t DynamicSize() const { return Is64 ? 16 : 8; }

  const bool Is64;

 private:
  bool FBig;
};

// Where the dynamic symbols and their names lie in the file.
struct TSymbolTable {
  uint64_t Offset = 0, EntrySize = 0, Count = 0;
  uint64_t StringsOffset = 0, StringsSize = 0;
};

// True when [offset, offset + size) lies inside a file of `fileSize` bytes.
bool Inside(uint64_t offset, uint64_t size, uint64_t fileSize) {
  return offset <= fileSize && size <= fileSize - offset;
}

// Through the section headers: the SHT_DYNSYM section and the string table it links to.
// nullopt when there are no section headers or no such section (stripped); `sound` turns false
// when the headers or the tables they name do not fit the file.
std::optional<TSymbolTable> FromSections(TFileWindow& head, const TElfLayout& elf,
                                         const unsigned char* header, bool& sound) {
  const uint64_t tableAt = elf.Word(header + (elf.Is64 ? 40 : 32));
  const uint64_t entrySize = elf.U16(header + (elf.Is64 ? 58 : 46));
  uint64_t count = elf.U16(header + (elf.Is64 ? 60 : 48));
  if (tableAt == 0 || (count == 0 && entrySize == 0)) return std::nullopt;
  sound = false;
  if (entrySize < elf.SectionSize() || !Inside(tableAt, entrySize, head.Size()))
    return std::nullopt;
  // The headers usually sit at the file's end, the tables they point to near its start: a window
  // of their own keeps the start in `head`.
  TFileWindow file(head.Fd(), head.Size(), 4096, kMaxChunk);
  if (count == 0) {  // more than 0xff00 sections: the real count is the first entry's size
    const unsigned char* first = file.Get(tableAt, elf.SectionSize());
    if (!first) return std::nullopt;
    count = elf.Word(first + (elf.Is64 ? 32 : 20));
  }
  if (count > (file.Size() - tableAt) / entrySize) return std::nullopt;
  file.Expect(tableAt + count * entrySize);
  auto section = [&](uint64_t index) {
    return index < count ? file.Get(tableAt + index * entrySize, elf.SectionSize()) : nullptr;
  };
  for (uint64_t i = 0; i < count; ++i) {
    const unsigned char* s = section(i);
    if (!s) return std::nullopt;
    if (elf.U32(s + 4) != kSectionDynSym) continue;
    TSymbolTable t;
    t.Offset = elf.Word(s + (elf.Is64 ? 24 : 16));
    const uint64_t size = elf.Word(s + (elf.Is64 ? 32 : 20));
    t.EntrySize = elf.Word(s + (elf.Is64 ? 56 : 36));
    const uint32_t link = elf.U32(s + (elf.Is64 ? 40 : 24));
    const unsigned char* strings = section(link);
    if (!strings || elf.U32(strings + 4) != kSectionStrTab || t.EntrySize < elf.SymbolSize() ||
        !Inside(t.Offset, size, file.Size()))
      return std::nullopt;
    t.Count = size / t.EntrySize;
    t.StringsOffset = elf.Word(strings + (elf.Is64 ? 24 : 16));
    t.StringsSize = elf.Word(strings + (elf.Is64 ? 32 : 20));
    if (!Inside(t.StringsOffset, t.StringsSize, file.Size())) return std::nullopt;
    sound = true;
    return t;
  }
  sound = true;
  return std::nullopt;
}

struct TLoad {
  uint64_t Address, Offset, Size;
};

// A run-time address to its file offset, through the loaded segments' file images.
std::optional<uint64_t> AddressToOffset(const std::vector<TLoad>& loads, uint64_t address) {
  for (const TLoad& l : loads)
    if (address >= l.Address && address - l.Address < l.Size)
      return l.Offset + (address - l.Address);
  return std::nullopt;
}

// The number of dynamic symbols from the GNU hash table: one past the last symbol of the longest
// chain's end; the table's symbols run from its `symoffset` to there.
std::optional<uint64_t> GnuHashCount(TFileWindow& file, const TElfLayout& elf, uint64_t at) {
  const unsigned char* h = file.Get(at, 16);
  if (!h) return std::nullopt;
  const uint64_t buckets = elf.U32(h), first = elf.U32(h + 4), bloomWords = elf.U32(h + 8);
  const uint64_t bucketsAt = at + 16 + bloomWords * (elf.Is64 ? 8 : 4);
  if (!Inside(bucketsAt, buckets * 4, file.Size())) return std::nullopt;
  uint64_t last = 0;
  for (uint64_t b = 0; b < buckets; ++b) {
    const unsigned char* p = file.Get(bucketsAt + b * 4, 4);
    if (!p) return std::nullopt;
    last = std::max<uint64_t>(last, elf.U32(p));
  }
  if (last < first) return first;  // no chains: only the unhashed symbols
  const uint64_t chainsAt = bucketsAt + buckets * 4;
  // The chain ends at the entry whose lowest bit is set; the file's end bounds the walk.
  for (;;) {
    const unsigned char* p = file.Get(chainsAt + (last - first) * 4, 4);
    if (!p) return std::nullopt;
    if (elf.U32(p) & 1) return last + 1;
    ++last;
  }
}

// Through the dynamic segment, as the loader finds it: DT_SYMTAB, DT_STRTAB and the count of
// symbols from DT_HASH or DT_GNU_HASH. nullopt when any of them is missing or out of the file.
std::optional<TSymbolTable> FromDynamicSegment(TFileWindow& file, const TElfLayout& elf,
                                               const unsigned char* header) {
  const uint64_t tableAt = elf.Word(header + (elf.Is64 ? 32 : 28));
  const uint64_t entrySize = elf.U16(header + (elf.Is64 ? 54 : 42));
  if (entrySize < elf.SegmentSize()) return std::nullopt;
  const uint64_t count = elf.U16(header + (elf.Is64 ? 56 : 44));
  if (tableAt == 0 || !Inside(tableAt, count * entrySize, file.Size())) return std::nullopt;
  std::vector<TLoad> loads;
  std::optional<TLoad> dynamic;
  for (uint64_t i = 0; i < count; ++i) {
    const unsigned char* p = file.Get(tableAt + i * entrySize, elf.SegmentSize());
    if (!p) return std::nullopt;
    const uint32_t type = elf.U32(p);
    if (type != kSegmentLoad && type != kSegmentDynamic) continue;
    TLoad l;
    l.Offset = elf.Word(p + (elf.Is64 ? 8 : 4));
    l.Address = elf.Word(p + (elf.Is64 ? 16 : 8));
    l.Size = elf.Word(p + (elf.Is64 ? 32 : 16));
    if (!Inside(l.Offset, l.Size, file.Size())) return std::nullopt;
    if (type == kSegmentLoad)
      loads.push_back(l);
    else
      dynamic = l;
  }
  if (!dynamic) return std::nullopt;

  std::optional<uint64_t> symbols, strings, stringsSize, symbolSize, hash, gnuHash;
  const uint64_t entries = dynamic->Size / elf.DynamicSize();
  for (uint64_t i = 0; i < entries; ++i) {
    const unsigned char* d = file.Get(dynamic->Offset + i * elf.DynamicSize(), elf.DynamicSize());
    if (!d) return std::nullopt;
    const uint64_t tag = elf.Word(d), value = elf.Word(d + elf.DynamicSize() / 2);
    if (tag == kDynNull) break;
    if (tag == kDynSymTab) symbols = value;
    if (tag == kDynStrTab) strings = value;
    if (tag == kDynStrSize) stringsSize = value;
    if (tag == kDynSymEnt) symbolSize = value;
    if (tag == kDynHash) hash = value;
    if (tag == kDynGnuHash) gnuHash = value;
  }
  if (!symbols || !strings || (!hash && !gnuHash)) return std::nullopt;
  TSymbolTable t;
  const auto symbolsAt = AddressToOffset(loads, *symbols);
  const auto stringsAt = AddressToOffset(loads, *strings);
  if (!symbolsAt || !stringsAt) return std::nullopt;
  t.Offset = *symbolsAt;
  t.EntrySize = symbolSize.value_or(elf.SymbolSize());
  t.StringsOffset = *stringsAt;
  t.StringsSize = stringsSize.value_or(file.Size() - t.StringsOffset);
  if (t.EntrySize < elf.SymbolSize() || !Inside(t.StringsOffset, t.StringsSize, file.Size()))
    return std::nullopt;
  std::optional<uint64_t> claimed;
  if (hash) {
    const auto at = AddressToOffset(loads, *hash);
    const unsigned char* h = at ? file.Get(*at, 8) : nullptr;
    if (h) claimed = elf.U32(h + 4);  // nchain: one chain entry per symbol
  }
  if (!claimed && gnuHash) {
    const auto at = AddressToOffset(loads, *gnuHash);
    if (at) claimed = GnuHashCount(file, elf, *at);
  }
  if (!claimed || *claimed > (file.Size() - t.Offset) / t.EntrySize) return std::nullopt;
  t.Count = *claimed;
  return t;
}

}  // namespace

std::vector<bool> FindElfExports(TFileWindow& file, const std::vector<std::string_view>& names) {
  const unsigned char* ident = file.Get(0, 16);
  if (!ident || std::memcmp(ident,
                            "\x7f"
                            "ELF",
                            4) != 0)
    return {};
  const unsigned elfClass = ident[4], order = ident[5];
  if ((elfClass != kClass32 && elfClass != kClass64) ||
      (order != kLittleEndian && order != kBigEndian))
    return {};
  const TElfLayout elf(elfClass == kClass64, order == kBigEndian);
  // Copied: the lookups below move the window.
  unsigned char header[64];
  if (!file.Read(0, header, elf.HeaderSize()) || elf.U16(header + 16) != kSharedObject) return {};

  bool sound = true;
  std::optional<TSymbolTable> table = FromSections(file, elf, header, sound);
  if (!sound) return {};
  if (!table) table = FromDynamicSegment(file, elf, header);
  std::vector<bool> found(names.size(), false);
  if (!table) return found;  // no dynamic symbols: it exports nothing

  // Symbol 0 is the undefined symbol. The names are read through a window of their own, so the
  // scan does not read the symbol table again after every name; both tables usually lie in the
  // first block already read.
  TFileWindow strings(file.Fd(), file.Size(), 4096, kMaxChunk);
  TFileWindow& symbols = file;
  const uint64_t count = table->Count;  // checked against the file by both finders
  symbols.Expect(table->Offset + count * table->EntrySize);
  std::size_t left = names.size();
  for (uint64_t i = 1; i < count && left > 0; ++i) {
    const unsigned char* s = symbols.Get(table->Offset + i * table->EntrySize, elf.SymbolSize());
    if (!s) return {};
    const uint64_t name = elf.U32(s);
    const unsigned info = s[elf.Is64 ? 4 : 12], other = s[elf.Is64 ? 5 : 13];
    const uint32_t sectionIndex = elf.U16(s + (elf.Is64 ? 6 : 14));
    const unsigned binding = info >> 4, type = info & 0xF, visibility = other & 3;
    if ((binding != kBindGlobal && binding != kBindWeak) ||
        (type != kTypeFunc && type != kTypeIndirectFunc) || sectionIndex == 0 ||
        visibility == kVisibilityInternal || visibility == kVisibilityHidden ||
        name >= table->StringsSize)
      continue;
    for (std::size_t k = 0; k < names.size(); ++k) {
      // The name and its terminating zero, inside the string table.
      const std::size_t length = names[k].size() + 1;
      if (found[k] || length > table->StringsSize - name) continue;
      const uint64_t at = table->StringsOffset + name;
      const unsigned char* text = file.Cached(at, length);
      if (!text) text = strings.Get(at, length);
      if (text && std::memcmp(text, names[k].data(), names[k].size()) == 0 &&
          text[names[k].size()] == 0) {
        found[k] = true;
        --left;
      }
    }
  }
  return found;
}
