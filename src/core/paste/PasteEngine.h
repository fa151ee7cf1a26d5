#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/ApplicationRule.h"
#include "core/paste/DesktopAccess.h"
#include "core/paste/Scheduler.h"

namespace zuna {

// Applications whose keys are known although their fields cannot be checked; the user's own rule
// for the same application takes the place of its row. One row per application.
struct BuiltInRule {
    std::string_view application;
    PasteShortcut keys;
};
inline constexpr BuiltInRule kBuiltInRules[] = {
    {"emacs", PasteShortcut::controlY},
};

// Delivers a snippet's text into the focused text field of the application the user works in:
// checks the field, waits until no modifier key is held, checks the field again, puts the text
// on the clipboard and sends the paste shortcut. Every outcome is one message through onStatus;
// a missing grant goes to onPermissionNeeded instead. One delivery at a time.
class PasteEngine {
  public:
    using StatusCallback = std::function<void(const std::string& message, bool isError)>;
    using PermissionCallback = std::function<void()>;

    static constexpr std::chrono::milliseconds kRecheckInterval{40};
    // Re-checks after the first one before giving up on held modifiers.
    static constexpr int kMaxRechecks = 20;

    // Both must outlive the engine. A re-check the scheduler runs after the engine is gone does
    // nothing.
    PasteEngine(DesktopAccess& desktop, Scheduler& scheduler);
    ~PasteEngine();
    PasteEngine(const PasteEngine&) = delete;
    PasteEngine& operator=(const PasteEngine&) = delete;

    // Starts a delivery; the outcome may be reported before this returns or up to
    // kMaxRechecks * kRecheckInterval later. Dropped silently while another delivery runs.
    void paste(const std::string& text, const std::string& name);

    // True while a delivery waits for modifier keys or is being carried out.
    bool busy() const { return busy_; }

    // The two grants, asked afresh from the desktop on every call.
    bool permitted() const;
    // One sentence naming the state of each grant (and, where the session rules them out, why).
    std::string permissionStatus() const;
    // Asks for both grants, always both and in this order; returns at once.
    void requestPermission();

    StatusCallback onStatus;
    PermissionCallback onPermissionNeeded;
    // Deliver also into applications whose field cannot be checked (no password field can be
    // recognised there). Off unless the user chose it.
    bool pasteUnchecked = false;
    // The user's rules: in these applications the field is not checked, only refused when it is
    // known to be a password field or disabled, and the rule's keys paste. Before kBuiltInRules.
    std::vector<ApplicationRule> applicationRules;

    // The keys a rule gives that application (the user's, else a built-in one), or none.
    std::optional<PasteShortcut> ruleKeys(std::string_view application) const;
    // The application to offer a rule for: the last one, known by name, where a field could not
    // be checked or was no text element, or that a delivery went to. Empty until then.
    const std::string& ruleOffer() const { return ruleOffer_; }

  private:
    struct Delivery {
        DesktopApplication target;
        std::string fieldIdentity;
        std::string text;
        std::string name;
        PasteShortcut shortcut = PasteShortcut::controlV;
        bool readsPrimary = false;
        std::string application;
    };

    void waitForModifiers(int attempt, std::shared_ptr<Delivery> delivery);
    void deliver(const Delivery& delivery);
    bool targetUnchanged(const Delivery& delivery);
    // The element seen at the click still has the focus and is no password field.
    bool fieldUnchanged(const Delivery& delivery);
    void permissionNeeded();
    void finish(const std::string& message, bool isError);
    void report(const std::string& message, bool isError);

    DesktopAccess& desktop_;
    Scheduler& scheduler_;
    bool busy_ = false;
    std::string ruleOffer_;
    // Scheduled re-checks hold this weakly: once the engine is gone they find it expired.
    std::shared_ptr<PasteEngine*> self_;
};

}  // namespace zuna
