#include "ui/GameViews.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

#include "ui/ItemKeys.h"

// Large and small icons are both an icon view, so both lay their items out in a grid that
// scrolls; small icons put the title beside the picture instead of under it.
class TIconDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool SideBySide = false;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!SideBySide) return;
    option->decorationPosition = QStyleOptionViewItem::Left;
    option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option->features &= ~QStyleOptionViewItem::WrapText;
  }
};

// The detail view's column titles. Qt measures a title in bold, for headers that show the
// selected column in bold; this one never does, so the titles are measured in the font they are
// drawn in, which spares loading a second font at start-up.
class TTitleHeader : public QHeaderView {
 public:
  using QHeaderView::QHeaderView;

 protected:
  QSize sectionSizeFromContents(int logicalIndex) const override {
    if (highlightSections()) return QHeaderView::sectionSizeFromContents(logicalIndex);
    ensurePolished();
    const QAbstractItemModel* titles = model();
    const QVariant hint = titles->headerData(logicalIndex, orientation(), Qt::SizeHintRole);
    if (hint.isValid()) return hint.toSize();
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.section = logicalIndex;
    const QVariant font = titles->headerData(logicalIndex, orientation(), Qt::FontRole);
    option.fontMetrics =
        QFontMetrics(font.canConvert<QFont>() ? qvariant_cast<QFont>(font) : this->font());
    option.text = titles->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    const QVariant decoration = titles->headerData(logicalIndex, orientation(), Qt::DecorationRole);
    option.icon = qvariant_cast<QIcon>(decoration);
    if (option.icon.isNull()) option.icon = qvariant_cast<QPixmap>(decoration);
    if (isSortIndicatorShown()) option.sortIndicator = QStyleOptionHeader::SortDown;
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
  }
};

namespace {
constexpr int kSmallIconColumn = 150;  // a title longer than its column is elided
}  // namespace

TGameViews::TGameViews(QWidget* parent) : QStackedWidget(parent), FDetails(new QTreeView(this)) {
  auto* header = new TTitleHeader(Qt::Horizontal, FDetails);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);  // as the tree's own header
  FDetails->setHeader(header);
  PrepareView(FDetails);
  FDetails->setRootIsDecorated(false);
  FDetails->setItemsExpandable(false);
  FDetails->setUniformRowHeights(true);
  FDetails->setAllColumnsShowFocus(true);
  FDetails->setIconSize(QSize(16, 16));
  FDetails->header()->setStretchLastSection(false);
  FDetails->header()->setSectionsMovable(false);
  FDetails->header()->setSectionsClickable(false);  // the list is never sorted

  addWidget(FDetails);
  SetViewStyle(vsReport);
}

void TGameViews::PrepareView(QAbstractItemView* view) {
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->installEventFilter(this);
}

QListView* TGameViews::IconView() {
  if (FIcons) return FIcons;
  FIcons = new QListView(this);
  FIconDelegate = new TIconDelegate(FIcons);
  FIcons->setItemDelegate(FIconDelegate);
  PrepareView(FIcons);
  FIcons->setMovement(QListView::Static);
  FIcons->setResizeMode(QListView::Adjust);
  FIcons->setUniformItemSizes(true);
  FIcons->setWrapping(true);
  FIcons->setAccessibleName(FDetails->accessibleName());
  addWidget(FIcons);
  if (FModel) {
    FIcons->setModel(FModel);
    // One selection for both views: the list adopts the tree's.
    FIcons->setSelectionModel(FDetails->selectionModel());
    Connect(FIcons);
  }
  return FIcons;
}

void TGameViews::SetModel(QAbstractItemModel* model) {
  FModel = model;
  FDetails->setModel(model);
  if (FIcons) {
    FIcons->setModel(model);
    FIcons->setSelectionModel(FDetails->selectionModel());
    Connect(FIcons);
  }
  connect(Selection(), &QItemSelectionModel::selectionChanged, this, &TGameViews::Changed);
  connect(model, &QAbstractItemModel::modelReset, this, &TGameViews::Changed);
  connect(Selection(), &QItemSelectionModel::currentChanged, this, &TGameViews::KeepCurrentOnTitle);
  Connect(FDetails);
}

