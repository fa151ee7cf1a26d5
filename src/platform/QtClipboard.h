#pragma once

#include "platform/ClipboardWriter.h"

namespace zuna::platform {

// The clipboard through Qt (the CLIPBOARD and PRIMARY selections on X11), marked as a secret:
// the type "x-kde-passwordManagerHint" with the value "secret", as password managers mark
// theirs, so that clipboard managers such as Klipper and CopyQ keep no copy of it in their
// history. Pasting by hand still works. A QGuiApplication must exist; the program keeps serving
// the clipboard from its event loop.
class QtClipboard : public ClipboardWriter {
  public:
    bool setText(const std::string& text, bool primaryToo) override;
};

}  // namespace zuna::platform
