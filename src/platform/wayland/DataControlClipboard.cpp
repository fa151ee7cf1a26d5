#include "platform/wayland/DataControlClipboard.h"

#include "platform/wayland/WaylandSession.h"

namespace zuna::platform {

bool DataControlClipboard::available() {
    return session_.hasDataControl();
}

bool DataControlClipboard::setText(const std::string& text, bool /*primaryToo*/) {
    return session_.setClipboardText(text);
}

}  // namespace zuna::platform
