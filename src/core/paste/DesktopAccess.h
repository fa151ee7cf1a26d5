#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zuna {

// The application whose window was active at one moment.
struct DesktopApplication {
    int processId = 0;
    // The window's title as the desktop shows it; may be empty.
    std::string name;
    // The desktop's identity of the active window and of the process instance; together with
    // the process id they tell a still-running target from a new one that reuses its numbers.
    std::uint64_t window = 0;
    std::uint64_t startTime = 0;
};

enum class FieldRole { textField, textArea, comboBox, terminal, other };

// The keys that paste in a target; Control+Y yanks the clipboard in Emacs.
enum class PasteShortcut { controlV, controlShiftV, shiftInsert, controlY };

// What a shortcut presses: Control and Shift held around one key.
enum class ShortcutKey { v, y, insert };
struct ShortcutKeys {
    bool control = false;
    bool shift = false;
    ShortcutKey key = ShortcutKey::v;
};

constexpr ShortcutKeys shortcutKeys(PasteShortcut shortcut) {
    switch (shortcut) {
        case PasteShortcut::controlV:
            return {true, false, ShortcutKey::v};
        case PasteShortcut::controlShiftV:
            return {true, true, ShortcutKey::v};
        case PasteShortcut::shiftInsert:
            return {false, true, ShortcutKey::insert};
        case PasteShortcut::controlY:
            return {true, false, ShortcutKey::y};
    }
    return {};
}

// The element that has keyboard focus inside an application.
struct FocusedField {
    // Equal identities denote the same element of the same application.
    std::string identity;
    FieldRole role = FieldRole::other;
    bool secure = false;
    // Absent when the desktop could not say; then the field counts as enabled.
    std::optional<bool> enabled;
    // Text can be typed into it (editable, with the editable-text interface).
    bool selectedTextSettable = false;
    // The application as the user's own rules name it: its window class, else its name on the
    // accessibility bus; lower case, empty when neither is known.
    std::string application;
    // How the target pastes, and whether that shortcut reads the primary selection, so that the
    // text must be there as well as on the clipboard.
    PasteShortcut shortcut = PasteShortcut::controlV;
    bool readsPrimary = false;
    // False when the desktop could not look inside the application at all: role, secure and
    // enabled then say nothing. `hint` tells the user what would make its fields visible, or is
    // empty.
    bool checkable = true;
    std::string hint;
};

enum class KeyPostResult {
    posted,
    // The target's window was no longer the active one, so nothing was sent.
    targetNotActive,
    failed,
};

// What the paste engine needs from the desktop. Every call returns promptly: queries of another
// application's accessibility tree are bounded by the implementation (half a second in all).
class DesktopAccess {
  public:
    virtual ~DesktopAccess() = default;

    // The two grants: reading other applications' focused fields, and posting key events.
    virtual bool accessibilityGranted() = 0;
    virtual bool keyEventsGranted() = 0;
    // Ask for each grant; may switch something on or show a prompt, and returns at once.
    virtual void requestAccessibility() = 0;
    virtual void requestKeyEvents() = 0;
    // Why the grants cannot be had in this session at all (a localized sentence), or empty.
    virtual std::string limitation() { return {}; }
    // Why a held modifier may go unseen in this session (a localized sentence), or empty; told
    // with the request to let go of the modifiers.
    virtual std::string modifierLimitation() { return {}; }

    virtual std::optional<DesktopApplication> frontmostApplication() = 0;
    virtual int ownProcessId() = 0;
    virtual bool isRunning(const DesktopApplication& application) = 0;
    virtual std::optional<FocusedField> focusedField(const DesktopApplication& application) = 0;

    // Shift, Control, Alt or Super held down; Caps Lock and Num Lock do not count.
    virtual bool modifiersHeld() = 0;

    // Works out the key events of the shortcut for the current keyboard layout; false when they
    // cannot be made. Must succeed before the clipboard is touched.
    virtual bool preparePasteKeys(PasteShortcut shortcut) = 0;
    // Puts the text on the clipboard, and with `primaryToo` on the primary selection as well.
    virtual bool setClipboardText(const std::string& text, bool primaryToo) = 0;
    // Sends the prepared shortcut, only while the target's window is still the active one and
    // `fieldUnchanged` agrees: asked right before the key events, after every wait, so that a
    // focus that moved meanwhile (to a password field, say) gets nothing.
    virtual KeyPostResult postPasteKeys(const DesktopApplication& target,
                                        const std::function<bool()>& fieldUnchanged) = 0;
};

}  // namespace zuna
