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

class PasteEngineTest : public testing::Test {
  protected:
    PasteEngineTest() {
        engine->onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError});
            busyWhileReporting = engine->busy();
        };
        engine->onPermissionNeeded = [this] { ++permissionPrompts; };
    }

    // The only message reported so far.
    Report only() {
        EXPECT_EQ(reports.size(), 1u);
        return reports.empty() ? Report{} : reports.back();
    }

    ManualScheduler clock;
    ScriptedDesktop desktop{clock};
    std::unique_ptr<PasteEngine> engine = std::make_unique<PasteEngine>(desktop, clock);
    std::vector<Report> reports;
    int permissionPrompts = 0;
    bool busyWhileReporting = true;
};

const Report changed{"Ciljno polje se je spremenilo. Klikni ga in poskusi znova.", true};
const Report cannotSend{"Sistem trenutno ne more poslati ukaza za lepljenje.", true};

TEST_F(PasteEngineTest, DeliversAfterCheckingEverythingInOrder) {
    desktop.clipboard = "earlier";
    engine->paste("Lep pozdrav,\nŽiga", "Pozdrav");

    EXPECT_EQ(only(), (Report{"✓ Poslano v Urejevalnik · Pozdrav", false}));
    EXPECT_EQ(desktop.clipboard, "Lep pozdrav,\nŽiga");
    EXPECT_EQ(desktop.posts, 1);
    EXPECT_FALSE(engine->busy());
    EXPECT_FALSE(busyWhileReporting);
    EXPECT_EQ(clock.pendingCount(), 0u);
    EXPECT_EQ(desktop.calls, (Calls{"accessibility", "keyEvents", "frontmost", "running", "field",
                                    "modifiers", "frontmost", "running", "field", "accessibility",
                                    "keyEvents", "prepare", "clipboard", "post"}));
}

TEST_F(PasteEngineTest, TargetWithoutNameIsCalledTheChosenApplication) {
    desktop.frontmost->name.clear();
    engine->paste("x", "Podpis");
    EXPECT_EQ(only(), (Report{"✓ Poslano v izbrano aplikacijo · Podpis", false}));
}

TEST_F(PasteEngineTest, MissingGrantAsksForPermissionWithoutAMessage) {
    desktop.accessibility = false;
    engine->paste("x", "n");
    // The second grant is not even asked when the first is missing.
    EXPECT_EQ(desktop.calls, (Calls{"accessibility"}));

    desktop.calls.clear();
    desktop.accessibility = true;
    desktop.keyEvents = false;
    engine->paste("x", "n");
    EXPECT_EQ(desktop.calls, (Calls{"accessibility", "keyEvents"}));

    EXPECT_EQ(permissionPrompts, 2);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(engine->busy());
}

TEST_F(PasteEngineTest, GrantLostWhileWaitingEndsBeforeTheClipboard) {
    desktop.clipboard = "earlier";
    desktop.modifiersUntil = 30;
    engine->paste("x", "n");
    desktop.keyEvents = false;
    clock.advance(40);

    EXPECT_EQ(permissionPrompts, 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(engine->busy());
    EXPECT_EQ(desktop.clipboard, "earlier");
    EXPECT_EQ(desktop.posts, 0);
}

struct Refusal {
    const char* situation;
    std::function<void(ScriptedDesktop&)> arrange;
    std::string message;
};

TEST_F(PasteEngineTest, RefusesUnsuitableTargetsAndLeavesTheClipboardAlone) {
    const std::string otherApp = "Najprej klikni v polje druge aplikacije.";
    const std::string noField =
        "Polja ni mogoče prepoznati. Klikni v besedilno polje in poskusi znova.";
    const std::string notText = "Izberi polje za besedilo, nato klikni gumb.";
    const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";
    const std::vector<Refusal> refusals{
        {"no active application", [](auto& d) { d.frontmost.reset(); }, otherApp},
        {"this program is active", [](auto& d) { d.ownPid = d.frontmost->processId; }, otherApp},
        {"target has ended", [](auto& d) { d.running = false; }, otherApp},
        {"nothing has focus", [](auto& d) { d.field.reset(); }, noField},
        {"disabled text field", [](auto& d) { d.field->enabled = false; }, notText},
        {"disabled but typable element",
         [](auto& d) {
             d.field->role = FieldRole::other;
             d.field->enabled = false;
         },
         notText},
        {"push button",
         [](auto& d) {
             d.field->role = FieldRole::other;
             d.field->selectedTextSettable = false;
         },
         notText},
        // The role test comes first: a secure element of no text role gets the role message.
        {"secure element without text role",
         [](auto& d) {
             d.field->role = FieldRole::other;
             d.field->selectedTextSettable = false;
             d.field->secure = true;
         },
         notText},
        {"password field", [](auto& d) { d.field->secure = true; }, secure},
        {"password area",
         [](auto& d) {
             d.field->role = FieldRole::textArea;
             d.field->secure = true;
         },
         secure},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.situation);
        ManualScheduler clock;
        ScriptedDesktop desktop{clock};
        desktop.clipboard = "earlier";
        refusal.arrange(desktop);
        PasteEngine engine{desktop, clock};
        std::vector<Report> seen;
        engine.onStatus = [&](const std::string& m, bool e) { seen.push_back({m, e}); };

        engine.paste("secret", "n");

        EXPECT_EQ(seen, (std::vector<Report>{{refusal.message, true}}));
        EXPECT_EQ(desktop.clipboard, "earlier");
        EXPECT_EQ(desktop.posts, 0);
        EXPECT_TRUE(desktop.modifierChecks.empty());
        EXPECT_FALSE(engine.busy());
    }
}

