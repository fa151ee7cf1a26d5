#include "platform/atspi/ActiveFrame.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace zuna::platform {
namespace {

// The title of the application's frame that has the active state; none when no frame has it
// within `share`.
std::optional<std::string> activeFrameTitle(AtspiAccessible* application, const Deadline& share) {
    atspi_accessible_clear_cache(application);
    if (!share.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const gint frames = atspi_accessible_get_child_count(application, &error);
    if (error != nullptr) {
        g_clear_error(&error);
        return std::nullopt;
    }
    for (gint j = 0; j < frames && share.arm(); ++j) {
        Ref<AtspiAccessible> frame(atspi_accessible_get_child_at_index(application, j, &error));
        if (error != nullptr || !frame || !share.arm()) {
            g_clear_error(&error);
            return std::nullopt;
        }
        Ref<AtspiStateSet> states(atspi_accessible_get_state_set(frame.get()));
        if (!hasState(states.get(), ATSPI_STATE_ACTIVE) || !share.arm()) {
            continue;
        }
        std::string title;
        if (gchar* name = atspi_accessible_get_name(frame.get(), nullptr)) {
            title = name;
            g_free(name);
        }
        return title;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ActiveFrame> findActiveFrame(std::chrono::milliseconds budget) {
    const Deadline deadline(budget);
    Ref<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop || !deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (error != nullptr) {
        g_error_free(error);
        return std::nullopt;
    }
    const auto self = static_cast<guint>(::getpid());
    for (gint i = 0; i < count && deadline.arm(); ++i) {
        Ref<AtspiAccessible> candidate(
            atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (error != nullptr || !candidate) {
            g_clear_error(&error);
            continue;
        }
        // Answered by the bus daemon: a frozen application costs nothing here.
        const guint processId = atspi_accessible_get_process_id(candidate.get(), &error);
        if (error != nullptr || processId == self || processId == 0) {
            g_clear_error(&error);
            continue;
        }
        // A frozen application may spend only a part of the budget, so that the one in front is
        // still found behind it.
        const Deadline share(std::min(deadline.end(), Clock::now() + budget / 4));
        if (auto title = activeFrameTitle(candidate.get(), share)) {
            ActiveFrame found;
            found.application.processId = static_cast<int>(processId);
            found.application.name = std::move(*title);
            found.accessible = std::move(candidate);
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace zuna::platform
