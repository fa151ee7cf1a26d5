#include "core/geometry/Placement.h"

#include <algorithm>

namespace zuna::geometry {

namespace {

constexpr double kInitialHeight = 280;

// Like std::clamp, but the lower bound wins when the range is empty.
double clampLowWins(double value, double low, double high) {
    return std::max(low, std::min(high, value));
}

}  // namespace

Rect restoredFrame(const Rect& visible, double windowWidth,
                   const std::optional<WindowFrame>& saved) {
    if (saved && saved->isValid()) {
        return {saved->x, saved->y + saved->height - kInitialHeight, windowWidth, kInitialHeight};
    }
    return {visible.maxX() - windowWidth - 16, visible.maxY() - 300, windowWidth, kInitialHeight};
}

Rect fittedFrame(const Rect& visible, const Rect& current, double desiredHeight,
                 double windowWidth) {
    const double height = std::min(visible.height - 16, desiredHeight);
    const double width = std::min(visible.width - 16, windowWidth);
    const double x = clampLowWins(current.minX(), visible.minX() + 8, visible.maxX() - width - 8);
    const double y =
        clampLowWins(current.maxY() - height, visible.minY() + 8, visible.maxY() - height - 8);
    return {x, y, width, height};
}

Point besidePalette(const Rect& visible, const Rect& palette, double width, double height) {
    double x = palette.minX() - width - 14;
    if (x < visible.minX() + 12) x = palette.maxX() + 14;
    x = clampLowWins(x, visible.minX() + 12, visible.maxX() - width - 12);
    const double y =
        clampLowWins(palette.maxY() - height, visible.minY() + 12, visible.maxY() - height - 12);
    return {x, y};
}

}  // namespace zuna::geometry
