#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <csignal>
#include <cstdlib>
#include <regex>

#include "DesktopTestSupport.h"
#include "platform/atspi/FocusLookup.h"
#include "platform/x11/X11Desktop.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using platform::X11Desktop;
using platform::X11Session;
using test::TargetApp;
using test::xdotool;
using Clock = std::chrono::steady_clock;

class X11DesktopTest : public testing::Test {
  protected:
    X11Desktop desktop;
};

// The grants follow the session: asking switches accessibility on, and without X both are missing.
TEST_F(X11DesktopTest, GrantsFollowTheSessionAndAskingSwitchesAccessibilityOn) {
    const auto setAccessibility = [](const char* on) {
        return QProcess::execute(
                   "gdbus", {"call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                             "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                             "org.a11y.Status", "IsEnabled", on}) == 0;
    };
    EXPECT_TRUE(desktop.accessibilityGranted());
    EXPECT_TRUE(desktop.keyEventsGranted());
    EXPECT_EQ(desktop.limitation(), "");
    ASSERT_TRUE(setAccessibility("<false>"));
    EXPECT_FALSE(desktop.accessibilityGranted());
    desktop.requestAccessibility();
    EXPECT_TRUE(desktop.accessibilityGranted());
    setAccessibility("<true>");

    // Without an X server (a Wayland session without XWayland, say) both grants are honestly
    // missing and the status says why; the engine then asks for permission at a click.
    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    {
        X11Desktop without;
        EXPECT_FALSE(without.accessibilityGranted());
        EXPECT_FALSE(without.keyEventsGranted());
        EXPECT_EQ(without.limitation(), "Zaslon X11 ni dosegljiv, zato lepljenje ni mogoče.");
        EXPECT_FALSE(without.frontmostApplication());
        EXPECT_FALSE(without.modifiersHeld());
        EXPECT_FALSE(without.preparePasteKeys(PasteShortcut::controlV));
        EXPECT_EQ(without.setGlobalShortcut("Ctrl+Alt+Z", [] {}), ShortcutResult::unavailable);
    }
    setenv("DISPLAY", display.c_str(), 1);
}

// Applications that are not on the accessibility bus, by their window's class: terminals paste
// with their own keys; the rest cannot be checked, and are told what to do.
TEST(X11DesktopWindowClasses, TerminalsPasteTheirOwnWayAndTheRestCannotBeChecked) {
    using S = PasteShortcut;
    struct Expected {
        bool terminal;
        S shortcut;
        bool primary;
    };
    const std::pair<X11Session::WindowClass, Expected> cases[] = {
        {{"xterm", "XTerm"}, {true, S::shiftInsert, true}},
        {{"kitty", "kitty"}, {true, S::controlShiftV, false}},
        {{"chromium", "Chromium"}, {false, S::controlV, false}},
        {{"", ""}, {false, S::controlV, false}},
        // A name that merely contains a terminal's is not that terminal.
        {{"stage", "Stage"}, {false, S::controlV, false}},
    };
    for (const auto& [windowClass, expected] : cases) {
        SCOPED_TRACE(windowClass.name);
        const FocusedField field = X11Desktop::windowField(windowClass, 0x1400007);
        EXPECT_EQ(field.identity, "window:" + std::to_string(0x1400007));
        EXPECT_EQ(field.checkable, expected.terminal);
        EXPECT_EQ(field.role, expected.terminal ? FieldRole::terminal : FieldRole::other);
        EXPECT_EQ(field.shortcut, expected.shortcut);
        EXPECT_EQ(field.readsPrimary, expected.primary);
        EXPECT_EQ(field.hint.empty(), expected.terminal);
        EXPECT_EQ(field.application,
                  QString::fromStdString(windowClass.name).toLower().toStdString());
    }
}

