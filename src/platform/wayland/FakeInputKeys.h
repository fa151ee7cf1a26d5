#pragma once

#include "platform/KeySender.h"

namespace zuna::platform {

class WaylandSession;

// The paste shortcut through KWin's fake input (KDE Plasma), which needs no question: KWin offers
// it to a program whose installed desktop entry names the program's path and asks for
// org_kde_kwin_fake_input, as the package's entry does.
class FakeInputKeys : public KeySender {
  public:
    explicit FakeInputKeys(WaylandSession& session) : session_(session) {}

    bool available() override;
    bool sendPasteKeys(PasteShortcut shortcut) override;

  private:
    WaylandSession& session_;
};

}  // namespace zuna::platform
