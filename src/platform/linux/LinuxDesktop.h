#pragma once

#include <chrono>
#include <memory>

#include "linux/AtspiAccess.h"
#include "linux/X11Session.h"
#include "linux/X11Shortcut.h"
#include "paste/DesktopAccess.h"

namespace zuna::platform {

// The desktop of an X11 session: the active window and its process through EWMH, the focused
// field through AT-SPI, the modifier state and the paste shortcut through XTest, and the
// clipboard through Qt (a QGuiApplication must exist; the program keeps serving the clipboard
// from its event loop, so return to it after a delivery).
class LinuxDesktop : public DesktopAccess {
  public:
    // Bound for all accessibility queries of one focused-field lookup.
    static constexpr std::chrono::milliseconds queryBudget{500};

    LinuxDesktop();

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
    bool preparePasteKeys() override;
    bool setClipboardText(const std::string& text) override;
    KeyPostResult postPasteKeys(const DesktopApplication& target) override;

    // Gives the keyboard focus back to an application seen earlier (after a dialog of this
    // program), when its window still exists. False when nothing could be asked.
    bool activate(const DesktopApplication& application) override;

    ShortcutResult setGlobalShortcut(const std::string& keys,
                                     std::function<void()> pressed) override;
    void showOnAllWorkspaces(std::uint64_t window) override;

  private:
    X11Session x11_;
    AtspiAccess atspi_;
    std::unique_ptr<X11Shortcut> shortcut_;
};

}  // namespace zuna::platform
