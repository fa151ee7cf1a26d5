#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/paste/DesktopAccess.h"

namespace zuna {

enum class ShortcutResult {
    active,
    // Another program holds these keys already.
    taken,
    // This desktop offers no global shortcuts, or the keys name no key of the keyboard.
    unavailable,
};

// What the controller needs of the desktop beside the paste: its windows' place among the
// others, the global shortcut, and the texts that depend on the desktop.
class DesktopShell {
  public:
    virtual ~DesktopShell() = default;

    // Gives the keyboard focus back to an application seen earlier (after one of the program's
    // dialogs), when its window still exists. False when nothing could be asked.
    virtual bool activate(const DesktopApplication&) { return false; }

    // Makes `keys` a shortcut of the whole desktop that calls `pressed` whichever application
    // has the focus, in place of any earlier one; empty `keys` ends it. Keys are modifiers
    // (Ctrl, Alt, Shift, Super) and one key name, joined by "+": "Ctrl+Alt+Z".
    virtual ShortcutResult setGlobalShortcut(const std::string&, std::function<void()>) {
        return ShortcutResult::unavailable;
    }
    // Shows one of the program's own windows on every workspace; called before each showing.
    virtual void showOnAllWorkspaces(std::uint64_t) {}

    // The body of the permission prompt, already localized; `status` is the engine's
    // permission status sentence.
    virtual std::string permissionPromptText(const std::string& status) = 0;
    // The help text of the options menu, already localized.
    virtual std::string helpText() = 0;
};

namespace platform {

// A desktop as the program uses it: the paste engine's calls and the controller's.
class Desktop : public DesktopAccess, public DesktopShell {};

}  // namespace platform
}  // namespace zuna
