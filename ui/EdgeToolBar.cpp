#include "ui/EdgeToolBar.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QActionEvent>
#include <QActionGroup>
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

// A button of the bar as a screen reader should see it: one of the bar's exclusive choice is a
// radio button (Qt presents every checkable tool button as a check box), a checkable one a check
// box, any other a push button; each is named by its action's text. Asked for as the button is
// made, before it knows its part, so the part is looked up on each question.
class TAccessibleBarButton : public QAccessibleWidget {
 public:
  explicit TAccessibleBarButton(QToolButton* button)
      : QAccessibleWidget(button, QAccessible::Button) {}
  QAccessible::Role role() const override {
    if (Button()->autoExclusive()) return QAccessible::RadioButton;
    return Button()->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
  }
  QString text(QAccessible::Text t) const override {
    const QString own = QAccessibleWidget::text(t);
    if (t != QAccessible::Name || !own.isEmpty()) return own;
    return Button()->text().remove(QLatin1Char('&'));
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = Button()->isCheckable();
    state.checked = Button()->isChecked();
    state.pressed = Button()->isDown();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList{Toggles() ? toggleAction() : pressAction()} +
           QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == pressAction() || name == toggleAction())
      Button()->click();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  QToolButton* Button() const { return static_cast<QToolButton*>(widget()); }
  bool Toggles() const { return Button()->isCheckable() && !Button()->autoExclusive(); }
};

QAccessibleInterface* AccessibleBarButton(const QString& className, QObject* object) {
  auto* button =
      className == QLatin1String("QToolButton") ? qobject_cast<QToolButton*>(object) : nullptr;
  if (button && qobject_cast<TEdgeToolBar*>(button->parentWidget()))
    return new TAccessibleBarButton(button);
  return nullptr;
}
}  // namespace

TEdgeToolBar::TEdgeToolBar(QWidget* parent) : QWidget(parent) {
  QAccessible::installFactory(AccessibleBarButton);  // once: a factory is not added twice
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
        // The buttons of one exclusive choice (the bar holds one) are radio buttons to a screen
        // reader, and a click on the checked one keeps it checked, as its group does.
        if (action->actionGroup() && action->actionGroup()->isExclusive())
          button->setAutoExclusive(true);
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
