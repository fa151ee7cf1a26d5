// Deliveries on a headless sway (scripts/wayland-session) into native Wayland applications: GTK 3
// dialogs with GDK_BACKEND=wayland and a Qt application on Qt's Wayland plugin. The engine and
// the palette run on XWayland, as the program does on such a desktop.
#include <gtest/gtest.h>

#include <atspi/atspi.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QRect>
#include <filesystem>

#include "DesktopTestSupport.h"
#include "QtScheduler.h"
#include "TestSupport.h"
#include "model/JsonData.h"
#include "model/SavedState.h"
#include "paste/PasteEngine.h"
#include "wayland/WaylandDesktop.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using test::TargetApp;
using test::waitUntil;
using Clock = std::chrono::steady_clock;

struct Report {
    std::string message;
    bool isError = false;
    Clock::time_point at;
};

const std::string secure = "Zaščiteno polje ne dovoljuje tega načina lepljenja.";

// What a program printed, or nothing when it failed.
std::optional<std::string> run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10s);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return process.readAllStandardOutput().toStdString();
}

// The test's pointer and keyboard on the compositor.
bool input(const QStringList& arguments) {
    return run(QStringLiteral(ZUNA_WAYLAND_INPUT), arguments).has_value();
}

// The seat's clipboard as a Wayland client reads it.
std::string waylandClipboard() {
    return run(QStringLiteral("wl-paste"), {"--no-newline"}).value_or("");
}

