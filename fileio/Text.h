#pragma once
// Text encodings of the files Ludra reads: UTF-8 checks, the DOS and Windows code pages of old
// archives and list files (through iconv), and the ASCII case folding of names.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The first `c` in [p, end), or nullptr.
inline const char* FindByte(const char* p, const char* end, char c) {
  if (p == end) return nullptr;  // memchr wants a pointer to something, even for no bytes
  return static_cast<const char*>(std::memchr(p, c, static_cast<std::size_t>(end - p)));
}

// Unaligned loads of 4 and 8 bytes; short texts are read as two loads that may overlap, which
// costs less than a loop over their bytes.
inline uint32_t LoadWord32(const char* p) {
  uint32_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}
inline uint64_t LoadWord64(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}
// The `n` bytes at `p` (n < 8) packed into one word, the same for the same bytes; zero when n = 0.
inline uint64_t LoadShort(const char* p, std::size_t n) {
  if (n >= 4) return LoadWord32(p) | static_cast<uint64_t>(LoadWord32(p + n - 4)) << 32;
  if (n == 0) return 0;
  return static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[n / 2]) << 8 |
         static_cast<uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16;
}
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// True when no byte of `text` lies outside ASCII. Inline: every value read and every archive
// member name is checked.
inline bool IsAscii(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  for (; end - p > 8; p += 8)
    if (LoadWord64(p) & kHighBits) return false;
  const auto left = static_cast<std::size_t>(end - p);
  if (left == 8) return (LoadWord64(p) & kHighBits) == 0;
  return (LoadShort(p, left) & kHighBits) == 0;
}

// DOS code page 437 (ZIP member names without the UTF-8 flag) to UTF-8. A byte the converter does
// not know, or all of them where the system has no converter, becomes U+FFFD; ASCII stays.
std::string Cp437ToUtf8(std::string_view text);

// Windows-1252 (list files written by the Windows program) to UTF-8. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their value as a code point, as Windows
// converts them.
std::string Windows1252ToUtf8(std::string_view text);

// ASCII letters only: names in archives, list files and on disk compare this way.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// The same for the eight bytes of a word at once; bytes outside ASCII stay as they are.
inline uint64_t AsciiLowerWord(uint64_t w) {
  const uint64_t low = w & ~kHighBits;
  // High bit of a byte: its low seven bits are at least "A", and not more than "Z".
  const uint64_t atLeastA = low + 0x3F3F3F3F3F3F3F3Full;
  const uint64_t aboveZ = low + 0x2525252525252525ull;
  const uint64_t upper = atLeastA & ~aboveZ & ~w & kHighBits;
  return w | upper >> 2;
}
std::string AsciiLower(std::string_view text);
// A hash that agrees with AsciiEqualNoCase: names equal after folding hash alike. Its high bits
// are the ones every byte reaches: a table takes its slot from them (HashSlot).
uint64_t FoldedHash(std::string_view name);
// The slot of `hash` in a table of `size` slots, a power of 2 of at least 2.
inline std::size_t HashSlot(uint64_t hash, std::size_t size) {
  return static_cast<std::size_t>(hash >> (64 - std::countr_zero(size)));
}
// Inline: the audit compares every archive member and list-file key this way. Eight bytes at a
// time: names are short, and a loop over their bytes cost more than the rest of a comparison.
inline bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  const char* const p = a.data();
  const char* const q = b.data();
  if (n < 8) return AsciiLowerWord(LoadShort(p, n)) == AsciiLowerWord(LoadShort(q, n));
  for (std::size_t i = 0; i + 8 < n; i += 8)
    if (AsciiLowerWord(LoadWord64(p + i)) != AsciiLowerWord(LoadWord64(q + i))) return false;
  return AsciiLowerWord(LoadWord64(p + n - 8)) == AsciiLowerWord(LoadWord64(q + n - 8));
}
