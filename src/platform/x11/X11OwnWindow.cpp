// Qt's headers first: Xlib's macros (Bool, Status) must not meet them.
#include <QGuiApplication>

#include "platform/x11/X11Session.h"

namespace zuna::platform {

void X11Session::showOwnWindowOnAllDesktops(std::uint64_t window) {
    auto* x11 = qGuiApp == nullptr ? nullptr
                                   : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->display() != nullptr) showOnAllDesktops(x11->display(), window);
}

}  // namespace zuna::platform
