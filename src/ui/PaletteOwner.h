#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "core/model/Records.h"
#include "core/model/SavedState.h"

class QMenu;

namespace zuna {

// What the palette view asks of the application controller. The view holds no data rules: every
// control calls exactly one of these, and the view reads the state only through `state()`.
class PaletteOwner {
  public:
    PaletteOwner() = default;
    PaletteOwner(const PaletteOwner&) = delete;
    PaletteOwner& operator=(const PaletteOwner&) = delete;
    virtual ~PaletteOwner() = default;

    // Header: hide the panel (the tray icon brings it back); quit the program.
    virtual void hidePanel() = 0;
    virtual void quit() = 0;
    // The group button: pop up the group menu.
    virtual void showGroups() = 0;
    // The add button (no id: a new button) and a click on a button without text (its id).
    virtual void edit(const std::optional<std::string>& id) = 0;
    // The gear in the footer: pop up the options menu.
    virtual void showOptions() = 0;
    // The always-on-top switch: flip the setting; the owner sets the switch once it is saved.
    virtual void togglePin() = 0;
    virtual void showPermission() = 0;
    virtual void selectTheme(AppTheme theme) = 0;
    // Asked for each button at render time; the button takes the menu. Null: no menu.
    virtual std::unique_ptr<QMenu> buttonMenu(const std::string& id) = 0;
    // A click on a button with text: deliver it (the owner hands it to the paste engine).
    virtual void paste(const std::string& text, const std::string& name) = 0;
    // The end of a drag inside the list: move the button to the gap before row insertionIndex
    // (0 is before the first button, n after the last).
    virtual void reorder(const std::string& id, std::size_t insertionIndex) = 0;
    // While an alert or the editor runs, clicks on buttons do nothing.
    virtual bool modalOpen() const = 0;
    // The store's current state: the selected group's name and the always-on-top flag.
    virtual const SavedState& state() const = 0;

    // Expires when the owner is destroyed; the view's actions reach the owner only through it.
    std::weak_ptr<const void> lifetime() const { return lifetime_; }

  private:
    std::shared_ptr<const void> lifetime_ = std::make_shared<char>(0);
};

// A weak reference to an owner: null once the owner is gone.
class OwnerRef {
  public:
    explicit OwnerRef(PaletteOwner& owner) : owner_(&owner), alive_(owner.lifetime()) {}
    PaletteOwner* get() const { return alive_.expired() ? nullptr : owner_; }

  private:
    PaletteOwner* owner_;
    std::weak_ptr<const void> alive_;
};

}  // namespace zuna
