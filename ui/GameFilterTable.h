#pragma once
// The game list's rows for the chosen folder: a table of the catalogue positions its filter rule
// matches, in catalogue order (nothing is sorted), showing the game model's cells for them.
// It is no proxy model: it follows only its source's resets, which is how the game model ever
// changes (the catalogue is replaced as a whole). Rows inserted, removed or changed in place in
// the source would go unseen. A QSortFilterProxyModel would follow them all, at the price of
// setting up some fifty connections by signature when the window is built.
#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

#include "GameFilter.h"
#include "GameListModel.h"

class TGameFilterTable : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TGameFilterTable(QObject* parent = nullptr);

  // The games the rule reads. The rows are made again on every reset of the source, and only then.
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
