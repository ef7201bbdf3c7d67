#pragma once
// The catalogue: every game of the list file, audited against the ROM directory.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Paths.h"
#include "fileio/FunctionRef.h"
#include "fileio/Message.h"

struct TGame {
  std::string Game;
  std::string Country;
  std::string Company;
  std::string System;
  std::string Year;
  std::string RomPath;  // RomDir followed by Romname, as stored text ("Roms\sfex.zip")
  std::string Preview;  // screenshot file name inside "Shots\"
  bool Available = false;
  bool SoundFlag = false;
};

using TGameList = std::vector<TGame>;

// Why a game came out as it did; filled only when the caller asks (ludra-audit --missing, the
// game list's tooltips). AuditText.h puts it into words.
// A listed file that the archive lacks, holds in another form than the ROM list (DAT) states, or
// that could not be checked.
struct TFileCheck {
  enum TStatus {
    Missing,      // in no archive it may be in
    WrongSize,    // found, of another size than the DAT states
    WrongCrc,     // found, of the stated size but another CRC-32
    NotReadable,  // to be looked for in a parent's or BIOS's archive that could not be read
    NotChecked    // found, but neither its size nor a CRC-32 can be compared
  };
  TStatus Status = Missing;
  std::string Name;
  std::string Merge;                     // its name in the parent's archive, as the DAT states it
  bool HasSize = false, HasCrc = false;  // the DAT states them (never without a DAT)
  bool BadDump = false;    // the DAT marks the only dump known as bad: CRC not compared
  uint64_t Size = 0;       // as the DAT states it
  uint32_t Crc = 0;        // as the DAT states it
  uint64_t FoundSize = 0;  // WrongSize, WrongCrc: as the archive's directory states
  uint32_t FoundCrc = 0;
  // NotReadable: the archive that could not be read (empty: the DAT's chain of parents is broken)
  // and why; `Gone` when that archive is not there at all, so the file is to be fetched.
  // NotChecked: why.
  std::string Archive;
  TMessage Why;
  bool Gone = false;
};

struct TAuditNote {
  enum TReason {
    Ok,                   // archive found and (when names are listed) one of them present
    ArchiveMissing,       // no file at RomPath
    NoExpectedFile,       // the archive lists members, none of them an expected name
    DirectoryUnreadable,  // available only because the archive exists; its directory was unreadable
    Incomplete            // available, but some of its listed files are missing or wrong
  };
  TReason Reason = Ok;
  std::string ArchivePath;  // the archive when found under another letter case, else empty
  std::string Found;        // Ok: the expected name the archive holds (none listed: empty)
  std::vector<std::string> Expected;  // the names of Files, for NoExpectedFile
  // Every listed file accounted for: the names of Files, or with a DAT the roms of its game (those
  // never dumped aside). `Bad` holds the ones missing or wrong, in listed order.
  std::size_t Listed = 0;
  std::vector<TFileCheck> Bad;
  std::string DatGame;               // the DAT's game checked against; empty without one
  std::string DatCloneOf, DatRomOf;  // its cloneof and romof, as the DAT states them
};

struct TAuditOptions;  // AuditEngine.h: reads in flight, cancelling, progress

// Reads the catalogue from the list file (creating it from the default catalogue when missing)
// and audits every game. `Games` and `RomDir` are replaced; the company list (distinct companies
// in order of first appearance) is returned. When an archive exists but cannot be opened the
// error propagates with `Games` holding the games read so far, the current one marked available.
std::vector<std::string> LoadGames(const TPaths& paths, TGameList& Games, std::string& RomDir,
                                   std::vector<TAuditNote>* notes = nullptr);

// The same from list file text already read, creating nothing, with a relative ROM directory
// taken from `workDir`.
class TIniFile;
std::vector<std::string> LoadGamesFrom(const TIniFile& list, const std::string& workDir,
                                       TGameList& Games, std::string& RomDir,
                                       std::vector<TAuditNote>* notes = nullptr,
                                       const TAuditOptions* options = nullptr);

// A game as the audit hands it over: the fields of TGame as views of the list file's text or of
// the audit's own buffers, valid while it is visited.
struct TGameView {
  std::string_view Game, Country, Company, System, Year, RomPath, Preview;
  bool Available = false;
  bool SoundFlag = false;
  TGame ToGame() const;
};

// The audit beneath both, for callers that need no table: each game is handed to `visit` once it
// is audited, in list order, with its note when `withNotes` (else nullptr). Both belong to the
// audit and are reused for the next game; the visitor may move from the note. An archive that
// cannot be opened or read hands over its game (available, the note saying its directory was
// unread) before the error propagates. Returns the company list, as LoadGames does. The archives
// are read by several threads at once (`options`, AuditEngine.h); `visit` is called on the calling
// thread only.
using TGameVisitor = TFunctionRef<void(const TGameView& game, TAuditNote* note)>;
std::vector<std::string> AuditGames(const TIniFile& list, const std::string& workDir,
                                    std::string& RomDir, bool withNotes, TGameVisitor visit,
                                    const TAuditOptions* options = nullptr);

// The screenshot name derived from an archive name: up to and including its first ".", then
// "jpg" ("sfex.zip" -> "sfex.jpg", "noext" -> "jpg").
std::string DerivePreview(const std::string& romName);
