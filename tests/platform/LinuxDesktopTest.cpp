#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <csignal>
#include <cstdlib>
#include <regex>

#include "DesktopTestSupport.h"
#include "ScriptedDesktop.h"
#include "linux/LinuxDesktop.h"
#include "paste/PasteEngine.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using platform::LinuxDesktop;
using test::TargetApp;
using test::xdotool;
using Clock = std::chrono::steady_clock;

bool setAccessibility(bool on) {
    return QProcess::execute("gdbus",
                             {"call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                              "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                              "org.a11y.Status", "IsEnabled", on ? "<true>" : "<false>"}) == 0;
}

class LinuxDesktopTest : public testing::Test {
  protected:
    LinuxDesktop desktop;
};

TEST_F(LinuxDesktopTest, GrantsFollowTheSessionAndAskingSwitchesAccessibilityOn) {
    EXPECT_TRUE(desktop.accessibilityGranted());
    EXPECT_TRUE(desktop.keyEventsGranted());
    EXPECT_EQ(desktop.limitation(), "");

    ASSERT_TRUE(setAccessibility(false));
    EXPECT_FALSE(desktop.accessibilityGranted());
    EXPECT_TRUE(desktop.keyEventsGranted());

    desktop.requestAccessibility();
    EXPECT_TRUE(desktop.accessibilityGranted());
    setAccessibility(true);
}

TEST_F(LinuxDesktopTest, FrontmostApplicationIsTheActiveWindowsProcess) {
    auto target = std::make_unique<TargetApp>("zenity", QStringList{"--entry", "--title=Vnos čšž"});
    ASSERT_TRUE(target->waitUntilReady(desktop));
    const DesktopApplication application = target->application();
    EXPECT_EQ(application.processId, target->processId());
    EXPECT_EQ(application.name, "Vnos čšž");
    EXPECT_NE(application.window, 0u);
    EXPECT_TRUE(desktop.isRunning(application));

    target.reset();
    EXPECT_TRUE(test::waitUntil([&] { return !desktop.isRunning(application); }, 5s));
    // The window is gone: whatever is active now, it is not that window.
    auto now = desktop.frontmostApplication();
    EXPECT_TRUE(!now || now->window != application.window);
}

TEST_F(LinuxDesktopTest, FocusedFieldsOfRealGtkWidgets) {
    {
        TargetApp entry("zenity", {"--entry"});
        ASSERT_TRUE(entry.waitUntilReady(desktop));
        auto field = desktop.focusedField(entry.application());
        ASSERT_TRUE(field);
        EXPECT_EQ(field->role, FieldRole::textField);
        EXPECT_FALSE(field->secure);
        EXPECT_EQ(field->enabled, true);
        EXPECT_TRUE(field->selectedTextSettable);
        // The same element answers with the same identity.
        EXPECT_EQ(desktop.focusedField(entry.application())->identity, field->identity);
    }
    {
        TargetApp password("zenity", {"--password"});
        ASSERT_TRUE(password.waitUntilReady(desktop));
        auto field = desktop.focusedField(password.application());
        ASSERT_TRUE(field);
        EXPECT_EQ(field->role, FieldRole::textField);
        EXPECT_TRUE(field->secure);
    }
    {
        TargetApp area("zenity", {"--text-info", "--editable"});
        ASSERT_TRUE(area.waitUntilReady(desktop));
        auto field = desktop.focusedField(area.application());
        ASSERT_TRUE(field);
        EXPECT_EQ(field->role, FieldRole::textArea);
        EXPECT_TRUE(field->selectedTextSettable);
    }
    {
        // A dialog whose focus is on a push button: no text role, nothing to type into.
        TargetApp question("zenity", {"--question", "--text=Ali?"});
        ASSERT_TRUE(question.waitUntilReady(desktop));
        auto field = desktop.focusedField(question.application());
        ASSERT_TRUE(field);
        EXPECT_EQ(field->role, FieldRole::other);
        EXPECT_FALSE(field->selectedTextSettable);
    }
}

