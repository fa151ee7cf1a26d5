#pragma once

#include <QObject>

#include "core/paste/Scheduler.h"

namespace zuna::platform {

// Runs scheduled work from Qt's event loop on the thread that owns this object. Pending work
// dies with the scheduler.
class QtScheduler : public Scheduler {
  public:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work) override;

  private:
    QObject context_;
};

}  // namespace zuna::platform
