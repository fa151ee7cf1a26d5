// Apart from the Qt code: Xlib's macros (Bool, Status, None) break Qt's and GoogleTest's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <string>

namespace zuna::test {

int keyboardGroup() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return -1;
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    XCloseDisplay(display);
    return state.group;
}

std::string keysymName(unsigned keycode, unsigned group) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return {};
    const KeySym sym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), group, 0);
    XCloseDisplay(display);
    const char* name = sym == NoSymbol ? nullptr : XKeysymToString(sym);
    return name != nullptr ? name : "";
}

}  // namespace zuna::test
