#include "IniFile.h"

#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "AtomicFile.h"
#include "Errors.h"
#include "Text.h"

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Cuts UTF-8 text after `maxChars` code points.
void TruncateChars(std::string& s, std::size_t maxChars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == maxChars) {
        s.resize(i);
        return;
      }
      ++chars;
    }
  }
}

// A line break inside a value would split it into a key line of its own.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

bool ParseProfileInteger(std::string_view text, int32_t& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  std::string_view hex;
  if (text.starts_with('$')) {
    hex = text.substr(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    hex = text.substr(2);
  } else if (text.starts_with('x') || text.starts_with('X')) {
    hex = text.substr(1);
  }
  if (hex.data() != nullptr) {
    if (hex.empty()) return false;
    uint64_t v = 0;
    for (char c : hex) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) return false;
    }
    // Eight hex digits cover the whole 32-bit pattern, as "$FFFFFFFF" means -1.
    value = static_cast<int32_t>(static_cast<uint32_t>(v));
    return true;
  }
  bool negative = false;
  if (text.starts_with('+') || text.starts_with('-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return false;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
    return false;
  value = static_cast<int32_t>(v);
  return true;
}

TIniFile::TIniFile(std::string text) : FText(std::move(text)) {
  Parse();
}

TIniFile TIniFile::Load(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes, MaxFileBytes);
  try {
    return ForReading(std::move(bytes));
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(path);  // the index of a file of many sections
  }
}

namespace {
enum class TLineKind { Head, Key };

// Editors may put a UTF-8 byte-order mark before the first line. It belongs to no line: the first
// one starts past it, and a write leaves it where it is.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
std::size_t FirstLineStart(std::string_view text) {
  return text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
}

// Calls f(kind, offset, name, value) for each section head and key line of text[pos, stop), in
// order, until f returns true: `offset` is where the line begins; for a key line, `name` is the
// text from its first non-blank to its first "=" and `value` the text after it (without the line
// end), both untrimmed at their ends. Lines before the first section belong to none and count as
// other lines; so do comments and blank lines. `stop` is the text's end or a line's start.
template <class F>
void ForEachLine(std::string_view text, std::size_t pos, std::size_t stop, F&& f) {
  const char* const base = text.data();
  const char* const textEnd = base + text.size();
  bool inSection = false;
  if (pos == 0) pos = std::min(FirstLineStart(text), stop);
  while (pos < stop) {
    // Looked for up to the text's end, which is no further than `stop` (a line starts there) but
    // lets the search go sixteen bytes at a time to the last byte of the line.
    const char* nl = FindByte(base + pos, textEnd, '\n');
    const std::size_t next = nl ? static_cast<std::size_t>(nl - base) + 1 : text.size();
    std::size_t end = nl ? next - 1 : text.size();
    if (end > pos && base[end - 1] == '\r') --end;
    std::size_t first = pos;
    while (first < end && IsBlank(base[first])) ++first;
    if (first < end) {
      if (base[first] == '[') {
        inSection = true;
        if (f(TLineKind::Head, pos, std::string_view(), std::string_view())) return;
      } else if (inSection && base[first] != ';') {
        // Names are short: one block of sixteen bytes past the name's start finds the "=" of
        // nearly every line, also where the line is shorter than that.
        const char* const lineEnd = base + end;
        const char* const limit = std::min(textEnd, std::max(lineEnd, base + first + 16));
        const char* eq = FindByte(base + first, limit, '=');
        if (eq && eq < lineEnd &&
            f(TLineKind::Key, pos, std::string_view(base + first, eq - (base + first)),
              std::string_view(eq + 1, lineEnd - (eq + 1))))
          return;
      }
    }
    pos = next;
  }
}

// The first `a` or `b` in [p, end), or nullptr.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (const int hits =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, va), _mm_cmpeq_epi8(block, vb))))
      return p + __builtin_ctz(static_cast<unsigned>(hits));
  }
#endif
  for (; p < end; ++p)
    if (*p == a || *p == b) return p;
  return nullptr;
}

