#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>

#include "DesktopTestSupport.h"
#include "QtScheduler.h"
#include "linux/LinuxDesktop.h"
#include "paste/PasteEngine.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using platform::LinuxDesktop;
using test::TargetApp;
using test::waitUntil;
using test::xdotool;
using Clock = std::chrono::steady_clock;

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

// The engine on the real desktop, as the application will run it.
class PasteDeliveryTest : public testing::Test {
  protected:
    PasteDeliveryTest() {
        engine.onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError, Clock::now()});
        };
        engine.onPermissionNeeded = [this] { ++permissionPrompts; };
    }

    // Starts a delivery and waits for its one report.
    Report deliver(const std::string& text, const std::string& name = "Gumb") {
        const std::size_t before = reports.size();
        engine.paste(text, name);
        EXPECT_TRUE(waitUntil([&] { return reports.size() > before; }, 5s));
        // The target asks for the clipboard only after the keys arrive.
        test::spin(100ms);
        return reports.size() > before ? reports.back() : Report{};
    }

    LinuxDesktop desktop;
    platform::QtScheduler scheduler;
    PasteEngine engine{desktop, scheduler};
    std::vector<Report> reports;
    int permissionPrompts = 0;
};

const std::string changed = "Ciljno polje se je spremenilo. Klikni ga in poskusi znova.";

TEST_F(PasteDeliveryTest, SlovenianTextArrivesInAGtkEntry) {
    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    const std::string text = "Žiga je čez Šmarno goro — 5 € & <ščđćž> ČŠŽĆĐ";
    const Report report = deliver(text, "Pozdrav");
    EXPECT_EQ(report.message, "✓ Poslano v Vnos · Pozdrav");
    EXPECT_FALSE(report.isError);
    EXPECT_FALSE(engine.busy());
    EXPECT_EQ(test::clipboardText(), text);

    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
}

TEST_F(PasteDeliveryTest, SeveralLinesArriveExactlyInAGtkTextView) {
    TargetApp view("zenity", {"--text-info", "--editable", "--title=Besedilo"});
    ASSERT_TRUE(view.waitUntilReady(desktop));
    const std::string text =
        "Prva vrstica\nDruga: šđčćž\n\n\tZamaknjena  z  dvojnimi presledki\nKonec";
    EXPECT_FALSE(deliver(text).isError);

    // Control+Tab leaves the text view; Return then presses OK, and zenity prints the text.
    ASSERT_TRUE(xdotool({"key", "ctrl+Tab"}));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(view.finish(), text);
}

TEST_F(PasteDeliveryTest, APasswordFieldIsRefusedAndTheClipboardKeepsItsContent) {
    TargetApp password("zenity", {"--password"});
    ASSERT_TRUE(password.waitUntilReady(desktop));
    test::setClipboardText("prejšnja vsebina");
    const Report report = deliver("geslo123");
    EXPECT_EQ(report.message, "Zaščiteno polje ne dovoljuje tega načina lepljenja.");
    EXPECT_TRUE(report.isError);
    EXPECT_EQ(test::clipboardText(), "prejšnja vsebina");

    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(password.finish(), "\n");
}

TEST_F(PasteDeliveryTest, AHeldShiftDelaysTheDeliveryUntilItIsReleased) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(xdotool({"keydown", "Shift_L"}));
    engine.paste("brez Shift", "Gumb");
    test::spin(300ms);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(engine.busy());
    // A second click while waiting is dropped without a word.
    engine.paste("drugi klik", "Gumb");

    const auto released = Clock::now();
    ASSERT_TRUE(xdotool({"keyup", "Shift_L"}));
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    EXPECT_FALSE(reports[0].isError) << reports[0].message;
    // Delivered at the next check after the release.
    EXPECT_LT(reports[0].at - released, 200ms);
    test::spin(100ms);
    EXPECT_EQ(reports.size(), 1u);

    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), "brez Shift\n");
}

TEST_F(PasteDeliveryTest, ControlHeldThroughoutGivesUpAfterTwentyRechecks) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    test::setClipboardText("ostane");
    ASSERT_TRUE(xdotool({"keydown", "Control_L"}));
    const auto start = Clock::now();
    engine.paste("nikoli", "Gumb");
    const bool reported = waitUntil([&] { return !reports.empty(); }, 3s);
    xdotool({"keyup", "Control_L"});
    ASSERT_TRUE(reported);
    EXPECT_EQ(reports[0].message, "Spusti tipke Cmd, Ctrl, Alt in Shift ter poskusi znova.");
    // 20 re-checks 40 ms apart; the queries add a little.
    EXPECT_GE(reports[0].at - start, 790ms);
    EXPECT_LT(reports[0].at - start, 1200ms);
    EXPECT_FALSE(engine.busy());
    EXPECT_EQ(test::clipboardText(), "ostane");
}

