#pragma once

#include <chrono>
#include <optional>

#include "paste/DesktopAccess.h"

struct _AtspiAccessible;

namespace zuna::platform {

// The accessibility side of the desktop through AT-SPI: whether accessibility is on, switching
// it on, and the element that has keyboard focus in an application.
class AtspiAccess {
  public:
    AtspiAccess();
    ~AtspiAccess();
    AtspiAccess(const AtspiAccess&) = delete;
    AtspiAccess& operator=(const AtspiAccess&) = delete;

    // The accessibility bus is reachable and accessibility is switched on.
    bool enabled();
    // Switches accessibility on for the session (the setting persists for the user).
    void enable();

    // The focused element of the application with this process id, found and described within
    // `budget` in all. Never ask for this program's own process: it could not answer itself.
    std::optional<FocusedField> focusedField(int processId, std::chrono::milliseconds budget);

    // The application one of whose frames has the active state, with that frame's title; this
    // program's own process is skipped. Where no display server names the active window (a
    // Wayland session), this is how the target is found.
    std::optional<DesktopApplication> activeApplication(std::chrono::milliseconds budget);

  private:
    // The application's root element, found among the desktop's children by process id.
    _AtspiAccessible* application(int processId, std::chrono::steady_clock::time_point deadline);

    bool initialized_ = false;
    // The last application found, kept while its connection still belongs to that process.
    _AtspiAccessible* cachedApplication_ = nullptr;
    int cachedProcessId_ = 0;
};

}  // namespace zuna::platform
