#include "core/paste/PasteEngine.h"

#include "core/localization/Localization.h"

namespace zuna {

PasteEngine::PasteEngine(DesktopAccess& desktop, Scheduler& scheduler)
    : desktop_(desktop), scheduler_(scheduler), self_(std::make_shared<PasteEngine*>(this)) {}

PasteEngine::~PasteEngine() = default;

bool PasteEngine::permitted() const {
    // Without the first grant the second is not asked.
    return desktop_.accessibilityGranted() && desktop_.keyEventsGranted();
}

std::string PasteEngine::permissionStatus() const {
    auto word = [](bool granted) { return granted ? L("odobren") : L("ni odobren"); };
    const bool fields = desktop_.accessibilityGranted();
    const bool keys = desktop_.keyEventsGranted();
    std::string status =
        L("Dostop do polj: {0}. Ukaz za lepljenje: {1}.", word(fields), word(keys));
    if (std::string why = desktop_.limitation(); !why.empty()) {
        status += " " + why;
    }
    return status;
}

void PasteEngine::requestPermission() {
    desktop_.requestAccessibility();
    desktop_.requestKeyEvents();
}

void PasteEngine::paste(const std::string& text, const std::string& name) {
    if (busy_) {
        return;
    }
    if (!permitted()) {
        permissionNeeded();
        return;
    }
    const std::optional<DesktopApplication> target = desktop_.frontmostApplication();
    if (!target || target->processId == desktop_.ownProcessId() || !desktop_.isRunning(*target)) {
        report(L("Najprej klikni v polje druge aplikacije."), true);
        return;
    }
    const std::optional<FocusedField> field = desktop_.focusedField(*target);
    const std::string unrecognised =
        L("Polja ni mogoče prepoznati. Klikni v besedilno polje in poskusi znova.");
    if (!field) {
        report(unrecognised, true);
        return;
    }
    // Refused where a rule of the user's could help: offered for this application in the
    // options, and the user told where.
    const auto refuseUnruled = [&](const std::string& message) {
        if (field->application.empty()) {
            report(message, true);
            return;
        }
        ruleOffer_ = field->application;
        report(message + " " + L("Pod zobnikom lahko dodaš pravilo za {0}.", ruleOffer_), true);
    };
    const std::optional<PasteShortcut> ruled = ruleKeys(field->application);
    if (!field->checkable) {
        // Nothing about the field is known, so only the user's choice lets the text go there.
        if (!pasteUnchecked && !ruled) {
            refuseUnruled(field->hint.empty() ? unrecognised : field->hint);
            return;
        }
    } else {
        const bool textRole = field->role != FieldRole::other;
        if (field->enabled == false) {
            report(L("Izberi polje za besedilo, nato klikni gumb."), true);
            return;
        }
        if (!textRole && !field->selectedTextSettable && !ruled) {
            refuseUnruled(L("Izberi polje za besedilo, nato klikni gumb."));
            return;
        }
        // No rule opens a field the desktop can see is a password field.
        if (field->secure) {
            report(L("Zaščiteno polje ne dovoljuje tega načina lepljenja."), true);
            return;
        }
    }
    auto delivery = std::make_shared<Delivery>(Delivery{.target = *target,
                                                        .fieldIdentity = field->identity,
                                                        .text = text,
                                                        .name = name,
                                                        .application = field->application});
    delivery->shortcut = ruled.value_or(field->shortcut);
    // The field's own keys keep what the desktop knows of them; of the others only Shift+Insert
    // reads the primary selection, in the terminals and X11 programs that have one.
    delivery->readsPrimary = delivery->shortcut == field->shortcut
                                 ? field->readsPrimary
                                 : delivery->shortcut == PasteShortcut::shiftInsert;
    busy_ = true;
    waitForModifiers(0, std::move(delivery));
}

std::optional<PasteShortcut> PasteEngine::ruleKeys(std::string_view application) const {
    if (application.empty()) return std::nullopt;
    if (const ApplicationRule* rule = ruleFor(applicationRules, application)) return rule->keys;
    for (const BuiltInRule& rule : kBuiltInRules) {
        if (rule.application == application) return rule.keys;
    }
    return std::nullopt;
}

void PasteEngine::waitForModifiers(int attempt, std::shared_ptr<Delivery> delivery) {
    if (desktop_.modifiersHeld()) {
        if (attempt >= kMaxRechecks) {
            std::string message = L("Spusti tipke Super, Ctrl, Alt in Shift ter poskusi znova.");
            if (std::string why = desktop_.modifierLimitation(); !why.empty()) {
                message += " " + why;
            }
            finish(message, true);
            return;
        }
        std::weak_ptr<PasteEngine*> engine = self_;
        scheduler_.schedule(kRecheckInterval, [engine, attempt, delivery = std::move(delivery)] {
            if (auto alive = engine.lock()) {
                (*alive)->waitForModifiers(attempt + 1, delivery);
            }
        });
        return;
    }
    deliver(*delivery);
}

void PasteEngine::deliver(const Delivery& delivery) {
    if (!targetUnchanged(delivery)) {
        finish(L("Ciljno polje se je spremenilo. Klikni ga in poskusi znova."), true);
        return;
    }
    if (!permitted()) {
        busy_ = false;
        permissionNeeded();
        return;
    }
    // The clipboard is written only once the key events are known to be possible.
    if (!desktop_.preparePasteKeys(delivery.shortcut)) {
        finish(L("Sistem trenutno ne more poslati ukaza za lepljenje."), true);
        return;
    }
    if (!desktop_.setClipboardText(delivery.text, delivery.readsPrimary)) {
        finish(L("Odložišče ni na voljo. Poskusi znova."), true);
        return;
    }
    switch (desktop_.postPasteKeys(delivery.target, [&] { return fieldUnchanged(delivery); })) {
        case KeyPostResult::posted:
            break;
        case KeyPostResult::targetNotActive:
            finish(L("Ciljno polje se je spremenilo. Klikni ga in poskusi znova."), true);
            return;
        case KeyPostResult::failed:
            finish(L("Sistem trenutno ne more poslati ukaza za lepljenje."), true);
            return;
    }
    // Keys that reached the application but did not paste there are fixed by a rule for it.
    if (!delivery.application.empty()) ruleOffer_ = delivery.application;
    const std::string application =
        delivery.target.name.empty() ? L("izbrano aplikacijo") : delivery.target.name;
    finish(L("✓ Poslano v {0} · {1}", application, delivery.name), false);
}

bool PasteEngine::targetUnchanged(const Delivery& delivery) {
    const std::optional<DesktopApplication> now = desktop_.frontmostApplication();
    // The window too, so that a change of window is caught before the clipboard is touched and
    // not only by the last check before the keys.
    if (!now || now->processId != delivery.target.processId ||
        now->window != delivery.target.window || !desktop_.isRunning(delivery.target)) {
        return false;
    }
    return fieldUnchanged(delivery);
}

bool PasteEngine::fieldUnchanged(const Delivery& delivery) {
    // Described anew: the same element may have become a password field since the click.
    const std::optional<FocusedField> field = desktop_.focusedField(delivery.target);
    return field && field->identity == delivery.fieldIdentity &&
           !(field->checkable && field->secure);
}

void PasteEngine::permissionNeeded() {
    if (onPermissionNeeded) {
        onPermissionNeeded();
    }
}

// Ends the running delivery. busy is cleared before the message goes out, so a callback that
// starts the next delivery is not dropped.
void PasteEngine::finish(const std::string& message, bool isError) {
    busy_ = false;
    report(message, isError);
}

void PasteEngine::report(const std::string& message, bool isError) {
    if (onStatus) {
        onStatus(message, isError);
    }
}

}  // namespace zuna
