#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <string>

#include "platform/DesktopShell.h"

struct _XDisplay;
class QSocketNotifier;

namespace zuna::platform {

// One shortcut of the whole X11 desktop: a passive grab of the key on the root window, with and
// without Caps Lock and Num Lock, on a connection of its own that the event loop watches. The
// application that has the focus keeps it.
class X11Shortcut : public QObject {
  public:
    X11Shortcut();
    ~X11Shortcut() override;
    X11Shortcut(const X11Shortcut&) = delete;
    X11Shortcut& operator=(const X11Shortcut&) = delete;

    // Grabs `keys` ("Ctrl+Alt+Z") in place of the earlier ones; empty keys release them.
    ShortcutResult set(const std::string& keys, std::function<void()> pressed);

  private:
    // Modifier mask and key code for `keys`; false when they name no key of this keyboard.
    bool resolve(const std::string& keys);
    ShortcutResult grab();
    // The modifiers with every combination of Caps Lock and Num Lock.
    std::array<unsigned, 4> lockVariants() const;
    void ungrab();
    void readEvents();

    _XDisplay* display_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    std::string keys_;
    unsigned keycode_ = 0;
    unsigned modifiers_ = 0;
    unsigned ignored_ = 0;  // Caps Lock and Num Lock
    bool grabbed_ = false;
    bool down_ = false;
    std::function<void()> pressed_;
};

}  // namespace zuna::platform
