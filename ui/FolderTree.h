#pragma once
// The folder tree: fixed folders (all, available, years, missing) and the company folders the
// audit adds. Every node carries its folder kind, which picks the list's filter.
#include <QTreeWidget>
#include <string>
#include <vector>

#include "catalogue/GameFilter.h"

class TFolderTree : public QTreeWidget {
  Q_OBJECT
 public:
  static constexpr int FolderKindRole = Qt::UserRole + 1;

  explicit TFolderTree(QWidget* parent = nullptr);

  // The node's kind, kept as an integer in its state index; a heading for no node.
  static TFolderKind FolderKind(const QTreeWidgetItem* node);

  // The node at `index` counted over all nodes in tree order, expanded or not; nullptr past the
  // end.
  QTreeWidgetItem* FlatNode(int index) const;

  // The "Company" heading at flat index 2 (inserted before that node unless it is the heading
  // already), and one child per company not yet present. Children are never removed.
  void AddCompanyFolders(const std::vector<std::string>& companies);

  // The selected folder, or nullptr.
  QTreeWidgetItem* SelectedFolder() const;

  // Selects the node `step` places before or after the selected one, counted over all nodes in
  // tree order, expanded or not, as a click on it would; with none selected, the first node.
  // Nothing happens past either end.
  void SelectNeighbour(int step);

  // The node whose text is `text` (first in tree order), or nullptr; for tests and scripts.
  QTreeWidgetItem* FindFolder(const QString& text) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QTreeWidgetItem* NewNode(const QString& text, int image, TFolderKind kind) const;
};
