#include "platform/x11/XTestKeys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

#include "core/localization/Localization.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11Session.h"

namespace zuna::platform {
namespace {

// The keysym at the first level of `group` on a key, with an out-of-range group wrapped as the
// server does by default.
KeySym firstLevelSym(XkbDescPtr keyboard, KeyCode code, int group) {
    const int groups = XkbKeyNumGroups(keyboard, code);
    if (groups == 0) {
        return NoSymbol;
    }
    return XkbKeySymEntry(keyboard, code, 0, group % groups);
}

std::optional<KeyCode> keyFor(XkbDescPtr keyboard, KeySym sym, int group, bool ownGroupsOnly) {
    for (int code = keyboard->min_key_code; code <= keyboard->max_key_code; ++code) {
        const auto key = static_cast<KeyCode>(code);
        if (ownGroupsOnly && group >= XkbKeyNumGroups(keyboard, key)) {
            continue;
        }
        if (firstLevelSym(keyboard, key, group) == sym) {
            return key;
        }
    }
    return std::nullopt;
}

}  // namespace

XTestKeys::XTestKeys(X11Session& session) : display_(session.display()), xkb_(session.hasXkb()) {
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    xtest_ = display_ != nullptr &&
             XTestQueryExtension(display_, &event, &error, &major, &minor) == True;
}

bool XTestKeys::available() {
    return xtest_;
}

// XTEST is a property of the X server; there is nothing to ask for.
std::string XTestKeys::limitation() {
    if (xtest_) return {};
    return L("Strežnik X nima razširitve XTEST, zato ukaza za lepljenje ni mogoče poslati.");
}

bool XTestKeys::preparePasteKeys(PasteShortcut shortcut) {
    keys_.reset();
    if (display_ == nullptr || !xtest_) {
        return false;
    }
    const auto code = [&](KeySym left, KeySym right) {
        const unsigned found = XKeysymToKeycode(display_, left);
        return found != 0 ? found : XKeysymToKeycode(display_, right);
    };
    PasteKeys keys;
    keys.shortcut = shortcut;
    const ShortcutKeys pressed = shortcutKeys(shortcut);
    if (pressed.control) {
        keys.modifiers.push_back(code(XK_Control_L, XK_Control_R));
    }
    if (pressed.shift) {
        keys.modifiers.push_back(code(XK_Shift_L, XK_Shift_R));
    }
    if (std::find(keys.modifiers.begin(), keys.modifiers.end(), 0u) != keys.modifiers.end()) {
        return false;
    }
    // Insert is the same key in every layout.
    if (pressed.key == ShortcutKey::insert) {
        keys.key = code(XK_Insert, XK_KP_Insert);
        if (keys.key != 0) {
            keys_ = keys;
        }
        return keys_.has_value();
    }
    const KeySym letter = pressed.key == ShortcutKey::y ? XK_y : XK_v;
    if (!xkb_) {
        keys.key = XKeysymToKeycode(display_, letter);
        if (keys.key != 0) {
            keys_ = keys;
        }
        return keys_.has_value();
    }
    XkbStateRec state{};
    if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) {
        return false;
    }
    XkbDescPtr keyboard = XkbGetMap(display_, XkbKeySymsMask, XkbUseCoreKbd);
    if (keyboard == nullptr) {
        return false;
    }
    // The current layout's own letter first; else the letter of another group (a Latin layout
    // beside a Cyrillic or Greek one), which is locked only for the key press.
    if (auto key = keyFor(keyboard, letter, state.group, false)) {
        keys.key = *key;
    } else {
        for (int group = 0; group < XkbNumKbdGroups; ++group) {
            if (auto other = keyFor(keyboard, letter, group, true)) {
                keys.key = *other;
                keys.group = group;
                keys.restoreGroup = state.locked_group;
                break;
            }
        }
    }
    XkbFreeKeyboard(keyboard, 0, True);
    if (keys.key == 0) {
        return false;
    }
    keys_ = keys;
    return true;
}

bool XTestKeys::sendPasteKeys(PasteShortcut shortcut) {
    if (!keys_ || keys_->shortcut != shortcut || display_ == nullptr) {
        return false;
    }
    const PasteKeys keys = *keys_;
    keys_.reset();
    ErrorTrap trap(display_);
    // The server stamps each key event with the group in force, so the lock applies to exactly
    // these events and the user's group is back before anything else is typed.
    if (keys.group >= 0) {
        XkbLockGroup(display_, XkbUseCoreKbd, static_cast<unsigned>(keys.group));
    }
    for (unsigned modifier : keys.modifiers) {
        XTestFakeKeyEvent(display_, modifier, True, CurrentTime);
    }
    XTestFakeKeyEvent(display_, keys.key, True, CurrentTime);
    XTestFakeKeyEvent(display_, keys.key, False, CurrentTime);
    for (auto modifier = keys.modifiers.rbegin(); modifier != keys.modifiers.rend(); ++modifier) {
        XTestFakeKeyEvent(display_, *modifier, False, CurrentTime);
    }
    if (keys.group >= 0) {
        XkbLockGroup(display_, XkbUseCoreKbd, static_cast<unsigned>(keys.restoreGroup));
    }
    return !trap.failed();
}

}  // namespace zuna::platform
