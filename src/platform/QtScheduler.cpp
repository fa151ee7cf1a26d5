#include "platform/QtScheduler.h"

#include <QTimer>

namespace zuna::platform {

void QtScheduler::schedule(std::chrono::milliseconds delay, std::function<void()> work) {
    // A coarse timer may be off by 5 %; the re-checks are meant to be 40 ms apart.
    QTimer::singleShot(delay, Qt::PreciseTimer, &context_, std::move(work));
}

}  // namespace zuna::platform
