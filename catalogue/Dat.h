#pragma once
// A ROM list (a "DAT") as ROM managers read it: per game, each file's name, size and CRC-32. Two
// formats, told apart by content: Logiqx XML (read with expat, streaming, no entity expansion)
// and the ClrMamePro text format (a small tokenizer of our own; there is no library for it).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Errors.h"
#include "FoldedIndex.h"

struct TDatRom {
  std::string Name;
  std::string Merge;  // the file's name in the parent's archive, for a file a split set shares
  uint64_t Size = 0;  // a DVD image's rom is larger than 4 GiB
  uint32_t Crc = 0;
  // The DAT states them with a value Ludra can use (one it cannot use is a Note of the DAT).
  bool HasSize = false, HasCrc = false;
  bool NoDump = false;  // no dump of it exists: nothing to check
  // The only dump there is is known to be bad. Its CRC-32 (kept, as stated) is not trusted: the
  // file is checked by its size only, and a verdict says so rather than claim a CRC match.
  bool BadDump = false;
};

struct TDatGame {
  std::string Name;
  // romof, else cloneof: the archive that holds the merged files. Empty when the DAT names none
  // or when the name was rejected (a path separator, "..", empty): it is never opened as a file.
  std::string Parent;
  std::string CloneOf, RomOf;  // as the DAT writes them (checked like Parent, else empty)
  std::vector<TDatRom> Roms;
};

// A DAT that is no DAT: the message names the file and the line ('Cannot read "<file>": line
// <n>: <what>.').
class EDatError : public EFileError {
 public:
  EDatError(const std::string& fileName, std::size_t line, const std::string& what);
  std::size_t Line;
};

class TDat {
 public:
  std::string Name;  // the header's name, when it has one
  std::vector<TDatGame> Games;
  // Disk images (CHDs) the DAT lists: counted, never checked, so the summary can say so.
  std::size_t Disks = 0;
  // What the DAT holds that Ludra cannot use, each once, with its line ("line 12: the crc32 value
  // "xyz" is not a hexadecimal number; the file is checked by its size only"). The reader goes on.
  std::vector<std::string> Notes;

  // The game of that name, letter case ignored; nullptr when there is none. The first of
  // several games of one name counts.
  const TDatGame* Find(std::string_view name) const;
  // Builds the table Find looks in, once the games are read.
  void Index();

 private:
  TFoldedIndex FIndex;  // of the games' names
};

// The DAT that Ludra uses without being told: "ludra.dat" beside the list file.
std::string DatPathBeside(const std::string& listPath);

// Reads the DAT at `path`. A file that cannot be opened raises EFOpenError, a malformed one
// EDatError; both name it.
TDat ReadDat(const std::string& path);
// The same from text already read; `fileName` is what errors name.
TDat ParseDat(std::string_view text, const std::string& fileName);

// A CRC-32 as DATs write it: eight lower-case hexadecimal digits.
std::string CrcText(uint32_t crc);

// The archive name's game: "sfex.zip" -> "sfex" (the extension in any letter case).
std::string_view DatGameName(std::string_view romName);

// Internal to the reader, shared by its two formats.
namespace dat_detail {
void ParseClrMamePro(std::string_view text, const std::string& fileName, TDat& dat);
// A rom's size (decimal) and CRC-32 (hexadecimal, up to 8 digits); false when not a number.
bool ParseSize(std::string_view text, uint64_t& size);
bool ParseCrc(std::string_view text, uint32_t& crc);
}  // namespace dat_detail
