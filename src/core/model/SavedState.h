#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/ApplicationRule.h"
#include "core/model/Records.h"

namespace zuna {

// The program's whole persistent state, as kept in the state file.
struct SavedState {
    std::string format = std::string(kFormat);
    std::int64_t version = 2;
    std::vector<SnippetGroup> groups;
    std::string selectedGroupID;
    bool alwaysOnTop = true;
    AppTheme theme = AppTheme::graphite;
    // 1 once the one-time colour migration has been applied to these groups.
    std::int64_t appearanceVersion = 1;
    std::optional<WindowFrame> macWindow;
    // The keys that show or hide the palette from any application ("Ctrl+Alt+Z"); empty: none.
    // Written only when set, so files without it read and look as before.
    std::string globalShortcut;
    // Paste also where the target's field cannot be checked. Written only when on, so files
    // without it read and look as before.
    bool pasteUncheckedFields = false;
    // The user's paste rule per application, in the order they were added. Written only when
    // there are any.
    std::vector<ApplicationRule> applicationRules;

    SavedState() = default;
    // One group "Moji podatki" holding the given buttons.
    explicit SavedState(std::vector<Snippet> buttons);
    // The four sample buttons a new user starts with; fresh identifiers on every call.
    static SavedState initial();

    // Reads a state file's bytes: version 2, or the legacy version 1. Throws JsonError for text
    // that is not JSON or of the wrong shape, ZunaError for an unsupported version, groups
    // or application rules that break the rules.
    // `wasVersion1`, when given, tells whether the bytes were in the legacy form.
    static SavedState fromJson(std::string_view bytes, bool* wasVersion1 = nullptr);

    // Position of the selected group; 0 when none matches.
    std::size_t selectedIndex() const;
    // The selected group's buttons. Every valid state has at least one group.
    const std::vector<Snippet>& buttons() const;
    std::vector<Snippet>& buttons();
    void setButtons(std::vector<Snippet> buttons);

    bool operator==(const SavedState&) const = default;
};

}  // namespace zuna
