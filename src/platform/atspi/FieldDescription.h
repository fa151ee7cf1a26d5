#pragma once

#include <optional>
#include <string>
#include <utility>

#include "core/paste/DesktopAccess.h"

struct _AtspiAccessible;

namespace zuna::platform {

class Deadline;

// The focused element described within `deadline`: its role, whether it hides its text, whether
// it is enabled and takes text. None when that cannot be told in time or a call fails.
std::optional<FocusedField> describeField(_AtspiAccessible* element, const Deadline& deadline);

// Why nothing about an application's field can be seen; each has its own way out for the user.
enum class Unseen {
    // Chromium and what is built on it keep their tree closed.
    closedTree,
    // Qt WebEngine shows a page's document but nothing in it.
    qtWebEngine,
    // Emacs and Java Swing draw their editors themselves and show a plain panel.
    ownDrawing,
    // Not on the accessibility bus at all (Tk, Java without its bridge, started before
    // accessibility was on).
    offTheBus,
};

// What is known of such an application: nothing but a hint for the user.
FocusedField unseenField(std::string identity, Unseen why);
inline FocusedField closedField(std::string identity) {
    return unseenField(std::move(identity), Unseen::closedTree);
}

}  // namespace zuna::platform
