#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/appearance/Color.h"
#include "core/model/Records.h"

namespace zuna {

// The palette's colours and fixed sizes. Roles are computed from the current theme each time
// they are asked for, so the next redraw after a theme change uses the new palette.
class Theme {
  public:
    Theme() = delete;

    // Set by the controller only: from the saved state at start-up and when the user picks one.
    static AppTheme current();
    static void setCurrent(AppTheme theme);
    static bool dark() { return current() != AppTheme::light; }

    static Color ink();      // main text and symbols
    static Color muted();    // secondary text, outlines, chevrons
    static Color accent();   // highlights and the selected theme ring
    static Color canvas();   // window background
    static Color surface();  // raised surfaces, empty snippet buttons
    static Color line();     // borders and pressed states

    // The dot standing for a theme in the picker; independent of the current theme.
    static Color swatch(AppTheme theme);
    static std::string name(AppTheme theme);

    // The eight colours the editor offers for a button, and their names.
    static constexpr std::array<std::string_view, 8> kColors{
        "#405875", "#397D70", "#7161AD", "#AE608C", "#B4654F", "#AC8437", "#658548", "#637683"};
    static std::vector<std::string> colorNames();

    // Layout metrics, in device-independent pixels.
    static constexpr double kWindowWidth = 200;
    static constexpr double kListTop = 98;
    static constexpr double kFooterHeight = 34;
    static constexpr double kRowHeight = 28;
    static constexpr double kRowStride = 32;
    static constexpr double kButtonFont = 12;
};

}  // namespace zuna
