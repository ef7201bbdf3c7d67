#include "catalogue/IniPatch.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "catalogue/IniFile.h"
#include "catalogue/IniLines.h"

using IniLines::IsBlank;
using IniLines::Trim;

namespace {
constexpr std::size_t kNone = std::string_view::npos;

// A line break inside a value would split it into a key line of its own.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

// Names that read back as written once on their own line, so that later writes of the same
// batch find what earlier ones added.
bool PlainSection(std::string_view s) {
  return s == Trim(s) && s.find_first_of("]\r\n") == std::string_view::npos;
}
bool PlainKey(std::string_view k) {
  return k == Trim(k) && k.find_first_of("=\r\n") == std::string_view::npos &&
         (k.empty() || (k.front() != '[' && k.front() != ';'));
}

// The sections a change writes to, in a text that is parsed no further than they need: the
// heads are found, and the key lines of the sections written to.
class TPatcher {
 public:
  TPatcher(std::string_view text, const std::vector<TIniChange>& changes);
  std::string Result() const;

 private:
  struct TSection {
    std::size_t Index = kNone;      // of its head in Heads; kNone for a section to append
    std::string Name;               // as a later read finds it
    std::vector<uint32_t> Keys;     // the starts of its key lines, in file order
    std::vector<TIniChange> Added;  // keys it does not hold yet, in the order first written
  };

  std::size_t End(std::size_t head) const {  // where the section of Heads[head] ends
    return head + 1 < Heads.size() ? Heads[head + 1] : Text.size();
  }
  std::string_view LineAt(std::size_t offset) const;  // without its line end
  std::vector<uint32_t> KeyLines(std::size_t head) const;
  std::size_t FindKey(const TSection& section, std::string_view key) const;
  std::size_t InsertPoint(std::size_t head) const;
  std::string_view LineEnd() const;
  std::string LastLineBreak() const;

  std::string_view Text;
  std::vector<uint32_t> Heads;    // the start of every section head, in file order
  std::vector<TSection> Touched;  // a handful: a scan finds one
  std::vector<std::pair<std::size_t, std::string>> Replaced;  // (key line, value), last wins
};

TPatcher::TPatcher(std::string_view text, const std::vector<TIniChange>& changes) : Text(text) {
  IniLines::ForEachHead(Text, [&](uint32_t head) { Heads.push_back(head); });
  // The first section of each name written to, found in one walk over the heads.
  std::vector<std::size_t> sectionOf;  // of each change, in Touched
  for (const TIniChange& change : changes) {
    const auto t = std::find_if(Touched.begin(), Touched.end(), [&](const TSection& x) {
      return SameName(x.Name, change.Section);
    });
    sectionOf.push_back(static_cast<std::size_t>(t - Touched.begin()));
    if (t == Touched.end()) Touched.push_back({kNone, change.Section, {}, {}});
  }
  std::size_t left = Touched.size();
  for (std::size_t h = 0; h < Heads.size() && left > 0; ++h) {
    const std::string_view name = IniLines::SectionName(Text, Heads[h]);
    for (TSection& t : Touched) {
      if (t.Index != kNone || !SameName(name, t.Name)) continue;
      t.Index = h;
      t.Name = name;
      t.Keys = KeyLines(h);
      --left;
    }
  }
  for (TSection& t : Touched)
    if (t.Index == kNone) t.Name = OneLine(Trim(t.Name));

  for (std::size_t c = 0; c < changes.size(); ++c) {
    const std::string value = OneLine(changes[c].Value);
    const std::string key = OneLine(Trim(changes[c].Key));
    TSection& t = Touched[sectionOf[c]];
    if (t.Index != kNone) {
      if (const std::size_t k = FindKey(t, key); k != kNone) {
        auto r = std::find_if(Replaced.begin(), Replaced.end(),
                              [&](const auto& x) { return x.first == k; });
        if (r == Replaced.end())
          Replaced.emplace_back(k, value);
        else
          r->second = value;
        continue;
      }
    }
    auto a = std::find_if(t.Added.begin(), t.Added.end(),
                          [&](const TIniChange& x) { return SameName(x.Key, key); });
    if (a == t.Added.end())
      t.Added.push_back({std::string(), key, value});
    else
      a->Value = value;
  }
}

std::string TPatcher::Result() const {
  // Edits of the text in order of their place: (begin, end, new text).
  struct TEdit {
    std::size_t Begin, End;
    std::string Text;
  };
  std::vector<TEdit> edits;
  const std::string eol(LineEnd());
  std::string tail;  // what goes after the last byte of the text
  for (const auto& [k, value] : Replaced) {
    const std::string_view line = LineAt(k);
    edits.push_back({k + line.find('=') + 1, k + line.size(), value});
  }
  for (const TSection& t : Touched) {
    if (t.Index == kNone || t.Added.empty()) continue;
    std::string lines;
    for (const TIniChange& a : t.Added) lines += a.Key + "=" + a.Value + eol;
    const std::size_t at = InsertPoint(t.Index);
    if (at == Text.size())
      tail += lines;  // only one section ends the text; its keys go before new sections
    else
      edits.push_back({at, at, std::move(lines)});
  }
  for (const TSection& t : Touched) {
    if (t.Index != kNone) continue;
    tail += "[" + t.Name + "]" + eol;
    for (const TIniChange& a : t.Added) tail += a.Key + "=" + a.Value + eol;
  }
  std::sort(edits.begin(), edits.end(),
            [](const TEdit& a, const TEdit& b) { return a.Begin < b.Begin; });

  std::string out;
  std::size_t size = Text.size() + tail.size() + 2;
  for (const TEdit& e : edits) size += e.Text.size();
  out.reserve(size);
  std::size_t pos = 0;
  for (const TEdit& e : edits) {
    out.append(Text, pos, e.Begin - pos);
    out += e.Text;
    pos = e.End;
  }
  out.append(Text, pos, std::string::npos);
  if (!tail.empty()) out += LastLineBreak() + tail;
  return out;
}

std::string_view TPatcher::LineAt(std::size_t offset) const {
  const std::size_t nl = Text.find('\n', offset);
  std::size_t end = nl == kNone ? Text.size() : nl;
  if (end > offset && Text[end - 1] == '\r') --end;
  return Text.substr(offset, end - offset);
}

// Every line after the head that holds an "=" and is no comment: no other head lies inside a
// section.
std::vector<uint32_t> TPatcher::KeyLines(std::size_t head) const {
  std::vector<uint32_t> keys;
  const std::size_t stop = End(head);
  std::size_t pos = Text.find('\n', Heads[head]);
  pos = pos == kNone ? stop : pos + 1;
  while (pos < stop) {
    const std::string_view line = LineAt(pos);
    std::size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first < line.size() && line[first] != ';' && line.find('=', first) != kNone)
      keys.push_back(static_cast<uint32_t>(pos));
    const std::size_t nl = Text.find('\n', pos + line.size());
    pos = nl == kNone ? Text.size() : nl + 1;
  }
  return keys;
}

