#pragma once
// The list file's private-profile rules: sections in brackets, "key=value" lines, names compared
// without regard to case, the first section and the first key of a name winning. The text is
// parsed once; reads are answered from memory. Writes change one line and keep every other byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TIniFile {
 public:
  static constexpr std::size_t MaxValueLength = 2047;  // characters returned by a read

  TIniFile() = default;
  explicit TIniFile(std::string text);

  // Reads the file at `path`; a missing file is an empty text. A file that exists but
  // cannot be read raises EFOpenError naming it.
  static TIniFile Load(const std::string& path);

  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  bool SectionExists(std::string_view section) const;
  std::size_t SectionCount() const { return Sections.size(); }

  // Change the text in memory only; SaveTo() / TListFile write it out.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  const std::string& Text() const { return FText; }

  // Writes the text crash-safely: a temporary file beside `path`, flushed, then renamed over it.
  // On failure the old file stays whole and EFCreateError names `path`.
  void SaveTo(const std::string& path) const;

 private:
  struct TLine {
    std::size_t Begin;  // offset of the line's first byte
    std::size_t End;    // offset just past its content (before CR/LF)
    std::size_t Next;   // offset of the next line
  };
  struct TKey {
    std::size_t NameBegin;  // offset of the key's name in the text (trimmed)
    std::size_t NameLength;
    std::size_t Line;
  };
  struct TSection {
    std::string Name;          // as written, trimmed
    std::size_t Head;          // line index of "[...]"
    std::size_t Last;          // line index of the section's last non-blank line
    std::size_t FirstKey = 0;  // its keys are Keys[FirstKey, FirstKey + KeyCount), in file order
    std::size_t KeyCount = 0;
  };

  void Parse();
  const TSection* Find(std::string_view section) const;
  const TKey* FindKey(const TSection& section, std::string_view key) const;
  bool Lookup(std::string_view section, std::string_view key, std::string& value) const;
  std::string_view LineEnd() const;
  std::string LastLineBreak() const;

  std::string FText;
  std::vector<TLine> Lines;
  std::vector<TSection> Sections;
  std::vector<TKey> Keys;
  // (hash of the folded name, section index), sorted: equal names sit together in file order,
  // so the first match is the first section of that name. No strings are copied to build it.
  std::vector<std::pair<uint64_t, std::size_t>> SectionIndex;
  // Reads come in runs on one section: the last one found is checked first.
  mutable std::string FLastName;
  mutable std::size_t FLastSection = kNone;  // an index, so that copies stay right
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

// Integer text as the private-profile routines read it: decimal with optional sign, or hex after
// "$", "0x", "0X", "x", "X". Returns false for anything else.
bool ParseProfileInteger(std::string_view text, int32_t& value);

// Case folding for section and key names (ASCII letters only).
std::string FoldName(std::string_view name);
// Equality after that folding, without making copies.
bool SameName(std::string_view a, std::string_view b);
// A hash that agrees with SameName: names equal after folding hash alike.
uint64_t FoldedHash(std::string_view name);
