#include <gtest/gtest.h>

#include <memory>

#include "ScriptedDesktop.h"
#include "paste/PasteEngine.h"

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
                                      "keyEvents", "prepare", "clipboard", "post"}));

    r.desktop.frontmost->name.clear();
    r.engine->paste("x", "Podpis");
    EXPECT_EQ(r.only(), (Report{"✓ Poslano v izbrano aplikacijo · Podpis", false}));
}

TEST(PasteEngine, MissingGrantsAreNamedAndAClickAsksForPermissionWithoutAMessage) {
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
    r.desktop.accessibility = true;
    r.desktop.keyEvents = false;
    r.engine->paste("x", "n");
    EXPECT_EQ(r.prompts, 2);

    // A grant lost while waiting for the modifiers ends before the clipboard.
    r.desktop.keyEvents = true;
    r.desktop.modifiersUntil = 30;
    r.engine->paste("x", "n");
    r.desktop.keyEvents = false;
    r.clock.advance(40);
    EXPECT_EQ(r.prompts, 3);
    EXPECT_TRUE(r.reports.empty());
    r.expectNothingSent();
}

TEST(PasteEngine, RefusesUnsuitableTargetsAndLeavesTheClipboardAlone) {
    const std::string otherApp = "Najprej klikni v polje druge aplikacije.";
    const std::string notText = "Izberi polje za besedilo, nato klikni gumb.";
    const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";
    using Arrange = std::function<void(ScriptedDesktop&)>;
    const std::vector<std::tuple<const char*, Arrange, std::string>> refusals{
        {"no active application", [](auto& d) { d.frontmost.reset(); }, otherApp},
        {"this program is active", [](auto& d) { d.ownPid = d.frontmost->processId; }, otherApp},
        {"target has ended", [](auto& d) { d.running = false; }, otherApp},
        {"nothing has focus", [](auto& d) { d.field.reset(); },
         "Polja ni mogoče prepoznati. Klikni v besedilno polje in poskusi znova."},
        {"disabled text field", [](auto& d) { d.field->enabled = false; }, notText},
        {"push button",
         [](auto& d) { d.field->role = FieldRole::other, d.field->selectedTextSettable = false; },
         notText},
        // The role comes first: a secure element of no text role gets the role message.
        {"secure push button",
         [](auto& d) {
             d.field->role = FieldRole::other, d.field->selectedTextSettable = false;
             d.field->secure = true;
         },
         notText},
        {"password field", [](auto& d) { d.field->secure = true; }, secure},
    };
    for (const auto& [situation, arrange, message] : refusals) {
        SCOPED_TRACE(situation);
        Rig r;
        arrange(r.desktop);
        r.engine->paste("secret", "n");
        EXPECT_EQ(r.reports, (std::vector<Report>{{message, true}}));
        EXPECT_TRUE(r.desktop.modifierChecks.empty());
        r.expectNothingSent();
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
        EXPECT_EQ(r.desktop.primary, primary ? std::optional<std::string>("ls -la\n") : std::nullopt);
    }
}