TEST_F(PasteDeliveryTest, FocusMovedWhileWaitingIsRefused) {
    TargetApp form("zenity", {"--forms", "--add-entry=Ime", "--add-entry=Priimek"});
    ASSERT_TRUE(form.waitUntilReady(desktop));
    test::setClipboardText("ostane");
    ASSERT_TRUE(xdotool({"keydown", "Shift_L"}));
    engine.paste("v napačno polje", "Gumb");
    // Shift+Tab moves the focus to the other field while the engine waits for Shift.
    ASSERT_TRUE(xdotool({"key", "Tab"}));
    test::spin(100ms);
    ASSERT_TRUE(xdotool({"keyup", "Shift_L"}));
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    EXPECT_EQ(reports[0].message, changed);
    EXPECT_TRUE(reports[0].isError);
    EXPECT_EQ(test::clipboardText(), "ostane");
}

TEST_F(PasteDeliveryTest, ThisProgramInFrontIsRefused) {
    QLineEdit own;
    own.setWindowTitle("Zuna Trep");
    own.show();
    own.activateWindow();
    ASSERT_TRUE(waitUntil([&] {
        auto active = desktop.frontmostApplication();
        return active && active->processId == desktop.ownProcessId();
    }));
    test::setClipboardText("ostane");
    const Report report = deliver("x");
    EXPECT_EQ(report.message, "Najprej klikni v polje druge aplikacije.");
    EXPECT_EQ(test::clipboardText(), "ostane");
    EXPECT_EQ(own.text(), "");
}

TEST_F(PasteDeliveryTest, PastesWithACyrillicOrGreekLayoutInForce) {
    for (const char* layouts : {"ru,us", "gr,us"}) {
        SCOPED_TRACE(layouts);
        // The first layout is the current group: its "v" key gives a Cyrillic or Greek letter.
        ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", layouts}), 0);
        ASSERT_EQ(test::keyboardGroup(), 0);
        TargetApp entry("zenity", {"--entry"});
        ASSERT_TRUE(entry.waitUntilReady(desktop));
        const Report report = deliver("Latinica in ћирилица");
        EXPECT_FALSE(report.isError) << report.message;
        // The user's layout is back.
        EXPECT_EQ(test::keyboardGroup(), 0);
        ASSERT_TRUE(xdotool({"key", "Return"}));
        EXPECT_EQ(entry.finish(), "Latinica in ћирилица\n");
    }
    QProcess::execute("setxkbmap", {"-layout", "us"});
}

TEST_F(PasteDeliveryTest, CapsLockNeitherDelaysNorSpoilsTheDelivery) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    const auto start = Clock::now();
    const Report report = deliver("male črke");
    xdotool({"key", "Caps_Lock"});
    EXPECT_FALSE(report.isError) << report.message;
    EXPECT_LT(report.at - start, 100ms);
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), "male črke\n");
}

TEST_F(PasteDeliveryTest, QtFieldsAreFoundByWalkingTheTree) {
    {
        TargetApp line(ZUNA_QT_TARGET, {"line"});
        ASSERT_TRUE(line.waitUntilReady(desktop));
        EXPECT_EQ(desktop.focusedField(line.application())->role, FieldRole::textField);
        EXPECT_FALSE(deliver("Qt: šumniki ščž").isError);
        ASSERT_TRUE(xdotool({"key", "Return"}));
        EXPECT_EQ(line.finish(), "Qt: šumniki ščž\n");
    }
    {
        TargetApp area(ZUNA_QT_TARGET, {"area"});
        ASSERT_TRUE(area.waitUntilReady(desktop));
        EXPECT_EQ(desktop.focusedField(area.application())->role, FieldRole::textArea);
        EXPECT_FALSE(deliver("ena\ndve").isError);
        ASSERT_TRUE(xdotool({"key", "ctrl+Return"}));
        EXPECT_EQ(area.finish(), "ena\ndve\n");
    }
    {
        TargetApp password(ZUNA_QT_TARGET, {"password"});
        ASSERT_TRUE(password.waitUntilReady(desktop));
        EXPECT_EQ(deliver("geslo").message, "Zaščiteno polje ne dovoljuje tega načina lepljenja.");
    }
}

}  // namespace
}  // namespace zuna
