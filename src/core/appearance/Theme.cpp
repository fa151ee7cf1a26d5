#include "core/appearance/Theme.h"

#include "core/localization/Localization.h"

namespace zuna {

namespace {

AppTheme currentTheme = AppTheme::graphite;

struct Palette {
    std::string_view accent;
    std::string_view canvas;
    std::string_view surface;
    std::string_view swatch;
    std::string_view name;
};

const Palette& palette(AppTheme theme) {
    static const Palette graphite{"#91ABCC", "#20242C", "#30353E", "#626F81", LKey("Grafit")};
    static const Palette zuna{"#E1B374", "#2D2422", "#443530", "#B98959", LKey("Zuna")};
    static const Palette midnight{"#7BBBF4", "#152136", "#243751", "#4E87C7", LKey("Polnoč")};
    static const Palette light{"#405875", "#E2E7EB", "#FFFFFF", "#EDF2F5", LKey("Svetla")};
    switch (theme) {
        case AppTheme::zuna:
            return zuna;
        case AppTheme::midnight:
            return midnight;
        case AppTheme::light:
            return light;
        case AppTheme::graphite:
            break;
    }
    return graphite;
}

constexpr std::array<std::string_view, 8> kColorNames{
    LKey("Modra"),    LKey("Žajbelj"), LKey("Vijolična"), LKey("Rožnata"),
    LKey("Terakota"), LKey("Zlata"),   LKey("Olivna"),    LKey("Siva")};

}  // namespace

AppTheme Theme::current() {
    return currentTheme;
}
void Theme::setCurrent(AppTheme theme) {
    currentTheme = theme;
}

Color Theme::ink() {
    return Color::fromHex(dark() ? "#F5F6F8" : "#202B32");
}
Color Theme::muted() {
    return Color::fromHex(dark() ? "#B7BDC7" : "#56616D");
}
Color Theme::accent() {
    return Color::fromHex(palette(current()).accent);
}
Color Theme::canvas() {
    return Color::fromHex(palette(current()).canvas);
}
Color Theme::surface() {
    return Color::fromHex(palette(current()).surface);
}
Color Theme::line() {
    return surface().mixed(ink(), dark() ? 0.25 : 0.18);
}

Color Theme::swatch(AppTheme theme) {
    return Color::fromHex(palette(theme).swatch);
}
std::string Theme::name(AppTheme theme) {
    return L(palette(theme).name);
}

std::vector<std::string> Theme::colorNames() {
    std::vector<std::string> names;
    names.reserve(kColorNames.size());
    for (auto key : kColorNames)
        names.push_back(L(key));
    return names;
}

}  // namespace zuna
