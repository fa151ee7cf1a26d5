#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/Identifier.h"
#include "core/model/Limits.h"

namespace zuna {

// One button of the palette.
struct Snippet {
    std::string id;
    std::string name;
    std::string text;
    std::string color;

    Snippet(std::string name, std::string text, std::string id = freshIdentifier(),
            std::string color = std::string(kDefaultColor))
        : id(std::move(id)),
          name(std::move(name)),
          text(std::move(text)),
          color(std::move(color)) {}

    // "#RRGGBB" in either letter case, nothing before or after.
    static bool validColor(std::string_view color);

    bool operator==(const Snippet&) const = default;
};

// A named, ordered list of buttons.
struct SnippetGroup {
    std::string id;
    std::string name;
    std::vector<Snippet> buttons;

    explicit SnippetGroup(std::string name, std::vector<Snippet> buttons = {},
                          std::string id = freshIdentifier())
        : id(std::move(id)), name(std::move(name)), buttons(std::move(buttons)) {}

    bool operator==(const SnippetGroup&) const = default;
};

// The palette window's saved frame, in screen points, measured from the bottom-left with y up.
struct WindowFrame {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    // Finite, and a size the palette can be shown at.
    bool isValid() const;

    bool operator==(const WindowFrame&) const = default;
};

class AppTheme {
  public:
    enum Value : unsigned char { graphite, zuna, midnight, light };

    constexpr AppTheme(Value value) : value_(value) {}   // NOLINT: implicit by design
    constexpr operator Value() const { return value_; }  // NOLINT: lets a switch see the cases

    // Exact, case-sensitive match of a raw value; anything else gives no theme.
    static std::optional<AppTheme> fromRaw(std::string_view raw);
    std::string_view rawValue() const;

    static const std::array<AppTheme, 4> kAllCases;

  private:
    Value value_;
};

inline constexpr std::array<AppTheme, 4> AppTheme::kAllCases{AppTheme::graphite, AppTheme::zuna,
                                                             AppTheme::midnight, AppTheme::light};

}  // namespace zuna