// The entry, the text view and the password field are met by the delivery tests; a push button
// is no text field, a frozen application costs at most half a second, and this program's own
// window is never asked. Activation and keys go only to windows that are there and active.
TEST_F(X11DesktopTest, APushButtonIsNoTextFieldAndKeysGoOnlyToTheActiveWindow) {
    TargetApp question("zenity", {"--question", "--text=Ali?"});
    ASSERT_TRUE(question.waitUntilReady(desktop));
    const auto button = desktop.focusedField(question.application());
    ASSERT_TRUE(button);
    EXPECT_EQ(button->role, FieldRole::other);
    EXPECT_FALSE(button->selectedTextSettable);
    ::kill(question.processId(), SIGSTOP);
    const auto start = Clock::now();
    const auto field = desktop.focusedField(question.application());
    const auto took = Clock::now() - start;
    ::kill(question.processId(), SIGCONT);
    EXPECT_FALSE(field);
    EXPECT_LT(took, 700ms);
    EXPECT_TRUE(
        test::waitUntil([&] { return desktop.focusedField(question.application()).has_value(); }));

    TargetApp entry("zenity", {"--entry", "--title=Drugi", "--entry-text=●●●●"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    // However little time is left, a field of mask characters is found to be a password or not
    // found at all: a check cut short never passes it as checked.
    for (auto budget = 1000us; budget < 8000us; budget += 50us) {
        const auto lookup = platform::FocusLookup().focusedField(entry.processId(), budget);
        const bool found = lookup.outcome == platform::FocusLookup::Lookup::Outcome::found;
        EXPECT_TRUE(!found || lookup.field.secure) << budget.count() << " µs";
    }
    ASSERT_TRUE(desktop.activate(question.application()));
    EXPECT_TRUE(question.waitUntilActive(desktop));
    DesktopApplication gone = question.application();
    gone.window = 0x7fffff;
    EXPECT_FALSE(desktop.activate(gone));
    ASSERT_TRUE(desktop.preparePasteKeys(PasteShortcut::controlV));
    EXPECT_EQ(desktop.postPasteKeys(entry.application(), [] { return true; }),
              KeyPostResult::targetNotActive);

    // This process cannot answer its own accessibility queries from its event loop thread.
    QLineEdit own;
    own.show();
    own.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] {
        auto active = desktop.frontmostApplication();
        return active && active->processId == desktop.ownProcessId();
    }));
    const auto asked = Clock::now();
    EXPECT_FALSE(desktop.focusedField(*desktop.frontmostApplication()));
    EXPECT_LT(Clock::now() - asked, 50ms);
}

