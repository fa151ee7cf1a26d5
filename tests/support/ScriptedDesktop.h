#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/paste/DesktopAccess.h"
#include "core/paste/Scheduler.h"

namespace zuna::test {

// A clock moved by hand: scheduled work runs only inside advance(), in the order it falls due.
class ManualScheduler : public Scheduler {
  public:
    void schedule(std::chrono::milliseconds delay, std::function<void()> work) override {
        pending_.emplace(std::make_tuple(now_ + delay.count(), sequence_++), std::move(work));
    }

    void advance(long milliseconds) {
        const long end = now_ + milliseconds;
        while (!pending_.empty() && std::get<0>(pending_.begin()->first) <= end) {
            auto item = pending_.extract(pending_.begin());
            now_ = std::get<0>(item.key());
            item.mapped()();
        }
        now_ = end;
    }

    long now() const { return now_; }
    std::size_t pendingCount() const { return pending_.size(); }

  private:
    long now_ = 0;
    long sequence_ = 0;
    std::map<std::tuple<long, long>, std::function<void()>> pending_;
};

// An enabled text field that text can be typed into.
inline FocusedField textField(std::string identity) {
    FocusedField field;
    field.identity = std::move(identity);
    field.role = FieldRole::textField;
    field.enabled = true;
    field.selectedTextSettable = true;
    return field;
}

// A desktop whose answers the test sets, and which writes down every question it is asked.
class ScriptedDesktop : public DesktopAccess {
  public:
    explicit ScriptedDesktop(const ManualScheduler& clock) : clock_(clock) {}

    bool accessibility = true;
    bool keyEvents = true;
    std::string why;
    std::string modifierWhy;
    std::optional<DesktopApplication> frontmost = DesktopApplication{4242, "Urejevalnik", 7, 99};
    int ownPid = 1000;
    bool running = true;
    std::optional<FocusedField> field = textField(":1.5/org/a11y/atspi/accessible/12");
    // Held from the click until this many milliseconds later (-1: not at all).
    long modifiersUntil = -1;
    bool canPrepare = true;
    bool clipboardWorks = true;
    KeyPostResult postResult = KeyPostResult::posted;
    // Runs when the clipboard is written, between the last checks and the keys.
    std::function<void()> onClipboard;
    // Runs when the modifier state is read for the n-th time (counted from 1).
    std::map<int, std::function<void()>> onModifierCheck;

    std::optional<std::string> clipboard;
    std::optional<std::string> primary;
    std::optional<PasteShortcut> shortcut;
    std::vector<std::string> calls;
    std::vector<long> modifierChecks;
    int posts = 0;

    bool accessibilityGranted() override { return log("accessibility"), accessibility; }
    bool keyEventsGranted() override { return log("keyEvents"), keyEvents; }
    void requestAccessibility() override { log("requestAccessibility"); }
    void requestKeyEvents() override { log("requestKeyEvents"); }
    std::string limitation() override { return why; }
    std::string modifierLimitation() override { return modifierWhy; }
    std::optional<DesktopApplication> frontmostApplication() override {
        return log("frontmost"), frontmost;
    }
    int ownProcessId() override { return ownPid; }
    bool isRunning(const DesktopApplication&) override { return log("running"), running; }
    std::optional<FocusedField> focusedField(const DesktopApplication&) override {
        return log("field"), field;
    }
    bool modifiersHeld() override {
        log("modifiers");
        modifierChecks.push_back(clock_.now());
        if (auto hook = onModifierCheck.find(static_cast<int>(modifierChecks.size()));
            hook != onModifierCheck.end()) {
            hook->second();
        }
        return modifiersUntil >= 0 && clock_.now() < modifiersUntil;
    }
    bool preparePasteKeys(PasteShortcut keys) override {
        shortcut = keys;
        return log("prepare"), canPrepare;
    }
    bool setClipboardText(const std::string& text, bool primaryToo) override {
        log("clipboard");
        if (onClipboard) onClipboard();
        if (clipboardWorks) {
            clipboard = text;
            if (primaryToo) primary = text;
        }
        return clipboardWorks;
    }
    KeyPostResult postPasteKeys(const DesktopApplication&,
                                const std::function<bool()>& fieldUnchanged) override {
        if (!fieldUnchanged()) return KeyPostResult::targetNotActive;
        log("post");
        ++posts;
        return postResult;
    }

  private:
    void log(const std::string& call) { calls.push_back(call); }
    const ManualScheduler& clock_;
};

}  // namespace zuna::test
