#include "platform/x11/X11Session.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/linux/ProcessIdentity.h"
#include "platform/x11/X11ErrorTrap.h"

namespace zuna::platform {
namespace {

// A property's items of the given type and format; for format 32 Xlib delivers each as a long.
template <typename Item>
std::optional<std::vector<Item>> property(Display* display, Window window, Atom name, Atom type,
                                          int format, long length) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, name, 0, length, False, type, &actualType,
                           &actualFormat, &count, &after, &data) != Success) {
        return std::nullopt;
    }
    std::optional<std::vector<Item>> items;
    if (data != nullptr && actualType == type && actualFormat == format) {
        const auto* values = reinterpret_cast<const Item*>(data);
        items.emplace(values, values + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return items;
}

std::optional<unsigned long> cardinal(Display* display, Window window, Atom name, Atom type) {
    auto items = property<unsigned long>(display, window, name, type, 32, 1);
    if (!items || items->empty()) {
        return std::nullopt;
    }
    return items->front();
}

std::string textProperty(Display* display, Window window, Atom name, Atom type) {
    auto text = property<char>(display, window, name, type, 8, 1024);
    return text ? std::string(text->begin(), text->end()) : std::string();
}

struct Pointer {
    Window child = None;  // the top-level window under the pointer
    unsigned mask = 0;    // modifier and button state
};

Pointer pointer(Display* display) {
    Pointer result;
    Window root = None;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &result.child, &rootX, &rootY, &x, &y,
                  &result.mask);
    return result;
}

}  // namespace

X11Session::X11Session() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        return;
    }
    int event = 0;
    int error = 0;
    int xresMajor = 0;
    int xresMinor = 0;
    xres_ = XResQueryExtension(display_, &event, &error) == True &&
            XResQueryVersion(display_, &xresMajor, &xresMinor) != 0 &&
            (xresMajor > 1 || (xresMajor == 1 && xresMinor >= 2));
    int opcode = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    xkb_ = XkbQueryExtension(display_, &opcode, &event, &error, &major, &minor) == True;
}

bool X11Session::opens(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (connection == nullptr) return false;
    XCloseDisplay(connection);
    return true;
}

X11Session::~X11Session() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

unsigned long X11Session::atom(const char* name) {
    return XInternAtom(display_, name, False);
}

bool X11Session::windowExists(unsigned long window) {
    ErrorTrap trap(display_);
    XWindowAttributes attributes;
    return XGetWindowAttributes(display_, window, &attributes) != 0 && !trap.failed();
}

// A window manager that follows EWMH names a check window that names itself.
bool X11Session::windowManagerRunning() {
    ErrorTrap trap(display_);
    const Atom check = atom("_NET_SUPPORTING_WM_CHECK");
    const auto window = cardinal(display_, DefaultRootWindow(display_), check, XA_WINDOW);
    if (!window || *window == None) {
        return false;
    }
    const auto self = cardinal(display_, *window, check, XA_WINDOW);
    return !trap.failed() && self == window;
}

std::uint64_t X11Session::activeWindow() {
    if (display_ == nullptr) {
        return 0;
    }
    const Window root = DefaultRootWindow(display_);
    if (windowManagerRunning()) {
        std::optional<unsigned long> active;
        {
            ErrorTrap trap(display_);
            active = cardinal(display_, root, atom("_NET_ACTIVE_WINDOW"), XA_WINDOW);
        }
        if (active) {
            // The value may name a window that no longer exists.
            if (*active == None || !windowExists(*active)) return 0;
            // i3 makes a window that refuses input active when it offers WM_TAKE_FOCUS (as Qt's
            // windows do), and the palette is one: hovered or clicked, it became the active
            // window while the keys still went to the field the user typed in.
            if (refusesInput(*active)) {
                const unsigned long focused = focusedTopLevel(false);
                if (focused != 0) return focused;
            }
            return *active;
        }
    }
    return focusedTopLevel(true);
}

// The window says in its WM_HINTS that it takes no keyboard input.
bool X11Session::refusesInput(unsigned long window) {
    ErrorTrap trap(display_);
    XWMHints* hints = XGetWMHints(display_, window);
    const bool refuses = hints != nullptr && (hints->flags & InputHint) != 0 && !hints->input;
    if (hints != nullptr) XFree(hints);
    return refuses && !trap.failed();
}

