#pragma once

#include <string>

namespace zuna::platform {

// One way of putting a snippet on the clipboard of the session: the X11 selection through Qt,
// the same with a wait for the compositor's bridge, a compositor's data-control protocol.
// Every way marks the text as a secret, so that clipboard managers keep no copy of it.
class ClipboardWriter {
  public:
    virtual ~ClipboardWriter() = default;

    // The session offers this way.
    virtual bool available() { return true; }
    // Puts the text on the clipboard, and with `primaryToo` on the primary selection as well;
    // false when this program does not own what it set.
    virtual bool setText(const std::string& text, bool primaryToo) = 0;
};

}  // namespace zuna::platform
