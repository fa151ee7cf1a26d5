#include "platform/x11/X11Desktop.h"

#include <QString>
#include <algorithm>

#include "core/localization/Localization.h"
#include "platform/linux/HelpText.h"
#include "platform/linux/ProcessIdentity.h"

namespace zuna::platform {
namespace {

struct TerminalKind {
    std::string_view windowClass;
    PasteShortcut shortcut;
    // Its shortcut reads the primary selection rather than the clipboard.
    bool readsPrimary;
};

// Terminals that show nothing on the accessibility bus, by the class (or instance) of their
// window, lower case, with the keys each pastes with by default.
constexpr TerminalKind kTerminals[] = {
    {"xterm", PasteShortcut::shiftInsert, true},
    {"uxterm", PasteShortcut::shiftInsert, true},
    {"urxvt", PasteShortcut::shiftInsert, true},
    {"rxvt", PasteShortcut::shiftInsert, true},
    {"st", PasteShortcut::shiftInsert, true},
    {"st-256color", PasteShortcut::shiftInsert, true},
    {"kitty", PasteShortcut::controlShiftV, false},
    {"alacritty", PasteShortcut::controlShiftV, false},
    {"org.wezfurlong.wezterm", PasteShortcut::controlShiftV, false},
};

// Browsers and applications built on Chromium (Electron, CEF), for when they are not on the bus.
constexpr std::string_view kChromiumClasses[] = {
    "chromium",       "chromium-browser", "google-chrome", "brave-browser",
    "microsoft-edge", "vivaldi-stable",   "code",          "electron",
    "slack",          "discord",          "signal"};

std::string windowIdentity(std::uint64_t window) {
    return "window:" + std::to_string(window);
}

std::string lowerCase(const std::string& name) {
    return QString::fromStdString(name).toLower().toStdString();
}

}  // namespace

// The name the user's rules know an application by: its window's class, lower case.
std::string X11Desktop::applicationOf(const X11Session::WindowClass& windowClass) {
    return lowerCase(windowClass.name.empty() ? windowClass.instance : windowClass.name);
}

X11Desktop::X11Desktop() = default;

FocusedField X11Desktop::windowField(const X11Session::WindowClass& windowClass,
                                     std::uint64_t window) {
    const std::string names[] = {lowerCase(windowClass.name), lowerCase(windowClass.instance)};
    for (const std::string& name : names) {
        for (const TerminalKind& terminal : kTerminals) {
            if (name == terminal.windowClass) {
                FocusedField field;
                field.identity = windowIdentity(window);
                field.role = FieldRole::terminal;
                field.enabled = true;
                field.shortcut = terminal.shortcut;
                field.readsPrimary = terminal.readsPrimary;
                field.application = applicationOf(windowClass);
                return field;
            }
        }
    }
    for (const std::string& name : names) {
        if (std::find(std::begin(kChromiumClasses), std::end(kChromiumClasses), name) !=
            std::end(kChromiumClasses)) {
            FocusedField field = closedField(window);
            field.application = applicationOf(windowClass);
            return field;
        }
    }
    FocusedField field = unseenField(windowIdentity(window), Unseen::offTheBus);
    field.application = applicationOf(windowClass);
    return field;
}

FocusedField X11Desktop::closedField(std::uint64_t window) {
    return platform::closedField(windowIdentity(window));
}

// Without an X server no window, field or key can be reached, whatever the buses say.
bool X11Desktop::accessibilityGranted() {
    return x11_.connected() && accessibility_.enabled();
}

bool X11Desktop::keyEventsGranted() {
    return x11_.connected() && keys_.granted();
}

void X11Desktop::requestAccessibility() {
    accessibility_.enable();
}

void X11Desktop::requestKeyEvents() {
    keys_.request();
}

// Only X11 sessions get this desktop; a Wayland session has one of its own.
std::string X11Desktop::limitation() {
    if (!x11_.connected()) {
        return L("Zaslon X11 ni dosegljiv, zato lepljenje ni mogoče.");
    }
    return keys_.limitation();
}

std::optional<DesktopApplication> X11Desktop::frontmostApplication() {
    return x11_.activeApplication();
}

int X11Desktop::ownProcessId() {
    return platform::ownProcessId();
}

bool X11Desktop::isRunning(const DesktopApplication& application) {
    return processRunning(application.processId, application.startTime);
}

std::optional<FocusedField> X11Desktop::focusedField(const DesktopApplication& application) {
    // Asking this process from its own event loop thread would only run into the time limit.
    if (application.processId == ownProcessId()) {
        return std::nullopt;
    }
    // A window of another machine names a process there, which may be any program here.
    const bool local = x11_.windowIsLocal(application.window);
    FocusLookup::Lookup lookup;
    lookup.outcome = FocusLookup::Lookup::Outcome::absent;
    if (local) lookup = focusLookup_.focusedField(application.processId, FocusLookup::kQueryBudget);
    if (lookup.outcome == FocusLookup::Lookup::Outcome::absent) {
        // A sandboxed application reaches the bus through a proxy of another process id: then
        // the application whose frame is active, if that frame is the active window by title.
        const auto active = focusLookup_.activeApplication(FocusLookup::kQueryBudget);
        if (active && !active->name.empty() && active->name == application.name &&
            active->processId != ownProcessId()) {
            lookup = focusLookup_.focusedField(active->processId, FocusLookup::kQueryBudget);
        }
    }
    using Outcome = FocusLookup::Lookup::Outcome;
    if (lookup.outcome == Outcome::failed) return std::nullopt;
    const X11Session::WindowClass windowClass = x11_.windowClass(application.window);
    if (lookup.outcome == Outcome::absent) return windowField(windowClass, application.window);
    FocusedField field = lookup.outcome == Outcome::closed ? closedField(application.window)
                                                           : std::move(lookup.field);
    // The window's class where it has one, as for the applications off the bus.
    if (auto named = applicationOf(windowClass); !named.empty())
        field.application = std::move(named);
    return field;
}

bool X11Desktop::modifiersHeld() {
    return x11_.modifiersHeld();
}

bool X11Desktop::preparePasteKeys(PasteShortcut shortcut) {
    pasteShortcut_ = shortcut;
    return x11_.connected() && keys_.preparePasteKeys(shortcut);
}

bool X11Desktop::setClipboardText(const std::string& text, bool primaryToo) {
    return clipboard_.setText(text, primaryToo);
}

KeyPostResult X11Desktop::postPasteKeys(const DesktopApplication& target,
                                        const std::function<bool()>& fieldUnchanged) {
    if (!fieldUnchanged() || target.window == 0 || x11_.activeWindow() != target.window)
        return KeyPostResult::targetNotActive;
    return keys_.sendPasteKeys(pasteShortcut_) ? KeyPostResult::posted : KeyPostResult::failed;
}

bool X11Desktop::activate(const DesktopApplication& application) {
    return x11_.activate(application.window);
}

ShortcutResult X11Desktop::setGlobalShortcut(const std::string& keys,
                                             std::function<void()> pressed) {
    if (!x11_.connected()) return ShortcutResult::unavailable;
    if (!shortcut_) shortcut_ = std::make_unique<X11Shortcut>();
    return shortcut_->set(keys, std::move(pressed));
}

void X11Desktop::showOnAllWorkspaces(std::uint64_t window) {
    X11Session::showOwnWindowOnAllDesktops(window);
}

std::string X11Desktop::permissionPromptText(const std::string& status) {
    return L(
        "Zuna Trep potrebuje dve dovoljenji: dostop do polj (dostopnost AT-SPI, da prepozna polje, v katerem pišeš) in ukaz za lepljenje (razširitev XTEST strežnika X, da pošlje Ctrl+V).\n\nDostopnost vključi gumb Odpri nastavitve; enako naredi ukaz gsettings set org.gnome.desktop.interface toolkit-accessibility true. Aplikacije, ki jih Zuna Trep po vklopu ne prepozna, ponovno zaženi. Ukaz za lepljenje omogoča strežnik X sam; seja Wayland ga ne dovoli.\n\n{0}\n\nDovoljenje omogoča pošiljanje Ctrl+V. Besedila ostajajo na tem računalniku.",
        status);
}

std::string X11Desktop::helpText() {
    return linuxHelpText();
}

}  // namespace zuna::platform
