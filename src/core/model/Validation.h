#pragma once

#include <vector>

#include "core/model/Records.h"

namespace zuna {

// Every limit on buttons and groups is decided here. Both throw ZunaError with the user's text
// for the first rule broken, and only read their input.
void validateButtons(const std::vector<Snippet>& buttons);
void validateGroups(const std::vector<SnippetGroup>& groups);

}  // namespace zuna
