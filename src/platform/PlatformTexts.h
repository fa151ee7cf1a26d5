#pragma once

#include <string>

namespace zuna::platform {

// The texts that depend on the platform's own settings, already looked up through L.

// The body of the permission prompt; `status` is the engine's permission status sentence.
std::string permissionPromptText(const std::string& status);
// The help text of the options menu.
std::string helpText();

}  // namespace zuna::platform
