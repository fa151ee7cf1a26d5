#pragma once

#include <chrono>
#include <functional>

namespace zuna {

// Runs work later on the thread that owns the event loop. The paste engine never sleeps: it asks
// for its re-checks here. The application implements this with a timer, the tests with a clock
// they move by hand.
class Scheduler {
  public:
    virtual ~Scheduler() = default;
    virtual void schedule(std::chrono::milliseconds delay, std::function<void()> work) = 0;
};

}  // namespace zuna
