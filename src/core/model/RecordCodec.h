#pragma once

// JSON form of the records shared by the state file and the exchange files. Internal to core.

#include <vector>

#include "core/model/ApplicationRule.h"
#include "core/model/JsonSupport.h"
#include "core/model/Records.h"

namespace zuna::json {

// Decoding moves strings out of the document, which is consumed.
std::vector<Snippet> decodeButtons(Json& value, const Path& at);
std::vector<SnippetGroup> decodeGroups(Json& value, const Path& at);
WindowFrame decodeFrame(Json& value, const Path& at);
// Throws ZunaError for keys that are none of the names shortcutName gives.
std::vector<ApplicationRule> decodeRules(Json& value, const Path& at);

Json encode(const Snippet& button);
Json encode(const SnippetGroup& group);
Json encode(const std::vector<Snippet>& buttons);
Json encode(const std::vector<SnippetGroup>& groups);
// Throws JsonError for a number that is not finite: JSON has no way to write it.
Json encode(const WindowFrame& frame);
Json encode(const std::vector<ApplicationRule>& rules);

// The bytes of a document, refused with the user's message when over the file limit.
std::string limitedDump(const Json& document);

}  // namespace zuna::json