TEST_F(PasteEngineTest, AcceptsTextRolesAndAnyTypableElement) {
    for (FieldRole role : {FieldRole::textField, FieldRole::textArea, FieldRole::comboBox}) {
        desktop.field->role = role;
        desktop.field->selectedTextSettable = false;
        // An element that cannot say whether it is enabled counts as enabled.
        desktop.field->enabled.reset();
        engine->paste("x", "n");
    }
    desktop.field->role = FieldRole::other;
    desktop.field->selectedTextSettable = true;
    engine->paste("x", "n");

    EXPECT_EQ(reports.size(), 4u);
    for (const Report& report : reports) {
        EXPECT_FALSE(report.isError) << report.message;
    }
    EXPECT_EQ(desktop.posts, 4);
}

TEST_F(PasteEngineTest, HeldModifiersAreCheckedTwentyOneTimesFortyMillisecondsApart) {
    desktop.clipboard = "earlier";
    desktop.modifiersUntil = 1'000'000;
    engine->paste("x", "n");
    EXPECT_TRUE(engine->busy());
    clock.advance(799);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(engine->busy());
    clock.advance(1);

    std::vector<long> expected;
    for (int i = 0; i <= 20; ++i) {
        expected.push_back(i * 40L);
    }
    EXPECT_EQ(desktop.modifierChecks, expected);
    EXPECT_EQ(clock.delays,
              std::vector<std::chrono::milliseconds>(20, std::chrono::milliseconds(40)));
    EXPECT_EQ(only(), (Report{"Spusti tipke Cmd, Ctrl, Alt in Shift ter poskusi znova.", true}));
    EXPECT_FALSE(engine->busy());
    EXPECT_EQ(clock.pendingCount(), 0u);
    EXPECT_EQ(desktop.clipboard, "earlier");
    EXPECT_EQ(desktop.posts, 0);
}

TEST_F(PasteEngineTest, DeliversAtTheFirstCheckAfterTheModifiersAreReleased) {
    desktop.modifiersUntil = 100;
    engine->paste("besedilo", "n");
    clock.advance(119);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(desktop.clipboard, std::nullopt);
    clock.advance(1);

    EXPECT_EQ(desktop.modifierChecks, (std::vector<long>{0, 40, 80, 120}));
    EXPECT_FALSE(only().isError);
    EXPECT_EQ(desktop.clipboard, "besedilo");
    EXPECT_EQ(desktop.posts, 1);
}

TEST_F(PasteEngineTest, ClicksWhileBusyAreDroppedSilently) {
    desktop.modifiersUntil = 50;
    engine->paste("first", "1");
    desktop.calls.clear();
    engine->paste("second", "2");
    clock.advance(20);
    engine->paste("third", "3");
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_TRUE(reports.empty());

    clock.advance(60);
    EXPECT_EQ(only(), (Report{"✓ Poslano v Urejevalnik · 1", false}));
    EXPECT_EQ(desktop.clipboard, "first");
    EXPECT_EQ(desktop.posts, 1);

    engine->paste("fourth", "4");
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(desktop.clipboard, "fourth");
}