// The top-level window that holds the input focus, or, when the focus follows the pointer (as
// without a window manager), the one under the pointer if that is asked for.
unsigned long X11Session::focusedTopLevel(bool underPointer) {
    ErrorTrap trap(display_);
    const Window root = DefaultRootWindow(display_);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == PointerRoot || focus == None) {
        if (!underPointer) return 0;
        focus = pointer(display_).child;
    }
    // Climb to the child of the root window.
    Window current = focus;
    while (current != None && current != root) {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (XQueryTree(display_, current, &rootReturn, &parent, &children, &count) == 0) {
            return 0;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root) {
            break;
        }
        current = parent;
    }
    if (current == None || current == root || trap.failed()) {
        return 0;
    }
    return clientWindowOf(current);
}

// The application's own window inside a top-level frame: the first one, breadth first, that
// carries WM_STATE; the top-level itself when none does (as without a window manager).
unsigned long X11Session::clientWindowOf(unsigned long topLevel) {
    ErrorTrap trap(display_);
    const Atom wmState = atom("WM_STATE");
    std::vector<Window> queue{topLevel};
    for (std::size_t i = 0; i < queue.size() && i < 256; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, queue[i], wmState, 0, 0, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success) {
            if (data != nullptr) {
                XFree(data);
            }
            if (type != None) {
                return queue[i];
            }
        }
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned childCount = 0;
        if (XQueryTree(display_, queue[i], &rootReturn, &parent, &children, &childCount) != 0 &&
            children != nullptr) {
            // One by one: GCC 14 warns falsely (stringop-overflow) about the range insert.
            for (unsigned c = 0; c < childCount; ++c) {
                queue.push_back(children[c]);
            }
            XFree(children);
        }
    }
    return topLevel;
}

// The process that owns the window's connection, as the server knows it; the window's own
// _NET_WM_PID claim only where the server cannot say.
int X11Session::windowProcessId(unsigned long window) {
    ErrorTrap trap(display_);
    if (xres_) {
        XResClientIdSpec query{window, XRES_CLIENT_ID_PID_MASK};
        long count = 0;
        XResClientIdValue* values = nullptr;
        if (XResQueryClientIds(display_, 1, &query, &count, &values) == Success) {
            int processId = 0;
            for (long i = 0; i < count; ++i) {
                if (XResGetClientIdType(&values[i]) == XRES_CLIENT_ID_PID) {
                    processId = static_cast<int>(XResGetClientPid(&values[i]));
                }
            }
            XResClientIdsDestroy(count, values);
            if (processId > 0) {
                return processId;
            }
        }
    }
    const auto claimed = cardinal(display_, window, atom("_NET_WM_PID"), XA_CARDINAL);
    return claimed && !trap.failed() ? static_cast<int>(*claimed) : 0;
}

