#include "catalogue/Games.h"

#include <new>
#include <utility>

#include "catalogue/ListFile.h"
#include "fileio/Errors.h"

std::vector<std::string> LoadGames(const TPaths& paths, TGameList& Games, std::string& RomDir,
                                   std::vector<TAuditNote>* notes) {
  const std::string listPath = ListFilePath(paths);
  EnsureListFile(listPath);
  const TListFile list(listPath);
  try {
    return LoadGamesFrom(list.Ini(), paths.WorkDir, Games, RomDir, notes);
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory(listPath);  // the games it lists (an archive's own says so)
  }
}

std::vector<std::string> LoadGamesFrom(const TIniFile& list, const std::string& workDir,
                                       TGameList& Games, std::string& RomDir,
                                       std::vector<TAuditNote>* notes,
                                       const TAuditOptions* options) {
  Games.clear();
  Games.reserve(list.SectionCount());
  if (notes) {
    notes->clear();
    notes->reserve(Games.capacity());
  }
  return AuditGames(
      list, workDir, RomDir, notes != nullptr,
      [&](const TGameView& game, TAuditNote* note) {
        Games.push_back(game.ToGame());
        if (notes) notes->push_back(std::move(*note));
      },
      options);
}

TGame TGameView::ToGame() const {
  TGame game;
  game.Game = Game;
  game.Country = Country;
  game.Company = Company;
  game.System = System;
  game.Year = Year;
  game.RomPath = RomPath;
  game.Preview = Preview;
  game.Available = Available;
  game.SoundFlag = SoundFlag;
  return game;
}
