#pragma once
// Writing keys into list-file text. A write changes only the line it writes and keeps every
// other byte, line ends included:
// - a key that exists gets its value replaced in place (the first of its name in the first
//   section of its name, names compared without regard to case);
// - a new key goes after its section's last non-blank line, ahead of blank separator lines;
// - a new section goes at the end of the text, with the text's own line end (CR LF in an empty
//   or one-line text).
// Line breaks in a value become blanks, so a value cannot add a line of its own.
#include <string>
#include <vector>

// One key to write.
struct TIniChange {
  std::string Section, Key, Value;
};

// The text after writing `changes` in order, each by the rules above on the text the one before
// it left. Only the sections written to are parsed, and the new text is made in one pass.
std::string ApplyIniChanges(std::string text, const std::vector<TIniChange>& changes);
