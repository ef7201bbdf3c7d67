#include "ui/ItemKeys.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QKeyEvent>

bool SelectCurrentOnFirstDown(QAbstractItemView& view, const QKeyEvent& event) {
  if (event.key() != Qt::Key_Down || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
    return false;
  QItemSelectionModel* selection = view.selectionModel();
  if (!selection || !view.model() || selection->hasSelection()) return false;
  QModelIndex index = view.currentIndex();
  if (!index.isValid()) index = view.model()->index(0, 0, view.rootIndex());
  if (!index.isValid()) return false;
  selection->setCurrentIndex(index,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view.scrollTo(index);
  return true;
}
