#pragma once

#include <string>

namespace zuna::platform {

// Puts a snippet on the clipboard through Qt (and on the primary selection with `primaryToo`),
// marked as a secret: the type "x-kde-passwordManagerHint" with the value "secret", as password
// managers mark theirs, so that clipboard managers such as Klipper and CopyQ keep no copy of it
// in their history. Pasting by hand still works. False when this program does not own what it
// set.
bool putSnippetOnClipboard(const std::string& text, bool primaryToo);

}  // namespace zuna::platform
