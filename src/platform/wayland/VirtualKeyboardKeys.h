#pragma once

#include "platform/KeySender.h"

namespace zuna::platform {

class WaylandSession;

// The paste shortcut on the compositor's virtual keyboard (wlroots: sway, Hyprland, labwc),
// which needs no grant.
class VirtualKeyboardKeys : public KeySender {
  public:
    explicit VirtualKeyboardKeys(WaylandSession& session) : session_(session) {}

    bool available() override;
    bool sendPasteKeys(PasteShortcut shortcut) override;

  private:
    WaylandSession& session_;
};

}  // namespace zuna::platform
