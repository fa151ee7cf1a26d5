#pragma once

#include <string>

namespace zuna::platform {

// The help text of the options menu on a Linux desktop, already localized.
std::string linuxHelpText();

}  // namespace zuna::platform
