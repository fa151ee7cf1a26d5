#include "platform/wayland/WaylandDesktop.h"

#include <QGuiApplication>

#include "core/localization/Localization.h"
#include "platform/linux/HelpText.h"
#include "platform/linux/ProcessIdentity.h"
#include "platform/wayland/BridgedClipboard.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/FakeInputKeys.h"
#include "platform/wayland/RemoteDesktopPortal.h"
#include "platform/wayland/VirtualKeyboardKeys.h"
#include "platform/x11/X11Session.h"

namespace zuna::platform {

// The ways of this session, best first: the compositor's own keyboard needs no grant, and its
// data control reaches Wayland clients without the bridge. A new way is one line here.
WaylandDesktop::WaylandDesktop(const std::filesystem::path& dataDirectory) {
    keySenders_.push_back(std::make_unique<VirtualKeyboardKeys>(session_));
    keySenders_.push_back(std::make_unique<FakeInputKeys>(session_));
    keySenders_.push_back(
        std::make_unique<RemoteDesktopPortal>(dataDirectory / "remote-desktop.token"));
    clipboards_.push_back(std::make_unique<DataControlClipboard>(session_));
    clipboards_.push_back(std::make_unique<BridgedClipboard>());
}

WaylandDesktop::~WaylandDesktop() = default;

namespace {

// The first of the ways, best first, that this session offers.
template <typename Way>
Way* firstAvailable(const std::vector<std::unique_ptr<Way>>& ways) {
    for (const auto& way : ways)
        if (way->available()) return way.get();
    return nullptr;
}

}  // namespace

KeySender* WaylandDesktop::keySender() {
    return firstAvailable(keySenders_);
}

bool WaylandDesktop::accessibilityGranted() {
    return accessibility_.enabled();
}

bool WaylandDesktop::keyEventsGranted() {
    KeySender* keys = keySender();
    return keys != nullptr && keys->granted();
}

void WaylandDesktop::requestAccessibility() {
    accessibility_.enable();
}

void WaylandDesktop::requestKeyEvents() {
    if (KeySender* keys = keySender()) keys->request();
}

std::string WaylandDesktop::limitation() {
    if (KeySender* keys = keySender()) return keys->limitation();
    return L(
        "Ta seja Wayland ne ponuja ne portala za oddaljeno upravljanje ne navidezne tipkovnice, zato ukaza za lepljenje ni mogoče poslati.");
}

std::string WaylandDesktop::modifierLimitation() {
    return L(
        "V seji Wayland Zuna Trep vidi držane tipke le v aplikacijah, ki jih sporočajo dostopnosti (GTK 3, Qt); drugod jih ne vidi, zato ob kliku ne drži nobene.");
}

std::optional<DesktopApplication> WaylandDesktop::frontmostApplication() {
    auto application = focusLookup_.activeApplication(FocusLookup::kQueryBudget);
    if (application) application->startTime = processStartTime(application->processId);
    return application;
}

int WaylandDesktop::ownProcessId() {
    return platform::ownProcessId();
}

bool WaylandDesktop::isRunning(const DesktopApplication& application) {
    return processRunning(application.processId, application.startTime);
}

std::optional<FocusedField> WaylandDesktop::focusedField(const DesktopApplication& application) {
    if (application.processId == ownProcessId()) return std::nullopt;
    FocusLookup::Lookup lookup =
        focusLookup_.focusedField(application.processId, FocusLookup::kQueryBudget);
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
    constexpr Qt::KeyboardModifiers kCounted =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    const bool atClick = QGuiApplication::instance() != nullptr &&
                         (QGuiApplication::keyboardModifiers() & kCounted) != 0;
    return atClick || keys_.modifiersHeld();
}

bool WaylandDesktop::preparePasteKeys(PasteShortcut shortcut) {
    shortcut_ = shortcut;
    KeySender* keys = keySender();
    return keys != nullptr && keys->preparePasteKeys(shortcut);
}

bool WaylandDesktop::setClipboardText(const std::string& text, bool primaryToo) {
    ClipboardWriter* clipboard = firstAvailable(clipboards_);
    return clipboard != nullptr && clipboard->setText(text, primaryToo);
}

KeyPostResult WaylandDesktop::postPasteKeys(const DesktopApplication& target,
                                            const std::function<bool()>& fieldUnchanged) {
    // After the wait for the clipboard bridge: the process alone says nothing of the field.
    const auto now = frontmostApplication();
    if (!now || now->processId != target.processId || !fieldUnchanged())
        return KeyPostResult::targetNotActive;
    KeySender* keys = keySender();
    const bool sent = keys != nullptr && keys->sendPasteKeys(shortcut_);
    return sent ? KeyPostResult::posted : KeyPostResult::failed;
}

void WaylandDesktop::showOnAllWorkspaces(std::uint64_t window) {
    X11Session::showOwnWindowOnAllDesktops(window);
}

std::string WaylandDesktop::permissionPromptText(const std::string& status) {
    return L(
        "V seji Wayland Zuna Trep potrebuje dve dovoljenji: dostop do polj (dostopnost AT-SPI, da prepozna aplikacijo in polje, v katerem pišeš) in ukaz za lepljenje. Ukaz pošlje navidezna tipkovnica sestavljalnika (sway in druga namizja wlroots, brez vprašanja) ali dovoljenje namizja za oddaljeno upravljanje (GNOME, KDE Plasma).\n\nOdpri nastavitve vključi dostopnost in odpre vprašanje namizja, v katerem dovoliš oddaljeno upravljanje. Novejša namizja si odgovor zapomnijo, starejša (xdg-desktop-portal pred 1.18, kot v Debianu 12) vprašajo ob vsakem zagonu programa. Aplikacije, ki jih Zuna Trep po vklopu dostopnosti ne prepozna, ponovno zaženi.\n\n{0}\n\nDovoljenje omogoča pošiljanje Ctrl+V. Besedila ostajajo na tem računalniku.",
        status);
}

std::string WaylandDesktop::helpText() {
    return linuxHelpText();
}

}  // namespace zuna::platform
