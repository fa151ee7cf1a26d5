#pragma once

#include <optional>
#include <vector>

#include "platform/KeySender.h"

struct _XDisplay;

namespace zuna::platform {

class X11Session;

// The paste shortcut through the X server's XTEST extension, on the session's own connection.
// Needs no grant. The key is the current layout's "v", or where that layout has none (Cyrillic,
// Greek), the "v" of another group, locked for the key press alone.
class XTestKeys : public KeySender {
  public:
    explicit XTestKeys(X11Session& session);

    bool available() override;
    std::string limitation() override;
    // Finds the key codes of the shortcut's modifiers and key (a Latin "v" or Insert), and the
    // keyboard group to lock for the key press when the current layout has no "v".
    bool preparePasteKeys(PasteShortcut shortcut) override;
    // Sends the shortcut prepared last, once.
    bool sendPasteKeys(PasteShortcut shortcut) override;

  private:
    struct PasteKeys {
        PasteShortcut shortcut = PasteShortcut::controlV;
        // Pressed in this order, released in the reverse one.
        std::vector<unsigned> modifiers;
        unsigned key = 0;
        // The group to lock for the key press, and the locked group to restore; -1: none needed.
        int group = -1;
        int restoreGroup = 0;
    };

    _XDisplay* display_;
    bool xkb_;
    bool xtest_ = false;
    std::optional<PasteKeys> keys_;
};

}  // namespace zuna::platform
