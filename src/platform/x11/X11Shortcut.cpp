#include "platform/x11/X11Shortcut.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <QSocketNotifier>
#include <array>
#include <cctype>
#include <sstream>

#include "platform/x11/X11ErrorTrap.h"

namespace zuna::platform {
namespace {

// The modifier bit that a key with this keysym sets, from the server's modifier mapping.
unsigned modifierOf(Display* display, KeySym sym) {
    const KeyCode code = XKeysymToKeycode(display, sym);
    if (code == 0) return 0;
    unsigned mask = 0;
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (map->modifiermap[modifier * map->max_keypermod + i] == code) {
                    mask |= 1u << modifier;
                }
            }
        }
        XFreeModifiermap(map);
    }
    return mask;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

X11Shortcut::X11Shortcut() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return;
    // Holding the keys must not toggle the palette again with every repeat.
    XkbSetDetectableAutoRepeat(display_, True, nullptr);
    notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11Shortcut::~X11Shortcut() {
    if (display_ == nullptr) return;
    ungrab();
    delete notifier_;
    XCloseDisplay(display_);
}

bool X11Shortcut::resolve(const std::string& keys) {
    unsigned modifiers = 0;
    std::string key;
    std::istringstream parts(keys);
    for (std::string part; std::getline(parts, part, '+');) {
        if (!key.empty()) {
            // A modifier name came after the key.
            const std::string name = lower(key);
            if (name == "ctrl" || name == "control") {
                modifiers |= ControlMask;
            } else if (name == "shift") {
                modifiers |= ShiftMask;
            } else if (name == "alt") {
                const unsigned alt = modifierOf(display_, XK_Alt_L);
                modifiers |= alt != 0 ? alt : Mod1Mask;
            } else if (name == "super") {
                const unsigned super = modifierOf(display_, XK_Super_L);
                modifiers |= super != 0 ? super : Mod4Mask;
            } else {
                return false;
            }
        }
        key = part;
    }
    if (key.empty()) return false;
    // Key names as Xlib knows them: "z", "space", "F12".
    KeySym sym = XStringToKeysym(key.size() == 1 ? lower(key).c_str() : key.c_str());
    if (sym == NoSymbol) sym = XStringToKeysym(lower(key).c_str());
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(display_, sym);
    if (code == 0) return false;
    keycode_ = code;
    modifiers_ = modifiers;
    ignored_ = LockMask | modifierOf(display_, XK_Num_Lock);
    return true;
}

ShortcutResult X11Shortcut::set(const std::string& keys, std::function<void()> pressed) {
    if (display_ == nullptr) return ShortcutResult::unavailable;
    ungrab();
    keys_ = keys;
    pressed_ = std::move(pressed);
    if (keys.empty()) return ShortcutResult::active;
    if (!resolve(keys)) return ShortcutResult::unavailable;
    return grab();
}

std::array<unsigned, 4> X11Shortcut::lockVariants() const {
    const unsigned caps = LockMask;
    return {0u, caps, ignored_ & ~caps, ignored_};
}

ShortcutResult X11Shortcut::grab() {
    const Window root = DefaultRootWindow(display_);
    ErrorTrap trap(display_);
    // Caps Lock and Num Lock are part of the modifier state: without these variants the keys
    // would do nothing while either is on.
    for (const unsigned locks : lockVariants()) {
        XGrabKey(display_, static_cast<int>(keycode_), modifiers_ | locks, root, False,
                 GrabModeAsync, GrabModeAsync);
    }
    grabbed_ = true;
    if (trap.errorCode() == BadAccess) {
        ungrab();
        return ShortcutResult::taken;
    }
    return ShortcutResult::active;
}

void X11Shortcut::ungrab() {
    if (!grabbed_) return;
    ErrorTrap trap(display_);
    const Window root = DefaultRootWindow(display_);
    for (const unsigned locks : lockVariants()) {
        XUngrabKey(display_, static_cast<int>(keycode_), modifiers_ | locks, root);
    }
    grabbed_ = false;
    down_ = false;
}

void X11Shortcut::readEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        switch (event.type) {
            case KeyPress:
                if (event.xkey.keycode == keycode_ &&
                    (event.xkey.state & ~ignored_) == modifiers_ && !down_) {
                    down_ = true;
                    if (pressed_) pressed_();
                }
                break;
            case KeyRelease:
                if (event.xkey.keycode == keycode_) down_ = false;
                break;
            case MappingNotify:
                // Another layout may put the key elsewhere: grab it where it is now.
                XRefreshKeyboardMapping(&event.xmapping);
                if (grabbed_ && event.xmapping.request != MappingPointer) {
                    ungrab();
                    if (resolve(keys_)) grab();
                }
                break;
            default:
                break;
        }
    }
}

}  // namespace zuna::platform
