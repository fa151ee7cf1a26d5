#pragma once

#include "platform/ClipboardWriter.h"

namespace zuna::platform {

class WaylandSession;

// The seat's clipboard set directly through the compositor's data-control protocol (wlroots).
// wlroots hands an X11 client's clipboard to Wayland clients only while it has the focus, which
// the palette never has. Only applications found on the accessibility bus are targets in a
// Wayland session, and none of those pastes from the primary selection, so that is not set.
class DataControlClipboard : public ClipboardWriter {
  public:
    explicit DataControlClipboard(WaylandSession& session) : session_(session) {}

    bool available() override;
    bool setText(const std::string& text, bool primaryToo) override;

  private:
    WaylandSession& session_;
};

}  // namespace zuna::platform
