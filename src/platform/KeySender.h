#pragma once

#include <string>

#include "core/paste/DesktopAccess.h"

namespace zuna::platform {

// One way of sending the paste shortcut to the application in front: XTest, a compositor's
// virtual keyboard, the desktop portal. A desktop holds the ways its sessions may offer and uses
// the first one the session has.
class KeySender {
  public:
    virtual ~KeySender() = default;

    // The session offers this way (the extension, the protocol or the portal is there).
    virtual bool available() = 0;
    // Keys may be sent now; a way that needs no grant has it while it is available.
    virtual bool granted() { return available(); }
    // Asks the user for the grant; returns at once, the answer comes later.
    virtual void request() {}
    // Why keys cannot be sent this way now (a localized sentence), or empty.
    virtual std::string limitation() { return {}; }
    // Works out the key events of the shortcut, where they depend on the current keyboard
    // layout; false when they cannot be made or sent.
    virtual bool preparePasteKeys(PasteShortcut) { return granted(); }
    // The shortcut's modifiers down, its key down and up, the modifiers up. False when they could
    // not be sent.
    virtual bool sendPasteKeys(PasteShortcut shortcut) = 0;
};

}  // namespace zuna::platform
