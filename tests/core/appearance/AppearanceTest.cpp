#include <gtest/gtest.h>

#include "core/appearance/Color.h"
#include "core/appearance/Theme.h"

namespace zuna {
namespace {

std::string hexOf(std::string_view text) {
    return Color::fromHex(text).hex();
}

TEST(Color, ReadsStoredColoursForgivinglyAndFallsBackToTheSecondChoice) {
    const Color c = Color::fromHex("#405875");
    EXPECT_DOUBLE_EQ(c.green, 88 / 255.0);
    EXPECT_DOUBLE_EQ(c.alpha, 1.0);
    for (auto text : Theme::kColors)
        EXPECT_EQ(hexOf(text), text);
    EXPECT_EQ(hexOf("#ae608c"), "#AE608C");
    // The first character is dropped whatever it is: a whole character, not a byte.
    EXPECT_EQ(hexOf("405875"), "#005875");
    EXPECT_EQ(hexOf("é405875"), "#405875");
    // No short form; up to 32 bits, the top byte ignored; a sign, minus only in front of zero.
    EXPECT_EQ(hexOf("#FFF"), "#000FFF");
    EXPECT_EQ(hexOf("#FF405875"), "#405875");
    EXPECT_EQ(hexOf("#+405875"), "#405875");
    EXPECT_EQ(hexOf("#-0"), "#000000");
    for (const char* unreadable :
         {"", "#", "#12G456", "#123456789", "#-1", "#+", "# 405875", "#405875 ", "#0x405875"})
        EXPECT_EQ(hexOf(unreadable), Theme::kColors[1]) << unreadable;
}

TEST(Color, HexRoundsHalvesAwayFromZeroAndMixes) {
    EXPECT_EQ((Color{0.5 / 255, 1.5 / 255, 2.49 / 255}).hex(), "#010202");
    EXPECT_EQ((Color{1.2, -0.3, 0.5}).hex(), "#FF0080");
    // The light theme's pale tint of a button colour.
    EXPECT_EQ(Color::fromHex("#405875").mixed(Color::white(), 0.64).hex(), "#BAC3CD");
}

TEST(Color, ReadableInkTurnsDarkStrictlyAboveTheThreshold) {
    const Color nearBlack = Color::fromHex("#142020");
    EXPECT_EQ(Color::fromHex("#E1B374").readableInk(), nearBlack);
    EXPECT_EQ(Color::fromHex("#405875").readableInk(), Color::white());
    int flip = -1;
    for (int level = 0; level < 256 && flip < 0; ++level) {
        const double v = level / 255.0;
        if (Color{v, v, v}.readableInk() == nearBlack) flip = level;
    }
    ASSERT_GT(flip, 0);
    const double below = (flip - 1) / 255.0;
    const double at = flip / 255.0;
    EXPECT_LE((Color{below, below, below}).luminance(), 0.179);
    EXPECT_GT((Color{at, at, at}).luminance(), 0.179);
}

}  // namespace
}  // namespace zuna
