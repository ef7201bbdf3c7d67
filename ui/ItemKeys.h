#pragma once
// Keys the item views share.
class QAbstractItemView;
class QKeyEvent;

// Down while nothing is selected selects the item drawn as current (the first item when there is
// none) instead of moving past it: a view that gets the focus marks its first item current
// without selecting it, so the first Down would otherwise skip that item. True when handled.
bool SelectCurrentOnFirstDown(QAbstractItemView& view, const QKeyEvent& event);
