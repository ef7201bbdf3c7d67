#pragma once
// A toolbar with an etched line above and below it, like the classic flat toolbar under a menu:
// one flat button per action, a separator line for a separator action, laid out and drawn as the
// style lays out and draws a toolbar. It is a plain widget: a QToolBar builds its overflow
// button, icon and menu at once, and this bar always has room for its buttons. A QToolBar in its
// place makes the start-up to the first painted window slower: `ludra-bench-window --startup`
// measures it against the one-label window (docs/conventions.md).
#include <QWidget>
#include <utility>
#include <vector>

class QAction;

class TEdgeToolBar : public QWidget {
  Q_OBJECT
 public:
  explicit TEdgeToolBar(QWidget* parent = nullptr);

  QAction* addSeparator();
  // The button or separator that shows `action`, or nullptr.
  QWidget* widgetForAction(QAction* action) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void actionEvent(QActionEvent* event) override;

 private:
  int Margin() const;
  int Spacing() const;
  void LayOut();

  std::vector<std::pair<QAction*, QWidget*>> FItems;  // in the order of the bar's actions
};
