#pragma once

// The one place where the window system's rectangles (y down, from the top-left of the primary
// screen) meet the placement rules' rectangles (y up, from its bottom-left).

#include <QRect>

#include "core/geometry/Placement.h"

class QScreen;
class QWidget;

namespace zuna::screen {

geometry::Rect toYUp(const QRectF& rect);
QRect fromYUp(const geometry::Rect& rect);

// The part of a screen that windows may use (without panels and docks), y up; the fallback
// frame when there is no screen.
geometry::Rect visibleFrame(const QScreen* screen);
// The screen a window is on, else the primary screen.
const QScreen* screenOf(const QWidget* window);

}  // namespace zuna::screen
