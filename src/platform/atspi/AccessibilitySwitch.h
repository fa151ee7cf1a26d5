#pragma once

namespace zuna::platform {

// Whether accessibility is on for the session, and switching it on, through the accessibility
// bus's status on the session bus.
class AccessibilitySwitch {
  public:
    AccessibilitySwitch();

    // The accessibility bus is reachable and accessibility is switched on.
    bool enabled();
    // Switches accessibility on for the session (the setting persists for the user).
    void enable();

  private:
    bool initialized_ = false;
};

}  // namespace zuna::platform
