#include "platform/DesktopChoice.h"

#include <cstdlib>

#include "core/localization/Localization.h"
#include "platform/wayland/WaylandDesktop.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Session.h"

namespace zuna::platform {
namespace {

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

SessionKind sessionKind(std::string_view waylandDisplay, std::string_view sessionType) {
    return !waylandDisplay.empty() || sessionType == "wayland" ? SessionKind::wayland
                                                               : SessionKind::x11;
}

SessionKind currentSession() {
    return sessionKind(variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE"));
}

std::optional<std::string> prepareDisplay() {
    const std::string_view platform = variable("QT_QPA_PLATFORM");
    // Another platform chosen by hand (offscreen, for one) is Qt's business.
    if (!platform.empty() && platform != "xcb") return std::nullopt;
    if (platform.empty() && currentSession() == SessionKind::wayland) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    const std::string display(variable("DISPLAY"));
    if (display.empty()) {
        return L(
            "Zuna Trep ne najde zaslona: spremenljivka DISPLAY ni nastavljena, palete pa brez seje X11 ali XWayland ni mogoče prikazati.");
    }
    if (!X11Session::opens(display)) {
        return L("Zuna Trep ne more odpreti zaslona X11 »{0}«, zato palete ni mogoče prikazati.",
                 display);
    }
    return std::nullopt;
}

ChosenDesktop chooseDesktop(const std::filesystem::path& dataDirectory) {
    ChosenDesktop chosen;
    if (currentSession() == SessionKind::wayland) {
        auto wayland = std::make_unique<WaylandDesktop>(dataDirectory);
        chosen.bypassWindowManager = wayland->paletteMustBypassWindowManager();
        chosen.access = std::move(wayland);
    } else {
        chosen.access = std::make_unique<X11Desktop>();
    }
    return chosen;
}

}  // namespace zuna::platform
