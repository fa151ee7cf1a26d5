#pragma once

// Where the palette and the windows it opens go on the screen. Rectangles here are measured
// from the bottom-left corner with y growing upwards, as the state file stores the frame; the
// window layer converts once at its boundary.

#include <optional>

#include "core/model/Records.h"

namespace zuna::geometry {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }

    bool operator==(const Rect&) const = default;
};

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

// The visible frame to use when no screen is known.
inline constexpr Rect kFallbackVisibleFrame{0, 0, 1200, 800};

// The palette's frame at start-up: the saved top-left corner when the saved frame is valid,
// otherwise 16 points from the right and 20 below the top. The height is fitted afterwards.
Rect restoredFrame(const Rect& visible, double windowWidth,
                   const std::optional<WindowFrame>& saved);

// The palette's frame for its content: top and left edges kept, at most the visible frame less
// 16 points, and 8 points inside the visible frame (left and bottom win when it cannot fit).
Rect fittedFrame(const Rect& visible, const Rect& current, double desiredHeight,
                 double windowWidth);

// Where a window of the given size opens beside the palette: to its left, or to its right when
// there is no room, top edges aligned, 12 points inside the visible frame.
Point besidePalette(const Rect& visible, const Rect& palette, double width, double height);

}  // namespace zuna::geometry
