#include "GameFilterProxy.h"

#include "GameListModel.h"

TGameFilterProxy::TGameFilterProxy(const TGameList* games, QObject* parent)
    : QSortFilterProxyModel(parent), FGames(games) {
  setDynamicSortFilter(false);
}

void TGameFilterProxy::SetFilter(const TGameFilter& filter) {
  beginResetModel();
  FFilter = filter;
  endResetModel();
}

int TGameFilterProxy::Position(int row) const {
  const QModelIndex i = index(row, 0);
  return i.isValid() ? i.data(TGameListModel::PositionRole).toInt() : -1;
}

bool TGameFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  if (sourceRow < 0 || static_cast<size_t>(sourceRow) >= FGames->size()) return false;
  return FFilter.Match((*FGames)[static_cast<size_t>(sourceRow)]);
}
