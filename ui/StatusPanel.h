#pragma once
// One panel of the status bar: as wide as designed while the window has room, narrower when it
// has not, and its text cut with "…" to the width it gets, so no two panels overlap. A screen
// reader reads the whole text.
#include <QLabel>

class TStatusPanel : public QLabel {
  Q_OBJECT
 public:
  TStatusPanel(int designedWidth, QWidget* parent);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // The text as drawn: whole, or cut to the panel's width.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int FDesignedWidth;
};
