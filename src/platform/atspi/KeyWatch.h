#pragma once

#include "platform/atspi/HeldKeys.h"

struct _AtspiDeviceListener;
struct _AtspiDeviceEvent;

namespace zuna::platform {

// Listens to the key events that applications report on the accessibility bus (GTK 3 and Qt
// do), the one place a Wayland session tells another program which modifiers are held. Keys
// typed into an application that reports none (GTK 4, terminals without accessibility) are not
// seen.
class KeyWatch {
  public:
    KeyWatch();
    ~KeyWatch();
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    // The listener is registered with the accessibility registry.
    bool modifiersHeld() const { return held_.any(); }

  private:
    static int onKey(_AtspiDeviceEvent* event, void* self);

    _AtspiDeviceListener* listener_ = nullptr;
    bool listening_ = false;
    HeldKeys held_;
};

}  // namespace zuna::platform
