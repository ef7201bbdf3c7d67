#include "IniFile.h"

#include <algorithm>
#include <limits>

#include "AtomicFile.h"
#include "Errors.h"

namespace {
constexpr std::size_t kMaxListFileBytes = 64u << 20;  // far beyond any real catalogue
// Each line costs a few dozen bytes of index (a section head about a hundred), so the line count
// bounds memory where the byte count cannot: 64 MiB of "[" lines would take gigabytes. A million
// lines hold some 50,000 games with their settings.
constexpr std::size_t kMaxListFileLines = 1'000'000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;  // the usual case: ASCII
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Text that is not UTF-8 was written on Windows in its ANSI code page.
std::string FromWindows1252(std::string_view s) {
  static constexpr uint16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(s.size() * 2);
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
  }
  return out;
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

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

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
  ReadWholeFile(path, bytes, kMaxListFileBytes);
  const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  if (lines > kMaxListFileLines)
    throw EFOpenError(path, "Cannot open \"" + path + "\": the file has too many lines (" +
                                std::to_string(lines) + ").");
  return TIniFile(std::move(bytes));
}

void TIniFile::Parse() {
  Lines.clear();
  Sections.clear();
  Keys.clear();
  SectionIndex.clear();
  FLastSection = kNone;
  Lines.reserve(FText.size() / 16 + 1);  // a typical line is longer than that
  std::size_t pos = 0;
  while (pos < FText.size()) {
    const auto nl = FText.find('\n', pos);
    TLine line;
    line.Begin = pos;
    line.Next = nl == std::string::npos ? FText.size() : nl + 1;
    line.End = nl == std::string::npos ? FText.size() : nl;
    if (line.End > line.Begin && FText[line.End - 1] == '\r') --line.End;
    Lines.push_back(line);
    pos = line.Next;
  }
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    const std::string_view text =
        Trim(std::string_view(FText).substr(Lines[i].Begin, Lines[i].End - Lines[i].Begin));
    if (text.empty()) continue;
    if (text.front() == '[') {
      const auto close = text.find(']');
      TSection section;
      section.Name = std::string(Trim(
          text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
      section.Head = section.Last = i;
      section.FirstKey = Keys.size();
      SectionIndex.emplace_back(FoldedHash(section.Name), Sections.size());
      Sections.push_back(std::move(section));
      continue;
    }
    if (Sections.empty()) continue;  // lines before the first section belong to none
    TSection& section = Sections.back();
    section.Last = i;
    if (text.front() == ';') continue;  // comment
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view name = Trim(text.substr(0, eq));
    Keys.push_back({static_cast<std::size_t>(name.data() - FText.data()), name.size(), i});
    ++section.KeyCount;
  }
  std::sort(SectionIndex.begin(), SectionIndex.end());
}

const TIniFile::TSection* TIniFile::Find(std::string_view section) const {
  if (FLastSection != kNone && FLastName == section) return &Sections[FLastSection];
  const uint64_t hash = FoldedHash(section);
  auto it = std::lower_bound(SectionIndex.begin(), SectionIndex.end(),
                             std::pair<uint64_t, std::size_t>(hash, 0));
  for (; it != SectionIndex.end() && it->first == hash; ++it) {
    if (!SameName(Sections[it->second].Name, section)) continue;
    FLastName = section;
    FLastSection = it->second;
    return &Sections[FLastSection];
  }
  return nullptr;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Sections hold a handful of keys: a scan in file order finds the first of a name.
const TIniFile::TKey* TIniFile::FindKey(const TSection& section, std::string_view key) const {
  for (std::size_t k = section.FirstKey; k < section.FirstKey + section.KeyCount; ++k)
    if (SameName(std::string_view(FText).substr(Keys[k].NameBegin, Keys[k].NameLength), key))
      return &Keys[k];
  return nullptr;
}

uint64_t FoldedHash(std::string_view name) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a over the folded bytes
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  return hash;
}

bool TIniFile::SectionExists(std::string_view section) const {
  return Find(section) != nullptr;
}

bool TIniFile::Lookup(std::string_view section, std::string_view key, std::string& value) const {
  const TSection* s = Find(section);
  if (!s) return false;
  const TKey* k = FindKey(*s, key);
  if (!k) return false;
  const TLine& line = Lines[k->Line];
  const std::string_view text = std::string_view(FText).substr(line.Begin, line.End - line.Begin);
  const std::string_view raw = Trim(text.substr(text.find('=') + 1));
  value = IsValidUtf8(raw) ? std::string(raw) : FromWindows1252(raw);
  if (value.size() > MaxValueLength) TruncateChars(value, MaxValueLength);
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

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string v = OneLine(value);
  const std::string k = OneLine(Trim(key));
  const std::string eol(LineEnd());
  const TSection* s = Find(section);
  if (s) {
    if (const TKey* found = FindKey(*s, k)) {
      // Replace only the value: the key as written and everything else stay byte for byte.
      const TLine& line = Lines[found->Line];
      const std::size_t valueStart = FText.find('=', line.Begin) + 1;
      FText.replace(valueStart, line.End - valueStart, v);
    } else {
      // After the section's last non-blank line, ahead of any separator lines.
      const TLine& last = Lines[s->Last];
      std::string insert = k + "=" + v + eol;
      if (last.Next == FText.size()) insert = LastLineBreak() + insert;
      FText.insert(last.Next, insert);
    }
  } else {
    std::string append = LastLineBreak();
    append += "[" + OneLine(Trim(section)) + "]" + eol + k + "=" + v + eol;
    FText += append;
  }
  Parse();
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::SaveTo(const std::string& path) const {
  WriteFileAtomic(path, FText);
}
