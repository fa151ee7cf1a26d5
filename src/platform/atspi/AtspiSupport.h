#pragma once

#include <atspi/atspi.h>

#include <algorithm>
#include <chrono>
#include <memory>

// What the AT-SPI parts share. Included by their sources only: it brings libatspi, GLib and
// libdbus along.
namespace zuna::platform {

using Clock = std::chrono::steady_clock;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, GObjectUnref>;

// A reference of its own to an object someone else holds.
template <typename T>
Ref<T> refTo(T* object) {
    return Ref<T>(object != nullptr ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

// atspi_init answers 0 the first time and 1 when it ran before; anything else is a failure.
inline bool initializeAtspi() {
    const int result = atspi_init();
    return result == 0 || result == 1;
}

// Spends one budget over many D-Bus calls: each call may take only what is left.
class Deadline {
  public:
    explicit Deadline(std::chrono::microseconds budget) : end_(Clock::now() + budget) {}
    explicit Deadline(Clock::time_point end) : end_(end) {}
    Clock::time_point end() const { return end_; }

    // Arms libatspi's per-call timeout from the time left; false when none is. In a process with
    // threads (as any Qt program) libdbus may wait twice the timeout, and libatspi sends some
    // calls twice when the first gets no answer: measured against a stopped application, one
    // call took up to four times its timeout. So each call gets a quarter of what is left.
    bool arm() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        atspi_set_timeout(static_cast<gint>(std::max<long>(1, left.count() / 4)), 0);
        return true;
    }

  private:
    Clock::time_point end_;
};

inline bool hasState(AtspiStateSet* states, AtspiStateType state) {
    return states != nullptr && atspi_state_set_contains(states, state);
}

}  // namespace zuna::platform
