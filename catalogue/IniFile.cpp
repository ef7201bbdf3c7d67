#include "catalogue/IniFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "catalogue/IniLines.h"
#include "fileio/AtomicFile.h"
#include "fileio/Errors.h"
#include "fileio/Text.h"

using IniLines::IsBlank;

namespace {

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

TIniFile TIniFile::Load(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes, MaxFileBytes);
  try {
    return TIniFile(std::move(bytes));
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(path);  // the index of a file of many sections
  }
}

TIniFile::TIniFile(std::string text) : FText(std::move(text)) {
  IniLines::CheckSize(FText);
  // "[" is rare in a list file: counted by hopping from one to the next, so the index is made
  // without growing.
  std::size_t brackets = 0;
  for (const char *p = FText.data(), *end = p + FText.size();
       (p = static_cast<const char*>(std::memchr(p, '[', static_cast<std::size_t>(end - p)))); ++p)
    ++brackets;
  Heads.reserve(brackets);
  SectionIndex.reserve(brackets);
  IniLines::ForEachHead(FText, [&](uint32_t head) {
    Heads.push_back(head);
    // Hashed while its line is at hand: a second visit to every head costs a cache miss each.
    SectionIndex.push_back(IndexKey(FoldedHash(SectionName(Heads.size() - 1)), Heads.size() - 1));
  });
  std::sort(SectionIndex.begin(), SectionIndex.end());
  // The lowest section of each hash is surely the first of its name; any other may not be.
  FirstOfHash.assign(Heads.size(), false);
  for (std::size_t i = 0; i < SectionIndex.size(); ++i)
    if (i == 0 || (SectionIndex[i] >> 32) != (SectionIndex[i - 1] >> 32))
      FirstOfHash[SectionIndex[i] & 0xFFFFFFFFu] = true;
}

template <class F, class Q>
void TIniFile::ForEachKeyLine(std::size_t section, F&& f, Q&& quick) const {
  const char* const base = FText.data();
  const char* const textEnd = base + FText.size();
  // The section's lines are walked where they stand, each once. No other head lies inside a
  // section, so a line is a key line when it is no comment and holds an "=", the first of which
  // comes before its line end. Searches run up to the text's end, which no line end of the
  // section lies past.
  const char* const stop = base + (section + 1 < Heads.size() ? Heads[section + 1] : FText.size());
  const char* p = FindByte(base + Heads[section], textEnd, '\n');
  for (;;) {
    if (!p || ++p >= stop) return;
    while (p < textEnd && IsBlank(*p)) ++p;
    if (p == textEnd) return;
    const char* eq = quick(p);
    const char* nl;
    if (eq) {
      nl = FindByte(eq + 1, textEnd, '\n');
    } else {
      nl = FindByte(p, textEnd, '\n');
      if (*p == ';') {
        p = nl;
        continue;
      }
      eq = FindByte(p, nl ? nl : textEnd, '=');
      if (!eq) {
        p = nl;
        continue;
      }
    }
    const char* const name = p;  // past its blanks
    p = nl;
    const char* nameEnd = eq;
    while (nameEnd > name && IsBlank(nameEnd[-1])) --nameEnd;
    const char* value = eq + 1;
    const char* valueEnd = nl ? nl : textEnd;
    if (valueEnd > value && valueEnd[-1] == '\r') --valueEnd;
    while (value < valueEnd && IsBlank(*value)) ++value;
    while (valueEnd > value && IsBlank(valueEnd[-1])) --valueEnd;
    const std::string_view trimmed(value, static_cast<std::size_t>(valueEnd - value));
    if (f(std::string_view(name, static_cast<std::size_t>(nameEnd - name)), trimmed,
          IsAscii(trimmed)))
      return;
  }
}

std::string_view TIniFile::SectionName(std::size_t section) const {
  return IniLines::SectionName(FText, Heads[section]);
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
