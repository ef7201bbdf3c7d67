#pragma once
// The game list in its four view styles: a list view for large icons, small icons and the plain
// list, a tree view for the details, stacked over the same model and the same selection model,
// so switching style keeps the selected game. The list view is made when a style first needs it;
// the window opens on the details.
#include <QListView>
#include <QStackedWidget>
#include <QTreeView>

class QAbstractItemModel;
class QItemSelectionModel;
class TIconDelegate;

class TGameViews : public QStackedWidget {
  Q_OBJECT
 public:
  enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

  explicit TGameViews(QWidget* parent = nullptr);

  // Both views show `model`.
  void SetModel(QAbstractItemModel* model);
  // The detail view's column widths; this measures text (a column's least width).
  void SetColumnWidths(const QList<int>& widths);

  void SetViewStyle(TViewStyle style);
  // Lays the shown view out now rather than in its next paint; for after a refill.
  void LayOutNow();
  TViewStyle ViewStyle() const { return FStyle; }

  // The row of the selected item in the model, or -1.
  int SelectedRow() const;
  void SelectRow(int row);

  QAbstractItemView* CurrentView() const;
  QListView* IconView();  // made on first use
  QTreeView* DetailView() const { return FDetails; }
  QItemSelectionModel* Selection() const;

 signals:
  void Changed();        // the selection changed or the list was rebuilt
  void DoubleClicked();  // on an item, or Return or Enter while one is selected
  void ContextMenu(const QPoint& globalPos);  // right click, the Menu key or Shift+F10

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PrepareView(QAbstractItemView* view);
  void Connect(QAbstractItemView* view);
  void KeepCurrentOnTitle(const QModelIndex& current);

  QTreeView* FDetails;
  QListView* FIcons = nullptr;
  TIconDelegate* FIconDelegate = nullptr;
  QAbstractItemModel* FModel = nullptr;
  TViewStyle FStyle = vsReport;
};
