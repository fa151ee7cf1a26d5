#include <gtest/gtest.h>

#include "appearance/Theme.h"

namespace zuna {
namespace {

struct ThemeRoles {
    AppTheme theme;
    const char* ink;
    const char* muted;
    const char* accent;
    const char* canvas;
    const char* surface;
    double lineShare;
};

class ThemeTest : public ::testing::Test {
  protected:
    void TearDown() override { Theme::setCurrent(AppTheme::graphite); }
};

TEST_F(ThemeTest, RolesFollowTheCurrentTheme) {
    const ThemeRoles table[] = {
        {AppTheme::graphite, "#F5F6F8", "#B7BDC7", "#91ABCC", "#20242C", "#30353E", 0.25},
        {AppTheme::zuna, "#F5F6F8", "#B7BDC7", "#E1B374", "#2D2422", "#443530", 0.25},
        {AppTheme::midnight, "#F5F6F8", "#B7BDC7", "#7BBBF4", "#152136", "#243751", 0.25},
        {AppTheme::light, "#202B32", "#56616D", "#405875", "#E2E7EB", "#FFFFFF", 0.18},
    };
    EXPECT_EQ(Theme::current(), AppTheme::graphite);
    for (const auto& row : table) {
        Theme::setCurrent(row.theme);
        SCOPED_TRACE(std::string(row.theme.rawValue()));
        EXPECT_EQ(Theme::dark(), row.theme != AppTheme::light);
        EXPECT_EQ(Theme::ink().hex(), row.ink);
        EXPECT_EQ(Theme::muted().hex(), row.muted);
        EXPECT_EQ(Theme::accent().hex(), row.accent);
        EXPECT_EQ(Theme::canvas().hex(), row.canvas);
        EXPECT_EQ(Theme::surface().hex(), row.surface);
        EXPECT_EQ(Theme::line(),
                  Color::fromHex(row.surface).mixed(Color::fromHex(row.ink), row.lineShare));
    }
    Theme::setCurrent(AppTheme::graphite);
    EXPECT_EQ(Theme::line().hex(), "#61656D");
    Theme::setCurrent(AppTheme::light);
    EXPECT_EQ(Theme::line().hex(), "#D7D9DA");
}

TEST_F(ThemeTest, SwatchesAndNamesDependOnTheArgumentOnly) {
    for (AppTheme current : AppTheme::allCases) {
        Theme::setCurrent(current);
        EXPECT_EQ(Theme::swatch(AppTheme::graphite).hex(), "#626F81");
        EXPECT_EQ(Theme::swatch(AppTheme::zuna).hex(), "#B98959");
        EXPECT_EQ(Theme::swatch(AppTheme::midnight).hex(), "#4E87C7");
        EXPECT_EQ(Theme::swatch(AppTheme::light).hex(), "#EDF2F5");
        EXPECT_EQ(Theme::name(AppTheme::graphite), "Grafit");
        EXPECT_EQ(Theme::name(AppTheme::zuna), "Zuna");
        EXPECT_EQ(Theme::name(AppTheme::midnight), "Polnoč");
        EXPECT_EQ(Theme::name(AppTheme::light), "Svetla");
    }
}

TEST_F(ThemeTest, ButtonColoursAndMetrics) {
    const std::vector<std::string> names{"Modra",    "Žajbelj", "Vijolična", "Rožnata",
                                         "Terakota", "Zlata",   "Olivna",    "Siva"};
    EXPECT_EQ(Theme::colorNames(), names);
    EXPECT_EQ(Theme::colors[0], "#405875");
    EXPECT_EQ(Theme::colors[1], "#397D70");
    EXPECT_EQ(Theme::colors[7], "#637683");
    // The fallback of an unreadable colour is choice 1.
    EXPECT_EQ(Color::fromHex("").hex(), Theme::colors[1]);
    EXPECT_EQ(Theme::windowWidth, 200);
    EXPECT_EQ(Theme::listTop, 98);
    EXPECT_EQ(Theme::footerHeight, 34);
    EXPECT_EQ(Theme::rowHeight, 28);
    EXPECT_EQ(Theme::rowStride, 32);
    EXPECT_EQ(Theme::buttonFont, 12);
}

}  // namespace
}  // namespace zuna
