#pragma once
// The folder's filter over the game model. The list keeps catalogue order: nothing is sorted.
#include <QSortFilterProxyModel>

#include "GameFilter.h"
#include "Games.h"

class TGameFilterProxy : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  // `games` is the table the source model shows, read directly so the rule sees a TGame.
  explicit TGameFilterProxy(const TGameList* games, QObject* parent = nullptr);

  // Replaces the rule and rebuilds the list from scratch, as a reset: the selection goes with it.
  void SetFilter(const TGameFilter& filter);
  const TGameFilter& Filter() const { return FFilter; }

  // The catalogue position of a proxy row, or -1.
  int Position(int row) const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  const TGameList* FGames;
  TGameFilter FFilter;
};