TEST_F(LinuxDesktopTest, AnotherFieldOfTheSameWindowHasAnotherIdentity) {
    TargetApp form("zenity", {"--forms", "--add-entry=Ime", "--add-entry=Priimek"});
    ASSERT_TRUE(form.waitUntilReady(desktop));
    const auto first = desktop.focusedField(form.application());
    ASSERT_TRUE(first);
    ASSERT_TRUE(xdotool({"key", "Tab"}));
    EXPECT_TRUE(test::waitUntil([&] {
        auto now = desktop.focusedField(form.application());
        return now && now->identity != first->identity && now->role == FieldRole::textField;
    }));
}

TEST_F(LinuxDesktopTest, ModifierStateCountsShiftControlAltSuperButNotLocks) {
    EXPECT_FALSE(desktop.modifiersHeld());
    for (const char* key : {"Shift_L", "Control_R", "Alt_L", "Super_L"}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(xdotool({"keydown", key}));
        EXPECT_TRUE(desktop.modifiersHeld());
        ASSERT_TRUE(xdotool({"keyup", key}));
        EXPECT_FALSE(desktop.modifiersHeld());
    }
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    ASSERT_TRUE(xdotool({"key", "Num_Lock"}));
    EXPECT_FALSE(desktop.modifiersHeld());
    xdotool({"key", "Caps_Lock"});
    xdotool({"key", "Num_Lock"});
}

TEST_F(LinuxDesktopTest, AFrozenApplicationCostsAtMostHalfASecond) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ::kill(entry.processId(), SIGSTOP);
    const auto start = Clock::now();
    const auto field = desktop.focusedField(entry.application());
    const auto took = Clock::now() - start;
    ::kill(entry.processId(), SIGCONT);
    EXPECT_FALSE(field);
    EXPECT_LT(took, 700ms);
    // Once it answers again, so does the query.
    EXPECT_TRUE(
        test::waitUntil([&] { return desktop.focusedField(entry.application()).has_value(); }));
}

TEST_F(LinuxDesktopTest, ThisProgramsOwnWindowIsNeverQueried) {
    QLineEdit own;
    own.setWindowTitle("Zuna Trep test");
    own.show();
    own.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] {
        auto active = desktop.frontmostApplication();
        return active && active->processId == desktop.ownProcessId();
    }));
    const auto start = Clock::now();
    EXPECT_FALSE(desktop.focusedField(*desktop.frontmostApplication()));
    EXPECT_LT(Clock::now() - start, 50ms);
}

TEST_F(LinuxDesktopTest, ActivateGivesTheFocusBackToAnEarlierApplication) {
    TargetApp first("zenity", {"--entry", "--title=Prvi"});
    ASSERT_TRUE(first.waitUntilReady(desktop));
    TargetApp second("zenity", {"--entry", "--title=Drugi"});
    ASSERT_TRUE(second.waitUntilReady(desktop));
    ASSERT_TRUE(desktop.activate(first.application()));
    EXPECT_TRUE(test::waitUntil([&] {
        auto active = desktop.frontmostApplication();
        return active && active->processId == first.processId();
    }));
    // A window that is gone cannot be activated.
    DesktopApplication gone = first.application();
    gone.window = 0x7fffff;
    EXPECT_FALSE(desktop.activate(gone));
}

