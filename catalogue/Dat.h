#pragma once
// A ROM list (a "DAT") as ROM managers read it: per game, each file's name, size and CRC-32. Two
// formats, told apart by content: Logiqx XML (read with expat, streaming, no entity expansion)
// and the ClrMamePro text format (a small tokenizer of our own; there is no library for it).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/Errors.h"
#include "fileio/FoldedIndex.h"

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
// True when anything is at `path`, a file or not (a FIFO, a folder, a link to nothing): ReadDat
// reports what is not a readable DAT, where skipping it would leave the user wondering.
bool DatIsThere(const std::string& path);

// Reads the DAT at `path`, Logiqx XML or the emulator's list XML (root "mame") or ClrMamePro
// text, in UTF-8, UTF-16 with its byte-order mark, or (not UTF-8) Windows-1252. A file that cannot
// be opened or is no file (never opened then) raises EFOpenError, a malformed or empty one
// EDatError; both name it. Values it cannot use become Notes.
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
// A rom's size (decimal, or hexadecimal after "0x") and CRC-32 (hexadecimal, up to 8 digits, "0x"
// allowed), blanks around either ignored; false when not a number.
bool ParseSize(std::string_view text, uint64_t& size);
bool ParseCrc(std::string_view text, uint32_t& crc);
void AddNote(TDat& dat, std::size_t line, const std::string& what);
// A name that can stand for an archive in the ROM folder: not empty, ".", "..", no separator.
bool IsFileName(std::string_view name);
// Checks a game's name and takes its parent's names (when the DAT writes them); false, with a
// Note, when the game is left out.
bool UsableGame(TDat& dat, TDatGame& game, std::optional<std::string_view> romOf,
                std::optional<std::string_view> cloneOf, std::size_t line);
// A rom's size and CRC-32 as written (`crcKey` names the CRC's key for a Note).
void SetValues(TDat& dat, TDatRom& rom, std::string_view size, bool sizeGiven, std::string_view crc,
               std::string_view crcKey, std::size_t line);
}  // namespace dat_detail
