#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/paste/DesktopAccess.h"

namespace zuna {

// The user's own way of pasting into one application: without the check of its field, with
// these keys. It never opens a field the desktop reports as a password field.
struct ApplicationRule {
    // As FocusedField::application names it: the window class, else the name on the
    // accessibility bus, lower case.
    std::string application;
    PasteShortcut keys = PasteShortcut::controlV;

    bool operator==(const ApplicationRule&) const = default;
};

inline constexpr std::array<PasteShortcut, 4> kPasteShortcuts{
    PasteShortcut::controlV, PasteShortcut::controlShiftV, PasteShortcut::shiftInsert,
    PasteShortcut::controlY};

// How the keys are written in the state file and shown to the user: "Ctrl+V", "Ctrl+Shift+V",
// "Shift+Insert", "Ctrl+Y".
std::string_view shortcutName(PasteShortcut keys);
// Exactly one of those names; anything else gives none.
std::optional<PasteShortcut> shortcutNamed(std::string_view name);

// The rule of that application, or none.
const ApplicationRule* ruleFor(const std::vector<ApplicationRule>& rules,
                               std::string_view application);
// A rule for an application that already has one replaces it in its place; a new one goes last.
std::vector<ApplicationRule> withRule(std::vector<ApplicationRule> rules, ApplicationRule rule);
std::vector<ApplicationRule> withoutRule(std::vector<ApplicationRule> rules,
                                         std::string_view application);

}  // namespace zuna
