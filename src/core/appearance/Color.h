#pragma once

#include <string>
#include <string_view>

namespace zuna {

// An sRGB colour with red, green, blue and alpha between 0 and 1. Colours travel through the
// program as "#RRGGBB" texts; this is what the drawing code turns them into.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    // Reads a "#RRGGBB" text the forgiving way stored files rely on: the first character is
    // dropped unchecked and the rest is read as a 32-bit hexadecimal number whose low 24 bits
    // are the colour. Never fails: a text that cannot be read gives "#397D70".
    static Color fromHex(std::string_view text);
    static constexpr Color white() { return {1, 1, 1, 1}; }
    static constexpr Color black() { return {0, 0, 0, 1}; }

    // "#RRGGBB" in upper case; alpha is not written.
    std::string hex() const;
    // Every component, alpha included, moved toward `other` by `fraction` (the other's share).
    Color mixed(const Color& other, double fraction) const;
    // Near-black "#142020" on a light background, white on a dark one.
    Color readableInk() const;
    // WCAG relative luminance of the colour.
    double luminance() const;
    constexpr Color withAlpha(double a) const { return {red, green, blue, a}; }

    bool operator==(const Color&) const = default;
};

}  // namespace zuna
