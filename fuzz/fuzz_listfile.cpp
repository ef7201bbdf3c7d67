// The list file: parse, read many keys, write some, re-parse. A write must never change the value
// of another key, lose a section, or touch more than the one line it replaces; the key written
// must read back as written. The writes, made again as one change (the one pass a save makes),
// must give the same bytes. Any violation aborts, so libFuzzer keeps the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/IniFile.h"
#include "catalogue/IniPatch.h"
#include "fileio/Text.h"

namespace {

constexpr size_t kMaxSections = 16;  // names sampled from the text, to keep a run fast
constexpr size_t kMaxKeys = 32;

[[noreturn]] void Fail(const char* what, std::string_view a = {}, std::string_view b = {}) {
  std::fprintf(stderr, "fuzz_listfile: %s [%.*s] [%.*s]\n", what, static_cast<int>(a.size()),
               a.data(), static_cast<int>(b.size()), b.data());
  std::abort();
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void AddName(std::vector<std::string>& names, std::string_view name, size_t limit) {
  if (names.size() >= limit) return;
  for (const auto& n : names)
    if (AsciiLower(n) == AsciiLower(name)) return;
  names.emplace_back(name);
}

// Section and key names as a reader of the text would see them (a sample, not the parser).
void CollectNames(const std::string& text, std::vector<std::string>& sections,
                  std::vector<std::string>& keys) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos) nl = text.size();
    std::string_view line(text.data() + pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = Trim(line);
    if (!line.empty() && line.front() == '[') {
      const size_t close = line.find(']');
      AddName(sections,
              Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)),
              kMaxSections);
    } else if (!line.empty() && line.front() != ';' && line.find('=') != line.npos) {
      AddName(keys, Trim(line.substr(0, line.find('='))), kMaxKeys);
    }
    pos = nl + 1;
  }
}

// Names the file format can hold: the program only ever writes such names.
bool WritableSection(std::string_view s) {
  return s == Trim(s) && s.find_first_of("]\r\n") == s.npos;
}
bool WritableKey(std::string_view k) {
  return k == Trim(k) && k.find_first_of("=\r\n") == k.npos &&
         (k.empty() || (k.front() != '[' && k.front() != ';'));
}

