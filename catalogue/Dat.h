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

struct TDatRom {
  std::string Name;
  std::string Merge;  // the file's name in the parent's archive, for a file a split set shares
  uint32_t Size = 0, Crc = 0;
  bool HasSize = false, HasCrc = false;
  bool NoDump = false;  // no dump of it exists: nothing to check
};

struct TDatGame {
  std::string Name;
  std::string Parent;  // romof, else cloneof: the archive that holds the merged files
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

  // The game of that name, letter case ignored; nullptr when there is none. The first of
  // several games of one name counts.
  const TDatGame* Find(std::string_view name) const;
  // Builds the table Find looks in, once the games are read.
  void Index();

 private:
  std::vector<uint32_t> FSlots;  // 1 + an index into Games, 0 when empty; a power of 2
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
bool ParseSize(std::string_view text, uint32_t& size);
bool ParseCrc(std::string_view text, uint32_t& crc);
}  // namespace dat_detail
