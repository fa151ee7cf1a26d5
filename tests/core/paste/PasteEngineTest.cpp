#include <gtest/gtest.h>

#include <memory>

#include "ScriptedDesktop.h"
#include "core/paste/PasteEngine.h"

namespace zuna {
namespace {

using test::ManualScheduler;
using test::ScriptedDesktop;
using Calls = std::vector<std::string>;

struct Report {
    std::string message;
    bool isError;
    bool operator==(const Report&) const = default;
};

const Report changed{"Ciljno polje se je spremenilo. Klikni ga in poskusi znova.", true};
const Report cannotSend{"Sistem trenutno ne more poslati ukaza za lepljenje.", true};
const Report notText{"Izberi polje za besedilo, nato klikni gumb.", true};
const Report secure{"Zaščiteno polje ne dovoljuje tega načina lepljenja.", true};
const Report noField{"Polja ni mogoče prepoznati. Klikni v besedilno polje in poskusi znova.",
                     true};

// The engine on a scripted desktop whose clipboard holds "earlier", with every report written down.
struct Rig {
    Rig() {
        desktop.clipboard = "earlier";
        engine->onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError});
            busyWhileReporting = engine->busy();
        };
        engine->onPermissionNeeded = [this] { ++prompts; };
    }
    // The one report since the last call.
    Report only() {
        EXPECT_EQ(reports.size(), 1u);
        const Report last = reports.empty() ? Report{} : reports.back();
        reports.clear();
        return last;
    }
    void expectNothingSent() {
        EXPECT_EQ(desktop.clipboard, "earlier");
        EXPECT_EQ(desktop.posts, 0);
        EXPECT_FALSE(engine->busy());
    }

    ManualScheduler clock;
    ScriptedDesktop desktop{clock};
    std::unique_ptr<PasteEngine> engine = std::make_unique<PasteEngine>(desktop, clock);
    std::vector<Report> reports;
    int prompts = 0;
    bool busyWhileReporting = true;
};

TEST(PasteEngine, DeliversAfterCheckingEverythingInOrder) {
    Rig r;
    r.engine->paste("Lep pozdrav,\nŽiga", "Pozdrav");
    EXPECT_EQ(r.only(), (Report{"✓ Poslano v Urejevalnik · Pozdrav", false}));
    EXPECT_EQ(r.desktop.clipboard, "Lep pozdrav,\nŽiga");
    EXPECT_EQ(r.desktop.posts, 1);
    // Free again before the report goes out, so that its handler may start the next delivery.
    EXPECT_FALSE(r.busyWhileReporting);
    EXPECT_EQ(r.clock.pendingCount(), 0u);
    EXPECT_EQ(r.desktop.calls, (Calls{"accessibility", "keyEvents", "frontmost", "running", "field",
                                      "modifiers", "frontmost", "running", "field", "accessibility",
                                      "keyEvents", "prepare", "clipboard", "field", "post"}));

    r.desktop.frontmost->name.clear();
    r.engine->paste("x", "Podpis");
    EXPECT_EQ(r.only(), (Report{"✓ Poslano v izbrano aplikacijo · Podpis", false}));
}

TEST(PasteEngine, MissingGrantsAreNamedAndRequestedTogether) {
    Rig r;
    EXPECT_TRUE(r.engine->permitted());
    r.desktop.accessibility = false;
    r.desktop.why = "Seja ne omogoča.";
    // The status names the second grant truthfully even when the first is missing.
    EXPECT_EQ(r.engine->permissionStatus(),
              "Dostop do polj: ni odobren. Ukaz za lepljenje: odobren. Seja ne omogoča.");
    // Both requests go out every time, in this order, whatever is granted already.
    r.desktop.calls.clear();
    r.engine->requestPermission();
    EXPECT_EQ(r.desktop.calls, (Calls{"requestAccessibility", "requestKeyEvents"}));
    r.desktop.calls.clear();
    r.engine->paste("x", "n");
    // The second grant is not even asked when the first is missing.
    EXPECT_EQ(r.desktop.calls, (Calls{"accessibility"}));
}

