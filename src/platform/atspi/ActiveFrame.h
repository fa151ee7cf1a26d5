#pragma once

#include <chrono>
#include <optional>

#include "core/paste/DesktopAccess.h"
#include "platform/atspi/AtspiSupport.h"

namespace zuna::platform {

// An application one of whose frames has the active state, with that frame's title.
struct ActiveFrame {
    DesktopApplication application;
    // Its root element on the accessibility bus.
    Ref<AtspiAccessible> accessible;
};

// The first application on the bus with an active frame, within `budget`; this program's own
// process is skipped.
std::optional<ActiveFrame> findActiveFrame(std::chrono::milliseconds budget);

}  // namespace zuna::platform
