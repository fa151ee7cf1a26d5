#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zuna {

// User-perceived characters (extended grapheme clusters) of UTF-8 text. Counting stops once the
// count exceeds `stopAfter`, so a limit check on a long text costs no more than the limit.
std::size_t userPerceivedLength(std::string_view utf8, std::size_t stopAfter = SIZE_MAX);

// True when nothing is left after removing white space and line breaks from both ends: Unicode
// separators (Zs, Zl, Zp), the tab, U+000A to U+000D and U+0085.
bool isBlank(std::string_view utf8);

// The text without the white space and line breaks of isBlank at either end. Bytes that are not
// valid UTF-8 count as text and stop the trimming.
std::string trimmed(std::string_view utf8);

// The first `count` user-perceived characters of the text (all of it when it is shorter).
std::string prefixOfLength(std::string_view utf8, std::size_t count);

}  // namespace zuna