// The first "\n" in [p, end), or nullptr; `ascii` says whether every byte before it (or before
// `end`) lies in ASCII, found in the same pass.
inline const char* FindLineEnd(const char* p, const char* end, bool& ascii) {
  unsigned high = 0;
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  for (; end - p >= 16; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto bytes = static_cast<unsigned>(_mm_movemask_epi8(block));
    if (const auto hits =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, newline)))) {
      ascii = (high | (bytes & ((1u << __builtin_ctz(hits)) - 1))) == 0;
      return p + __builtin_ctz(hits);
    }
    high |= bytes;
  }
#endif
  for (; p < end; ++p) {
    if (*p == '\n') break;
    high |= static_cast<unsigned char>(*p) & 0x80u;
  }
  ascii = high == 0;
  return p < end ? p : nullptr;
}
}  // namespace

namespace {
// How many times each of `a` and `b` occurs in `text`: one pass, sixteen bytes at a time.
std::pair<std::size_t, std::size_t> CountBytes(std::string_view text, char a, char b) {
  std::size_t countA = 0, countB = 0, i = 0;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), zero = _mm_setzero_si128();
  while (text.size() - i >= 16) {
    // Byte-wide counters, summed before any of them can pass 255.
    __m128i accA = zero, accB = zero;
    for (std::size_t block = std::min<std::size_t>((text.size() - i) / 16, 255); block > 0;
         --block, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      accA = _mm_sub_epi8(accA, _mm_cmpeq_epi8(v, va));
      accB = _mm_sub_epi8(accB, _mm_cmpeq_epi8(v, vb));
    }
    const __m128i sumA = _mm_sad_epu8(accA, zero), sumB = _mm_sad_epu8(accB, zero);
    countA += static_cast<std::size_t>(_mm_cvtsi128_si32(sumA) + _mm_extract_epi16(sumA, 4));
    countB += static_cast<std::size_t>(_mm_cvtsi128_si32(sumB) + _mm_extract_epi16(sumB, 4));
  }
#endif
  for (; i < text.size(); ++i) {
    countA += text[i] == a;
    countB += text[i] == b;
  }
  return {countA, countB};
}
}  // namespace

void TIniFile::Parse() {
  if (FText.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("list file text too long");
  Keys.clear();
  Sections.clear();
  SectionIndex.clear();
  FirstOfHash.clear();
  FLastSection = kNone;
  // Reserved for what the text can hold at most (a key line holds an "=", a head a "["), so the
  // index is made in one pass and never grows to twice its size.
  const auto [equals, brackets] = CountBytes(FText, '=', '[');
  Keys.reserve(equals);
  Sections.reserve(brackets);
  SectionIndex.reserve(brackets);
  ForEachLine(
      FText, 0, FText.size(),
      [&](TLineKind kind, std::size_t offset, std::string_view, std::string_view) {
        if (kind == TLineKind::Key) {
          Keys.push_back(static_cast<uint32_t>(offset));
          return false;
        }
        Sections.push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(Keys.size())});
        SectionIndex.push_back(
            IndexKey(FoldedHash(SectionName(Sections.size() - 1)), Sections.size() - 1));
        return false;
      });
  FKeysIndexed = true;
  SortNames();
}

