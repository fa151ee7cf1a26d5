#include <gtest/gtest.h>

#include "core/geometry/Placement.h"

namespace zuna::geometry {
namespace {

// A 1440 x 900 screen with a 25-point bar at the top and the visible frame below it.
const Rect kVisible{0, 0, 1440, 875};
constexpr double kWidth = 260;

TEST(PlacementTest, FirstStartGoesTopRight) {
    const Rect frame = restoredFrame(kVisible, kWidth, std::nullopt);
    EXPECT_EQ(frame, (Rect{1440 - 260 - 16, 875 - 300, 260, 280}));
    // Fitting a taller palette keeps the top edge 20 points below the top of the visible frame.
    const Rect fitted = fittedFrame(kVisible, frame, 400, kWidth);
    EXPECT_EQ(fitted.maxY(), 875 - 20);
    EXPECT_EQ(fitted, (Rect{1164, 455, 260, 400}));
}

TEST(PlacementTest, SavedFrameKeepsItsTopLeftCornerAndIsPulledBackInside) {
    // Valid: x and top edge restored, width and height not.
    const WindowFrame saved{100, 300, 500, 420};
    EXPECT_EQ(restoredFrame(kVisible, kWidth, saved), (Rect{100, 440, 260, 280}));
    // Invalid frames fall back to the default position.
    EXPECT_EQ(restoredFrame(kVisible, kWidth, WindowFrame{100, 300, 100, 420}),
              restoredFrame(kVisible, kWidth, std::nullopt));

    // Left of a removed display on the left, and above the top: back inside with 8 points.
    const Rect offLeft = restoredFrame(kVisible, kWidth, WindowFrame{-1440, 1200, 260, 400});
    EXPECT_EQ(fittedFrame(kVisible, offLeft, 300, kWidth), (Rect{8, 875 - 300 - 8, 260, 300}));
    // Off to the right and below the bottom.
    const Rect offRight{2000, -500, 260, 280};
    EXPECT_EQ(fittedFrame(kVisible, offRight, 300, kWidth), (Rect{1440 - 260 - 8, 8, 260, 300}));
    // A palette taller than the screen is capped; a visible frame may start anywhere.
    EXPECT_EQ(fittedFrame(kVisible, offRight, 5000, kWidth), (Rect{1172, 8, 260, 875 - 16}));
    EXPECT_EQ(fittedFrame(Rect{1440, 70, 1920, 1010}, Rect{1400, 50, 260, 280}, 300, kWidth),
              (Rect{1448, 78, 260, 300}));
}

TEST(PlacementTest, WindowsOpenBesideThePaletteWithTopEdgesAligned) {
    // A palette in the middle: the alert goes to its left, 14 points apart.
    const Rect middle{700, 300, 260, 400};
    EXPECT_EQ(besidePalette(kVisible, middle, 420, 180), (Point{700 - 14 - 420, 700 - 180}));
    // At the left edge there is no room: to its right.
    const Rect left{8, 300, 260, 400};
    EXPECT_EQ(besidePalette(kVisible, left, 420, 180), (Point{8 + 260 + 14, 520}));
    // A window taller than the room above the palette's bottom is kept 12 points inside.
    EXPECT_EQ(besidePalette(kVisible, Rect{700, 8, 260, 200}, 410, 528).y, 12);
    EXPECT_EQ(besidePalette(kVisible, Rect{700, 600, 260, 400}, 410, 100).y, 875 - 100 - 12);
}

}  // namespace
}  // namespace zuna::geometry
