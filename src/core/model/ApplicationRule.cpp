#include "core/model/ApplicationRule.h"

#include <algorithm>

namespace zuna {

std::string_view shortcutName(PasteShortcut keys) {
    switch (keys) {
        case PasteShortcut::controlV:
            return "Ctrl+V";
        case PasteShortcut::controlShiftV:
            return "Ctrl+Shift+V";
        case PasteShortcut::shiftInsert:
            return "Shift+Insert";
        case PasteShortcut::controlY:
            return "Ctrl+Y";
    }
    return {};
}

std::optional<PasteShortcut> shortcutNamed(std::string_view name) {
    for (const PasteShortcut keys : kPasteShortcuts) {
        if (shortcutName(keys) == name) return keys;
    }
    return std::nullopt;
}

const ApplicationRule* ruleFor(const std::vector<ApplicationRule>& rules,
                               std::string_view application) {
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const ApplicationRule& rule) {
        return rule.application == application;
    });
    return found == rules.end() ? nullptr : &*found;
}

std::vector<ApplicationRule> withRule(std::vector<ApplicationRule> rules, ApplicationRule rule) {
    for (auto& existing : rules) {
        if (existing.application == rule.application) {
            existing.keys = rule.keys;
            return rules;
        }
    }
    rules.push_back(std::move(rule));
    return rules;
}

std::vector<ApplicationRule> withoutRule(std::vector<ApplicationRule> rules,
                                         std::string_view application) {
    std::erase_if(rules,
                  [&](const ApplicationRule& rule) { return rule.application == application; });
    return rules;
}

}  // namespace zuna
