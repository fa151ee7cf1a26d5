#include "platform/wayland/WaylandDesktop.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QGuiApplication>

#include "platform/SnippetClipboard.h"
#include "platform/x11/X11Session.h"
#include "core/localization/Localization.h"

namespace zuna::platform {

WaylandDesktop::WaylandDesktop(const std::filesystem::path& dataDirectory)
    : portal_(dataDirectory / "remote-desktop.token") {}

WaylandDesktop::~WaylandDesktop() {
    if (selectionRequests_.installed && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(&selectionRequests_);
}

bool WaylandDesktop::SelectionRequests::nativeEventFilter(const QByteArray& type, void* message,
                                                          qintptr*) {
    if (type == "xcb_generic_event_t" &&
        (static_cast<xcb_generic_event_t*>(message)->response_type & 0x7f) == XCB_SELECTION_REQUEST)
        ++count;
    return false;
}

// The compositor's own keyboard needs no grant, so it comes first where there is one.
WaylandDesktop::KeyPath WaylandDesktop::keyPath() {
    if (session_.hasVirtualKeyboard()) return KeyPath::virtualKeyboard;
    if (portal_.available()) return KeyPath::portal;
    return KeyPath::none;
}

bool WaylandDesktop::accessibilityGranted() {
    return accessibility_.enabled();
}

bool WaylandDesktop::keyEventsGranted() {
    switch (keyPath()) {
        case KeyPath::virtualKeyboard:
            return true;
        case KeyPath::portal:
            return portal_.granted();
        case KeyPath::none:
            return false;
    }
    return false;
}

void WaylandDesktop::requestAccessibility() {
    accessibility_.enable();
}

void WaylandDesktop::requestKeyEvents() {
    if (keyPath() == KeyPath::portal) portal_.request();
}

std::string WaylandDesktop::limitation() {
    switch (keyPath()) {
        case KeyPath::virtualKeyboard:
            return {};
        case KeyPath::portal:
            if (portal_.granted()) return {};
            if (portal_.state() == RemoteDesktopPortal::State::asking)
                return L("Namizje čaka na tvoj odgovor v oknu za oddaljeno upravljanje.");
            if (portal_.timedOut())
                return L(
                    "Namizje ni odgovorilo na vprašanje za oddaljeno upravljanje. Poskusi znova z gumbom Odpri nastavitve.");
            return L(
                "Ukaz za lepljenje potrebuje dovoljenje namizja za oddaljeno upravljanje; vprašanje odpre gumb Odpri nastavitve.");
        case KeyPath::none:
            break;
    }
    return L(
        "Ta seja Wayland ne ponuja ne portala za oddaljeno upravljanje ne navidezne tipkovnice, zato ukaza za lepljenje ni mogoče poslati.");
}

std::string WaylandDesktop::modifierLimitation() {
    return L(
        "V seji Wayland Zuna Trep vidi držane tipke le v aplikacijah, ki jih sporočajo dostopnosti (GTK 3, Qt); drugod jih ne vidi, zato ob kliku ne drži nobene.");
}

std::optional<DesktopApplication> WaylandDesktop::frontmostApplication() {
    auto application = focusLookup_.activeApplication(queryBudget);
    if (application) application->startTime = X11Session::processStartTime(application->processId);
    return application;
}

int WaylandDesktop::ownProcessId() {
    return static_cast<int>(::getpid());
}

bool WaylandDesktop::isRunning(const DesktopApplication& application) {
    return X11Session::processRunning(application.processId, application.startTime);
}

std::optional<FocusedField> WaylandDesktop::focusedField(const DesktopApplication& application) {
    if (application.processId == ownProcessId()) return std::nullopt;
    FocusLookup::Lookup lookup = focusLookup_.focusedField(application.processId, queryBudget);
    switch (lookup.outcome) {
        case FocusLookup::Lookup::Outcome::found:
            return std::move(lookup.field);
        case FocusLookup::Lookup::Outcome::closed:
            return closedField("application:" + std::to_string(application.processId));
        case FocusLookup::Lookup::Outcome::absent:
        case FocusLookup::Lookup::Outcome::failed:
            break;
    }
    // No window tells a terminal or a browser apart here: what is not on the bus is unknown.
    return std::nullopt;
}

// The click's own modifier state is all the palette's X11 connection can tell; the key events
// that the application in front reports say when a key is held or let go.
bool WaylandDesktop::modifiersHeld() {
    constexpr Qt::KeyboardModifiers counted =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const bool atClick = QGuiApplication::instance() != nullptr &&
                         (QGuiApplication::keyboardModifiers() & counted) != 0;
    return atClick || keys_.modifiersHeld();
}

bool WaylandDesktop::preparePasteKeys(PasteShortcut shortcut) {
    shortcut_ = shortcut;
    return keyPath() != KeyPath::none && keyEventsGranted();
}

// Only applications found on the accessibility bus are targets here, and none of those pastes
// from the primary selection, so the clipboard is all there is to set.
bool WaylandDesktop::setClipboardText(const std::string& text, bool /*primaryToo*/) {
    // wlroots hands an X11 client's clipboard to Wayland clients only while it has the focus,
    // which the palette never has; its data-control protocol sets the seat's clipboard directly.
    if (session_.hasDataControl()) return session_.setClipboardText(text);
    if (QGuiApplication::instance() == nullptr) return false;
    if (!selectionRequests_.installed) {
        QCoreApplication::instance()->installNativeEventFilter(&selectionRequests_);
        selectionRequests_.installed = true;
    }
    const int before = selectionRequests_.count;
    if (!putSnippetOnClipboard(text, false)) return false;
    // mutter hands the X11 clipboard to Wayland clients only once it has asked this program for
    // its formats, which is answered from the event loop. Keys sent before that paste the
    // previous text (measured: 10 of 60 deliveries, at a click every 80 ms). So the loop runs
    // here until the compositor has asked, without user input, for a quarter second at most.
    QDeadlineTimer deadline(bridgeWait);
    while (selectionRequests_.count == before && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
}

KeyPostResult WaylandDesktop::postPasteKeys(const DesktopApplication& target,
                                            const std::function<bool()>& fieldUnchanged) {
    // After the wait for the clipboard bridge: the process alone says nothing of the field.
    const auto now = frontmostApplication();
    if (!now || now->processId != target.processId || !fieldUnchanged())
        return KeyPostResult::targetNotActive;
    bool sent = false;
    switch (keyPath()) {
        case KeyPath::virtualKeyboard:
            sent = session_.sendPasteKeys(shortcut_);
            break;
        case KeyPath::portal:
            sent = portal_.sendPasteKeys(shortcut_);
            break;
        case KeyPath::none:
            break;
    }
    return sent ? KeyPostResult::posted : KeyPostResult::failed;
}

void WaylandDesktop::showOnAllWorkspaces(std::uint64_t window) {
    X11Session::showOwnWindowOnAllDesktops(window);
}

}  // namespace zuna::platform
