#include "fileio/Text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// One single-byte code page to UTF-8; one converter per code page and thread, opened on first use.
// `unknown` says what a byte the converter rejects becomes.
class TCodePage {
 public:
  using TUnknown = void (*)(std::string& out, unsigned char byte);

  TCodePage(const char* name, TUnknown unknown)
      : FHandle(iconv_open("UTF-8", name)), FUnknown(unknown) {}
  ~TCodePage() {
    if (FHandle != kNone) iconv_close(FHandle);
  }
  TCodePage(const TCodePage&) = delete;
  TCodePage& operator=(const TCodePage&) = delete;

  std::string Convert(std::string_view text) {
    std::string out;
    if (FHandle == kNone) {  // no converter on this system: keep what can be kept
      for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x80)
          out += c;
        else
          out += kReplacement;
      return out;
    }
    // A single-byte code page stays in the BMP, so three bytes each always suffice.
    out.resize(text.size() * 3);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPos = out.data();
    std::size_t outLeft = out.size();
    iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0 &&
           iconv(FHandle, &in, &inLeft, &outPos, &outLeft) == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) break;  // cannot happen with three bytes each; never loop on it
      // A byte the table lacks: the caller's rule says what it becomes, then go on.
      const std::size_t used = static_cast<std::size_t>(outPos - out.data());
      out.resize(used);
      FUnknown(out, static_cast<unsigned char>(*in));
      const std::size_t grown = out.size();
      out.resize(grown + inLeft * 3);
      outPos = out.data() + grown;
      outLeft = out.size() - grown;
      ++in;
      --inLeft;
    }
    out.resize(static_cast<std::size_t>(outPos - out.data()));
    return out;
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  iconv_t FHandle;
  TUnknown FUnknown;
};

}  // namespace

bool IsValidUtf8(std::string_view text) {
  // Nearly every value and name is plain ASCII, which needs no walk.
  if (IsAscii(text)) return true;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t length = text.size();
  std::size_t i = 0;
  while (i < length) {
    const unsigned char c = s[i];
    std::size_t more;
    uint32_t lowest;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1, lowest = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, lowest = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, lowest = 0x10000;
    } else {
      return false;
    }
    if (more > length - i - 1) return false;
    uint32_t code = c & (0x3F >> more);
    for (std::size_t k = 1; k <= more; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      code = code << 6 | (s[i + k] & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += more + 1;
  }
  return true;
}

std::string Cp437ToUtf8(std::string_view text) {
  thread_local TCodePage cp437("CP437",
                               [](std::string& out, unsigned char) { out += kReplacement; });
  return cp437.Convert(text);
}

std::string Windows1252ToUtf8(std::string_view text) {
  thread_local TCodePage windows1252(
      "WINDOWS-1252", [](std::string& out, unsigned char byte) { AppendUtf8(out, byte); });
  return windows1252.Convert(text);
}

std::string AsciiLower(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = AsciiLower(c);
  return folded;
}

uint64_t FoldedHash(std::string_view name) {
  // Eight folded bytes at a time, each word mixed in by a multiply, which carries every bit of it
  // into the high bits of the product (and no higher bit into a lower one).
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  const char* p = name.data();
  std::size_t n = name.size();
  uint64_t hash = n * kMultiplier;
  for (; n > 8; p += 8, n -= 8) hash = (hash ^ AsciiLowerWord(LoadWord64(p))) * kMultiplier;
  return (hash ^ AsciiLowerWord(n == 8 ? LoadWord64(p) : LoadShort(p, n))) * kMultiplier;
}
