#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "core/paste/DesktopAccess.h"

namespace zuna::platform {

// The element that has keyboard focus in an application, found through AT-SPI and described
// for the paste check. What one lookup learns of the application is kept for the next.
class FocusLookup {
  public:
    // Bound for all accessibility queries of one look at the focused field.
    static constexpr std::chrono::milliseconds kQueryBudget{500};

    FocusLookup();
    ~FocusLookup();
    FocusLookup(const FocusLookup&) = delete;
    FocusLookup& operator=(const FocusLookup&) = delete;

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

    // The application one of whose frames has the active state, with that frame's title; this
    // program's own process is skipped. Where no display server names the active window (a
    // Wayland session), this is how the target is found. The lookup that follows starts there.
    std::optional<DesktopApplication> activeApplication(std::chrono::milliseconds budget);

  private:
    struct Cache;

    bool initialized_ = false;
    std::unique_ptr<Cache> cache_;
};

}  // namespace zuna::platform
