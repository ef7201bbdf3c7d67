#pragma once
// The catalogue as a table for the game views: one row per game, in catalogue order.
#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <string>
#include <vector>

#include "Games.h"

class TGameListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TRole {
    PositionRole = Qt::UserRole + 1,  // int: the game's catalogue position p
    ImageIndexRole                    // int: 0 available with sound, 2 without, 1 ROMs missing
  };
  enum TColumn { colGame, colCountry, colCompany, colSystem, colYear, ColumnCount };

  // `games` is owned by the window and outlives the model; its size is read on every call, so
  // whoever replaces the table brackets the change with BeginReset()/EndReset().
  explicit TGameListModel(const TGameList* games, QObject* parent = nullptr);

  // The audit's note for each game (same positions as the table), shown as the item's tooltip;
  // paths inside `workDir` are shown relative to it. Owned by the window, replaced with Games.
  void SetAuditNotes(const std::vector<TAuditNote>* notes, const std::string& workDir);

  void BeginReset() { beginResetModel(); }
  void EndReset() { endResetModel(); }

  static int ImageIndex(const TGame& game);
  static int ColumnWidth(int column);  // the detail view's designed widths

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const TGameList* FGames;
  const std::vector<TAuditNote>* FNotes = nullptr;
  std::string FWorkDir;
  std::array<QIcon, 3> FImages;
};

// Ends a model reset however the code between leaves, so an audit that stops on an error
// still leaves the views reading only the (shortened) table.
class TModelReset {
 public:
  explicit TModelReset(TGameListModel& model) : FModel(model) { FModel.BeginReset(); }
  ~TModelReset() { FModel.EndReset(); }
  TModelReset(const TModelReset&) = delete;
  TModelReset& operator=(const TModelReset&) = delete;

 private:
  TGameListModel& FModel;
};