TIniFile TIniFile::ForReading(std::string text) {
  TIniFile ini;
  ini.FText = std::move(text);
  if (ini.FText.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("list file text too long");
  // "[" is rare in a list file: counted by hopping from one to the next.
  std::size_t brackets = 0;
  for (const char *p = ini.FText.data(), *end = p + ini.FText.size();
       (p = static_cast<const char*>(std::memchr(p, '[', static_cast<std::size_t>(end - p)))); ++p)
    ++brackets;
  ini.Sections.reserve(brackets);
  ini.SectionIndex.reserve(brackets);
  ini.IndexHeads(true);
  ini.FKeysIndexed = false;
  ini.SortNames();
  return ini;
}

void TIniFile::SortNames() {
  std::sort(SectionIndex.begin(), SectionIndex.end());
  // The lowest section of each hash is surely the first of its name; any other may not be.
  FirstOfHash.assign(Sections.size(), false);
  for (std::size_t i = 0; i < SectionIndex.size(); ++i)
    if (i == 0 || (SectionIndex[i] >> 32) != (SectionIndex[i - 1] >> 32))
      FirstOfHash[SectionIndex[i] & 0xFFFFFFFFu] = true;
}

template <class F, class Q>
void TIniFile::ForEachKeyLine(std::size_t section, F&& f, Q&& quick) const {
  const char* const base = FText.data();
  const char* const textEnd = base + FText.size();
  std::size_t key = Sections[section].FirstKey;
  const std::size_t keyEnd = FKeysIndexed ? KeyEnd(section) : 0;
  // Without the index of keys the section's lines are walked where they stand, each once. No
  // other head lies inside a section, so a line is a key line when it is no comment and holds an
  // "=", the first of which comes before its line end. Searches run up to the text's end, which
  // no line end of the section lies past, sixteen bytes at a time.
  const char* const stop =
      base + (section + 1 < Sections.size() ? Sections[section + 1].Head : FText.size());
  const char* p = FKeysIndexed ? nullptr : FindByte(base + Sections[section].Head, textEnd, '\n');
  for (;;) {
    const char* name;  // past its blanks
    const char* eq;
    if (FKeysIndexed) {
      if (key == keyEnd) return;
      name = base + Keys[key++];
      while (IsBlank(*name)) ++name;
      eq = FindByte(name, textEnd, '=');  // every key line holds one
    } else {
      if (!p || ++p >= stop) return;
      while (p < textEnd && IsBlank(*p)) ++p;
      if (p == textEnd) return;
      if (const char* known = quick(p)) {
        eq = known;
      } else {
        if (*p == ';') {
          p = FindByte(p, textEnd, '\n');
          continue;
        }
        eq = FindEither(p, textEnd, '=', '\n');
        if (!eq || *eq == '\n') {
          p = eq;
          continue;
        }
      }
      name = p;
    }
    bool ascii;
    const char* const nl = FindLineEnd(eq + 1, textEnd, ascii);
    p = nl;
    const char* nameEnd = eq;
    while (nameEnd > name && IsBlank(nameEnd[-1])) --nameEnd;
    const char* value = eq + 1;
    const char* valueEnd = nl ? nl : textEnd;
    if (valueEnd > value && valueEnd[-1] == '\r') --valueEnd;
    while (value < valueEnd && IsBlank(*value)) ++value;
    while (valueEnd > value && IsBlank(valueEnd[-1])) --valueEnd;
    if (f(std::string_view(name, static_cast<std::size_t>(nameEnd - name)),
          std::string_view(value, static_cast<std::size_t>(valueEnd - value)), ascii))
      return;
  }
}

// A head is a line whose first character past its blanks is "[": each "[" in the text is looked
// at, and only what stands before it on its line.
void TIniFile::IndexHeads(bool withNames) {
  const char* const base = FText.data();
  const std::size_t size = FText.size();
  for (std::size_t pos = 0; pos < size;) {
    const auto* open = static_cast<const char*>(std::memchr(base + pos, '[', size - pos));
    if (!open) break;
    std::size_t lineStart = static_cast<std::size_t>(open - base);
    while (lineStart > 0 && IsBlank(base[lineStart - 1])) --lineStart;
    if (lineStart == FirstLineStart(FText) || (lineStart > 0 && base[lineStart - 1] == '\n')) {
      Sections.push_back({static_cast<uint32_t>(lineStart), 0});
      // Hashed while its line is at hand: a second visit to every head costs a cache miss each.
      if (withNames)
        SectionIndex.push_back(
            IndexKey(FoldedHash(SectionName(Sections.size() - 1)), Sections.size() - 1));
    }
    pos = static_cast<std::size_t>(open - base) + 1;
  }
}

void TIniFile::IndexKeysOf(const std::vector<bool>& wanted) {
  for (std::size_t s = 0; s < Sections.size(); ++s) {
    Sections[s].FirstKey = static_cast<uint32_t>(Keys.size());
    if (!wanted[s]) continue;
    const std::size_t end = s + 1 < Sections.size() ? Sections[s + 1].Head : FText.size();
    ForEachLine(FText, Sections[s].Head, end,
                [&](TLineKind kind, std::size_t offset, std::string_view, std::string_view) {
                  if (kind == TLineKind::Key) Keys.push_back(static_cast<uint32_t>(offset));
                  return false;
                });
  }
}

std::string TIniFile::Changed(std::string text, const std::vector<TChange>& changes) {
  TIniFile ini;
  ini.FText = std::move(text);
  if (ini.FText.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("list file text too long");
  ini.IndexHeads(false);
  // The first section of each name written to, found in one walk; only those go into the index.
  std::vector<std::string_view> names;
  for (const TChange& change : changes)
    if (std::none_of(names.begin(), names.end(),
                     [&](std::string_view n) { return SameName(n, change.Section); }))
      names.push_back(change.Section);
  std::vector<bool> wanted(ini.Sections.size()), found(names.size());
  std::size_t left = names.size();
  for (std::size_t s = 0; s < ini.Sections.size() && left > 0; ++s) {
    const std::string_view name = ini.SectionName(s);
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (found[k] || !SameName(name, names[k])) continue;
      found[k] = wanted[s] = true;
      --left;
      ini.SectionIndex.push_back(IndexKey(FoldedHash(name), s));
    }
  }
  std::sort(ini.SectionIndex.begin(), ini.SectionIndex.end());
  ini.IndexKeysOf(wanted);
  return ini.Applied(changes);
}

std::string_view TIniFile::LineAt(std::size_t offset) const {
  const char* const base = FText.data();
  const char* nl = FindByte(base + offset, base + FText.size(), '\n');
  std::size_t end = nl ? static_cast<std::size_t>(nl - base) : FText.size();
  if (end > offset && base[end - 1] == '\r') --end;
  return std::string_view(FText).substr(offset, end - offset);
}

std::string_view TIniFile::SectionName(std::size_t section) const {
  const char* const base = FText.data();
  const char* const textEnd = base + FText.size();
  const char* name = base + Sections[section].Head;
  while (IsBlank(*name)) ++name;
  ++name;  // "["
  // Up to the first "]" or else the line's end, without its CR; trimmed.
  const char* end = FindEither(name, textEnd, ']', '\n');
  if (!end) end = textEnd;
  if (end == textEnd || *end == '\n')
    if (end > name && end[-1] == '\r') --end;
  return Trim(std::string_view(name, static_cast<std::size_t>(end - name)));
}

std::string_view TIniFile::KeyName(uint32_t keyLine) const {
  // A key line holds an "=" before its end; the name is what stands before the first one.
  const char* const line = FText.data() + keyLine;
  const auto* eq = static_cast<const char*>(std::memchr(line, '=', FText.size() - keyLine));
  return Trim(std::string_view(line, static_cast<std::size_t>(eq - line)));
}

std::size_t TIniFile::KeyEnd(std::size_t section) const {
  return section + 1 < Sections.size() ? Sections[section + 1].FirstKey : Keys.size();
}

std::size_t TIniFile::Find(std::string_view section) const {
  if (FLastSection != kNone) {
    // Reads go through sections in file order, as the audit does with Rom1, Rom2, ...: the next
    // one is tried before the index, then the last one found (the first of its name, as every
    // section Find returns), which runs of reads on one section find.
    const std::size_t next = FLastSection + 1;
    if (next < FirstOfHash.size() && FirstOfHash[next] && SameName(SectionName(next), section))
      return FLastSection = next;
    if (SameName(SectionName(FLastSection), section)) return FLastSection;
  }
  const uint64_t first = IndexKey(FoldedHash(section), 0);
  for (auto it = std::lower_bound(SectionIndex.begin(), SectionIndex.end(), first);
       it != SectionIndex.end() && (*it >> 32) == (first >> 32); ++it) {
    const auto s = static_cast<std::size_t>(*it & 0xFFFFFFFFu);
    if (SameName(SectionName(s), section)) return FLastSection = s;
  }
  return kNone;
}

// Sections hold a handful of keys: a scan in file order finds the first of a name.
std::size_t TIniFile::FindKey(std::size_t section, std::string_view key) const {
  for (std::size_t k = Sections[section].FirstKey; k < KeyEnd(section); ++k)
    if (SameName(KeyName(Keys[k]), key)) return k;
  return kNone;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return Find(section) != kNone;
}

bool TIniFile::Lookup(std::string_view section, std::string_view key, std::string& value) const {
  const std::size_t s = Find(section);
  if (s == kNone) return false;
  bool found = false;
  ForEachKeyLine(
      s,
      [&](std::string_view name, std::string_view trimmed, bool ascii) {
        if (!SameName(name, key)) return false;
        AssignValue(trimmed, ascii, value);
        return found = true;
      },
      [](const char*) -> const char* { return nullptr; });
  return found;
}

// A key's value as a read returns it, from its trimmed text (`ascii` when all of it is): in UTF-8
// (Windows-1252 when it is not), cut to the longest value a read returns. Most values are that as
// they stand; the others are made in `storage`.
inline std::string_view TIniFile::ValueOf(std::string_view trimmed, bool ascii,
                                          std::string& storage) {
  if (ascii && trimmed.size() <= MaxValueLength) return trimmed;
  return ConvertedValue(trimmed, storage);
}

std::string_view TIniFile::ConvertedValue(std::string_view trimmed, std::string& storage) {
  if (trimmed.size() <= MaxValueLength && IsValidUtf8(trimmed)) return trimmed;
  if (IsValidUtf8(trimmed))
    storage.assign(trimmed);
  else
    storage = Windows1252ToUtf8(trimmed);
  if (storage.size() > MaxValueLength) TruncateChars(storage, MaxValueLength);
  return storage;
}

// Into `value`, whose storage is reused.
inline void TIniFile::AssignValue(std::string_view trimmed, bool ascii, std::string& value) {
  const std::string_view read = ValueOf(trimmed, ascii, value);
  if (read.data() == value.data()) return;
  value.clear();  // then appended: a plain copy into the storage the string already has
  value.append(read);
}

namespace {
// The first n bytes of a word loaded from memory (n <= 8), on a little-endian machine.
constexpr uint64_t kFirstBytes[9] = {0,
                                     0xFFull,
                                     0xFFFFull,
                                     0xFFFFFFull,
                                     0xFFFFFFFFull,
                                     0xFFFFFFFFFFull,
                                     0xFFFFFFFFFFFFull,
                                     0xFFFFFFFFFFFFFFull,
                                     ~uint64_t{0}};
}  // namespace

TIniFile::TKeyNames::TKeyNames(const std::string_view* names, std::size_t count)
    : FNames(names, names + count) {
  for (const std::string_view name : FNames) {
    uint64_t head = 0;
    std::memcpy(&head, name.data(), std::min<std::size_t>(name.size(), 8));
    FFolded.push_back(AsciiLowerWord(head));
    // A key line that starts with exactly the name and its "=" is one of that name: no other
    // reading of the line gives another (names without blanks, "=", line breaks, or a first
    // character that makes a comment or a head).
    uint64_t line = 0;
    const bool plain =
        std::endian::native == std::endian::little && !name.empty() && name.size() < 8 &&
        name.front() != ';' && name.front() != '[' &&
        std::none_of(name.begin(), name.end(), [](char c) {
          return c == '=' || c == ' ' || c == '\t' || static_cast<unsigned char>(c) < 0x20;
        });
    if (plain) {
      std::memcpy(&line, name.data(), name.size());
      line |= uint64_t{'='} << (8 * name.size());
    }
    FLine.push_back(line);
  }
}

// One word compares the whole of a short name (the text holds eight bytes past nearly every
// name), and the key needs no folding again.
[[gnu::always_inline]] inline bool TIniFile::TKeyNames::Is(std::size_t i, std::string_view name,
                                                           const char* textEnd) const {
  const std::string_view key = FNames[i];
  const std::size_t n = name.size();
  if (n != key.size()) return false;
  uint64_t head;
  if (std::endian::native == std::endian::little && textEnd - name.data() >= 8) {
    head = LoadWord64(name.data()) & kFirstBytes[std::min<std::size_t>(n, 8)];  // n > 0
  } else {
    head = 0;
    std::memcpy(&head, name.data(), std::min<std::size_t>(n, 8));
  }
  if (AsciiLowerWord(head) != FFolded[i]) return false;
  return n <= 8 || SameName(name.substr(8), key.substr(8));
}

bool TIniFile::ReadSection(std::string_view section, const TKeyNames& keys, const TValueOut* values,
                           bool* found) const {
  const std::size_t s = Find(section);
  if (s == kNone) return false;
  const std::size_t count = keys.Count();
  const char* const base = FText.data();
  const char* const textEnd = base + FText.size();
  std::size_t left = count, next = 0;
  // The first key of a name wins, as for a single read; each line is looked at once. Keys mostly
  // come in the order asked for: the one after the last found is tried first.
  auto match = [&](std::string_view name) {
    std::size_t i = next;
    if (i >= count || found[i] || name.empty() || !keys.Is(i, name, textEnd)) {
      for (i = 0; i < count; ++i)
        if (!found[i] && (name.empty() ? keys.FNames[i].empty() : keys.Is(i, name, textEnd))) break;
    }
    return i;
  };
  auto take = [&](std::size_t i, std::string_view trimmed, bool ascii) {
    const TValueOut& out = values[i];
    if (out.View)
      *out.View = ValueOf(trimmed, ascii, *out.String);
    else
      AssignValue(trimmed, ascii, *out.String);
    found[i] = true;
    next = i + 1;
    return --left == 0;
  };
  // The catalogue writes each key as it is asked for, at the start of its line, so one word of
  // the text often shows the next name and its "=".
  const char* quickLine = nullptr;  // the line the shortcut recognised, as the next key's
  auto quick = [&](const char* line) -> const char* {
    const std::size_t i = next;
    if (i < count && !found[i] && keys.FLine[i] != 0 && textEnd - line >= 8 &&
        (LoadWord64(line) & kFirstBytes[keys.FNames[i].size() + 1]) == keys.FLine[i]) {
      quickLine = line;
      return line + keys.FNames[i].size();
    }
    return nullptr;
  };
  ForEachKeyLine(
      s,
      [&](std::string_view name, std::string_view trimmed, bool ascii) {
        const std::size_t i = name.data() == quickLine ? next : match(name);
        return i < count && take(i, trimmed, ascii);
      },
      quick);
  return true;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& def) const {
  std::string value;
  return Lookup(section, key, value) ? value : def;
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  std::string text;
  int32_t value;
  if (Lookup(section, key, text) && ParseProfileInteger(text, value)) return value;
  return def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::string_view TIniFile::LineEnd() const {
  const auto nl = FText.find('\n');
  if (nl == std::string::npos) return "\r\n";  // the reference platform's line end
  return nl > 0 && FText[nl - 1] == '\r' ? "\r\n" : "\n";
}

// What ends the file's last line before text is added after it: nothing when it ends in LF, the
// missing LF when it ends in a lone CR (a second CR would join the value), else a whole line end.
std::string TIniFile::LastLineBreak() const {
  if (FText.empty() || FText.back() == '\n') return "";
  if (FText.back() == '\r') return "\n";
  return std::string(LineEnd());
}

// Just past the section's last non-blank line (its head at least): new keys go there, ahead of
// any blank separator lines.
std::size_t TIniFile::InsertPoint(std::size_t section) const {
  const char* const base = FText.data();
  const std::size_t head = Sections[section].Head;
  std::size_t end =
      section + 1 < Sections.size() ? Sections[section + 1].Head : FText.size();  // line start
  while (end > head) {
    std::size_t contentEnd = base[end - 1] == '\n' ? end - 1 : end;
    const auto* nl = contentEnd > head
                         ? static_cast<const char*>(memrchr(base + head, '\n', contentEnd - head))
                         : nullptr;
    const std::size_t start = nl ? static_cast<std::size_t>(nl - base) + 1 : head;
    if (contentEnd > start && base[contentEnd - 1] == '\r') --contentEnd;
    if (!Trim(std::string_view(base + start, contentEnd - start)).empty()) return end;
    end = start;
  }
  return end;
}

namespace {
// Names that read back as written once on their own line, so that later writes of the same
// batch find what earlier ones added.
bool PlainSection(std::string_view s) {
  return s == Trim(s) && s.find_first_of("]\r\n") == std::string_view::npos;
}
bool PlainKey(std::string_view k) {
  return k == Trim(k) && k.find_first_of("=\r\n") == std::string_view::npos &&
         (k.empty() || (k.front() != '[' && k.front() != ';'));
}
}  // namespace

std::string TIniFile::Applied(const std::vector<TChange>& changes) const {
  if (!FKeysIndexed) return TIniFile(FText).Applied(changes);  // writes need every key indexed
  const bool plain = std::all_of(changes.begin(), changes.end(), [](const TChange& c) {
    return PlainSection(c.Section) && PlainKey(c.Key);
  });
  if (!plain && changes.size() > 1) {
    // Odd names may read back as something else: write them one at a time.
    TIniFile step(*this);
    for (const TChange& change : changes) step.Apply({change});
    return step.FText;
  }

  struct TAdded {
    std::string Key, Value;
  };
  struct TTouched {
    std::string Name;             // as a later read finds it
    std::size_t Section = kNone;  // an existing section, or kNone for one to append
    std::vector<TAdded> Added;    // keys it does not hold yet, in the order first written
  };
  std::vector<TTouched> touched;                              // a handful: a scan finds one
  std::vector<std::pair<std::size_t, std::string>> replaced;  // (key index, value), last wins

  for (const TChange& change : changes) {
    const std::string value = OneLine(change.Value);
    const std::string key = OneLine(Trim(change.Key));
    auto t = std::find_if(touched.begin(), touched.end(),
                          [&](const TTouched& x) { return SameName(x.Name, change.Section); });
    if (t == touched.end()) {
      TTouched fresh;
      fresh.Section = Find(change.Section);
      fresh.Name = fresh.Section != kNone ? std::string(SectionName(fresh.Section))
                                          : OneLine(Trim(change.Section));
      touched.push_back(std::move(fresh));
      t = touched.end() - 1;
    }
    if (t->Section != kNone) {
      if (const std::size_t k = FindKey(t->Section, key); k != kNone) {
        auto r = std::find_if(replaced.begin(), replaced.end(),
                              [&](const auto& x) { return x.first == k; });
        if (r == replaced.end())
          replaced.emplace_back(k, value);
        else
          r->second = value;
        continue;
      }
    }
    auto a = std::find_if(t->Added.begin(), t->Added.end(),
                          [&](const TAdded& x) { return SameName(x.Key, key); });
    if (a == t->Added.end())
      t->Added.push_back({key, value});
    else
      a->Value = value;
  }

  // Edits of the text in order of their place: (begin, end, new text).
  struct TEdit {
    std::size_t Begin, End;
    std::string Text;
  };
  std::vector<TEdit> edits;
  const std::string eol(LineEnd());
  std::string tail;  // what goes after the last byte of the text
  for (const auto& [k, value] : replaced) {
    const std::string_view line = LineAt(Keys[k]);
    const std::size_t begin = Keys[k] + line.find('=') + 1;
    edits.push_back({begin, Keys[k] + line.size(), value});
  }
  for (const TTouched& t : touched) {
    if (t.Section == kNone || t.Added.empty()) continue;
    std::string lines;
    for (const TAdded& a : t.Added) lines += a.Key + "=" + a.Value + eol;
    const std::size_t at = InsertPoint(t.Section);
    if (at == FText.size())
      tail += lines;  // only one section ends the text; its keys go before new sections
    else
      edits.push_back({at, at, std::move(lines)});
  }
  for (const TTouched& t : touched) {
    if (t.Section != kNone) continue;
    tail += "[" + t.Name + "]" + eol;
    for (const TAdded& a : t.Added) tail += a.Key + "=" + a.Value + eol;
  }
  std::sort(edits.begin(), edits.end(),
            [](const TEdit& a, const TEdit& b) { return a.Begin < b.Begin; });

  std::string out;
  std::size_t size = FText.size() + tail.size() + 2;
  for (const TEdit& e : edits) size += e.Text.size();
  out.reserve(size);
  std::size_t pos = 0;
  for (const TEdit& e : edits) {
    out.append(FText, pos, e.Begin - pos);
    out += e.Text;
    pos = e.End;
  }
  out.append(FText, pos, std::string::npos);
  if (!tail.empty()) out += LastLineBreak() + tail;
  return out;
}

void TIniFile::Apply(const std::vector<TChange>& changes) {
  FText = Applied(changes);
  Parse();
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Apply({{std::string(section), std::string(key), std::string(value)}});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}
