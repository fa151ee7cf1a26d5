#include <gtest/gtest.h>

#include <QProcess>

#include "DesktopTestSupport.h"
#include "QtScheduler.h"
#include "linux/LinuxDesktop.h"
#include "paste/PasteEngine.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using test::TargetApp;
using test::waitUntil;
using test::xdotool;
using Clock = std::chrono::steady_clock;

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";

// The engine on the real desktop, as the application runs it.
class PasteDeliveryTest : public testing::Test {
  protected:
    PasteDeliveryTest() {
        engine.onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError, Clock::now()});
        };
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
    // Presses the keys that make the target print its field and end; what it printed.
    std::optional<std::string> confirm(TargetApp& target, const char* keys = "Return") {
        EXPECT_TRUE(xdotool({"key", keys}));
        return target.finish();
    }

    platform::LinuxDesktop desktop;
    platform::QtScheduler scheduler;
    PasteEngine engine{desktop, scheduler};
    std::vector<Report> reports;
};

TEST_F(PasteDeliveryTest, SlovenianTextArrivesInAGtkEntryEvenWithCapsLockOn) {
    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    const auto start = Clock::now();
    const std::string text = "Žiga je čez Šmarno goro — 5 € & <ščđćž> ČŠŽĆĐ";
    const Report report = deliver(text, "Pozdrav");
    xdotool({"key", "Caps_Lock"});
    EXPECT_EQ(report.message, "✓ Poslano v Vnos · Pozdrav");
    EXPECT_LT(report.at - start, 100ms);
    EXPECT_EQ(test::clipboardText(), text);
    EXPECT_EQ(confirm(entry), text + "\n");
}

TEST_F(PasteDeliveryTest, SeveralLinesArriveExactlyInAGtkTextView) {
    TargetApp view("zenity", {"--text-info", "--editable", "--title=Besedilo"});
    ASSERT_TRUE(view.waitUntilReady(desktop));
    const std::string text =
        "Prva vrstica\nDruga: šđčćž\n\n\tZamaknjena  z  dvojnimi presledki\nKonec";
    EXPECT_FALSE(deliver(text).isError);
    // Control+Tab leaves the text view; Return then presses OK, and zenity prints the text.
    ASSERT_TRUE(xdotool({"key", "ctrl+Tab"}));
    EXPECT_EQ(confirm(view), text);
}

TEST_F(PasteDeliveryTest, APasswordFieldIsRefusedAndTheClipboardKeepsItsContent) {
    TargetApp password("zenity", {"--password"});
    ASSERT_TRUE(password.waitUntilReady(desktop));
    test::setClipboardText("prejšnja vsebina");
    const Report report = deliver("geslo123");
    EXPECT_EQ(report.message, secure);
    EXPECT_TRUE(report.isError);
    EXPECT_EQ(test::clipboardText(), "prejšnja vsebina");
    EXPECT_EQ(confirm(password), "\n");
}

TEST_F(PasteDeliveryTest, AHeldShiftDelaysTheDeliveryUntilItIsReleased) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(xdotool({"keydown", "Shift_L"}));
    engine.paste("brez Shift", "Gumb");
    test::spin(300ms);
    EXPECT_TRUE(reports.empty());
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
    EXPECT_EQ(confirm(entry), "brez Shift\n");
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
    EXPECT_EQ(reports[0].message, "Ciljno polje se je spremenilo. Klikni ga in poskusi znova.");
    EXPECT_EQ(test::clipboardText(), "ostane");
}

// Qt 6.4 exports its fields without the Collection interface: they are found through the tree.
TEST_F(PasteDeliveryTest, QtFieldsGetTheTextOrRefuseIt) {
    const std::tuple<const char*, const char*, const char*> fields[] = {
        {"line", "Qt: šumniki ščž", "Return"},
        {"area", "ena\ndve", "ctrl+Return"},
        {"password", "geslo", "Return"}};
    for (const auto& [kind, text, keys] : fields) {
        SCOPED_TRACE(kind);
        TargetApp target(ZUNA_QT_TARGET, {kind});
        ASSERT_TRUE(target.waitUntilReady(desktop));
        const Report report = deliver(text);
        const bool password = std::string(kind) == "password";
        EXPECT_EQ(report.message,
                  password ? secure : "✓ Poslano v Qt " + std::string(kind) + " · Gumb");
        EXPECT_EQ(confirm(target, keys), password ? "\n" : std::string(text) + "\n");
    }
}

}  // namespace
}  // namespace zuna
