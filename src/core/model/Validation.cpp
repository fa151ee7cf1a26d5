#include "core/model/Validation.h"

#include <string_view>
#include <unordered_set>

#include "core/localization/Localization.h"
#include "core/model/Errors.h"
#include "core/model/TextMeasures.h"

namespace zuna {

namespace {

// Characters are counted as users see them, and one of them may carry any number of combining
// marks: the bytes are bounded too, so that a name of a few megabytes never reaches the palette.
constexpr std::size_t kMaxBytesPerCharacter = 32;

bool nameFits(std::string_view name, std::size_t maxLength) {
    return name.size() <= maxLength * kMaxBytesPerCharacter && !isBlank(name) &&
           userPerceivedLength(name, maxLength) <= maxLength;
}

}  // namespace

ButtonRule brokenRule(const Snippet& button) {
    if (button.id.empty()) return ButtonRule::id;
    if (!nameFits(button.name, kMaxButtonNameLength)) return ButtonRule::name;
    if (button.text.size() > kMaxTextBytes) return ButtonRule::text;
    if (!Snippet::validColor(button.color)) return ButtonRule::color;
    return ButtonRule::none;
}

namespace {

enum class ButtonFault { none, invalid, duplicate };

// The first button that breaks a rule decides, in list order.
ButtonFault firstFault(const std::vector<Snippet>& buttons) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(buttons.size());
    for (const auto& button : buttons) {
        if (button.id.empty()) return ButtonFault::invalid;
        if (!seen.insert(button.id).second) return ButtonFault::duplicate;
        if (brokenRule(button) != ButtonRule::none) return ButtonFault::invalid;
    }
    return ButtonFault::none;
}

[[noreturn]] void failDuplicate() {
    throw ZunaError(L("Datoteka vsebuje podvojene identifikatorje gumbov."));
}

}  // namespace

// A repeated identifier is named as such, also inside one list: "invalid button" would send the
// user looking for a wrong name, text or colour.
void validateButtons(const std::vector<Snippet>& buttons) {
    switch (firstFault(buttons)) {
        case ButtonFault::none:
            return;
        case ButtonFault::duplicate:
            failDuplicate();
        case ButtonFault::invalid:
            throw ZunaError(L(
                "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB."));
    }
}

void validateGroups(const std::vector<SnippetGroup>& groups) {
    if (groups.empty() || groups.size() > kMaxGroups) {
        throw ZunaError(L("Zuna Trep podpira od 1 do 5 skupin."));
    }
    std::unordered_set<std::string_view> groupIDs;
    std::unordered_set<std::string_view> buttonIDs;
    for (const auto& group : groups) {
        if (group.id.empty() || !groupIDs.insert(group.id).second ||
            !nameFits(group.name, kMaxGroupNameLength)) {
            throw ZunaError(L(
                "Vsaka skupina potrebuje svoje ime (največ 40 znakov) in enoličen identifikator."));
        }
        validateButtons(group.buttons);
        for (const auto& button : group.buttons) {
            if (!buttonIDs.insert(button.id).second) failDuplicate();
        }
    }
}

void validateRules(const std::vector<ApplicationRule>& rules) {
    if (rules.size() > kMaxApplicationRules) {
        throw ZunaError(L("Zuna Trep hrani največ 50 pravil za aplikacije."));
    }
    std::unordered_set<std::string_view> applications;
    for (const auto& rule : rules) {
        if (!nameFits(rule.application, kMaxApplicationNameLength) ||
            !applications.insert(rule.application).second) {
            throw ZunaError(L(
                "Vsako pravilo za aplikacijo potrebuje ime aplikacije (največ 100 znakov), vsaka aplikacija pa ima lahko le eno pravilo."));
        }
    }
}

}  // namespace zuna
