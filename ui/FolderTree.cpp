#include "ui/FolderTree.h"

#include <QKeyEvent>
#include <QSet>
#include <QTreeWidgetItemIterator>
#include <algorithm>

#include "ui/ItemKeys.h"
#include "ui/Pictures.h"

TFolderTree::TFolderTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(19);
  setIconSize(QSize(16, 16));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformRowHeights(true);

  addTopLevelItem(NewNode(tr("All Games"), 0, TFolderKind::All));
  addTopLevelItem(NewNode(tr("Available"), 6, TFolderKind::Available));
  QTreeWidgetItem* year = NewNode(tr("Year"), 2, TFolderKind::Heading);
  for (int y = 1994; y <= 1999; ++y)
    year->addChild(NewNode(QString::number(y), 7, TFolderKind::Year));
  addTopLevelItem(year);
  addTopLevelItem(NewNode(tr("Non Working"), 4, TFolderKind::Missing));
  // New nodes start collapsed. Collapsing them again would lay the tree out, fonts and all,
  // long before the window is shown.
}

QTreeWidgetItem* TFolderTree::NewNode(const QString& text, int image, TFolderKind kind) const {
  auto* node = new QTreeWidgetItem(QStringList{text});
  node->setIcon(0, Pictures::FolderNodeImage(image));
  node->setData(0, FolderKindRole, static_cast<int>(kind));
  node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return node;
}

TFolderKind TFolderTree::FolderKind(const QTreeWidgetItem* node) {
  return node ? static_cast<TFolderKind>(node->data(0, FolderKindRole).toInt())
              : TFolderKind::Heading;
}

QTreeWidgetItem* TFolderTree::FlatNode(int index) const {
  int i = 0;
  for (QTreeWidgetItemIterator it(const_cast<TFolderTree*>(this)); *it; ++it, ++i)
    if (i == index) return *it;
  return nullptr;
}

void TFolderTree::AddCompanyFolders(const std::vector<std::string>& companies) {
  const QString heading = tr("Company");
  QTreeWidgetItem* node = FlatNode(2);
  QTreeWidgetItem* company = node;
  if (!node || node->text(0) != heading) {
    company = NewNode(heading, 3, TFolderKind::Heading);
    QTreeWidgetItem* parent = node && node->parent() ? node->parent() : invisibleRootItem();
    const int at = node ? parent->indexOfChild(node) : parent->childCount();
    parent->insertChild(at, company);
  } else {
    company->setIcon(0, Pictures::FolderNodeImage(3));
  }
  QSet<QString> present;
  for (int c = 0; c < company->childCount(); ++c) present.insert(company->child(c)->text(0));
  for (const std::string& name : companies) {
    const QString text = QString::fromStdString(name);
    if (present.contains(text)) continue;
    present.insert(text);
    company->addChild(NewNode(text, 8, TFolderKind::Company));
  }
}

QTreeWidgetItem* TFolderTree::SelectedFolder() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

void TFolderTree::SelectNeighbour(int step) {
  std::vector<QTreeWidgetItem*> nodes;
  for (QTreeWidgetItemIterator it(this); *it; ++it) nodes.push_back(*it);
  if (nodes.empty()) return;
  const auto selected = std::find(nodes.begin(), nodes.end(), SelectedFolder());
  ptrdiff_t at = 0;
  if (selected != nodes.end()) {
    at = (selected - nodes.begin()) + step;
    if (at < 0 || at >= static_cast<ptrdiff_t>(nodes.size())) return;
  }
  setCurrentItem(nodes[static_cast<size_t>(at)]);  // a collapsed heading opens to show it
}

QTreeWidgetItem* TFolderTree::FindFolder(const QString& text) const {
  for (QTreeWidgetItemIterator it(const_cast<TFolderTree*>(this)); *it; ++it)
    if ((*it)->text(0) == text) return *it;
  return nullptr;
}

void TFolderTree::keyPressEvent(QKeyEvent* event) {
  // The program selects no folder at start; the first Down selects the first one.
  if (SelectCurrentOnFirstDown(*this, *event)) return;
  QTreeWidget::keyPressEvent(event);
}