// Every way a delivery can end without the text arriving: refused before the wait for the
// modifiers, changed during it, or failed at the clipboard or the keys. Each is reported (a
// missing grant by asking for it instead), and the clipboard is written only when the keys were
// to follow at once.
TEST(PasteEngine, RefusalsChangesAndFailuresAreReportedAndNothingIsPastedWrongly) {
    const Report otherApp{"Najprej klikni v polje druge aplikacije.", true};
    const Report noClipboard{"Odložišče ni na voljo. Poskusi znova.", true};
    using Arrange = std::function<void(ScriptedDesktop&)>;
    // Happens at the second check of the held modifiers, while the engine waits.
    const auto later = [](Arrange change) -> Arrange {
        return [change](ScriptedDesktop& d) {
            d.modifiersUntil = 60;
            d.onModifierCheck[2] = [&d, change] { change(d); };
        };
    };
    const auto button = [](ScriptedDesktop& d) {
        d.field->role = FieldRole::other, d.field->selectedTextSettable = false;
    };
    // An application that shows no fields, with this hint. What such a field says of itself
    // means nothing: not even "secure" is known. Without the user's choice nothing is sent;
    // with it (`chosen`), still only to the field seen at the click.
    const auto unchecked = [](std::string hint) -> Arrange {
        return [hint](ScriptedDesktop& d) {
            d.field = FocusedField();
            d.field->identity = "window:7";
            d.field->enabled = false;
            d.field->checkable = false;
            d.field->hint = hint;
        };
    };
    // Happens once the clipboard is written, right before the keys.
    const auto last = [](Arrange change) -> Arrange {
        return [change](ScriptedDesktop& d) { d.onClipboard = [&d, change] { change(d); }; };
    };
    // Refused before the wait, stopped after it with nothing sent, stopped at the keys, or sent.
    enum Outcome { before, after, keys, sent };
    struct Case {
        const char* situation;
        Arrange arrange;
        Report report;
        Outcome outcome;
        bool chosen = false;
    };
    const Case cases[] = {
        {"no access to fields", [](auto& d) { d.accessibility = false; }, {}, before},
        {"no key events", [](auto& d) { d.keyEvents = false; }, {}, before},
        {"key events lost", later([](auto& d) { d.keyEvents = false; }), {}, after},
        {"no active application", [](auto& d) { d.frontmost.reset(); }, otherApp, before},
        {"this program", [](auto& d) { d.ownPid = d.frontmost->processId; }, otherApp, before},
        {"target has ended", [](auto& d) { d.running = false; }, otherApp, before},
        {"nothing has focus", [](auto& d) { d.field.reset(); }, noField, before},
        {"disabled text field", [](auto& d) { d.field->enabled = false; }, notText, before},
        {"push button", button, notText, before},
        // The role comes first: a secure element of no text role gets the role message.
        {"secure button", [&](auto& d) { button(d), d.field->secure = true; }, notText, before},
        {"password field", [](auto& d) { d.field->secure = true; }, secure, before},
        {"other field", later([](auto& d) { d.field->identity = ":1.5/x"; }), changed, after},
        {"now a password", later([](auto& d) { d.field->secure = true; }), changed, after},
        {"other field at the keys", last([](auto& d) { d.field->identity = ":1.5/x"; }), changed,
         keys},
        {"password at the keys", last([](auto& d) { d.field->secure = true; }), changed, keys},
        {"focus lost", later([](auto& d) { d.field.reset(); }), changed, after},
        {"other application", later([](auto& d) { d.frontmost->processId = 77; }), changed, after},
        {"other window", later([](auto& d) { d.frontmost->window = 8; }), changed, after},
        {"none in front", later([](auto& d) { d.frontmost.reset(); }), changed, after},
        {"target ended", later([](auto& d) { d.running = false; }), changed, after},
        {"no keys", [](auto& d) { d.canPrepare = false; }, cannotSend, after},
        {"no clipboard", [](auto& d) { d.clipboardWorks = false; }, noClipboard, after},
        // The window lost the focus between the last check and the keys: nothing arrived, so
        // it must not be reported as done.
        {"keys refused", [](auto& d) { d.postResult = KeyPostResult::targetNotActive; }, changed,
         sent},
        {"keys failed", [](auto& d) { d.postResult = KeyPostResult::failed; }, cannotSend, sent},
        {"unchecked with a hint", unchecked("Zaženi jo."), {"Zaženi jo.", true}, before},
        {"unchecked without a hint", unchecked(""), noField, before},
        {"chosen unchecked",
         unchecked("Zaženi jo."),
         {"✓ Poslano v Urejevalnik · n", false},
         sent,
         true},
        {"chosen unchecked, then another window",
         [&](auto& d) {
             unchecked("")(d);
             later([](auto& d) { d.field->identity = "window:8"; })(d);
         },
         changed, after, true},
    };
    for (const auto& [situation, arrange, report, outcome, chosen] : cases) {
        SCOPED_TRACE(situation);
        Rig r;
        arrange(r.desktop);
        r.engine->pasteUnchecked = chosen;
        r.engine->paste("secret", "n");
        r.clock.advance(80);
        EXPECT_EQ(r.prompts, report.message.empty() ? 1 : 0);
        EXPECT_EQ(r.reports, report.message.empty() ? std::vector<Report>{} : std::vector{report});
        EXPECT_EQ(r.desktop.modifierChecks.empty(), outcome == before);
        if (outcome == sent || outcome == keys) {
            EXPECT_EQ(r.desktop.posts, outcome == sent ? 1 : 0);
            EXPECT_FALSE(r.engine->busy());
        } else {
            r.expectNothingSent();
        }
    }
}

