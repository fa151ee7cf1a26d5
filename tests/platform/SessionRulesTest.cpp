// The rules of the session choice, of the held-modifier tracking and of the walk to the innermost
// focused element, without a desktop.
#include <gtest/gtest.h>

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "platform/DesktopChoice.h"
#include "platform/atspi/HeldKeys.h"
#include "platform/atspi/InnermostFocus.h"

namespace zuna {
namespace {

using platform::HeldKeys;
using platform::SessionKind;

TEST(SessionRules, AWaylandSessionIsToldByItsDisplayOrItsType) {
    const std::vector<std::tuple<const char*, const char*, SessionKind>> cases{
        {"", "", SessionKind::x11},
        {"", "tty", SessionKind::x11},
        {"wayland-1", "x11", SessionKind::wayland},
        // A session that says Wayland without naming its display (as over ssh with a login).
        {"", "wayland", SessionKind::wayland},
    };
    for (const auto& [display, type, expected] : cases) {
        SCOPED_TRACE(std::string(display) + " / " + type);
        EXPECT_EQ(platform::sessionKind(display, type), expected);
    }
}

TEST(SessionRules, HeldModifiersFollowTheKeyEventsTheApplicationReports) {
    constexpr unsigned shiftL = 0xffe1, shiftR = 0xffe2, controlL = 0xffe3, superL = 0xffeb,
                       capsLock = 0xffe5, a = 0x61;
    struct Event {
        unsigned keysym;
        bool pressed;
        unsigned modifiers;
    };
    const std::vector<std::tuple<const char*, std::vector<Event>, bool>> cases{
        {"nothing seen", {}, false},
        {"Shift down", {{shiftL, true, 0}}, true},
        {"Shift down and up", {{shiftL, true, 0}, {shiftL, false, 1}}, false},
        {"Control, then a letter with Control", {{controlL, true, 0}, {a, true, 4}}, true},
        {"Super down, GTK's own Super bit", {{superL, true, 0}, {a, true, 1u << 26}}, true},
        {"both Shifts, one let go",
         {{shiftL, true, 0}, {shiftR, true, 1}, {shiftL, false, 1}},
         true},
        // Let go while another application had the focus: the next event's state tells.
        {"Shift released unseen", {{shiftL, true, 0}, {a, true, 0}}, false},
        {"Caps Lock does not count", {{capsLock, true, 0}, {a, true, 2}}, false},
        // A release that comes without its press is no reason to wait.
        {"a stray release", {{controlL, false, 4}}, false},
    };
    for (const auto& [situation, events, held] : cases) {
        SCOPED_TRACE(situation);
        HeldKeys keys;
        for (const auto& event : events)
            keys.record(event.keysym, event.pressed, event.modifiers);
        EXPECT_EQ(keys.any(), held);
    }
}

// An X display nobody serves here: no socket, no lock and no abstract socket.
QString unservedDisplay() {
    const std::string sockets = test::readFile("/proc/net/unix");
    int number = 87;
    while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock") ||
           sockets.find("/tmp/.X11-unix/X" + std::to_string(number) + "\n") != std::string::npos)
        ++number;
    return ":" + QString::number(number);
}

// Qt would abort the program without a display; it must say why in one line and fail.
// Trees as Konsole and KWrite show them: every container above the field is focused, and so are
// hidden page tabs beside it. Elements are numbered from 1 (0 is none): focused, shown, takes
// text, children.
TEST(SessionRules, TheWalkEndsAtTheInnermostShownFocusedElementOrWhereItTakesText) {
    using Element = std::tuple<bool, bool, bool, std::vector<int>>;
    struct Tree {
        std::vector<Element> at;
        int budget;
        bool goOn() { return budget-- > 0; }
        bool focused(int n) const { return std::get<0>(at[n - 1]); }
        bool shown(int n) const { return std::get<1>(at[n - 1]); }
        bool takesText(int n) const { return std::get<2>(at[n - 1]); }
        std::vector<int> children(int n) const { return std::get<3>(at[n - 1]); }
    };
    // A filler over a hidden tab and an unfocused panel, and below that a focused filler with a
    // scroll bar and the editor's text, which holds a focused part of its own.
    const std::vector<Element> kwrite{{true, true, false, {2, 3}}, {true, false, false, {}},
                                      {false, true, false, {4}},   {true, true, false, {5, 6}},
                                      {false, true, false, {}},    {true, true, true, {7}},
                                      {true, true, false, {}}};
    const std::vector<Element> panelOnly{{true, true, false, {2}}, {false, true, false, {}}};
    const std::tuple<const char*, std::vector<Element>, int, int> cases[] = {
        {"editor", kwrite, 100, 6},
        {"a panel with no focused part stays", panelOnly, 100, 1},
        {"out of time: the last focused element reached", kwrite, 4, 4},
        {"no time at all: where it started", kwrite, 0, 1},
    };
    for (const auto& [what, elements, budget, expected] : cases) {
        SCOPED_TRACE(what);
        Tree tree{elements, budget};
        EXPECT_EQ(platform::innermostFocused(tree, 1), expected);
    }
}

TEST(SessionRules, WithoutADisplayTheProgramSaysWhyInOneLineAndEndsWithStatusOne) {
    const QString unserved = unservedDisplay();
    const std::string noDisplay =
        "zuna-trep: Zuna Trep ne najde zaslona: spremenljivka DISPLAY ni nastavljena, palete pa "
        "brez seje X11 ali XWayland ni mogoče prikazati.\n";
    // What env(1) changes in the test's environment (removals first) to start the program.
    const std::vector<std::tuple<const char*, QStringList, std::string>> cases{
        {"no DISPLAY", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"}, noDisplay},
        {"a Wayland session without XWayland",
         {"-u", "DISPLAY", "WAYLAND_DISPLAY=wayland-77", "XDG_SESSION_TYPE=wayland"},
         noDisplay},
        {"a display nobody serves",
         {"-u", "WAYLAND_DISPLAY", "DISPLAY=" + unserved},
         "zuna-trep: Zuna Trep ne more odpreti zaslona X11 »" + unserved.toStdString() +
             "«, zato palete ni mogoče prikazati.\n"},
    };
    for (const auto& [situation, changes, line] : cases) {
        SCOPED_TRACE(situation);
        QProcess program;
        program.start("env", QStringList{"-u", "QT_QPA_PLATFORM"} + changes +
                                 QStringList{"ZUNA_DATA_DIR=/nonexistent/zuna", ZUNA_TREP});
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 1);
        EXPECT_EQ(program.readAllStandardError().toStdString(), line);
    }
}

TEST(SessionRules, AWaylandSessionPutsQtOnXWaylandUnlessAnotherPlatformWasChosen) {
    setenv("WAYLAND_DISPLAY", "wayland-77", 1);
    setenv("DISPLAY", unservedDisplay().toUtf8().constData(), 1);
    unsetenv("QT_QPA_PLATFORM");
    EXPECT_TRUE(platform::prepareDisplay().has_value());
    EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "xcb");
    // A platform chosen by hand is left to Qt.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EXPECT_FALSE(platform::prepareDisplay().has_value());
    EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "offscreen");
}

}  // namespace
}  // namespace zuna
