#include "EdgeToolBar.h"

#include <QAction>
#include <QActionEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>

namespace {
// The line between two groups of buttons, as the style draws it in a horizontal toolbar.
class TToolBarSeparator : public QWidget {
 public:
  explicit TToolBarSeparator(QWidget* bar) : QWidget(bar) {}
  QSize sizeHint() const override {
    QStyleOption option;
    option.initFrom(this);
    const int extent =
        style()->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, &option, parentWidget());
    return QSize(extent, extent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawPrimitive(QStyle::PE_IndicatorToolBarSeparator, &option, &painter, parentWidget());
  }
};
}  // namespace

TEdgeToolBar::TEdgeToolBar(QWidget* parent) : QWidget(parent) {
  setBackgroundRole(QPalette::Button);
  setAttribute(Qt::WA_Hover);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setContentsMargins(0, 2, 0, 2);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QAction* TEdgeToolBar::addSeparator() {
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  addAction(separator);
  return separator;
}

QWidget* TEdgeToolBar::widgetForAction(QAction* action) const {
  for (const auto& [a, item] : FItems)
    if (a == action) return item;
  return nullptr;
}

int TEdgeToolBar::Margin() const {
  return style()->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, this) +
         style()->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, this);
}

int TEdgeToolBar::Spacing() const {
  return style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, this);
}

// Buttons in action order from the left, each at its own width and the height inside the margins
// (measured, as a toolbar measures it, from the top of the bar).
void TEdgeToolBar::LayOut() {
  const int margin = Margin(), spacing = Spacing();
  const int height = contentsRect().height() - 2 * margin;
  int x = margin;
  bool first = true;
  for (const auto& [action, item] : FItems) {
    if (!action->isVisible()) continue;
    if (!first) x += spacing;
    first = false;
    const int width = item->sizeHint().width();
    item->setGeometry(
        QStyle::visualRect(layoutDirection(), rect(), QRect(x, margin, width, height)));
    x += width;
  }
}

QSize TEdgeToolBar::sizeHint() const {
  const int margin = Margin(), spacing = Spacing();
  int width = 0, height = 0, count = 0;
  for (const auto& [action, item] : FItems)
    if (action->isVisible()) {
      const QSize hint = item->sizeHint();
      width += (count++ ? spacing : 0) + hint.width();
      height = qMax(height, hint.height());
    }
  const QMargins m = contentsMargins();
  return QSize(width + 2 * margin + m.left() + m.right(),
               height + 2 * margin + m.top() + m.bottom());
}

QSize TEdgeToolBar::minimumSizeHint() const {
  return QSize(0, sizeHint().height());
}

void TEdgeToolBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

bool TEdgeToolBar::event(QEvent* event) {
  if (event->type() == QEvent::StyleChange || event->type() == QEvent::LayoutRequest) LayOut();
  return QWidget::event(event);
}

// Two etched edges, each a dark line over a light one. Filled as rows: a line drawn with a pen
// goes pixel by pixel.
void TEdgeToolBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int w = width(), h = height();
  const QColor dark = palette().color(QPalette::Dark), light = palette().color(QPalette::Light);
  painter.fillRect(0, 0, w, 1, dark);
  painter.fillRect(0, h - 2, w, 1, dark);
  painter.fillRect(0, 1, w, 1, light);
  painter.fillRect(0, h - 1, w, 1, light);
}

// One flat button per action, made when the action is added. Hints never show as tooltips; a
// screen reader still gets them as the button's description.
void TEdgeToolBar::actionEvent(QActionEvent* event) {
  QAction* action = event->action();
  switch (event->type()) {
    case QEvent::ActionAdded: {
      QWidget* item;
      if (action->isSeparator()) {
        item = new TToolBarSeparator(this);
      } else {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setDefaultAction(action);
        button->installEventFilter(this);
        button->setAccessibleDescription(action->statusTip());
        item = button;
      }
      item->setVisible(action->isVisible());
      auto at = FItems.begin();
      while (at != FItems.end() && at->first != event->before()) ++at;
      FItems.insert(at, {action, item});
      break;
    }
    case QEvent::ActionRemoved:
      for (auto at = FItems.begin(); at != FItems.end(); ++at)
        if (at->first == action) {
          delete at->second;
          FItems.erase(at);
          break;
        }
      break;
    case QEvent::ActionChanged:
      if (QWidget* item = widgetForAction(action)) item->setVisible(action->isVisible());
      break;
    default:
      break;
  }
  // Laid out once shown; until then only the size it asks for changes.
  updateGeometry();
  if (isVisible()) LayOut();
}

bool TEdgeToolBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) return true;
  return QWidget::eventFilter(watched, event);
}
