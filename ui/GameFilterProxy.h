#pragma once
// The folder's filter over the game model. The list keeps catalogue order: nothing is sorted.
#include <QSortFilterProxyModel>

#include "GameFilter.h"

class TGameFilterProxy : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  // The source is a TGameListModel, whose games the rule reads.
  explicit TGameFilterProxy(QObject* parent = nullptr);

  // Replaces the rule and rebuilds the list from scratch, as a reset: the selection goes with it.
  void SetFilter(const TGameFilter& filter);
  const TGameFilter& Filter() const { return FFilter; }

  // The catalogue position of a proxy row, or -1.
  int Position(int row) const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  TGameFilter FFilter;
};