// Sections hold a handful of keys: a scan in file order finds the first of a name.
std::size_t TPatcher::FindKey(const TSection& section, std::string_view key) const {
  for (const uint32_t line : section.Keys) {
    const std::string_view text = LineAt(line);
    if (SameName(Trim(text.substr(0, text.find('='))), key)) return line;
  }
  return kNone;
}

// Just past the section's last non-blank line (its head at least): new keys go there, ahead of
// any blank separator lines.
std::size_t TPatcher::InsertPoint(std::size_t head) const {
  const std::size_t begin = Heads[head];
  std::size_t end = End(head);  // a line start
  while (end > begin) {
    std::size_t contentEnd = Text[end - 1] == '\n' ? end - 1 : end;
    const std::size_t nl = contentEnd > begin ? Text.rfind('\n', contentEnd - 1) : kNone;
    const std::size_t start = nl != kNone && nl >= begin ? nl + 1 : begin;
    if (contentEnd > start && Text[contentEnd - 1] == '\r') --contentEnd;
    if (!Trim(Text.substr(start, contentEnd - start)).empty()) return end;
    end = start;
  }
  return end;
}

std::string_view TPatcher::LineEnd() const {
  const auto nl = Text.find('\n');
  if (nl == kNone) return "\r\n";  // the reference platform's line end
  return nl > 0 && Text[nl - 1] == '\r' ? "\r\n" : "\n";
}

// What ends the text's last line before text is added after it: nothing when it ends in LF, the
// missing LF when it ends in a lone CR (a second CR would join the value), else a whole line end.
std::string TPatcher::LastLineBreak() const {
  if (Text.empty() || Text.back() == '\n') return "";
  if (Text.back() == '\r') return "\n";
  return std::string(LineEnd());
}
}  // namespace

std::string ApplyIniChanges(std::string text, const std::vector<TIniChange>& changes) {
  IniLines::CheckSize(text);
  const bool plain = std::all_of(changes.begin(), changes.end(), [](const TIniChange& c) {
    return PlainSection(c.Section) && PlainKey(c.Key);
  });
  if (!plain && changes.size() > 1) {
    // Odd names may read back as something else after an earlier write: one at a time.
    for (const TIniChange& change : changes) text = TPatcher(text, {change}).Result();
    return text;
  }
  return TPatcher(text, changes).Result();
}
