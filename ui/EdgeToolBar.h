#pragma once
// A toolbar with an etched line above and below it, like the classic flat toolbar under a menu.
#include <QToolBar>

class TEdgeToolBar : public QToolBar {
  Q_OBJECT
 public:
  explicit TEdgeToolBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void actionEvent(QActionEvent* event) override;
};
