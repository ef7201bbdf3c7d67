#include "ui/GameFilterTable.h"

#include <algorithm>

TGameFilterTable::TGameFilterTable(QObject* parent) : QAbstractTableModel(parent) {}

void TGameFilterTable::SetSource(TGameListModel* source) {
  if (source == FSource) return;
  beginResetModel();
  if (FSource) disconnect(FSource, nullptr, this, nullptr);
  FSource = source;
  if (source) {
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this,
            &TGameFilterTable::beginResetModel);
    connect(source, &QAbstractItemModel::modelReset, this, &TGameFilterTable::EndReset);
    connect(source, &QAbstractItemModel::headerDataChanged, this,
            &TGameFilterTable::headerDataChanged);
    // Rows or columns added, removed or moved: the list starts over from the source, as after a
    // reset. The begin signals come while the source still holds what the rows show.
    for (auto about :
         {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved,
          &QAbstractItemModel::columnsAboutToBeInserted,
          &QAbstractItemModel::columnsAboutToBeRemoved})
      connect(source, about, this, &TGameFilterTable::beginResetModel);
    for (auto done : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved,
                      &QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
      connect(source, done, this, &TGameFilterTable::EndReset);
    for (auto about :
         {&QAbstractItemModel::rowsAboutToBeMoved, &QAbstractItemModel::columnsAboutToBeMoved})
      connect(source, about, this, &TGameFilterTable::beginResetModel);
    for (auto done : {&QAbstractItemModel::rowsMoved, &QAbstractItemModel::columnsMoved})
      connect(source, done, this, &TGameFilterTable::EndReset);
    connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this,
            &TGameFilterTable::beginResetModel);
    connect(source, &QAbstractItemModel::layoutChanged, this, &TGameFilterTable::EndReset);
    connect(source, &QAbstractItemModel::dataChanged, this, &TGameFilterTable::SourceDataChanged);
    // Going first (the window's children go in the order they were made), it leaves an empty
    // list behind for the views still to go.
    connect(source, &QObject::destroyed, this, [this] {
      beginResetModel();
      FRows.clear();
      endResetModel();
    });
  }
  Rebuild();
  endResetModel();
}

void TGameFilterTable::SetFilter(const TGameFilter& filter) {
  beginResetModel();
  FFilter = filter;
  Rebuild();
  endResetModel();
}

void TGameFilterTable::EndReset() {
  Rebuild();
  endResetModel();
}

void TGameFilterTable::SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QList<int>& roles) {
  std::vector<int> rows = Matches();
  if (rows != FRows) {
    // A game came into the folder or left it: the rows start over.
    beginResetModel();
    FRows = std::move(rows);
    endResetModel();
    return;
  }
  // The same games: their changed cells, where they are listed.
  const auto first = std::lower_bound(FRows.begin(), FRows.end(), topLeft.row());
  const auto last = std::upper_bound(FRows.begin(), FRows.end(), bottomRight.row());
  if (first == last) return;
  emit dataChanged(index(static_cast<int>(first - FRows.begin()), topLeft.column()),
                   index(static_cast<int>(last - FRows.begin()) - 1, bottomRight.column()), roles);
}

void TGameFilterTable::Rebuild() {
  FRows = Matches();
}

std::vector<int> TGameFilterTable::Matches() const {
  std::vector<int> rows;
  if (!FSource) return rows;
  const TGameList& games = FSource->Games();
  for (std::size_t p = 0; p < games.size(); ++p)
    if (FFilter.Match(games[p])) rows.push_back(static_cast<int>(p));
  return rows;
}

int TGameFilterTable::Position(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < FRows.size()
             ? FRows[static_cast<std::size_t>(row)]
             : -1;
}

QModelIndex TGameFilterTable::SourceIndex(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this || !FSource) return {};
  const int p = Position(index.row());
  return p < 0 ? QModelIndex() : FSource->index(p, index.column());
}

int TGameFilterTable::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int TGameFilterTable::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !FSource ? 0 : FSource->columnCount();
}

QVariant TGameFilterTable::data(const QModelIndex& index, int role) const {
  const QModelIndex source = SourceIndex(index);
  return source.isValid() ? FSource->data(source, role) : QVariant();
}

QVariant TGameFilterTable::headerData(int section, Qt::Orientation orientation, int role) const {
  return FSource ? FSource->headerData(section, orientation, role) : QVariant();
}

Qt::ItemFlags TGameFilterTable::flags(const QModelIndex& index) const {
  const QModelIndex source = SourceIndex(index);
  return source.isValid() ? FSource->flags(source) : Qt::NoItemFlags;
}
