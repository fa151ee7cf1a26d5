#pragma once

#include <optional>
#include <string>

#include "core/paste/DesktopAccess.h"

struct _AtspiAccessible;

namespace zuna::platform {

class Deadline;

// The focused element described within `deadline`: its role, whether it hides its text, whether
// it is enabled and takes text. None when that cannot be told in time or a call fails.
std::optional<FocusedField> describeField(_AtspiAccessible* element, const Deadline& deadline);

// What is known of an application whose tree stays closed: nothing but a hint for the user.
FocusedField closedField(std::string identity);

}  // namespace zuna::platform
