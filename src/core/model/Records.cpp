#include "core/model/Records.h"

#include <cmath>

namespace zuna {

bool Snippet::validColor(std::string_view color) {
    if (color.size() != 7 || color[0] != '#') return false;
    for (char c : color.substr(1)) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return true;
}

bool WindowFrame::isValid() const {
    const bool finite =
        std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height);
    return finite && width >= 150 && width <= 10000 && height >= 140 && height <= 10000;
}

namespace {
constexpr std::array<std::string_view, 4> kThemeRawValues{"graphite", "zuna", "midnight", "light"};
}

std::optional<AppTheme> AppTheme::fromRaw(std::string_view raw) {
    for (AppTheme theme : kAllCases) {
        if (theme.rawValue() == raw) return theme;
    }
    return std::nullopt;
}

std::string_view AppTheme::rawValue() const {
    return kThemeRawValues[value_];
}

}  // namespace zuna
