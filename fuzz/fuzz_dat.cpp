// ROM lists (DATs) in either format: any input either reads as a list, all of its texts UTF-8, or
// raises EDatError naming the file and a line; nothing else may escape. A list that reads is
// written as a fixdat of all its files, which must read back with the same games and files.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue/Dat.h"
#include "catalogue/FixDat.h"
#include "fileio/Text.h"

namespace {
[[noreturn]] void Fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "fuzz_dat: %s [%.*s]\n", what, static_cast<int>(detail.size()),
               detail.data());
  std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TDat dat;
  try {
    dat = ParseDat(text, "fuzz.dat");
  } catch (const EDatError& e) {
    if (std::string_view(e.what()).find("\"fuzz.dat\": line ") == std::string_view::npos)
      Fail("an error without the file and the line", e.what());
    return 0;
  }
  // Whatever the file's encoding, what it gives is UTF-8.
  const auto utf8 = [](std::string_view text) {
    if (!IsValidUtf8(text)) Fail("a text that is not UTF-8", text);
  };
  utf8(dat.Name);
  for (const std::string& note : dat.Notes) utf8(note);
  for (const TDatGame& game : dat.Games) {
    utf8(game.Name);
    utf8(game.Parent);
    for (const TDatRom& rom : game.Roms) {
      utf8(rom.Name);
      utf8(rom.Merge);
    }
  }
  // Each game as a fixdat game of all its files, nodumps aside.
  TFixDat fix("fix", "all");
  std::size_t written = 0;
  for (const TDatGame& game : dat.Games) {
    TAuditNote note;
    note.DatGame = game.Name;
    for (const TDatRom& rom : game.Roms) {
      if (rom.NoDump) continue;
      TFileCheck f;
      f.Name = rom.Name;
      f.HasSize = rom.HasSize;
      f.HasCrc = rom.HasCrc;
      f.Size = rom.Size;
      f.Crc = rom.Crc;
      note.Bad.push_back(f);
    }
    // Names with control characters are not XML; they are left out of the round trip.
    bool plain = !note.Bad.empty();
    for (const char c : game.Name) plain = plain && static_cast<unsigned char>(c) >= 0x20;
    for (const TFileCheck& f : note.Bad)
      for (const char c : f.Name) plain = plain && static_cast<unsigned char>(c) >= 0x20;
    if (!plain) continue;
    fix.Add(game.Name + ".zip", "", note);
    ++written;
  }
  TDat back;
  try {
    back = ParseDat(fix.Text(), "fix.dat");
  } catch (const EDatError&) {
    // Expat takes only well-formed UTF-8: a list in another encoding may not round-trip.
    return 0;
  }
  // Games whose files have no size, and a name met again, are left out by the fixdat itself.
  if (back.Games.size() != fix.Games() || fix.Games() > written)
    Fail("the fixdat lost or added games");
  return 0;
}