// A window whose process id names no application on the bus (a sandbox's accessibility goes
// through a proxy), or that comes from another machine: the application whose frame is active
// answers for it when the titles agree, so its password field is still known as one.
TEST_F(X11DesktopTest, AWindowOfAnotherProcessIdOrMachineIsCheckedThroughTheActiveFrame) {
    const auto address =
        test::run("gdbus", {"call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                            "/org/a11y/bus", "--method", "org.a11y.Bus.GetAddress"});
    ASSERT_TRUE(address);
    const QString socket = QStringLiteral("/tmp/zuna-a11y-proxy-%1").arg(::getpid());
    QProcess proxy;
    proxy.start("xdg-dbus-proxy", {QString::fromStdString(*address).section('\'', 1, 1), socket});
    ASSERT_TRUE(test::waitUntil([&] { return QFile::exists(socket); }));
    TargetApp password(
        "env", {"AT_SPI_BUS_ADDRESS=unix:path=" + socket, "zenity", "--password", "--title=Geslo"});
    ASSERT_TRUE(password.waitUntilActive(desktop));
    const QString window = QString::number(password.application().window);
    for (const QStringList& property :
         {QStringList{},
          QStringList{"-f", "WM_CLIENT_MACHINE", "8s", "-set", "WM_CLIENT_MACHINE", "drugje"}}) {
        if (!property.isEmpty()) {
            ASSERT_TRUE(test::run("xprop", QStringList{"-id", window} + property));
        }
        EXPECT_TRUE(test::waitUntil([&] {
            const auto field = desktop.focusedField(*desktop.frontmostApplication());
            return field && field->checkable && field->secure;
        })) << property.join(' ').toStdString();
    }
    proxy.terminate();
    proxy.waitForFinished();
    QFile::remove(socket);
}

// Shift, Control, Alt and Super count as held, the locks do not. A global shortcut fires
// whichever window has the focus, also with Caps Lock or Num Lock on, once per press however
// long it is held; keys another client holds are reported as taken.
TEST_F(X11DesktopTest, HeldModifiersAndAGlobalShortcutThatFiresOncePerPress) {
    EXPECT_FALSE(desktop.modifiersHeld());
    for (const char* key : {"Shift_L", "Control_R", "Alt_L", "Super_L"}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(xdotool({"keydown", key}));
        EXPECT_TRUE(desktop.modifiersHeld());
        ASSERT_TRUE(xdotool({"keyup", key}));
        EXPECT_FALSE(desktop.modifiersHeld());
    }
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilActive(desktop));
    int presses = 0;
    ASSERT_EQ(desktop.setGlobalShortcut("Ctrl+Alt+Z", [&] { ++presses; }), ShortcutResult::active);
    for (const char* lock : {"", "Caps_Lock", "Num_Lock"}) {
        SCOPED_TRACE(lock);
        if (*lock != '\0') {
            ASSERT_TRUE(xdotool({"key", lock}));
            EXPECT_FALSE(desktop.modifiersHeld());
        }
        const int before = presses;
        ASSERT_TRUE(xdotool({"key", "ctrl+alt+z"}));
        EXPECT_TRUE(test::waitUntil([&] { return presses == before + 1; }, 2s));
        if (*lock != '\0') {
            ASSERT_TRUE(xdotool({"key", lock}));
        }
    }
    // Held: the repeats of the key do not count.
    ASSERT_TRUE(xdotool({"keydown", "ctrl+alt+z"}));
    test::spin(800ms);
    ASSERT_TRUE(xdotool({"keyup", "ctrl+alt+z"}));
    test::spin(100ms);
    EXPECT_EQ(presses, 4);
    // The keys never moved the focus.
    EXPECT_EQ(desktop.frontmostApplication()->processId, entry.processId());

    X11Desktop other;
    EXPECT_EQ(other.setGlobalShortcut("Ctrl+Alt+Z", [] {}), ShortcutResult::taken);
    EXPECT_EQ(other.setGlobalShortcut("Ctrl+Alt+NoSuchKey", [] {}), ShortcutResult::unavailable);
    // Released, the keys are free for others.
    EXPECT_EQ(desktop.setGlobalShortcut("", {}), ShortcutResult::active);
    EXPECT_EQ(other.setGlobalShortcut("Ctrl+Alt+Z", [] {}), ShortcutResult::active);
}

// xev shows each key event as the receiving client gets it. GTK, Qt and even Xlib (for keys with
// Control) fall back to other groups when a key has no Latin letter, but applications without
// such a fallback see the letter of the group stamped on the event.
TEST_F(X11DesktopTest, PasteKeysGiveTheShortcutWithALatinLetterWhateverTheCurrentLayout) {
    using Keys = std::vector<std::string>;
    const std::tuple<const char*, PasteShortcut, Keys> cases[] = {
        {"ru,us", PasteShortcut::controlV, {"Control_L", "v"}},
        {"ru,us", PasteShortcut::controlShiftV, {"Control_L", "Shift_L", "v"}},
        {"ru,us", PasteShortcut::shiftInsert, {"Shift_L", "Insert"}},
        {"ru,us", PasteShortcut::controlY, {"Control_L", "y"}},
    };
    for (const auto& [layouts, shortcut, expected] : cases) {
        SCOPED_TRACE(std::string(layouts) + " " + expected.back());
        ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", layouts}), 0);
        TargetApp keys("xev", {"-event", "keyboard"});
        ASSERT_TRUE(keys.waitUntilActive(desktop));
        // xev has the input focus once the server sent it the keymap state.
        ASSERT_TRUE(test::waitUntil(
            [&] { return keys.output().find("KeymapNotify") != std::string::npos; }, 5s));
        ASSERT_TRUE(desktop.preparePasteKeys(shortcut));
        ASSERT_EQ(desktop.postPasteKeys(keys.application(), [] { return true; }),
                  KeyPostResult::posted);

        const std::regex press(
            R"(KeyPress event[^\n]*\n[^\n]*\n\s*state 0x([0-9a-f]+), keycode (\d+) \(keysym 0x[0-9a-f]+, (\w+)\))");
        std::string printed;
        const auto presses = [&] {
            printed = keys.output();
            return std::vector<std::smatch>(
                std::sregex_iterator(printed.begin(), printed.end(), press), {});
        };
        ASSERT_TRUE(test::waitUntil(
            [&] {
                return presses().size() >= expected.size() &&
                       printed.find("KeyRelease", printed.rfind("KeyPress")) != std::string::npos;
            },
            5s))
            << printed;

        // The letter must be the Latin one in the group the server stamped on its press, not the
        // Cyrillic letter of the same key.
        Keys pressed;
        const std::vector<std::smatch> matches = presses();
        for (const std::smatch& match : matches) {
            const std::string name = match[3].str();
            const unsigned state = std::stoul(match[1].str(), nullptr, 16);
            const bool modifier = name.rfind("Control", 0) == 0 || name.rfind("Shift", 0) == 0;
            pressed.push_back(
                modifier ? name : test::keysymName(std::stoul(match[2].str()), (state >> 13) & 3));
        }
        EXPECT_EQ(pressed, expected) << printed;
        // The user's own group is in force again.
        EXPECT_EQ(test::keyboardGroup(), 0);
    }
    QProcess::execute("setxkbmap", {"-layout", "us"});
}

}  // namespace
}  // namespace zuna
