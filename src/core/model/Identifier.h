#pragma once

#include <string>

namespace zuna {

// A new random (version 4) UUID in upper-case text form, 36 characters.
std::string freshIdentifier();

}  // namespace zuna