// The field's own shortcut is the one prepared, and the primary selection is written only for a
// target whose shortcut reads it.
TEST(PasteEngine, AcceptsTextRolesAndAnyTypableElementWithTheirOwnShortcut) {
    using S = PasteShortcut;
    const std::vector<std::tuple<FieldRole, bool, S, bool>> fields{
        {FieldRole::textField, false, S::controlV, false},
        {FieldRole::textArea, false, S::controlV, false},
        {FieldRole::comboBox, false, S::controlV, false},
        {FieldRole::terminal, false, S::controlShiftV, false},
        {FieldRole::terminal, false, S::shiftInsert, true},
        {FieldRole::other, true, S::controlV, false},
    };
    for (const auto& [role, settable, shortcut, primary] : fields) {
        SCOPED_TRACE(static_cast<int>(role) * 10 + static_cast<int>(shortcut));
        Rig r;
        r.desktop.field->role = role;
        r.desktop.field->selectedTextSettable = settable;
        r.desktop.field->shortcut = shortcut;
        r.desktop.field->readsPrimary = primary;
        // An element that cannot say whether it is enabled counts as enabled.
        r.desktop.field->enabled.reset();
        r.engine->paste("ls -la\n", "n");
        EXPECT_EQ(r.desktop.posts, 1);
        EXPECT_EQ(r.desktop.shortcut, shortcut);
        EXPECT_EQ(r.desktop.clipboard, "ls -la\n");
        EXPECT_EQ(r.desktop.primary,
                  primary ? std::optional<std::string>("ls -la\n") : std::nullopt);
    }
}