std::string X11Session::windowName(unsigned long window) {
    ErrorTrap trap(display_);
    std::string name = textProperty(display_, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"));
    if (name.empty()) {
        XTextProperty property{};
        if (XGetWMName(display_, window, &property) != 0 && property.value != nullptr) {
            char** list = nullptr;
            int count = 0;
            if (Xutf8TextPropertyToTextList(display_, &property, &list, &count) >= Success &&
                count > 0 && list != nullptr) {
                name = list[0];
            }
            if (list != nullptr) {
                XFreeStringList(list);
            }
            XFree(property.value);
        }
    }
    if (name.empty()) {
        XClassHint hint{};
        if (XGetClassHint(display_, window, &hint) != 0) {
            if (hint.res_class != nullptr) {
                name = hint.res_class;
            }
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
    }
    return trap.failed() ? std::string() : name;
}

std::optional<DesktopApplication> X11Session::activeApplication() {
    const std::uint64_t window = activeWindow();
    if (window == 0) {
        return std::nullopt;
    }
    DesktopApplication application;
    application.window = window;
    application.processId = windowProcessId(window);
    application.name = windowName(window);
    application.startTime = processStartTime(application.processId);
    return application;
}

// The modifier bits of Alt and Super depend on the modifier mapping; Mod1 and Mod4 where the
// mapping does not say.
unsigned X11Session::heldModifierMask() {
    unsigned alt = 0;
    unsigned super = 0;
    if (XModifierKeymap* map = XGetModifierMapping(display_)) {
        for (int modifier = Mod1MapIndex; modifier <= Mod5MapIndex; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                const KeyCode code = map->modifiermap[modifier * map->max_keypermod + i];
                if (code == 0) {
                    continue;
                }
                for (int level = 0; level < 2; ++level) {
                    switch (XkbKeycodeToKeysym(display_, code, 0, level)) {
                        case XK_Alt_L:
                        case XK_Alt_R:
                        case XK_Meta_L:
                        case XK_Meta_R:
                            alt |= 1u << modifier;
                            break;
                        case XK_Super_L:
                        case XK_Super_R:
                            super |= 1u << modifier;
                            break;
                        default:
                            break;
                    }
                }
            }
        }
        XFreeModifiermap(map);
    }
    return ShiftMask | ControlMask | (alt != 0 ? alt : Mod1Mask) | (super != 0 ? super : Mod4Mask);
}

bool X11Session::modifiersHeld() {
    if (display_ == nullptr) {
        return false;
    }
    unsigned held = 0;
    if (xkb_) {
        XkbStateRec state{};
        if (XkbGetState(display_, XkbUseCoreKbd, &state) != Success) {
            return false;
        }
        held = state.base_mods | state.latched_mods;
    } else {
        held = pointer(display_).mask;
    }
    return (held & heldModifierMask()) != 0;
}

bool X11Session::windowIsLocal(std::uint64_t window) {
    if (display_ == nullptr || window == 0) return true;
    ErrorTrap trap(display_);
    // Some clients (Chromium) count the terminating zero into the property.
    std::string machine = textProperty(display_, window, atom("WM_CLIENT_MACHINE"), XA_STRING);
    machine.resize(std::strlen(machine.c_str()));
    char host[256] = {};
    // Only a machine named, and named otherwise, is another one: a window that is gone or says
    // nothing is judged by its process as before.
    if (trap.failed() || machine.empty() || ::gethostname(host, sizeof host - 1) != 0) return true;
    return machine == host;
}

X11Session::WindowClass X11Session::windowClass(std::uint64_t window) {
    WindowClass result;
    if (display_ == nullptr || window == 0) {
        return result;
    }
    ErrorTrap trap(display_);
    XClassHint hint{};
    if (XGetClassHint(display_, window, &hint) != 0) {
        if (hint.res_name != nullptr) {
            result.instance = hint.res_name;
        }
        if (hint.res_class != nullptr) {
            result.name = hint.res_class;
        }
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return trap.failed() ? WindowClass{} : result;
}

bool X11Session::activate(std::uint64_t window) {
    if (display_ == nullptr || window == 0 || !windowExists(window)) {
        return false;
    }
    ErrorTrap trap(display_);
    const Window root = DefaultRootWindow(display_);
    if (windowManagerRunning()) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // the request comes from a pager-like tool, not the window
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
    } else {
        XRaiseWindow(display_, window);
        XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    }
    return !trap.failed();
}

void X11Session::showOnAllDesktops(Display* display, std::uint64_t window) {
    if (display == nullptr || window == 0) {
        return;
    }
    ErrorTrap trap(display);
    const Atom desktop = XInternAtom(display, "_NET_WM_DESKTOP", False);
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom sticky = XInternAtom(display, "_NET_WM_STATE_STICKY", False);
    constexpr unsigned long kAllDesktops = 0xFFFFFFFF;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return;
    }
    if (attributes.map_state == IsUnmapped) {
        XChangeProperty(display, window, desktop, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&kAllDesktops), 1);
        const auto states = property<unsigned long>(display, window, state, XA_ATOM, 32, 64);
        const bool present =
            states && std::find(states->begin(), states->end(), sticky) != states->end();
        if (!present) {
            XChangeProperty(display, window, state, XA_ATOM, 32, PropModeAppend,
                            reinterpret_cast<const unsigned char*>(&sticky), 1);
        }
    } else {
        const Window root = DefaultRootWindow(display);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.format = 32;
        event.xclient.message_type = desktop;
        event.xclient.data.l[0] = static_cast<long>(kAllDesktops);
        event.xclient.data.l[1] = 1;  // from an application
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        event.xclient.message_type = state;
        event.xclient.data.l[0] = 1;  // add
        event.xclient.data.l[1] = static_cast<long>(sticky);
        event.xclient.data.l[2] = 0;
        event.xclient.data.l[3] = 1;
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
    XFlush(display);
}

}  // namespace zuna::platform
