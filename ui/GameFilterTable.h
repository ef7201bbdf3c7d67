#pragma once
// The game list's rows for the chosen folder: a table of the catalogue positions its filter rule
// matches, in catalogue order (nothing is sorted), showing the game model's cells for them.
// It is no proxy model: a QSortFilterProxyModel over the game model, put in its place, makes the
// start-up to the first painted window slower (`ludra-bench-window --startup` measures it against
// the one-label window; docs/conventions.md). It follows every change of the source all the same:
// a change in place passes on, anything else starts the rows over.
#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

#include "catalogue/GameFilter.h"
#include "ui/GameListModel.h"

class TGameFilterTable : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TGameFilterTable(QObject* parent = nullptr);

  // The games the rule reads. The rows follow every change of the source: cells changed in place
  // are passed on while the same games stay listed; any other change makes the rows again, as a
  // reset.
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
  std::vector<int> Matches() const;  // the catalogue positions the rule lets through
  void EndReset();  // rebuilds the rows and ends the reset begun when the source began its change
  void SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                         const QList<int>& roles);
  // The source's cell behind a row's, or an invalid index.
  QModelIndex SourceIndex(const QModelIndex& index) const;

  QPointer<TGameListModel> FSource;
  TGameFilter FFilter;
  std::vector<int> FRows;  // the catalogue position of each row
};
