#include "GameFilterProxy.h"

#include "GameListModel.h"

TGameFilterProxy::TGameFilterProxy(QObject* parent) : QSortFilterProxyModel(parent) {
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
  const auto* games = qobject_cast<const TGameListModel*>(sourceModel());
  const TGame* game = games ? games->Game(sourceRow) : nullptr;
  return game && FFilter.Match(*game);
}
