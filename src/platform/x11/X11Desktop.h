#pragma once

#include <chrono>
#include <memory>

#include "platform/DesktopShell.h"
#include "platform/QtClipboard.h"
#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/FieldDescription.h"
#include "platform/atspi/FocusLookup.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/X11Shortcut.h"
#include "platform/x11/XTestKeys.h"

namespace zuna::platform {

// The desktop of an X11 session: the active window and its process through EWMH, the focused
// field through AT-SPI, the modifier state from the X server, the paste shortcut through XTest,
// and the clipboard through Qt (a QGuiApplication must exist; the program keeps serving the
// clipboard from its event loop, so return to it after a delivery).
class X11Desktop : public Desktop {
  public:
    X11Desktop();

    bool accessibilityGranted() override;
    bool keyEventsGranted() override;
    void requestAccessibility() override;
    void requestKeyEvents() override;
    std::string limitation() override;

    std::optional<DesktopApplication> frontmostApplication() override;
    int ownProcessId() override;
    bool isRunning(const DesktopApplication& application) override;
    std::optional<FocusedField> focusedField(const DesktopApplication& application) override;
    bool modifiersHeld() override;
    bool preparePasteKeys(PasteShortcut shortcut) override;
    bool setClipboardText(const std::string& text, bool primaryToo) override;
    KeyPostResult postPasteKeys(const DesktopApplication& target,
                                const std::function<bool()>& fieldUnchanged) override;

    // Gives the keyboard focus back to an application seen earlier (after a dialog of this
    // program), when its window still exists. False when nothing could be asked.
    bool activate(const DesktopApplication& application) override;

    ShortcutResult setGlobalShortcut(const std::string& keys,
                                     std::function<void()> pressed) override;
    void showOnAllWorkspaces(std::uint64_t window) override;
    std::string permissionPromptText(const std::string& status) override;
    std::string helpText() override;
    // What is known of an application that is not on the accessibility bus, by its window's
    // class: a terminal of a known kind (which pastes with its own keys), or a field that cannot
    // be checked, with a hint where the application is one that can show its fields.
    static FocusedField windowField(const X11Session::WindowClass& windowClass,
                                    std::uint64_t window);
    // The same for an application whose tree stays closed (Chromium and what is built on it).
    static FocusedField closedField(std::uint64_t window);
    static std::string applicationOf(const X11Session::WindowClass& windowClass);

  private:
    X11Session x11_;
    XTestKeys keys_{x11_};
    QtClipboard clipboard_;
    PasteShortcut pasteShortcut_ = PasteShortcut::controlV;
    AccessibilitySwitch accessibility_;
    FocusLookup focusLookup_;
    std::unique_ptr<X11Shortcut> shortcut_;
};

}  // namespace zuna::platform