TEST_F(PasteEngineTest, ChangesWhileWaitingAreRefusedWithTheClipboardUntouched) {
    const std::vector<std::pair<const char*, std::function<void(ScriptedDesktop&)>>> changes{
        {"focus moved to another field", [](auto& d) { d.field->identity = ":1.5/other"; }},
        {"focus lost", [](auto& d) { d.field.reset(); }},
        {"another application in front", [](auto& d) { d.frontmost->processId = 77; }},
        {"no application in front", [](auto& d) { d.frontmost.reset(); }},
        {"target ended", [](auto& d) { d.running = false; }},
    };
    for (const auto& [situation, change] : changes) {
        SCOPED_TRACE(situation);
        ManualScheduler clock;
        ScriptedDesktop desktop{clock};
        desktop.clipboard = "earlier";
        desktop.modifiersUntil = 60;
        desktop.onModifierCheck[2] = [&] { change(desktop); };
        PasteEngine engine{desktop, clock};
        std::vector<Report> seen;
        engine.onStatus = [&](const std::string& m, bool e) { seen.push_back({m, e}); };

        engine.paste("x", "n");
        clock.advance(80);

        EXPECT_EQ(seen, std::vector<Report>{changed});
        EXPECT_EQ(desktop.clipboard, "earlier");
        EXPECT_EQ(desktop.posts, 0);
        EXPECT_FALSE(engine.busy());
    }
}

TEST_F(PasteEngineTest, FailuresOfTheKeysAndTheClipboard) {
    desktop.clipboard = "earlier";
    desktop.canPrepare = false;
    engine->paste("x", "n");
    EXPECT_EQ(only(), cannotSend);
    EXPECT_EQ(desktop.clipboard, "earlier");
    EXPECT_EQ(desktop.posts, 0);

    reports.clear();
    desktop.canPrepare = true;
    desktop.clipboardWorks = false;
    engine->paste("x", "n");
    EXPECT_EQ(only(), (Report{"Odložišče ni na voljo. Poskusi znova.", true}));
    EXPECT_EQ(desktop.posts, 0);

    // The window lost the focus between the last check and the keys: nothing was sent, so the
    // delivery must not be reported as done.
    reports.clear();
    desktop.clipboardWorks = true;
    desktop.postResult = KeyPostResult::targetNotActive;
    engine->paste("x", "n");
    EXPECT_EQ(only(), changed);

    reports.clear();
    desktop.postResult = KeyPostResult::failed;
    engine->paste("x", "n");
    EXPECT_EQ(only(), cannotSend);
    EXPECT_FALSE(engine->busy());
}

TEST_F(PasteEngineTest, ARecheckAfterTheEngineIsGoneDoesNothing) {
    desktop.modifiersUntil = 1'000'000;
    engine->paste("x", "n");
    ASSERT_EQ(clock.pendingCount(), 1u);
    engine.reset();
    desktop.calls.clear();
    clock.advance(1000);
    EXPECT_TRUE(desktop.calls.empty());
    EXPECT_TRUE(reports.empty());
}

TEST_F(PasteEngineTest, StatusCallbackMayStartTheNextDelivery) {
    int deliveries = 0;
    engine->onStatus = [&](const std::string&, bool isError) {
        if (!isError && ++deliveries < 3) {
            engine->paste("again", "n");
        }
    };
    engine->paste("x", "n");
    EXPECT_EQ(deliveries, 3);
}

TEST_F(PasteEngineTest, PermissionQueriesAskTheDesktopEachTime) {
    EXPECT_TRUE(engine->permitted());
    EXPECT_EQ(engine->permissionStatus(), "Dostop do polj: odobren. Ukaz za lepljenje: odobren.");

    desktop.keyEvents = false;
    EXPECT_FALSE(engine->permitted());
    EXPECT_EQ(engine->permissionStatus(),
              "Dostop do polj: odobren. Ukaz za lepljenje: ni odobren.");

    // The status names the second grant truthfully even when the first is missing.
    desktop.accessibility = false;
    desktop.keyEvents = true;
    desktop.calls.clear();
    EXPECT_FALSE(engine->permitted());
    EXPECT_EQ(desktop.calls, (Calls{"accessibility"}));
    EXPECT_EQ(engine->permissionStatus(),
              "Dostop do polj: ni odobren. Ukaz za lepljenje: odobren.");

    desktop.why = "Seja ne omogoča.";
    EXPECT_EQ(engine->permissionStatus(),
              "Dostop do polj: ni odobren. Ukaz za lepljenje: odobren. Seja ne omogoča.");

    // Both requests go out every time, in this order, whatever is granted already.
    desktop.accessibility = true;
    desktop.calls.clear();
    engine->requestPermission();
    EXPECT_EQ(desktop.calls, (Calls{"requestAccessibility", "requestKeyEvents"}));
}

}  // namespace
}  // namespace zuna
