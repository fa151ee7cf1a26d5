#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/ClipboardWriter.h"
#include "platform/DesktopShell.h"
#include "platform/KeySender.h"
#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/FieldDescription.h"
#include "platform/atspi/FocusLookup.h"
#include "platform/atspi/KeyWatch.h"
#include "platform/wayland/WaylandSession.h"

namespace zuna::platform {

// The desktop of a Wayland session, where the palette runs on XWayland and no display server
// names another program's window: the target and its field come from the accessibility bus
// alone, the held modifiers from the key events applications report there (and the click's own
// state), and the paste shortcut from the compositor's virtual keyboard (wlroots), KWin's fake
// input (KDE) or the desktop portal's remote-control grant (GNOME, KDE). A QGuiApplication must
// exist.
class WaylandDesktop : public Desktop {
  public:
    // The portal's restore token is kept in `dataDirectory`.
    explicit WaylandDesktop(const std::filesystem::path& dataDirectory);
    ~WaylandDesktop() override;

    // The first way of sending keys that this session offers, or none.
    KeySender* keySender();
    // The compositor gives an X11 window the focus on a click whatever its input hint says
    // (sway 1.7), so the palette must stay out of its window management.
    bool paletteMustBypassWindowManager() const { return session_.hasVirtualKeyboard(); }

    bool accessibilityGranted() override;
    bool keyEventsGranted() override;
    void requestAccessibility() override;
    void requestKeyEvents() override;
    std::string limitation() override;
    std::string modifierLimitation() override;

    std::optional<DesktopApplication> frontmostApplication() override;
    int ownProcessId() override;
    bool isRunning(const DesktopApplication& application) override;
    std::optional<FocusedField> focusedField(const DesktopApplication& application) override;
    bool modifiersHeld() override;
    bool preparePasteKeys(PasteShortcut shortcut) override;
    bool setClipboardText(const std::string& text, bool primaryToo) override;
    KeyPostResult postPasteKeys(const DesktopApplication& target,
                                const std::function<bool()>& fieldUnchanged) override;
    // The palette is an X11 window on XWayland, and the compositor is its window manager.
    void showOnAllWorkspaces(std::uint64_t window) override;
    std::string permissionPromptText(const std::string& status) override;
    std::string helpText() override;

  private:
    AccessibilitySwitch accessibility_;
    FocusLookup focusLookup_;
    WaylandSession session_;
    // Best first; the first one the session offers is used.
    std::vector<std::unique_ptr<KeySender>> keySenders_;
    std::vector<std::unique_ptr<ClipboardWriter>> clipboards_;
    KeyWatch keys_;
    // The shortcut the next keys send, as the target's field asked for it.
    PasteShortcut shortcut_ = PasteShortcut::controlV;
};

}  // namespace zuna::platform
