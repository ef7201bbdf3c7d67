#include "GameFilterTable.h"

TGameFilterTable::TGameFilterTable(QObject* parent) : QAbstractTableModel(parent) {}

void TGameFilterTable::SetSource(TGameListModel* source) {
  if (source == FSource) return;
  beginResetModel();
  if (FSource) disconnect(FSource, nullptr, this, nullptr);
  FSource = source;
  if (source) {
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this,
            &TGameFilterTable::beginResetModel);
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
      Rebuild();
      endResetModel();
    });
    connect(source, &QAbstractItemModel::headerDataChanged, this,
            &TGameFilterTable::headerDataChanged);
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

void TGameFilterTable::Rebuild() {
  FRows.clear();
  if (!FSource) return;
  const TGameList& games = FSource->Games();
  for (std::size_t p = 0; p < games.size(); ++p)
    if (FFilter.Match(games[p])) FRows.push_back(static_cast<int>(p));
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
