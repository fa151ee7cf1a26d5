#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "core/paste/DesktopAccess.h"

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

    // What one lookup found: the field, or why there is none.
    struct Lookup {
        enum class Outcome {
            found,
            // No application of that process is on the accessibility bus.
            absent,
            // The application is there but shows no elements, even after being asked to build
            // them (Chromium and what is built on it keep their tree closed).
            closed,
            // Anything else: nothing has focus, or no answer in time.
            failed,
        };
        Outcome outcome = Outcome::failed;
        FocusedField field;
    };

    // The focused element of the application with this process id, found and described within
    // `budget` in all. Never ask for this program's own process: it could not answer itself.
    Lookup focusedField(int processId, std::chrono::microseconds budget);
    // What is known of an application whose tree stays closed: nothing but a hint for the user.
    static FocusedField closedField(std::string identity);

    // The application one of whose frames has the active state, with that frame's title; this
    // program's own process is skipped. Where no display server names the active window (a
    // Wayland session), this is how the target is found.
    std::optional<DesktopApplication> activeApplication(std::chrono::milliseconds budget);

  private:
    // The application's root element, found among the desktop's children by process id.
    // `searchedAll` tells whether every application on the bus was asked.
    _AtspiAccessible* application(int processId, std::chrono::steady_clock::time_point deadline,
                                  bool& searchedAll);

    bool initialized_ = false;
    // The last application found, kept while its connection still belongs to that process.
    _AtspiAccessible* cachedApplication_ = nullptr;
    int cachedProcessId_ = 0;
    // Of that application: asked to open its tree, and a focused element found there since.
    bool chromiumWoken_ = false;
    bool focusSeen_ = false;
    // The element a walk through that application's tree found last.
    _AtspiAccessible* walkedElement_ = nullptr;
    void rememberWalked(_AtspiAccessible* element);
};

}  // namespace zuna::platform