// An application that shows no fields: without the user's choice its hint (or the plain message)
// and nothing sent; with it the text goes there, still only to the field seen at the click.
TEST(PasteEngine, FieldsThatCannotBeCheckedNeedTheUsersChoice) {
    const std::string unrecognised =
        "Polja ni mogoče prepoznati. Klikni v besedilno polje in poskusi znova.";
    const std::vector<std::tuple<const char*, std::string, bool, Report>> cases{
        {"with a hint", "Zaženi jo drugače.", false, {"Zaženi jo drugače.", true}},
        {"without a hint", "", false, {unrecognised, true}},
        {"chosen", "Zaženi jo drugače.", true, {"✓ Poslano v Urejevalnik · n", false}},
    };
    for (const auto& [situation, hint, chosen, report] : cases) {
        SCOPED_TRACE(situation);
        Rig r;
        // What an unchecked field says of itself means nothing: not even "secure" is known.
        r.desktop.field = FocusedField();
        r.desktop.field->identity = "window:7";
        r.desktop.field->enabled = false;
        r.desktop.field->checkable = false;
        r.desktop.field->hint = hint;
        r.engine->pasteUnchecked = chosen;
        r.engine->paste("x", "n");
        EXPECT_EQ(r.only(), report);
        EXPECT_EQ(r.desktop.posts, chosen ? 1 : 0);
        EXPECT_EQ(r.desktop.clipboard, chosen ? "x" : "earlier");
    }

    Rig r;
    r.desktop.field->checkable = false;
    r.engine->pasteUnchecked = true;
    r.desktop.modifiersUntil = 30;
    r.desktop.onModifierCheck[2] = [&] { r.desktop.field->identity = "window:8"; };
    r.engine->paste("x", "n");
    r.clock.advance(40);
    EXPECT_EQ(r.only(), changed);
    r.expectNothingSent();
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
    EXPECT_EQ(r.only(), (Report{"Spusti tipke Cmd, Ctrl, Alt in Shift ter poskusi znova.", true}));
    EXPECT_EQ(r.clock.pendingCount(), 0u);
    r.expectNothingSent();

    // A session that may not see every held key says so with the request.
    r.desktop.modifierWhy = "Seja ne vidi vseh tipk.";
    r.engine->paste("x", "n");
    r.clock.advance(800);
    EXPECT_EQ(r.only(), (Report{"Spusti tipke Cmd, Ctrl, Alt in Shift ter poskusi znova. Seja ne vidi vseh tipk.", true}));
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

TEST(PasteEngine, ChangesWhileWaitingAreRefusedWithTheClipboardUntouched) {
    const std::vector<std::pair<const char*, std::function<void(ScriptedDesktop&)>>> changes{
        {"focus moved to another field", [](auto& d) { d.field->identity = ":1.5/other"; }},
        {"focus lost", [](auto& d) { d.field.reset(); }},
        {"another application in front", [](auto& d) { d.frontmost->processId = 77; }},
        {"another window of it in front", [](auto& d) { d.frontmost->window = 8; }},
        {"no application in front", [](auto& d) { d.frontmost.reset(); }},
        {"target ended", [](auto& d) { d.running = false; }},
    };
    for (const auto& [situation, change] : changes) {
        SCOPED_TRACE(situation);
        Rig r;
        r.desktop.modifiersUntil = 60;
        r.desktop.onModifierCheck[2] = [&] { change(r.desktop); };
        r.engine->paste("x", "n");
        r.clock.advance(80);
        EXPECT_EQ(r.reports, std::vector<Report>{changed});
        r.expectNothingSent();
    }
}

TEST(PasteEngine, FailuresOfTheKeysAndTheClipboard) {
    Rig r;
    r.desktop.canPrepare = false;
    r.engine->paste("x", "n");
    EXPECT_EQ(r.only(), cannotSend);
    r.expectNothingSent();

    r.desktop.canPrepare = true;
    r.desktop.clipboardWorks = false;
    r.engine->paste("x", "n");
    EXPECT_EQ(r.only(), (Report{"Odložišče ni na voljo. Poskusi znova.", true}));
    EXPECT_EQ(r.desktop.posts, 0);

    // The window lost the focus between the last check and the keys: nothing arrived, so it must
    // not be reported as done.
    r.desktop.clipboardWorks = true;
    r.desktop.postResult = KeyPostResult::targetNotActive;
    r.engine->paste("x", "n");
    EXPECT_EQ(r.only(), changed);
    r.desktop.postResult = KeyPostResult::failed;
    r.engine->paste("x", "n");
    EXPECT_EQ(r.only(), cannotSend);
    EXPECT_FALSE(r.engine->busy());
}

}  // namespace
}  // namespace zuna
