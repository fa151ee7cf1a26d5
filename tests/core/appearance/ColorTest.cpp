#include <gtest/gtest.h>

#include "appearance/Color.h"
#include "appearance/Theme.h"

namespace zuna {
namespace {

TEST(Color, ReadsComponentsAndWritesThemBack) {
    const Color c = Color::fromHex("#405875");
    EXPECT_DOUBLE_EQ(c.red, 64 / 255.0);
    EXPECT_DOUBLE_EQ(c.green, 88 / 255.0);
    EXPECT_DOUBLE_EQ(c.blue, 117 / 255.0);
    EXPECT_DOUBLE_EQ(c.alpha, 1.0);

    // Every colour the tables name survives the round trip.
    for (const char* text :
         {"#F5F6F8", "#202B32", "#B7BDC7", "#56616D", "#91ABCC", "#E1B374", "#7BBBF4", "#405875",
          "#20242C", "#2D2422", "#152136", "#E2E7EB", "#30353E", "#443530", "#243751", "#FFFFFF",
          "#626F81", "#B98959", "#4E87C7", "#EDF2F5", "#142020", "#000000"})
        EXPECT_EQ(Color::fromHex(text).hex(), text);
    for (auto text : Theme::colors)
        EXPECT_EQ(Color::fromHex(text).hex(), text);
}

TEST(Color, ForgivingReaderQuirks) {
    EXPECT_EQ(Color::fromHex("#ae608c"), Color::fromHex("#AE608C"));
    EXPECT_EQ(Color::fromHex("#ae608c").hex(), "#AE608C");
    // The first character is dropped whatever it is.
    EXPECT_EQ(Color::fromHex("405875").hex(), "#005875");
    EXPECT_EQ(Color::fromHex("x405875").hex(), "#405875");
    // ... a whole character, not a byte.
    EXPECT_EQ(Color::fromHex("é405875").hex(), "#405875");
    EXPECT_EQ(Color::fromHex("e\xCC\x81"
                             "405875")
                  .hex(),
              "#405875");  // e + combining acute
    EXPECT_EQ(Color::fromHex("🎨405875").hex(), "#405875");
    // No short form, and the top byte of a 32-bit value is ignored.
    EXPECT_EQ(Color::fromHex("#FFF").hex(), "#000FFF");
    EXPECT_EQ(Color::fromHex("#FF405875").hex(), "#405875");
    EXPECT_EQ(Color::fromHex("#00000000000405875").hex(), "#405875");
    // Signs: plus anywhere, minus only in front of zero.
    EXPECT_EQ(Color::fromHex("#+405875").hex(), "#405875");
    EXPECT_EQ(Color::fromHex("#-0").hex(), "#000000");
    EXPECT_EQ(Color::fromHex("#-000").hex(), "#000000");

    for (const char* unreadable : {"", "#", "#12G456", "#123456789", "#-1", "#+", "#-", "#+-1",
                                   "# 405875", "#405875 ", "#0x405875", "#FFFFFFFFF"})
        EXPECT_EQ(Color::fromHex(unreadable).hex(), "#397D70") << unreadable;
}

TEST(Color, HexRoundsHalvesAwayFromZeroAndStaysTwoDigits) {
    EXPECT_EQ((Color{0.5 / 255, 1.5 / 255, 2.49 / 255}).hex(), "#010202");
    EXPECT_EQ((Color{127.5 / 255, 0, 0}).hex(), "#800000");
    EXPECT_EQ((Color{1.2, -0.3, 0.5}).hex(), "#FF0080");
}

TEST(Color, MixIsTheWeightedSumIncludingAlpha) {
    const Color a{0.2, 0.4, 0.6, 1.0};
    const Color b{1.0, 0.0, 0.2, 0.0};
    const Color m = a.mixed(b, 0.25);
    EXPECT_DOUBLE_EQ(m.red, 0.4);
    EXPECT_DOUBLE_EQ(m.green, 0.3);
    EXPECT_DOUBLE_EQ(m.blue, 0.5);
    EXPECT_DOUBLE_EQ(m.alpha, 0.75);
    EXPECT_EQ(a.mixed(b, 0), a);
    EXPECT_EQ(a.mixed(b, 1), b);
    EXPECT_EQ(Color::fromHex("#405875").mixed(Color::white(), 0.64).hex(), "#BAC3CD");
}

TEST(Color, ReadableInk) {
    const Color nearBlack = Color::fromHex("#142020");
    for (const char* light : {"#FFFFFF", "#E1B374", "#AE608C", "#B4654F", "#AC8437", "#658548"})
        EXPECT_EQ(Color::fromHex(light).readableInk(), nearBlack) << light;
    for (const char* darkText : {"#202B32", "#405875", "#397D70", "#7161AD", "#637683", "#000000"})
        EXPECT_EQ(Color::fromHex(darkText).readableInk(), Color::white()) << darkText;

    // The threshold is strict: a grey whose luminance sits just above 0.179 turns dark, one at
    // or below stays white. Search the grey level where it flips.
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
