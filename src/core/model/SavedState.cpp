#include "core/model/SavedState.h"

#include <stdexcept>

#include "core/localization/Localization.h"
#include "core/model/Errors.h"
#include "core/model/JsonSupport.h"
#include "core/model/RecordCodec.h"
#include "core/model/Validation.h"

namespace zuna {

SavedState::SavedState(std::vector<Snippet> buttons) {
    SnippetGroup group(L("Moji podatki"), std::move(buttons));
    selectedGroupID = group.id;
    groups.push_back(std::move(group));
}

SavedState SavedState::initial() {
    std::vector<Snippet> buttons;
    for (std::string_view name :
         {LKey("E-pošta"), LKey("Telefon"), LKey("Naslov"), LKey("Podpis")}) {
        buttons.emplace_back(L(name), "");
    }
    return SavedState(std::move(buttons));
}

SavedState SavedState::fromJson(std::string_view bytes, bool* wasVersion1) {
    using namespace json;
    Json document = parse(bytes);
    const Path root;
    asObject(document, root);

    const std::string format =
        takeString(required(document, "format", root), root.member("format"));
    const std::int64_t version =
        asInteger(required(document, "version", root), root.member("version"));

    SavedState state;
    const bool legacy = format == kFormat && version == 1;
    if (wasVersion1 != nullptr) *wasVersion1 = legacy;
    if (legacy) {
        std::vector<Snippet> buttons =
            decodeButtons(required(document, "buttons", root), root.member("buttons"));
        state = SavedState(std::move(buttons));
    } else if (format != kFormat || version != 2) {
        throw ZunaError(L("Nepodprta različica podatkov Zuna Trep."));
    } else {
        state.groups = decodeGroups(required(document, "groups", root), root.member("groups"));
        if (Json* selected = optional(document, "selectedGroupID")) {
            state.selectedGroupID = takeString(*selected, root.member("selectedGroupID"));
        } else if (!state.groups.empty()) {
            state.selectedGroupID = state.groups.front().id;
        }
    }

    validateGroups(state.groups);
    bool selectedExists = false;
    for (const auto& group : state.groups)
        selectedExists |= group.id == state.selectedGroupID;
    if (!selectedExists) state.selectedGroupID = state.groups.front().id;

    state.appearanceVersion = 0;
    if (Json* value = optional(document, "appearanceVersion")) {
        state.appearanceVersion = asInteger(*value, root.member("appearanceVersion"));
    }
    state.alwaysOnTop = true;
    if (Json* value = optional(document, "alwaysOnTop")) {
        state.alwaysOnTop = asBool(*value, root.member("alwaysOnTop"));
    }
    state.theme = AppTheme::graphite;
    if (Json* value = optional(document, "theme")) {
        state.theme = AppTheme::fromRaw(takeString(*value, root.member("theme")))
                          .value_or(AppTheme::graphite);
    }
    if (Json* value = optional(document, "macWindow")) {
        const WindowFrame frame = decodeFrame(*value, root.member("macWindow"));
        if (frame.isValid()) state.macWindow = frame;
    }
    if (Json* value = optional(document, "globalShortcut")) {
        state.globalShortcut = takeString(*value, root.member("globalShortcut"));
    }
    if (Json* value = optional(document, "pasteUncheckedFields")) {
        state.pasteUncheckedFields = asBool(*value, root.member("pasteUncheckedFields"));
    }
    if (Json* value = optional(document, "applicationRules")) {
        state.applicationRules = decodeRules(*value, root.member("applicationRules"));
        validateRules(state.applicationRules);
    }
    state.format = std::string(kFormat);
    state.version = 2;
    return state;
}

std::size_t SavedState::selectedIndex() const {
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].id == selectedGroupID) return i;
    }
    return 0;
}

const std::vector<Snippet>& SavedState::buttons() const {
    if (groups.empty()) throw std::logic_error("a state without groups has no buttons");
    return groups[selectedIndex()].buttons;
}

std::vector<Snippet>& SavedState::buttons() {
    if (groups.empty()) throw std::logic_error("a state without groups has no buttons");
    return groups[selectedIndex()].buttons;
}

void SavedState::setButtons(std::vector<Snippet> list) {
    buttons() = std::move(list);
}

}  // namespace zuna
