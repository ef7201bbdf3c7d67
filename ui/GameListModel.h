#pragma once
// The catalogue as a table for the game views: one row per game, in catalogue order. The model
// owns the table; every audit hands it a new one.
#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <string>
#include <vector>

#include "catalogue/Games.h"

class TGameListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TRole {
    PositionRole = Qt::UserRole + 1,  // int: the game's catalogue position p
    ImageIndexRole                    // int: 0 available with sound, 2 without, 1 ROMs missing
  };
  enum TColumn { colGame, colCountry, colCompany, colSystem, colYear, ColumnCount };

  explicit TGameListModel(QObject* parent = nullptr);

  // Takes a new table, and the audit's note for each of its games (same positions; shown as
  // the item's tooltip), and resets: the views and the filter table start over from it.
  void SetGames(TGameList games, std::vector<TAuditNote> notes = {});
  const TGameList& Games() const { return FGames; }
  // The game at catalogue position p, or nullptr outside the table.
  const TGame* Game(int p) const;
  // The audit's note of the game at catalogue position p, or nullptr.
  const TAuditNote* Note(int p) const;
  // Paths inside the working directory are shown relative to it in the tooltips.
  void SetWorkDir(const std::string& workDir) { FWorkDir = workDir; }

  static int ImageIndex(const TGame& game);
  static int ColumnWidth(int column);  // the detail view's designed widths

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  TGameList FGames;
  std::vector<TAuditNote> FNotes;
  std::string FWorkDir;
  std::array<QIcon, 3> FImages;
};
