#pragma once

#include <vector>

#include "core/model/ApplicationRule.h"
#include "core/model/Records.h"

namespace zuna {

// Every limit on buttons and groups is decided here. Both throw ZunaError with the user's text
// for the first rule broken, and only read their input.
void validateButtons(const std::vector<Snippet>& buttons);
void validateGroups(const std::vector<SnippetGroup>& groups);
// At most kMaxApplicationRules, each naming an application, and no application twice.
void validateRules(const std::vector<ApplicationRule>& rules);

// The first rule one button breaks on its own, checked in this order. The editor uses it to
// name the field at fault; identifiers repeated across buttons are the lists' concern.
enum class ButtonRule { none, id, name, text, color };
ButtonRule brokenRule(const Snippet& button);

}  // namespace zuna