std::string FlipCase(std::string s, unsigned pattern) {
  for (size_t i = 0; i < s.size(); ++i) {
    char& c = s[i];
    if (!((pattern >> (i % 8)) & 1)) continue;
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// What a read of `value` returns when it is written alone: blanks trimmed, line breaks made
// blanks, the encoding rules and the length cut applied.
std::string ExpectedRead(std::string_view value) {
  std::string line(value);
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return TIniFile("[s]\nk=" + line + "\n").ReadString("s", "k", "<none>");
}

std::string Pick(FuzzedDataProvider& fdp, const std::vector<std::string>& from,
                 const std::string& text, const char* fresh) {
  switch (fdp.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
    case 1:
      if (!from.empty())
        return FlipCase(from[fdp.ConsumeIntegralInRange<size_t>(0, from.size() - 1)],
                        fdp.ConsumeIntegral<uint8_t>());
      [[fallthrough]];
    case 2:
      return fresh + std::to_string(fdp.ConsumeIntegral<uint8_t>());
    default: {  // a piece of the text itself
      const size_t at = fdp.ConsumeIntegralInRange<size_t>(0, text.size());
      return text.substr(at, fdp.ConsumeIntegralInRange<size_t>(0, 16));
    }
  }
}

std::string PickValue(FuzzedDataProvider& fdp, const std::string& text) {
  static const char* const kValues[] = {"",    "1",        "0",          "-1",
                                        "$FF", " padded ", "x=y",        "[Rom1]",
                                        ";c",  "a\r\nb=c", "\nk=v\n[S]", "\xE9t\xE9"};
  switch (fdp.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
      return kValues[fdp.ConsumeIntegralInRange<size_t>(0, std::size(kValues) - 1)];
    case 1:
      return std::string(fdp.ConsumeIntegralInRange<size_t>(2040, 2060), 'v');
    default: {
      const size_t at = fdp.ConsumeIntegralInRange<size_t>(0, text.size());
      return text.substr(at, fdp.ConsumeIntegralInRange<size_t>(0, 64));
    }
  }
}

// The region of `before` that `after` no longer holds lies within one line.
void CheckOneLineChanged(const std::string& before, const std::string& after) {
  size_t prefix = 0;
  const size_t common = std::min(before.size(), after.size());
  while (prefix < common && before[prefix] == after[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < common - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  const std::string_view removed(before.data() + prefix, before.size() - prefix - suffix);
  if (removed.find('\n') != removed.npos) Fail("a write changed more than one line", removed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider fdp(data, size);
  // Choices come from the input's tail, the list file text from the rest.
  const int writes = fdp.ConsumeIntegralInRange<int>(1, 4);
  std::vector<uint8_t> choices = fdp.ConsumeBytes<uint8_t>(8 * writes + 8);
  std::string text = fdp.ConsumeRemainingBytesAsString();
  FuzzedDataProvider pick(choices.data(), choices.size());

  const std::string original = text;
  std::vector<TIniChange> change;  // every write made, as one change
  std::vector<std::string> sections, keys;
  CollectNames(text, sections, keys);
  {
    // All keys of a section read in one pass, half of them left where they stand in the text,
    // read as they read one by one.
    const TIniFile ini(text);
    std::vector<std::string_view> keyNames(keys.begin(), keys.end());
    const TIniFile::TKeyNames keySet(keyNames.data(), keyNames.size());
    for (const auto& s : sections) {
      std::vector<std::string> strings(keys.size(), "<none>");
      std::vector<std::string_view> views(keys.size());
      std::vector<TIniFile::TValueOut> outs;
      for (size_t k = 0; k < keys.size(); ++k)
        outs.push_back({&strings[k], k % 2 ? &views[k] : nullptr});
      std::unique_ptr<bool[]> found(new bool[keys.size() + 1]());
      if (ini.ReadSection(s, keySet, outs.data(), found.get()) != ini.SectionExists(s))
        Fail("reader: section differs", s);
      for (size_t k = 0; k < keys.size(); ++k) {
        const std::string one = ini.ReadString(s, keys[k], "<none>");
        const std::string_view read = !found[k] ? "<none>" : k % 2 ? views[k] : strings[k];
        if (read != one) Fail("reader: a value read with others differs", s + "/" + keys[k]);
        (void)ini.ReadInteger(s, keys[k], 7);
        (void)ini.ReadBool(s, keys[k], true);
      }
    }
  }

  for (int w = 0; w < writes; ++w) {
    const std::string section = Pick(pick, sections, text, "Rom");
    const std::string key = Pick(pick, keys, text, "Key");
    const std::string value = PickValue(pick, text);
    if (!WritableSection(section) || !WritableKey(key)) continue;

    const TIniFile before(text);
    std::vector<bool> existed;
    std::vector<std::string> values;
    for (const auto& s : sections) {
      existed.push_back(before.SectionExists(s));
      for (const auto& k : keys) values.push_back(before.ReadString(s, k, "<none>"));
    }
    std::string expected;
    switch (pick.ConsumeIntegralInRange<int>(0, 2)) {
      case 0:
        expected = ExpectedRead(value);
        change.push_back({section, key, value});
        break;
      case 1:
        expected = std::to_string(static_cast<int32_t>(value.size()) - 1000);
        change.push_back({section, key, expected});
        break;
      default:
        expected = value.size() & 1 ? "1" : "0";
        change.push_back({section, key, expected});
        break;
    }
    const std::string after = ApplyIniChanges(text, {change.back()});
    CheckOneLineChanged(text, after);
    const TIniFile reparsed(after);

    const std::string written = reparsed.ReadString(section, key, "<none>");
    if (!reparsed.SectionExists(section)) Fail("the section written is missing", section);

    size_t i = 0;
    for (size_t si = 0; si < sections.size(); ++si) {
      if (existed[si] && !reparsed.SectionExists(sections[si])) Fail("lost section", sections[si]);
      const bool sameSection = AsciiLower(sections[si]) == AsciiLower(section);
      for (const auto& k : keys) {
        const std::string now = reparsed.ReadString(sections[si], k, "<none>");
        if (!(sameSection && AsciiLower(k) == AsciiLower(key)) && now != values[i])
          Fail("a write changed another key", sections[si], k);
        ++i;
      }
    }
    if (written != expected) Fail("the key written reads back otherwise", written, expected);
    text = after;
    CollectNames(text, sections, keys);
    AddName(sections, section, kMaxSections + 1);
    AddName(keys, key, kMaxKeys + 1);
  }
  if (ApplyIniChanges(original, change) != text)
    Fail("one change differs from its writes made one at a time", original);
  // Key names the program never writes are made as one change too: they take the slow road.
  change.push_back({"Rom1", "[odd", "x"});
  change.push_back({" Rom1 ", "odd ", "y"});
  std::string oneByOne = ApplyIniChanges(text, {change[change.size() - 2]});
  oneByOne = ApplyIniChanges(oneByOne, {change.back()});
  if (ApplyIniChanges(original, change) != oneByOne)
    Fail("one change differs from its writes made one at a time", original);
  return 0;
}
