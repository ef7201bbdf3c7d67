#pragma once
// The line rules that reading (IniFile.h) and writing (IniPatch.h) list-file text share: which
// lines are section heads, and what a head's name is. Both keep offsets into the text in 32 bits.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace IniLines {

inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

inline void CheckSize(std::string_view text) {
  if (text.size() > std::numeric_limits<uint32_t>::max())
    throw std::length_error("list file text too long");
}

// Editors may put a UTF-8 byte-order mark before the first line. It belongs to no line: the first
// one starts past it, and a write leaves it where it is.
inline std::size_t FirstLineStart(std::string_view text) {
  return text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
}

// Calls f(offset) with the start of each section head, in order. A head is a line whose first
// character past its blanks is "[": "[" is rare in a list file, so each one is found with memchr
// and only what stands before it on its line is looked at.
template <class F>
void ForEachHead(std::string_view text, F&& f) {
  const char* const base = text.data();
  const std::size_t size = text.size();
  for (std::size_t pos = 0; pos < size;) {
    const auto* open = static_cast<const char*>(std::memchr(base + pos, '[', size - pos));
    if (!open) break;
    std::size_t lineStart = static_cast<std::size_t>(open - base);
    while (lineStart > 0 && IsBlank(base[lineStart - 1])) --lineStart;
    if (lineStart == FirstLineStart(text) || (lineStart > 0 && base[lineStart - 1] == '\n'))
      f(static_cast<uint32_t>(lineStart));
    pos = static_cast<std::size_t>(open - base) + 1;
  }
}

// The name of the head that starts at `head`: up to its first "]", or else to its line's end
// without a CR; trimmed.
inline std::string_view SectionName(std::string_view text, std::size_t head) {
  const char* const textEnd = text.data() + text.size();
  const char* name = text.data() + head;
  while (IsBlank(*name)) ++name;
  ++name;  // "["
  const char* end = name;
  while (end < textEnd && *end != ']' && *end != '\n') ++end;
  if (end == textEnd || *end == '\n')
    if (end > name && end[-1] == '\r') --end;
  return Trim(std::string_view(name, static_cast<std::size_t>(end - name)));
}

}  // namespace IniLines
