// Deliveries on a headless sway (scripts/wayland-session) into native Wayland applications: GTK 3
// dialogs with GDK_BACKEND=wayland and a Qt application on Qt's Wayland plugin. The engine and
// the palette run on XWayland, as the program does on such a desktop.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRect>
#include <filesystem>

#include "DesktopTestSupport.h"
#include "QtScheduler.h"
#include "TestSupport.h"
#include "WaylandTestSupport.h"
#include "model/JsonData.h"
#include "model/SavedState.h"
#include "paste/PasteEngine.h"
#include "wayland/WaylandDesktop.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using test::TargetApp;
using test::input;
using test::onWayland;
using test::run;
using test::waitUntil;
using test::waylandClipboard;
using Clock = std::chrono::steady_clock;

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";

// The target's window is active and its field found, and still so a moment later: a window that
// has just mapped may lose and regain the activation once while the compositor settles.
bool settled(TargetApp& target, DesktopAccess& desktop) {
    if (!target.waitUntilReady(desktop)) return false;
    test::spin(300ms);
    return target.waitUntilReady(desktop);
}

class WaylandDeliveryTest : public testing::Test {
  protected:
    WaylandDeliveryTest() {
        engine.onStatus = [this](const std::string& message, bool isError) {
            reports.push_back({message, isError, Clock::now()});
        };
    }

    Report deliver(const std::string& text, const std::string& name = "Gumb") {
        const std::size_t before = reports.size();
        engine.paste(text, name);
        EXPECT_TRUE(waitUntil([&] { return reports.size() > before; }, 5s));
        // The target asks for the clipboard only after the keys arrive.
        test::spin(150ms);
        return reports.size() > before ? reports.back() : Report{};
    }

    // Presses the keys that make the target print its field and end; what it printed.
    std::optional<std::string> confirm(TargetApp& target, const QStringList& keys = {"tap", "Return"}) {
        EXPECT_TRUE(input(keys));
        return target.finish();
    }

    test::TempDir data;
    platform::WaylandDesktop desktop{data.path()};
    platform::QtScheduler scheduler;
    PasteEngine engine{desktop, scheduler};
    std::vector<Report> reports;
};

TEST_F(WaylandDeliveryTest, TheSessionOffersTheVirtualKeyboardAndNeedsNoGrant) {
    EXPECT_EQ(desktop.keyPath(), platform::WaylandDesktop::KeyPath::virtualKeyboard);
    EXPECT_TRUE(desktop.paletteMustBypassWindowManager());
    EXPECT_TRUE(engine.permitted());
    EXPECT_EQ(desktop.limitation(), "");
}