// A rule, the user's before a built-in one, lets the text into a field that cannot be checked or
// is no text element, with the rule's keys; never into one the desktop shows to be a password
// field, nor a disabled one. Where a rule would have helped, or where the text went, that
// application is the one to offer a rule for.
TEST(PasteEngine, ApplicationRulesOpenUncheckedFieldsWithTheirKeysButNeverPasswords) {
    using S = PasteShortcut;
    using Arrange = std::function<void(FocusedField&)>;
    const Report sent{"✓ Poslano v Urejevalnik · n", false};
    const auto toKate = [](Report r) {
        return r.message += " Pod zobnikom lahko dodaš pravilo za kate.", r;
    };
    // What an application that shows no fields says of its field means nothing, "secure" too.
    const Arrange unchecked = [](FocusedField& f) {
        f.checkable = false, f.secure = true, f.enabled = false, f.role = FieldRole::other;
    };
    const Arrange button = [](FocusedField& f) {
        f.role = FieldRole::other, f.selectedTextSettable = false;
    };
    const Arrange password = [](FocusedField& f) { f.secure = true; };
    const Arrange disabled = [](FocusedField& f) { f.enabled = false; };
    const Arrange secureButton = [&](FocusedField& f) { button(f), password(f); };
    const auto primary = [](S keys) -> Arrange {
        return [keys](FocusedField& f) { f.shortcut = keys, f.readsPrimary = true; };
    };
    struct Row {
        const char* what;
        std::string application;
        std::vector<ApplicationRule> rules;
        Arrange arrange;
        Report report;
        std::optional<S> keys;  // none: nothing sent
        bool primary;
        std::string offer;
    };
    constexpr S V = S::controlV, CSV = S::controlShiftV, SI = S::shiftInsert, Y = S::controlY;
    const Row rows[] = {
        {"no rule", "kate", {}, unchecked, toKate(noField), {}, false, "kate"},
        {"user's rule", "kate", {{"kate", CSV}}, unchecked, sent, CSV, false, "kate"},
        {"another's rule", "kate", {{"emacs", V}}, unchecked, toKate(noField), {}, false, "kate"},
        {"built in", "emacs", {}, unchecked, sent, Y, false, "emacs"},
        {"user's over built in", "emacs", {{"emacs", V}}, unchecked, sent, V, false, "emacs"},
        {"unknown application", "", {{"", V}}, unchecked, noField, {}, false, ""},
        {"no text element", "kate", {}, button, toKate(notText), {}, false, "kate"},
        {"no text element, ruled", "xterm", {{"xterm", SI}}, button, sent, SI, true, "xterm"},
        {"password field", "kate", {{"kate", V}}, password, secure, {}, false, ""},
        {"password button", "emacs", {}, secureButton, secure, {}, false, ""},
        {"disabled", "kate", {{"kate", V}}, disabled, notText, {}, false, ""},
        // The field's own keys keep what the desktop knows of its primary selection.
        {"the field's own keys", "urxvt", {{"urxvt", CSV}}, primary(CSV), sent, CSV, true, "urxvt"},
        {"other keys", "urxvt", {{"urxvt", V}}, primary(SI), sent, V, false, "urxvt"},
        {"delivered without a rule", "gedit", {}, [](auto&) {}, sent, V, false, "gedit"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Rig r;
        r.desktop.field->application = row.application;
        row.arrange(*r.desktop.field);
        r.engine->applicationRules = row.rules;
        r.engine->paste("secret", "n");
        EXPECT_EQ(r.only(), row.report);
        EXPECT_EQ(r.engine->ruleOffer(), row.offer);
        if (!row.keys) {
            r.expectNothingSent();
            continue;
        }
        EXPECT_EQ(r.desktop.posts, 1);
        EXPECT_EQ(r.desktop.shortcut, row.keys);
        EXPECT_EQ(r.desktop.primary,
                  row.primary ? std::optional<std::string>("secret") : std::nullopt);
    }
}

TEST(PasteEngine, HeldModifiersAreCheckedTwentyOneTimesFortyMillisecondsApart) {
    Rig r;
    r.desktop.modifiersUntil = 1'000'000;
    r.engine->paste("x", "n");
    r.clock.advance(799);
    EXPECT_TRUE(r.reports.empty());
    EXPECT_TRUE(r.engine->busy());
    r.clock.advance(1);

    std::vector<long> expected;
    for (int i = 0; i <= 20; ++i)
        expected.push_back(i * 40L);
    EXPECT_EQ(r.desktop.modifierChecks, expected);
    EXPECT_EQ(r.only(),
              (Report{"Spusti tipke Super, Ctrl, Alt in Shift ter poskusi znova.", true}));
    EXPECT_EQ(r.clock.pendingCount(), 0u);
    r.expectNothingSent();

    // A session that may not see every held key says so with the request.
    r.desktop.modifierWhy = "Seja ne vidi vseh tipk.";
    r.engine->paste("x", "n");
    r.clock.advance(800);
    EXPECT_EQ(
        r.only(),
        (Report{"Spusti tipke Super, Ctrl, Alt in Shift ter poskusi znova. Seja ne vidi vseh tipk.",
                true}));
    r.expectNothingSent();

    // A re-check that falls due after the engine is gone does nothing.
    r.engine->paste("x", "n");
    r.engine.reset();
    r.desktop.calls.clear();
    r.clock.advance(1000);
    EXPECT_TRUE(r.desktop.calls.empty());
}

TEST(PasteEngine, DeliversAtTheFirstCheckAfterTheReleaseAndDropsClicksMeanwhile) {
    Rig r;
    r.desktop.modifiersUntil = 50;
    r.engine->paste("first", "1");
    r.desktop.calls.clear();
    r.engine->paste("second", "2");
    r.clock.advance(20);
    r.engine->paste("third", "3");
    EXPECT_TRUE(r.desktop.calls.empty());
    r.clock.advance(59);
    EXPECT_EQ(r.desktop.clipboard, "earlier");

    r.clock.advance(1);
    EXPECT_EQ(r.desktop.modifierChecks, (std::vector<long>{0, 40, 80}));
    EXPECT_EQ(r.only(), (Report{"✓ Poslano v Urejevalnik · 1", false}));
    EXPECT_EQ(r.desktop.clipboard, "first");
    EXPECT_EQ(r.desktop.posts, 1);
    r.engine->paste("fourth", "4");
    EXPECT_EQ(r.desktop.clipboard, "fourth");
}

}  // namespace
}  // namespace zuna
