#pragma once
// The folder's filter over the game model. The list keeps catalogue order: nothing is sorted.
// A plain table over the source's rows rather than a QSortFilterProxyModel: the source only ever
// changes as a whole (a reset), so a list of positions is all the mapping there is, and the
// general proxy's set-up (some fifty connections made by signature) was a quarter of building
// the window up to its first text.
#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

#include "GameFilter.h"
#include "GameListModel.h"

class TGameFilterProxy : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TGameFilterProxy(QObject* parent = nullptr);

  // The games the rule reads. The list starts over with every reset of the source.
  void SetSource(TGameListModel* source);

  // Replaces the rule and rebuilds the list from scratch, as a reset: the selection goes with it.
  void SetFilter(const TGameFilter& filter);
  const TGameFilter& Filter() const { return FFilter; }

  // The catalogue position of a row, or -1.
  int Position(int row) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void Rebuild();
  // The source's cell behind a row's, or an invalid index.
  QModelIndex SourceIndex(const QModelIndex& index) const;

  QPointer<TGameListModel> FSource;
  TGameFilter FFilter;
  std::vector<int> FRows;  // the catalogue position of each row
};
