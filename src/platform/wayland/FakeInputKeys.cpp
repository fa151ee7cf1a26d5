#include "platform/wayland/FakeInputKeys.h"

#include "platform/wayland/WaylandSession.h"

namespace zuna::platform {

bool FakeInputKeys::available() {
    return session_.hasFakeInput();
}

bool FakeInputKeys::sendPasteKeys(PasteShortcut shortcut) {
    return session_.sendFakeInputKeys(shortcut);
}

}  // namespace zuna::platform