// A program started as a native Wayland client.
QStringList onWayland(const QString& program, const QStringList& arguments) {
    return QStringList{"GDK_BACKEND=wayland", "QT_QPA_PLATFORM=wayland", program} + arguments;
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
        {"Qt line", onWayland(ZUNA_QT_TARGET, {"line"}), "Qt: šumniki ščž", {"tap", "Return"},
         false},
        {"Qt area", onWayland(ZUNA_QT_TARGET, {"area"}), "ena\ndve", qtAreaDone, false},
        {"Qt password", onWayland(ZUNA_QT_TARGET, {"password"}), "geslo", {"tap", "Return"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TargetApp target("env", c.command);
        ASSERT_TRUE(target.waitUntilReady(desktop));
        ASSERT_TRUE(desktop.setClipboardText("prejšnja vsebina"));
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
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    QProcess shift;
    shift.start(QStringLiteral(ZUNA_WAYLAND_INPUT), {"down", "Shift_L", "wait", "700", "up", "Shift_L"});
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

// The whole program, clicked through the compositor: the palette keeps the focus off.
TEST(WaylandPalette, AClickPastesIntoTheWaylandEntryThatKeepsTheFocus) {
    test::TempDir dir;
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž";
    SavedState state(std::vector<Snippet>{Snippet("Pozdrav", text, "P")});
    std::filesystem::create_directories(dir.path() / "data");
    test::writeFile(dir.path() / "data" / "state.json", jsonData(state));

    TargetApp entry("env", onWayland("zenity", {"--entry", "--title=Vnos"}));
    platform::WaylandDesktop desktop(dir.path());
    ASSERT_TRUE(entry.waitUntilReady(desktop));

    QProcess program;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZUNA_DATA_DIR", QString::fromStdString((dir.path() / "data").string()));
    environment.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ZUNA_TREP), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    QRect frame;
    ASSERT_TRUE(waitUntil([&] {
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
    }));

    // The first row: 98 points below the palette's top, 28 high.
    const QPoint row = frame.topLeft() + QPoint(100, 98 + 14);
    ASSERT_TRUE(input({"click", QString::number(row.x()), QString::number(row.y())}));
    EXPECT_TRUE(waitUntil([&] { return waylandClipboard() == text; }, 5s));
    test::spin(300ms);
    const auto active = desktop.frontmostApplication();
    ASSERT_TRUE(active.has_value());
    EXPECT_EQ(active->processId, entry.processId());
    EXPECT_TRUE(input({"tap", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
    program.terminate();
    program.waitForFinished(5000);
}


// What a user does with the desktop portal's dialog: presses its button (or ticks its check box)
// with this label. The dialog is a GTK 4 window of xdg-desktop-portal-gnome, found through the
// accessibility bus.
bool pressButtonLabelled(AtspiAccessible* element, const std::string& label, int depth = 0) {
    if (depth > 16) return false;
    const AtspiRole role = atspi_accessible_get_role(element, nullptr);
    if (role == ATSPI_ROLE_PUSH_BUTTON || role == ATSPI_ROLE_CHECK_BOX) {
        gchar* name = atspi_accessible_get_name(element, nullptr);
        const bool match = name != nullptr && std::string(name).find(label) != std::string::npos;
        g_free(name);
        if (match) {
            AtspiAction* action = atspi_accessible_get_action_iface(element);
            const bool done = action != nullptr && atspi_action_do_action(action, 0, nullptr);
            if (action != nullptr) g_object_unref(action);
            return done;
        }
    }
    const int count = atspi_accessible_get_child_count(element, nullptr);
    for (int i = 0; i < count; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(element, i, nullptr);
        if (child == nullptr) continue;
        const bool done = pressButtonLabelled(child, label, depth + 1);
        g_object_unref(child);
        if (done) return true;
    }
    return false;
}

bool answerPortalDialog(const std::string& label) {
    return waitUntil([&] {
        AtspiAccessible* desktop = atspi_get_desktop(0);
        bool done = false;
        const int count = atspi_accessible_get_child_count(desktop, nullptr);
        for (int i = 0; i < count && !done; ++i) {
            AtspiAccessible* application = atspi_accessible_get_child_at_index(desktop, i, nullptr);
            if (application == nullptr) continue;
            gchar* name = atspi_accessible_get_name(application, nullptr);
            if (name != nullptr && std::string(name) == "xdg-desktop-portal-gnome")
                done = pressButtonLabelled(application, label);
            g_free(name);
            g_object_unref(application);
        }
        g_object_unref(desktop);
        return done;
    });
}

// A key pressed through mutter's own remote-desktop interface, as the test's keyboard.
class MutterKeyboard {
  public:
    MutterKeyboard() {
        const auto reply = call("/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                                "CreateSession", {});
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            session_ = reply.arguments().front().value<QDBusObjectPath>().path();
            call(session_, session, "Start", {});
            // mutter makes the device at its first key: from then on the seat has a keyboard,
            // and windows mapped later get the focus.
            tap(shiftKeysym);
        }
    }
    ~MutterKeyboard() {
        if (!session_.isEmpty()) call(session_, session, "Stop", {});
    }
    bool tap(unsigned keysym) {
        return key(keysym, true) && key(keysym, false);
    }
    bool key(unsigned keysym, bool pressed) {
        return call(session_, session, "NotifyKeyboardKeysym", {keysym, pressed}).type() ==
               QDBusMessage::ReplyMessage;
    }

  private:
    static constexpr const char* session = "org.gnome.Mutter.RemoteDesktop.Session";
    static constexpr unsigned shiftKeysym = 0xffe1;
    static QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                             const QList<QVariant>& arguments) {
        auto message = QDBusMessage::createMethodCall("org.gnome.Mutter.RemoteDesktop", path,
                                                      interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message, QDBus::Block, 5000);
    }
    QString session_;
};

constexpr unsigned returnKeysym = 0xff0d;

// GNOME's compositor with the desktop portal: nothing is sent until the user agreed once in the
// portal's dialog; the restore token in the data folder brings the grant back at the next start.
TEST(GnomePortal, TheGrantIsAskedOnceThenTheTextArrivesAndARestartNeedsNoDialog) {
    test::TempDir data;
    std::vector<std::string> reports;
    // Headless mutter has no keyboard of its own; this one gives the seat one from the start.
    MutterKeyboard keyboard;
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
        ASSERT_TRUE(entry.waitUntilReady(desktop));
        engine.paste("še ne", "Gumb");
        EXPECT_EQ(prompts, 1);
        EXPECT_TRUE(reports.empty());

        // The permission button asks; the user presses Share in the portal's dialog.
        engine.requestPermission();
        // Share stays greyed out until remote interaction is ticked.
        ASSERT_TRUE(answerPortalDialog("Allow remote interaction"));
        ASSERT_TRUE(answerPortalDialog("Share"));
        ASSERT_TRUE(waitUntil([&] { return engine.permitted(); }));
        restores = desktop.portal().restores();
        EXPECT_EQ(std::filesystem::exists(data.path() / "remote-desktop.token"), restores);

        ASSERT_TRUE(entry.waitUntilReady(desktop));
        const std::string text = "GNOME: Žiga čez most — ščđćž";
        engine.paste(text, "Gumb");
        ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 5s));
        EXPECT_EQ(reports.back(), "✓ Poslano v Vnos · Gumb");
        test::spin(300ms);
        EXPECT_TRUE(keyboard.tap(returnKeysym));
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
