#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/DesktopShell.h"

namespace zuna::platform {

enum class SessionKind { x11, wayland };

// A Wayland session names its display (WAYLAND_DISPLAY) or says so in XDG_SESSION_TYPE.
SessionKind sessionKind(std::string_view waylandDisplay, std::string_view sessionType);
SessionKind currentSession();

// Run before the QApplication exists. The palette is an X11 client (on XWayland in a Wayland
// session, where Qt would otherwise pick its Wayland plugin). Gives the one-line reason when no
// X display can be opened, instead of Qt ending the process.
std::optional<std::string> prepareDisplay();

struct ChosenDesktop {
    std::unique_ptr<Desktop> access;
    // The palette must keep out of the window manager to keep the focus off (see WaylandDesktop).
    bool bypassWindowManager = false;
};

// The desktop of this session; the data folder keeps what a Wayland desktop's grant needs.
ChosenDesktop chooseDesktop(const std::filesystem::path& dataDirectory);

}  // namespace zuna::platform
