#include "platform/wayland/VirtualKeyboardKeys.h"

#include "platform/wayland/WaylandSession.h"

namespace zuna::platform {

bool VirtualKeyboardKeys::available() {
    return session_.hasVirtualKeyboard();
}

bool VirtualKeyboardKeys::sendPasteKeys(PasteShortcut shortcut) {
    return session_.sendPasteKeys(shortcut);
}

}  // namespace zuna::platform
