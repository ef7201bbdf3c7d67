#pragma once
// The window's designed place, kept where the screen has room for it.
#include <QPoint>
#include <QRect>

// Where a window of `frame` (placed at its designed position) goes on `available`: unchanged when
// it lies wholly inside, else moved the least along each axis so that it does; a window larger
// than `available` starts at its top left corner.
QPoint FittedPosition(const QRect& frame, const QRect& available);

// The available area (without panels and docks) of the screen that holds `point`, or of the
// primary screen; empty without a screen.
QRect AvailableScreenArea(const QPoint& point);