void TGameViews::SetColumnWidths(const QList<int>& widths) {
  for (int c = 0; c < widths.size(); ++c) FDetails->setColumnWidth(c, widths[c]);
}

// Type-ahead searches the column of the current cell; keeping it on the title makes every view
// find games by the first letters of their title, wherever in the row the user clicked.
void TGameViews::KeepCurrentOnTitle(const QModelIndex& current) {
  if (current.isValid() && current.column() != 0)
    Selection()->setCurrentIndex(current.siblingAtColumn(0), QItemSelectionModel::NoUpdate);
}

void TGameViews::Connect(QAbstractItemView* view) {
  connect(view, &QAbstractItemView::doubleClicked, this, &TGameViews::DoubleClicked);
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
    emit ContextMenu(view->viewport()->mapToGlobal(pos));
  });
}

bool TGameViews::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != FIcons && watched != FDetails))
    return QStackedWidget::eventFilter(watched, event);
  auto* view = static_cast<QAbstractItemView*>(watched);
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
      modifiers == Qt::NoModifier) {
    if (SelectedRow() < 0) return false;
    emit DoubleClicked();
    return true;
  }
  // The Menu key reaches the popup through Qt; Shift+F10 is its other name.
  if (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
    const QModelIndex current = view->currentIndex();
    QRect item = current.isValid() ? view->visualRect(current) : QRect();
    item = item.intersected(view->viewport()->rect());
    const QPoint at = item.isEmpty() ? QPoint(0, 0) : item.center();
    emit ContextMenu(view->viewport()->mapToGlobal(at));
    return true;
  }
  return SelectCurrentOnFirstDown(*view, *key);
}

void TGameViews::SetViewStyle(TViewStyle style) {
  FStyle = style;
  if (style == vsReport) {
    setCurrentWidget(FDetails);
  } else {
    QListView* icons = IconView();
    switch (style) {
      case vsIcon:
        icons->setViewMode(QListView::IconMode);
        icons->setFlow(QListView::LeftToRight);
        icons->setIconSize(QSize(32, 32));
        icons->setGridSize(QSize(76, 64));
        icons->setWordWrap(true);
        icons->setSpacing(0);
        break;
      case vsSmallIcon:
        icons->setViewMode(QListView::IconMode);
        icons->setFlow(QListView::LeftToRight);
        icons->setIconSize(QSize(16, 16));
        icons->setGridSize(QSize(kSmallIconColumn, qMax(16, icons->fontMetrics().height()) + 4));
        icons->setWordWrap(false);
        icons->setSpacing(0);
        break;
      default:
        icons->setViewMode(QListView::ListMode);
        icons->setFlow(QListView::TopToBottom);
        icons->setIconSize(QSize(16, 16));
        icons->setGridSize(QSize());
        icons->setWordWrap(false);
        icons->setSpacing(0);
        break;
    }
    FIconDelegate->SideBySide = style == vsSmallIcon;
    // ListMode resets these; every style wraps and stays put.
    icons->setMovement(QListView::Static);
    icons->setWrapping(true);
    icons->setResizeMode(QListView::Adjust);
    setCurrentWidget(icons);
  }
  const QModelIndex current = Selection() ? Selection()->currentIndex() : QModelIndex();
  if (current.isValid()) CurrentView()->scrollTo(current);
}

// Left to its next paint, the layout would mark the view dirty again from inside that paint, and
// the list would be painted twice.
void TGameViews::LayOutNow() {
  if (CurrentView()->isVisible()) CurrentView()->doItemsLayout();
}

QAbstractItemView* TGameViews::CurrentView() const {
  return FStyle == vsReport ? static_cast<QAbstractItemView*>(FDetails)
                            : static_cast<QAbstractItemView*>(FIcons);
}

QItemSelectionModel* TGameViews::Selection() const {
  return FDetails->selectionModel();
}

int TGameViews::SelectedRow() const {
  if (!Selection()) return -1;
  const QModelIndexList selected = Selection()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

void TGameViews::SelectRow(int row) {
  QAbstractItemModel* model = FDetails->model();
  if (!model) return;
  const QModelIndex index = model->index(row, 0);
  if (!index.isValid()) {
    Selection()->clear();
    return;
  }
  Selection()->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  CurrentView()->scrollTo(index);
}