TEST_F(WaylandDeliveryTest, TextArrivesExactlyInGtkAndQtFieldsAndPasswordsAreRefused) {
    const QStringList textViewDone{"down", "Control_L", "tap", "Tab", "up", "Control_L",
                                   "tap", "Return"};
    const QStringList qtAreaDone{"down", "Control_L", "tap", "Return", "up", "Control_L"};
    struct Case {
        const char* what;
        QStringList command;
        std::string text;
        QStringList done;
        bool password;
    };
    const std::vector<Case> cases{
        {"GTK entry", onWayland("zenity", {"--entry", "--title=Vnos"}),
         "Žiga je čez Šmarno goro — 5 € & <ščđćž>", {"tap", "Return"}, false},
        {"GTK text view", onWayland("zenity", {"--text-info", "--editable", "--title=Besedilo"}),
         "Prva vrstica\nDruga: šđčćž\n\tzamaknjena", textViewDone, false},
        {"GTK password", onWayland("zenity", {"--password"}), "geslo123", {"tap", "Return"}, true},
        // An X11 application beside them, on XWayland.
        {"GTK entry on XWayland", {"GDK_BACKEND=x11", "zenity", "--entry", "--title=X11"},
         "X11: ščž", {"tap", "Return"}, false},
        {"Qt line", onWayland(ZUNA_QT_TARGET, {"line"}), "Qt: šumniki ščž", {"tap", "Return"},
         false},
        {"Qt area", onWayland(ZUNA_QT_TARGET, {"area"}), "ena\ndve", qtAreaDone, false},
        {"Qt password", onWayland(ZUNA_QT_TARGET, {"password"}), "geslo", {"tap", "Return"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TargetApp target("env", c.command);
        ASSERT_TRUE(settled(target, desktop));
        ASSERT_TRUE(desktop.setClipboardText("prejšnja vsebina", false));
        const Report report = deliver(c.text);
        if (c.password) {
            EXPECT_EQ(report.message, secure);
            EXPECT_EQ(waylandClipboard(), "prejšnja vsebina");
            EXPECT_EQ(confirm(target, c.done), "\n");
            continue;
        }
        EXPECT_FALSE(report.isError) << report.message;
        EXPECT_EQ(waylandClipboard(), c.text);
        // zenity's text view prints its text without a closing line break.
        const bool textView = std::string(c.what) == "GTK text view";
        EXPECT_EQ(confirm(target, c.done), textView ? c.text : c.text + "\n");
    }
}

TEST_F(WaylandDeliveryTest, AHeldShiftDelaysTheDeliveryUntilItIsReleased) {
    TargetApp entry("env", onWayland("zenity", {"--entry"}));
    ASSERT_TRUE(settled(entry, desktop));
    QProcess shift;
    shift.start(qEnvironmentVariable("ZUNA_WAYLAND_INPUT"),
                {"down", "Shift_L", "wait", "700", "up", "Shift_L"});
    // The entry reports the press on the accessibility bus.
    test::spin(200ms);
    engine.paste("brez Shift", "Gumb");
    test::spin(300ms);
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(waitUntil([&] { return shift.state() == QProcess::NotRunning; }, 5s));
    const auto released = Clock::now();
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    EXPECT_FALSE(reports[0].isError) << reports[0].message;
    EXPECT_LT(reports[0].at - released, 200ms);
    test::spin(150ms);
    EXPECT_EQ(confirm(entry), "brez Shift\n");
}

// The whole program, started on XWayland with one button, and its palette's frame on the screen.
class RunningPalette {
  public:
    explicit RunningPalette(const std::filesystem::path& data, const std::string& text) {
        std::filesystem::create_directories(data);
        test::writeFile(data / "state.json",
                        jsonData(SavedState(std::vector<Snippet>{Snippet("Pozdrav", text, "P")})));
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZUNA_DATA_DIR", QString::fromStdString(data.string()));
        // The program chooses XWayland itself.
        environment.remove("QT_QPA_PLATFORM");
        program_.setProcessEnvironment(environment);
        program_.setProcessChannelMode(QProcess::ForwardedChannels);
        program_.start(QStringLiteral(ZUNA_TREP), {});
    }
    ~RunningPalette() {
        program_.terminate();
        program_.waitForFinished(5000);
    }

    // Waits for the palette; false when it does not come up.
    bool shown() {
        return waitUntil([&] {
            const auto ids = run("xdotool", {"search", "--onlyvisible", "--name", "^Zuna Trep$"});
            if (!ids || ids->empty()) return false;
            const auto shell = run("xdotool", {"getwindowgeometry", "--shell",
                                               QString::fromStdString(ids->substr(0, ids->find('\n')))});
            const auto value = [&](const std::string& key) {
                const auto at = shell->find(key + "=");
                return at == std::string::npos ? 0 : std::stoi(shell->substr(at + key.size() + 1));
            };
            frame = QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
            return frame.width() == 200;
        });
    }
    // The first row: 98 points below the palette's top, 28 high.
    QPoint firstButton() const { return frame.topLeft() + QPoint(100, 98 + 14); }
    // The third theme dot (midnight), which changes the state file and opens nothing.
    QPoint midnightDot() const { return frame.topLeft() + QPoint(200 - 85 + 19 * 2 + 9, 38 + 12); }

    QRect frame;

  private:
    QProcess program_;
};

// The whole program, clicked through the compositor: the palette keeps the focus off.
TEST(WaylandPalette, AClickPastesIntoTheWaylandEntryThatKeepsTheFocus) {
    test::TempDir dir;
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž";
    TargetApp entry("env", onWayland("zenity", {"--entry", "--title=Vnos"}));
    platform::WaylandDesktop desktop(dir.path());
    ASSERT_TRUE(settled(entry, desktop));
    RunningPalette palette(dir / "data", text);
    ASSERT_TRUE(palette.shown());
    ASSERT_TRUE(settled(entry, desktop));

    const QPoint row = palette.firstButton();
    ASSERT_TRUE(input({"click", QString::number(row.x()), QString::number(row.y())}));
    EXPECT_TRUE(waitUntil([&] { return waylandClipboard() == text; }, 5s));
    test::spin(300ms);
    const auto active = desktop.frontmostApplication();
    ASSERT_TRUE(active.has_value());
    EXPECT_EQ(active->processId, entry.processId());
    EXPECT_TRUE(input({"tap", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
}

// mutter honours the palette's refusal of the focus (its input hint) for a managed window.
TEST(GnomePortal, AClickOnThePaletteActsAndTheEntryKeepsTheFocus) {
    test::TempDir dir;
    test::MutterInput hands;
    TargetApp entry("env", onWayland("zenity", {"--entry", "--title=Vnos"}));
    platform::WaylandDesktop desktop(dir.path());
    ASSERT_TRUE(settled(entry, desktop));
    RunningPalette palette(dir / "data", "besedilo");
    ASSERT_TRUE(palette.shown());
    EXPECT_FALSE(desktop.paletteMustBypassWindowManager());

    const QPoint dot = palette.midnightDot();
    ASSERT_TRUE(hands.click(dot.x(), dot.y()));
    EXPECT_TRUE(waitUntil([&] {
        return SavedState::fromJson(test::readFile(dir / "data" / "state.json")).theme ==
               AppTheme::midnight;
    }));
    const auto active = desktop.frontmostApplication();
    ASSERT_TRUE(active.has_value());
    EXPECT_EQ(active->processId, entry.processId());
}

// GNOME's compositor with the desktop portal: nothing is sent until the user agreed once in the
// portal's dialog; the restore token in the data folder brings the grant back at the next start.
TEST(GnomePortal, TheGrantIsAskedOnceThenTheTextArrivesAndARestartNeedsNoDialog) {
    test::TempDir data;
    std::vector<std::string> reports;
    // Headless mutter has no keyboard of its own; this one gives the seat one from the start.
    test::MutterInput keyboard;
    bool restores = false;
    {
        platform::WaylandDesktop desktop(data.path());
        platform::QtScheduler scheduler;
        PasteEngine engine(desktop, scheduler);
        engine.onStatus = [&](const std::string& message, bool) { reports.push_back(message); };
        int prompts = 0;
        engine.onPermissionNeeded = [&] { ++prompts; };
        ASSERT_EQ(desktop.keyPath(), platform::WaylandDesktop::KeyPath::portal);
        EXPECT_FALSE(engine.permitted());
        EXPECT_NE(engine.permissionStatus().find("Ukaz za lepljenje: ni odobren."), std::string::npos);
        EXPECT_FALSE(desktop.paletteMustBypassWindowManager());

        TargetApp entry("env", onWayland("zenity", {"--entry", "--title=Vnos"}));
        ASSERT_TRUE(settled(entry, desktop));
        engine.paste("še ne", "Gumb");
        EXPECT_EQ(prompts, 1);
        EXPECT_TRUE(reports.empty());

        // The permission button asks; the user presses Share in the portal's dialog.
        engine.requestPermission();
        ASSERT_TRUE(test::agreeInPortalDialog());
        ASSERT_TRUE(waitUntil([&] { return engine.permitted(); }));
        restores = desktop.portal().restores();
        EXPECT_EQ(std::filesystem::exists(data.path() / "remote-desktop.token"), restores);

        ASSERT_TRUE(settled(entry, desktop));
        const std::string text = "GNOME: Žiga čez most — ščđćž";
        engine.paste(text, "Gumb");
        ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 5s));
        EXPECT_EQ(reports.back(), "✓ Poslano v Vnos · Gumb");
        // The entry asks for the text through mutter's bridge to the X11 clipboard.
        test::spin(600ms);
        EXPECT_TRUE(keyboard.tap(test::returnKeysym));
        EXPECT_EQ(entry.finish(), text + "\n");
    }
    // A new start with the same data folder: granted again without any dialog where the portal
    // keeps grants; else honestly not granted until the user agrees again.
    platform::WaylandDesktop again(data.path());
    if (restores) {
        EXPECT_TRUE(waitUntil([&] { return again.keyEventsGranted(); }, 10s));
    } else {
        test::spin(1s);
        EXPECT_FALSE(again.keyEventsGranted());
        EXPECT_EQ(again.portal().state(), platform::RemoteDesktopPortal::State::idle);
    }
}

}  // namespace
}  // namespace zuna
