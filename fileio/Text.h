#pragma once
// Text encodings of the files Ludra reads: UTF-8 checks, the DOS and Windows code pages of old
// archives and list files (through iconv), and the ASCII case folding of names.
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string>
#include <string_view>

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The first `c` in [p, end), or nullptr. Inline, sixteen bytes at a time: the lines of a list file
// are short, and a call to memchr for each costs more than the search itself.
inline const char* FindByte(const char* p, const char* end, char c) {
#if defined(__SSE2__)
  const __m128i needle = _mm_set1_epi8(c);
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(block, needle)))
      return p + __builtin_ctz(static_cast<unsigned>(hits));
  }
#endif
  for (; p < end; ++p)
    if (*p == c) return p;
  return nullptr;
}

// True when no byte of `text` lies outside ASCII.
bool IsAscii(std::string_view text);

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
std::string AsciiLower(std::string_view text);
// A hash that agrees with AsciiEqualNoCase: names equal after folding hash alike.
uint64_t FoldedHash(std::string_view name);
// Inline: the audit compares every archive member and list-file key this way.
inline bool AsciiEqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}
