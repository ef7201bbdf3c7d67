#pragma once
// Reading list-file text by the private-profile rules: sections in brackets, "key=value" lines,
// names compared without regard to case, the first section and the first key of a name winning.
// The text is parsed once; reads are answered from memory. Writing is IniPatch.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/Text.h"

class TIniFile {
 public:
  static constexpr std::size_t MaxValueLength = 2047;     // characters returned by a read
  static constexpr std::size_t MaxFileBytes = 64u << 20;  // far beyond any real catalogue

  TIniFile() = default;
  // Only the section heads are indexed; a read walks its section's lines where they stand. A
  // catalogue is read once, game by game, so an index of every key line would cost more than it
  // saves.
  explicit TIniFile(std::string text);

  // Reads the file at `path`; a missing file is an empty text. A file that exists but cannot be
  // read, is no regular file or is larger than MaxFileBytes raises EFOpenError naming it.
  static TIniFile Load(const std::string& path);

  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  bool SectionExists(std::string_view section) const;
  // Key names made ready once for the many sections read with them.
  class TKeyNames {
   public:
    // The names must differ from one another and outlive this.
    TKeyNames(const std::string_view* names, std::size_t count);
    std::size_t Count() const { return FNames.size(); }

   private:
    friend class TIniFile;
    bool Is(std::size_t i, std::string_view name, const char* textEnd) const;  // name not empty
    std::vector<std::string_view> FNames;
    std::vector<uint64_t> FFolded;  // the first eight bytes of each (zeros past its end), folded
    std::vector<uint64_t> FLine;    // the name and "=" as a line starts with them, or 0
  };
  // Where ReadSection puts a value: into *String, whose storage is reused; or, with View given,
  // *View is the value where it lies in the text when it needs no conversion, else *String.
  struct TValueOut {
    std::string* String;
    std::string_view* View = nullptr;
  };
  // Reads keys of one section in one pass over its lines: where key i is there, found[i] turns
  // true and values[i] receives what ReadString would give; the others are left alone. False when
  // there is no such section. Fastest when the keys come in the order the section holds them.
  bool ReadSection(std::string_view section, const TKeyNames& keys, const TValueOut* values,
                   bool* found) const;
  std::size_t SectionCount() const { return Heads.size(); }

 private:
  // Calls f(name, value, ascii) for the key lines of `section` in order, until f returns true:
  // the text before the line's first "=" and after it (without the line end), both trimmed, and
  // whether the value is all ASCII. quick(line) is asked first at each line's first non-blank: it
  // may return the line's "=" when the line's first bytes already show a name and its "=", and
  // nullptr otherwise.
  template <class F, class Q>
  void ForEachKeyLine(std::size_t section, F&& f, Q&& quick) const;
  std::string_view SectionName(std::size_t section) const;
  std::size_t Find(std::string_view section) const;  // kNone when absent
  bool Lookup(std::string_view section, std::string_view key, std::string& value) const;
  static std::string_view ValueOf(std::string_view trimmed, bool ascii, std::string& storage);
  static std::string_view ConvertedValue(std::string_view trimmed, std::string& storage);
  static void AssignValue(std::string_view trimmed, bool ascii, std::string& value);

  std::string FText;
  std::vector<uint32_t> Heads;  // offset of each "[...]" line, in file order
  // The folded name's hash above the section's index, sorted: equal names sit together in file
  // order, so the first match is the first section of that name. No strings are copied to build
  // it, and one integer compares faster than a pair when it is sorted.
  std::vector<uint64_t> SectionIndex;
  static uint64_t IndexKey(uint64_t hash, std::size_t section) {
    return (hash & 0xFFFFFFFF00000000ull) | section;
  }
  // Where no earlier section has the same hash (so none has the same name).
  std::vector<bool> FirstOfHash;
  // Reads come in runs on one section, or go from one to the next: the last one found is kept.
  mutable std::size_t FLastSection = kNone;  // an index, so that copies stay right
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

// Integer text as the private-profile routines read it: decimal with optional sign, or hex after
// "$", "0x", "0X", "x", "X". Returns false for anything else.
bool ParseProfileInteger(std::string_view text, int32_t& value);

// Section and key names compare without regard to the case of ASCII letters (Text.h), and hash so.
inline bool SameName(std::string_view a, std::string_view b) {
  return AsciiEqualNoCase(a, b);
}
