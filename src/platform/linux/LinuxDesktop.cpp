#include "linux/LinuxDesktop.h"

#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QString>
#include <cstdlib>

#include "localization/Localization.h"

namespace zuna::platform {
namespace {

bool waylandSession() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (wayland != nullptr && *wayland != '\0') ||
           (type != nullptr && std::string_view(type) == "wayland");
}

}  // namespace

LinuxDesktop::LinuxDesktop() = default;

// Without an X server no window, field or key can be reached, whatever the buses say.
bool LinuxDesktop::accessibilityGranted() {
    return x11_.connected() && atspi_.enabled();
}

bool LinuxDesktop::keyEventsGranted() {
    return x11_.connected() && x11_.hasXTest();
}

void LinuxDesktop::requestAccessibility() {
    atspi_.enable();
}

// XTEST is a property of the X server; there is nothing to ask for.
void LinuxDesktop::requestKeyEvents() {}

std::string LinuxDesktop::limitation() {
    if (!x11_.connected()) {
        return waylandSession()
                   ? L("Seja Wayland drugim programom ne dovoli brati polj in pošiljati tipk; Zuna Trep lepi samo v seji X11.")
                   : L("Zaslon X11 ni dosegljiv, zato lepljenje ni mogoče.");
    }
    if (!x11_.hasXTest()) {
        return L("Strežnik X nima razširitve XTEST, zato ukaza za lepljenje ni mogoče poslati.");
    }
    if (waylandSession()) {
        return L("V seji Wayland lepljenje deluje samo v aplikacijah, ki tečejo prek XWayland.");
    }
    return {};
}

std::optional<DesktopApplication> LinuxDesktop::frontmostApplication() {
    return x11_.activeApplication();
}

int LinuxDesktop::ownProcessId() {
    return static_cast<int>(::getpid());
}

bool LinuxDesktop::isRunning(const DesktopApplication& application) {
    return X11Session::processRunning(application.processId, application.startTime);
}

std::optional<FocusedField> LinuxDesktop::focusedField(const DesktopApplication& application) {
    // Asking this process from its own event loop thread would only run into the time limit.
    if (application.processId == ownProcessId()) {
        return std::nullopt;
    }
    return atspi_.focusedField(application.processId, queryBudget);
}

bool LinuxDesktop::modifiersHeld() {
    return x11_.modifiersHeld();
}

bool LinuxDesktop::preparePasteKeys() {
    return x11_.preparePasteKeys();
}

bool LinuxDesktop::setClipboardText(const std::string& text) {
    if (QGuiApplication::instance() == nullptr) {
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return false;
    }
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                       QClipboard::Clipboard);
    // On X11 setting the text means owning the CLIPBOARD selection; without it nobody gets it.
    return clipboard->ownsClipboard();
}

KeyPostResult LinuxDesktop::postPasteKeys(const DesktopApplication& target) {
    return x11_.postPasteKeys(target.window);
}

bool LinuxDesktop::activate(const DesktopApplication& application) {
    return x11_.activate(application.window);
}

ShortcutResult LinuxDesktop::setGlobalShortcut(const std::string& keys,
                                               std::function<void()> pressed) {
    if (!x11_.connected()) return ShortcutResult::unavailable;
    if (!shortcut_) shortcut_ = std::make_unique<X11Shortcut>();
    return shortcut_->set(keys, std::move(pressed));
}

// Through Qt's own connection: the window was created there, and requests on one connection
// reach the server in order, so the window exists when the properties arrive.
void LinuxDesktop::showOnAllWorkspaces(std::uint64_t window) {
    auto* x11 = qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->display() != nullptr) {
        X11Session::showOnAllDesktops(x11->display(), window);
    }
}

}  // namespace zuna::platform
