// Deliveries on a headless sway (scripts/wayland-session) into native Wayland applications: GTK 3
// dialogs with GDK_BACKEND=wayland and a Qt application on Qt's Wayland plugin; and on GNOME's
// mutter through the desktop portal. The engine and the palette run on XWayland, as the program
// does on such a desktop.
#include "EndToEndSupport.h"
#include "wayland/WaylandDesktop.h"

namespace zuna {
namespace {

using namespace test;
using platform::WaylandDesktop;

// The target's window is active and its field found, and still so a moment later: a window that
// has just mapped may lose and regain the activation once while the compositor settles.
bool settled(TargetApp& target, DesktopAccess& desktop) {
    if (!target.waitUntilReady(desktop)) return false;
    spin(300ms);
    return target.waitUntilReady(desktop);
}

bool entryIsActive(WaylandDesktop& desktop, const TargetApp& entry) {
    const auto active = desktop.frontmostApplication();
    return active && active->processId == entry.processId();
}

using WaylandDeliveryTest = Deliveries<WaylandDesktop>;

// sway offers the virtual keyboard: no grant to ask for.
TEST_F(WaylandDeliveryTest, TextArrivesExactlyInGtkAndQtFieldsAndPasswordsAreRefused) {
    ASSERT_EQ(desktop.keyPath(), WaylandDesktop::KeyPath::virtualKeyboard);
    EXPECT_TRUE(engine.permitted());
    const QStringList controlTab{"down", "Control_L", "tap", "Tab", "up", "Control_L"};
    const QStringList controlReturn{"down", "Control_L", "tap", "Return", "up", "Control_L"};
    const QStringList enter{"tap", "Return"};
    const std::string lines = "Prva vrstica\nDruga: šđčćž\n\tzamaknjena";
    struct Case {
        const char* what;
        QStringList command;
        std::string text;
        QStringList done;
        std::string printed;
    };
    const std::vector<Case> cases{
        {"GTK entry", onWayland("zenity", {"--entry"}), "Žiga — 5 € & <ščđćž>", enter,
         "Žiga — 5 € & <ščđćž>\n"},
        {"GTK text view", onWayland("zenity", {"--text-info", "--editable"}), lines,
         controlTab + enter, lines},
        {"GTK password", onWayland("zenity", {"--password"}), "geslo123", enter, "\n"},
        // An X11 application beside them, on XWayland.
        {"GTK entry on XWayland",
         {"GDK_BACKEND=x11", "zenity", "--entry"},
         "X11: ščž",
         enter,
         "X11: ščž\n"},
        {"Qt line", onWayland(ZUNA_QT_TARGET, {"line"}), "Qt: ščž", enter, "Qt: ščž\n"},
        {"Qt area", onWayland(ZUNA_QT_TARGET, {"area"}), "ena\ndve", controlReturn, "ena\ndve\n"},
        {"Qt password", onWayland(ZUNA_QT_TARGET, {"password"}), "geslo", enter, "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TargetApp target("env", c.command);
        ASSERT_TRUE(settled(target, desktop));
        ASSERT_TRUE(desktop.setClipboardText("prejšnja vsebina", false));
        const Report report = deliver(c.text);
        const bool refused = c.printed.find(c.text) == std::string::npos;
        EXPECT_EQ(report.isError, refused) << report.message;
        EXPECT_EQ(report.message.rfind(refused ? secure : "✓ Poslano v ", 0), 0u);
        EXPECT_EQ(waylandClipboard(), refused ? "prejšnja vsebina" : c.text);
        EXPECT_TRUE(input(c.done));
        EXPECT_EQ(target.finish(), c.printed);
    }
}

TEST_F(WaylandDeliveryTest, AHeldShiftDelaysTheDeliveryUntilItIsReleased) {
    TargetApp entry("env", onWayland("zenity", {"--entry"}));
    ASSERT_TRUE(settled(entry, desktop));
    QProcess shift;
    shift.start(qEnvironmentVariable("ZUNA_WAYLAND_INPUT"),
                {"down", "Shift_L", "wait", "700", "up", "Shift_L"});
    // The entry reports the press on the accessibility bus.
    spin(200ms);
    engine.paste("brez Shift", "Gumb");
    spin(300ms);
    EXPECT_TRUE(reports.empty());
    ASSERT_TRUE(finished(shift));
    const auto released = Clock::now();
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    EXPECT_FALSE(reports[0].isError) << reports[0].message;
    EXPECT_LT(reports[0].at - released, 200ms);
    spin(150ms);
    EXPECT_TRUE(input({"tap", "Return"}));
    EXPECT_EQ(entry.finish(), "brez Shift\n");
}

// The whole program, clicked through the compositor: sway gets a palette that bypasses it and
// keeps the focus off.
TEST(WaylandPalette, AClickPastesIntoTheWaylandEntryThatKeepsTheFocus) {
    TempDir dir;
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž";
    TargetApp entry("env", onWayland("zenity", {"--entry", "--title=Vnos"}));
    WaylandDesktop desktop(dir.path());
    EXPECT_TRUE(desktop.paletteMustBypassWindowManager());
    ASSERT_TRUE(settled(entry, desktop));
    Program program(dir / "data");
    program.prepare(SavedState(std::vector<Snippet>{Snippet("Pozdrav", text, "P")}));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.shown());
    ASSERT_TRUE(settled(entry, desktop));

    const QPoint row = program.firstButton();
    ASSERT_TRUE(input({"click", QString::number(row.x()), QString::number(row.y())}));
    EXPECT_TRUE(waitUntil([&] { return waylandClipboard() == text; }, 5s));
    spin(300ms);
    EXPECT_TRUE(entryIsActive(desktop, entry));
    EXPECT_TRUE(input({"tap", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
}

// GNOME's compositor with the desktop portal: nothing is sent until the user agreed once in the
// portal's dialog; the restore token in the data folder brings the grant back at the next start.
// mutter manages the palette and honours its refusal of the focus: a click on it acts and the
// entry keeps the focus.
TEST(GnomePortal, TheGrantIsAskedOnceThenClicksAndTextArriveAndARestartNeedsNoDialog) {
    TempDir data;
    std::vector<std::string> reports;
    // Headless mutter has no keyboard of its own; this one gives the seat one from the start.
    MutterInput hands;
    bool restores = false;
    {
        WaylandDesktop desktop(data.path());
        platform::QtScheduler scheduler;
        PasteEngine engine(desktop, scheduler);
        engine.onStatus = [&](const std::string& message, bool) { reports.push_back(message); };
        int prompts = 0;
        engine.onPermissionNeeded = [&] { ++prompts; };
        ASSERT_EQ(desktop.keyPath(), WaylandDesktop::KeyPath::portal);
        EXPECT_NE(engine.permissionStatus().find("Ukaz za lepljenje: ni odobren."),
                  std::string::npos);
        EXPECT_FALSE(desktop.paletteMustBypassWindowManager());

        TargetApp entry("env", onWayland("zenity", {"--entry", "--title=Vnos"}));
        ASSERT_TRUE(settled(entry, desktop));
        engine.paste("še ne", "Gumb");
        EXPECT_EQ(prompts, 1);
        EXPECT_TRUE(reports.empty());

        // The permission button asks; the user presses Share in the portal's dialog.
        engine.requestPermission();
        ASSERT_TRUE(agreeInPortalDialog());
        ASSERT_TRUE(waitUntil([&] { return engine.permitted(); }));
        restores = desktop.portal().restores();
        EXPECT_EQ(std::filesystem::exists(data / "remote-desktop.token"), restores);

        Program program(data / "program");
        program.prepare(SavedState(std::vector<Snippet>{Snippet("Pozdrav", "besedilo", "P")}));
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(program.shown());
        const QPoint dot = program.midnightDot();
        ASSERT_TRUE(hands.click(dot.x(), dot.y()));
        EXPECT_TRUE(waitUntil([&] { return program.stored().theme == AppTheme::midnight; }));
        EXPECT_TRUE(entryIsActive(desktop, entry));

        ASSERT_TRUE(settled(entry, desktop));
        const std::string text = "GNOME: Žiga čez most — ščđćž";
        engine.paste(text, "Gumb");
        ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 5s));
        EXPECT_EQ(reports.back(), "✓ Poslano v Vnos · Gumb");
        // The entry asks for the text through mutter's bridge to the X11 clipboard.
        spin(600ms);
        EXPECT_TRUE(hands.tap(returnKeysym));
        EXPECT_EQ(entry.finish(), text + "\n");
    }
    // A new start with the same data folder: granted again without any dialog where the portal
    // keeps grants; else honestly not granted until the user agrees again.
    WaylandDesktop again(data.path());
    if (restores) {
        EXPECT_TRUE(waitUntil([&] { return again.keyEventsGranted(); }, 10s));
    } else {
        spin(1s);
        EXPECT_FALSE(again.keyEventsGranted());
        EXPECT_EQ(again.portal().state(), platform::RemoteDesktopPortal::State::idle);
    }
}

}  // namespace
}  // namespace zuna