TEST_F(LinuxDesktopTest, KeysAreSentOnlyToTheStillActiveWindow) {
    TargetApp entry("zenity", {"--entry"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(desktop.preparePasteKeys());
    DesktopApplication elsewhere = entry.application();
    elsewhere.window += 1;
    EXPECT_EQ(desktop.postPasteKeys(elsewhere), KeyPostResult::targetNotActive);
}

// Without an X server (a Wayland session without XWayland, say) both grants are honestly
// missing, the status says why, and a click asks for permission instead of failing silently.
TEST(LinuxDesktopWithoutX11, RefusesBothGrantsAndSaysWhy) {
    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    for (const bool wayland : {true, false}) {
        if (wayland) {
            setenv("WAYLAND_DISPLAY", "wayland-0", 1);
        } else {
            unsetenv("WAYLAND_DISPLAY");
        }
        LinuxDesktop desktop;
        test::ManualScheduler clock;
        PasteEngine engine(desktop, clock);
        int prompts = 0;
        engine.onPermissionNeeded = [&] { ++prompts; };
        EXPECT_FALSE(desktop.accessibilityGranted());
        EXPECT_FALSE(desktop.keyEventsGranted());
        EXPECT_FALSE(engine.permitted());
        const std::string why =
            wayland
                ? "Seja Wayland drugim programom ne dovoli brati polj in pošiljati tipk; Zuna Trep lepi samo v seji X11."
                : "Zaslon X11 ni dosegljiv, zato lepljenje ni mogoče.";
        EXPECT_EQ(engine.permissionStatus(),
                  "Dostop do polj: ni odobren. Ukaz za lepljenje: ni odobren. " + why);
        engine.paste("x", "Gumb");
        EXPECT_EQ(prompts, 1);
        EXPECT_FALSE(desktop.frontmostApplication());
        EXPECT_FALSE(desktop.modifiersHeld());
        EXPECT_FALSE(desktop.preparePasteKeys());
    }
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", display.c_str(), 1);
}

// xev shows each key event as the receiving client gets it. GTK, Qt and even Xlib (for keys with
// Control) fall back to other groups when a key has no Latin letter, but applications without
// such a fallback see the letter of the group stamped on the event.
TEST_F(LinuxDesktopTest, PasteKeysGiveALatinVWhateverTheCurrentLayout) {
    for (const char* layouts : {"us", "ru,us", "gr,us", "us,ru"}) {
        SCOPED_TRACE(layouts);
        ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", layouts}), 0);
        TargetApp keys("xev", {"-event", "keyboard"});
        ASSERT_TRUE(keys.waitUntilActive(desktop));
        // xev has the input focus once the server sent it the keymap state.
        ASSERT_TRUE(test::waitUntil(
            [&] { return keys.output().find("KeymapNotify") != std::string::npos; }, 5s));
        ASSERT_TRUE(desktop.preparePasteKeys());
        ASSERT_EQ(desktop.postPasteKeys(keys.application()), KeyPostResult::posted);

        const std::regex press(
            R"(KeyPress event[^\n]*\n[^\n]*\n\s*state 0x([0-9a-f]+), keycode (\d+) \(keysym 0x[0-9a-f]+, (\w+)\))");
        ASSERT_TRUE(test::waitUntil(
            [&] {
                const std::string printed = keys.output();
                return std::distance(std::sregex_iterator(printed.begin(), printed.end(), press),
                                     std::sregex_iterator()) >= 2 &&
                       printed.find("KeyRelease", printed.rfind("KeyPress")) != std::string::npos;
            },
            5s))
            << keys.output();

        // Each key press with the group the server stamped on it: the "v" must be a "v" in
        // that group, not the Cyrillic or Greek letter of the same key.
        const std::string printed = keys.output();
        int letters = 0;
        for (std::sregex_iterator it(printed.begin(), printed.end(), press), end; it != end; ++it) {
            if ((*it)[3].str().rfind("Control", 0) == 0) {
                continue;
            }
            ++letters;
            const unsigned state = std::stoul((*it)[1].str(), nullptr, 16);
            const unsigned keycode = std::stoul((*it)[2].str());
            EXPECT_EQ(test::keysymName(keycode, (state >> 13) & 3), "v") << printed;
        }
        EXPECT_EQ(letters, 1) << printed;
        // The user's own group is in force again.
        EXPECT_EQ(test::keyboardGroup(), 0);
    }
    QProcess::execute("setxkbmap", {"-layout", "us"});
}

}  // namespace
}  // namespace zuna
