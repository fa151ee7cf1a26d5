#include "platform/atspi/FieldDescription.h"

#include <algorithm>
#include <string_view>

#include "core/localization/Localization.h"
#include "platform/atspi/AtspiSupport.h"

namespace zuna::platform {
namespace {

// Also what browsers show for a field the page masks with -webkit-text-security (disc, circle,
// square).
constexpr std::string_view kMasks[] = {"\u25CF", "\u2022", "*",      "\u2219",
                                       "\u00B7", "\u2731", "\u25E6", "\u25A0"};

std::string identityOf(AtspiAccessible* element) {
    const AtspiObject& object = element->parent;
    std::string identity = object.app != nullptr && object.app->bus_name != nullptr
                               ? object.app->bus_name
                               : std::string();
    identity += object.path != nullptr ? object.path : "";
    return identity;
}

FieldRole roleOf(AtspiAccessible* element, AtspiRole role, AtspiStateSet* states,
                 const Deadline& deadline) {
    switch (role) {
        case ATSPI_ROLE_COMBO_BOX:
            return FieldRole::comboBox;
        case ATSPI_ROLE_PASSWORD_TEXT:
            return FieldRole::textField;
        case ATSPI_ROLE_TEXT:
        case ATSPI_ROLE_ENTRY: {
            if (hasState(states, ATSPI_STATE_MULTI_LINE)) {
                return FieldRole::textArea;
            }
            if (deadline.arm()) {
                GError* error = nullptr;
                Ref<AtspiAccessible> parent(atspi_accessible_get_parent(element, &error));
                if (error != nullptr) {
                    g_error_free(error);
                } else if (parent && deadline.arm() &&
                           atspi_accessible_get_role(parent.get(), nullptr) ==
                               ATSPI_ROLE_COMBO_BOX) {
                    return FieldRole::comboBox;
                }
            }
            return FieldRole::textField;
        }
        default:
            return FieldRole::other;
    }
}

// Text that is there but shows as nothing but mask characters (●, •, *).
bool onlyMaskCharacters(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    while (!text.empty()) {
        const auto mask =
            std::find_if(std::begin(kMasks), std::end(kMasks), [&](std::string_view candidate) {
                return text.substr(0, candidate.size()) == candidate;
            });
        if (mask == std::end(kMasks)) {
            return false;
        }
        text.remove_prefix(mask->size());
    }
    return true;
}

// The character drawn at the start of the field, which a field that hides its text draws as a
// mask character (GTK 4 answers this from what it draws, the text itself from its buffer).
// Empty when the toolkit does not tell.
std::optional<std::string> drawnFirstCharacter(AtspiText* text, const Deadline& deadline) {
    if (!deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    AtspiTextRange* range =
        atspi_text_get_string_at_offset(text, 0, ATSPI_TEXT_GRANULARITY_CHAR, &error);
    std::optional<std::string> drawn;
    if (error == nullptr) {
        drawn = range != nullptr && range->content != nullptr ? range->content : "";
    }
    g_clear_error(&error);
    if (range != nullptr) {
        g_boxed_free(ATSPI_TYPE_TEXT_RANGE, range);
    }
    return drawn;
}

// A GTK 4 entry that hides its text is a plain text element with its real text on AT-SPI (GTK
// 4.8 and 4.18 alike); only what it draws gives it away, and an empty one draws nothing. So one
// character is put in, the drawing read, and the character taken out again: about 5 ms.
std::optional<bool> hidesAProbe(AtspiAccessible* element, AtspiText* text,
                                const Deadline& deadline) {
    Ref<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(element));
    if (!editable || !deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const bool inserted = atspi_editable_text_insert_text(editable.get(), 0, "x", 1, &error);
    g_clear_error(&error);
    if (!inserted) {
        return std::nullopt;
    }
    const auto drawn = drawnFirstCharacter(text, deadline);
    // Taken out whatever the reading gave, with time of its own: the probe must not stay behind.
    atspi_set_timeout(250, 0);
    const bool removed = atspi_editable_text_delete_text(editable.get(), 0, 1, &error);
    g_clear_error(&error);
    if (!drawn || !removed) {
        return std::nullopt;
    }
    return !drawn->empty() && *drawn != "x";
}

// What the element's attributes tell: the input type a web page gave it, and the toolkit. None
// when they cannot be read.
struct Attributes {
    bool password = false;
    bool gtk4 = false;
};

std::optional<Attributes> attributesOf(AtspiAccessible* element, const Deadline& deadline) {
    if (!deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    GHashTable* attributes = atspi_accessible_get_attributes(element, &error);
    if (error != nullptr) {
        g_error_free(error);
        return std::nullopt;
    }
    Attributes found;
    if (attributes != nullptr) {
        const auto* type =
            static_cast<const char*>(g_hash_table_lookup(attributes, "text-input-type"));
        found.password = type != nullptr && std::string_view(type) == "password";
        // GTK 3 says "gtk" through ATK; GTK 4 speaks AT-SPI itself.
        const auto* toolkit = static_cast<const char*>(g_hash_table_lookup(attributes, "toolkit"));
        found.gtk4 = toolkit != nullptr && std::string_view(toolkit) == "GTK";
        g_hash_table_unref(attributes);
    }
    return found;
}

// The present text shows as mask characters, or is drawn as something else than it is.
std::optional<bool> masksItsText(AtspiAccessible* element, AtspiStateSet* states, bool gtk4,
                                 const Deadline& deadline) {
    if (!deadline.arm()) {
        return std::nullopt;
    }
    Ref<AtspiText> text(atspi_accessible_get_text_iface(element));
    if (!text || !deadline.arm()) {
        return std::nullopt;
    }
    // A bounded read: a field of mask characters longer than this is a password all the same.
    // Firefox answers nothing for a range past the end, so the end is the field's own.
    GError* error = nullptr;
    const gint count = atspi_text_get_character_count(text.get(), &error);
    if (error != nullptr || !deadline.arm()) {
        g_clear_error(&error);
        return std::nullopt;
    }
    gchar* present = atspi_text_get_text(text.get(), 0, std::min(count, 64), &error);
    if (error != nullptr) {
        g_error_free(error);
        g_free(present);
        return std::nullopt;
    }
    const std::string content = present != nullptr ? present : "";
    g_free(present);
    if (onlyMaskCharacters(content)) {
        return true;
    }
    if (content.empty()) {
        if (!gtk4 || !hasState(states, ATSPI_STATE_EDITABLE)) {
            return false;
        }
        return hidesAProbe(element, text.get(), deadline);
    }
    // The drawn character may be a whole cluster (a letter with its accent): a prefix of the text.
    const auto drawn = drawnFirstCharacter(text.get(), deadline);
    if (!drawn) {
        return std::nullopt;
    }
    return !drawn->empty() && content.compare(0, drawn->size(), *drawn) != 0;
}

// A password field that does not say so by its role: a web page can give a password input
// another role (Firefox then shows it as an entry), but the input type stays in its attributes;
// any toolkit shows the present text of a password field as mask characters, or at least draws
// them. No answer when the check cannot finish (no time left, a failed read): a slow target must
// never pass as checked.
std::optional<bool> disguisedPassword(AtspiAccessible* element, AtspiRole role,
                                      AtspiStateSet* states, const Deadline& deadline) {
    if (role != ATSPI_ROLE_TEXT && role != ATSPI_ROLE_ENTRY) {
        return false;
    }
    const auto attributes = attributesOf(element, deadline);
    if (!attributes) {
        return std::nullopt;
    }
    if (attributes->password) {
        return true;
    }
    // Passwords are single lines; a text area is never read.
    if (hasState(states, ATSPI_STATE_MULTI_LINE)) {
        return false;
    }
    return masksItsText(element, states, attributes->gtk4, deadline);
}

}  // namespace

std::optional<FocusedField> describeField(AtspiAccessible* element, const Deadline& deadline) {
    const std::string identity = identityOf(element);
    GError* error = nullptr;
    const AtspiRole role = atspi_accessible_get_role(element, &error);
    if (error != nullptr) {
        g_error_free(error);
        return {};
    }
    if (!deadline.arm()) {
        return {};
    }
    Ref<AtspiStateSet> states(atspi_accessible_get_state_set(element));
    const auto secure = role == ATSPI_ROLE_PASSWORD_TEXT
                            ? std::optional<bool>(true)
                            : disguisedPassword(element, role, states.get(), deadline);
    if (!secure) {
        return {};  // not known to be safe: the field counts as one that cannot be checked
    }
    FocusedField field;
    field.identity = identity;
    field.secure = *secure;
    field.role = role == ATSPI_ROLE_TERMINAL ? FieldRole::terminal
                                             : roleOf(element, role, states.get(), deadline);
    // VTE terminals, Konsole: Control+V would reach the shell as a literal ^V.
    if (field.role == FieldRole::terminal) field.shortcut = PasteShortcut::controlShiftV;
    // An element found by its focused state has states; none at all means the query failed.
    GArray* stateList = states ? atspi_state_set_get_states(states.get()) : nullptr;
    const bool statesKnown = stateList != nullptr && stateList->len > 0;
    if (stateList != nullptr) {
        g_array_free(stateList, TRUE);
    }
    if (statesKnown) {
        // GTK 4 has no ENABLED state; a disabled element of any toolkit lacks both.
        field.enabled = hasState(states.get(), ATSPI_STATE_ENABLED) ||
                        hasState(states.get(), ATSPI_STATE_SENSITIVE);
    }
    if (hasState(states.get(), ATSPI_STATE_EDITABLE) && deadline.arm()) {
        Ref<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(element));
        field.selectedTextSettable = editable != nullptr;
    }
    return field;
}

FocusedField unseenField(std::string identity, Unseen why) {
    FocusedField field;
    field.identity = std::move(identity);
    field.checkable = false;
    switch (why) {
        case Unseen::closedTree:
            field.hint = L(
                "Aplikacija (Chromium, Electron) ne pokaže svojih polj: zaženi jo z --force-renderer-accessibility ali v možnostih vključi lepljenje v nepreverjena polja.");
            break;
        case Unseen::qtWebEngine:
            field.hint = L(
                "Aplikacija (Qt WebEngine) ne pokaže polj svojih strani: zaženi jo s spremenljivko QTWEBENGINE_CHROMIUM_FLAGS=--force-renderer-accessibility.");
            break;
        case Unseen::ownDrawing:
            field.hint =
                L("Aplikacija (Emacs, Java) riše svoja polja sama, zato jih ni mogoče preveriti.");
            break;
        case Unseen::offTheBus:
            field.hint = L(
                "Aplikacija ne sodeluje z dostopnostjo, zato polja ni mogoče preveriti: če je tekla že pred vklopom dostopnosti, jo zaženi znova.");
            break;
    }
    return field;
}

}  // namespace zuna::platform
