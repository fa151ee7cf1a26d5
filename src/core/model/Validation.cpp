#include "model/Validation.h"

#include <string_view>
#include <unordered_set>

#include "localization/Localization.h"
#include "model/Errors.h"
#include "model/TextMeasures.h"

namespace zuna {

namespace {

bool nameFits(std::string_view name, std::size_t maxLength) {
    return !isBlank(name) && userPerceivedLength(name, maxLength) <= maxLength;
}

bool buttonsPass(const std::vector<Snippet>& buttons) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(buttons.size());
    for (const auto& button : buttons) {
        if (button.id.empty() || !seen.insert(button.id).second) return false;
        if (!nameFits(button.name, kMaxButtonNameLength)) return false;
        if (button.text.size() > kMaxTextBytes) return false;
        if (!Snippet::validColor(button.color)) return false;
    }
    return true;
}

[[noreturn]] void failButtons() {
    throw ZunaError(L(
        "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB."));
}

}  // namespace

void validateButtons(const std::vector<Snippet>& buttons) {
    if (!buttonsPass(buttons)) failButtons();
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
        if (!buttonsPass(group.buttons)) failButtons();
        for (const auto& button : group.buttons) {
            if (!buttonIDs.insert(button.id).second) {
                throw ZunaError(L("Datoteka vsebuje podvojene identifikatorje gumbov."));
            }
        }
    }
}

}  // namespace zuna
