#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/paste/DesktopAccess.h"

struct _XDisplay;

namespace zuna::platform {

// One private Xlib connection to the X server named by DISPLAY: the active window and its
// process, and the modifier state. Every request that may name a window that has just gone away
// runs under a local error handler, so a stale window is an answer, never the end of the process.
class X11Session {
  public:
    X11Session();
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    // The X display of that name can be opened now.
    static bool opens(const std::string& display);

    bool connected() const { return display_ != nullptr; }
    _XDisplay* display() const { return display_; }
    bool hasXkb() const { return xkb_; }

    // The active top-level window: the window manager's _NET_ACTIVE_WINDOW (unless that window
    // refuses keyboard input and another one has the input focus), or where no window manager
    // answers, the window that has the input focus (or lies under the pointer).
    std::uint64_t activeWindow();
    std::optional<DesktopApplication> activeApplication();

    // Shift, Control, Alt or Super pressed or latched; locks (Caps, Num) do not count.
    bool modifiersHeld();

    // The two parts of the window's WM_CLASS: the instance ("xterm") and the class ("XTerm").
    struct WindowClass {
        std::string instance;
        std::string name;
    };
    WindowClass windowClass(std::uint64_t window);
    // False only when the window's WM_CLIENT_MACHINE names another host: a window shown over
    // `ssh -X` names a process of another machine.
    bool windowIsLocal(std::uint64_t window);

    // Asks the window manager to activate the window (or focuses it directly without one).
    bool activate(std::uint64_t window);

    // Puts one of this program's windows on every virtual desktop: as the window's properties
    // while it is unmapped (read when it is mapped), else by asking the window manager.
    static void showOnAllDesktops(_XDisplay* display, std::uint64_t window);
    // The same through Qt's own connection, where the window was created: requests on one
    // connection reach the server in order, so the window exists when the properties arrive.
    static void showOwnWindowOnAllDesktops(std::uint64_t window);

  private:
    unsigned long atom(const char* name);
    bool windowManagerRunning();
    unsigned long focusedTopLevel(bool underPointer);
    bool refusesInput(unsigned long window);
    unsigned long clientWindowOf(unsigned long topLevel);
    bool windowExists(unsigned long window);
    int windowProcessId(unsigned long window);
    std::string windowName(unsigned long window);
    unsigned heldModifierMask();

    _XDisplay* display_ = nullptr;
    bool xres_ = false;
    bool xkb_ = false;
};

}  // namespace zuna::platform
