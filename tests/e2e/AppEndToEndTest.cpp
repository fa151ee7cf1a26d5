// The whole program on a real desktop: started as a user starts it, clicked with the real
// pointer, delivering into an application from the system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QRect>
#include <set>

#include "DesktopTestSupport.h"
#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "linux/LinuxDesktop.h"
#include "model/JsonData.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using platform::LinuxDesktop;
using test::TargetApp;
using test::waitUntil;
using test::xdotool;

// What xdotool prints, or "" when it fails.
std::string xdotoolOutput(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(5000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput().toStdString();
}

// The visible windows whose title is exactly `title`.
std::vector<unsigned long> windowsTitled(const std::string& title) {
    std::vector<unsigned long> ids;
    const std::string out = xdotoolOutput(
        {"search", "--onlyvisible", "--name", QString::fromStdString("^" + title + "$")});
    std::size_t start = 0;
    while (start < out.size()) {
        const auto end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        if (!line.empty()) ids.push_back(std::stoul(line));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return ids;
}

QRect windowGeometry(unsigned long window) {
    const std::string out =
        xdotoolOutput({"getwindowgeometry", "--shell", QString::number(window)});
    const auto value = [&](const std::string& key) {
        const auto at = out.find(key + "=");
        return at == std::string::npos ? 0 : std::stoi(out.substr(at + key.size() + 1));
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

// Other waits may already have seen the process end, so ask for its state, not for the event.
bool finished(QProcess& process) {
    return waitUntil([&] { return process.state() == QProcess::NotRunning; }, 10s);
}

bool clickAt(const QPoint& point) {
    return xdotool(
               {"mousemove", "--sync", QString::number(point.x()), QString::number(point.y())}) &&
           xdotool({"click", "1"});
}

// The program, started with its own data directory, and its palette window.
class AppEndToEndTest : public testing::Test {
  protected:
    std::filesystem::path data() const { return dir.path() / "data"; }

    void prepare(const SavedState& state) {
        std::filesystem::create_directories(data());
        test::writeFile(data() / "state.json", jsonData(state));
    }

    bool start(QProcess& process) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ZUNA_DATA_DIR", QString::fromStdString(data().string()));
        environment.insert("ZUNA_LANGUAGE", "sl");
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(ZUNA_TREP), {});
        return process.waitForStarted(5000);
    }

    // The palette of the running program: found by its title, once it is on the screen.
    bool findPalette() {
        return waitUntil([&] {
            const auto windows = windowsTitled("Zuna Trep");
            if (windows.empty()) return false;
            palette = windows.front();
            frame = windowGeometry(palette);
            return frame.width() == 200;
        });
    }

    SavedState stored() const {
        return SavedState::fromJson(test::readFile(data() / "state.json"));
    }

    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.terminate();
            program.waitForFinished(5000);
        }
    }

    test::TempDir dir;
    LinuxDesktop desktop;
    QProcess program;
    unsigned long palette = 0;
    QRect frame;
};

SavedState oneGroup(std::vector<Snippet> buttons) {
    SavedState state(std::move(buttons));
    return state;
}

TEST_F(AppEndToEndTest, ClickDeliversIntoAGtkEntryWithoutTakingTheFocus) {
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž ŠČĐĆŽ";
    prepare(oneGroup({Snippet("Pozdrav", text, "P"), Snippet("Prazen", "", "E")}));
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());

    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    const auto target = desktop.frontmostApplication();
    ASSERT_TRUE(target.has_value());

    // The first row: 98 points below the palette's top, 28 high.
    std::set<int> activeProcesses;
    ASSERT_TRUE(clickAt(frame.topLeft() + QPoint(100, 98 + 14)));
    waitUntil(
        [&] {
            if (auto active = desktop.frontmostApplication())
                activeProcesses.insert(active->processId);
            return test::clipboardText() == text;
        },
        5s);
    // Give the entry time to ask the program for the clipboard's text.
    test::spin(300ms);
    EXPECT_THAT(activeProcesses, testing::ElementsAre(entry.processId()));
    const auto field = desktop.focusedField(*desktop.frontmostApplication());
    ASSERT_TRUE(field.has_value());

    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
}

TEST_F(AppEndToEndTest, PinAndThemeDotChangeTheStateFile) {
    prepare(oneGroup({Snippet("Pozdrav", "besedilo", "P")}));
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());
    ASSERT_TRUE(stored().alwaysOnTop);

    // The switch sits 26 points above the bottom edge; the third theme dot (midnight) at
    // 200 - 85 + 19 * 2 from the left, 38 below the top.
    ASSERT_TRUE(clickAt(QPoint(frame.left() + 20, frame.bottom() + 1 - 26 + 10)));
    EXPECT_TRUE(waitUntil([&] { return !stored().alwaysOnTop; }));
    ASSERT_TRUE(clickAt(QPoint(frame.left() + 200 - 85 + 19 * 2 + 9, frame.top() + 38 + 12)));
    EXPECT_TRUE(waitUntil([&] { return stored().theme == AppTheme::midnight; }));
}

TEST_F(AppEndToEndTest, DamagedStateShowsTheRecoveryAlertAndKeepsTheDamagedFile) {
    std::filesystem::create_directories(data());
    test::writeFile(data() / "state.json", "{\"format\": \"zuna-trep\", \"vers");
    test::writeFile(data() / "state.previous.json",
                    jsonData(oneGroup({Snippet("Rešen", "da", "R")})));
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());

    // The alert is a second window of the program, in front, with the keyboard focus.
    ASSERT_TRUE(waitUntil([&] {
        const auto active = desktop.frontmostApplication();
        return active && active->processId == static_cast<int>(program.processId());
    }));
    const auto damaged = test::namesStartingWith(data(), "state-damaged-");
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(test::readFile(data() / damaged[0]), "{\"format\": \"zuna-trep\", \"vers");
    EXPECT_EQ(test::readFile(data() / "state.json"), "{\"format\": \"zuna-trep\", \"vers");

    // Return closes it; the palette shows the restored button and goes on working.
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(waitUntil([&] {
        const auto active = desktop.frontmostApplication();
        return !active || active->processId != static_cast<int>(program.processId());
    }));
}

TEST_F(AppEndToEndTest, QuittingSavesTheMovedFrameAndASecondStartShowsTheFirst) {
    prepare(oneGroup({Snippet("Pozdrav", "besedilo", "P")}));
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());

    // Drag the header 150 points to the left and 100 down.
    const QPoint grip = frame.topLeft() + QPoint(60, 17);
    ASSERT_TRUE(
        xdotool({"mousemove", "--sync", QString::number(grip.x()), QString::number(grip.y())}));
    ASSERT_TRUE(xdotool({"mousedown", "1"}));
    for (int step = 1; step <= 10; ++step) {
        const QPoint at = grip + QPoint(-15 * step, 10 * step);
        xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())});
    }
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    ASSERT_TRUE(waitUntil(
        [&] { return windowGeometry(palette).topLeft() == frame.topLeft() + QPoint(-150, 100); }));
    const QRect moved = windowGeometry(palette);

    // Hidden with its minus button, then brought back by starting the program again.
    ASSERT_TRUE(clickAt(QPoint(moved.left() + 200 - 45 + 9, moved.top() + 8 + 10)));
    ASSERT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").empty(); }));
    QProcess second;
    ASSERT_TRUE(start(second));
    ASSERT_TRUE(finished(second));
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(findPalette());

    // Quit through the power button; the frame on disk is the moved one.
    ASSERT_TRUE(clickAt(QPoint(frame.left() + 200 - 24 + 9, frame.top() + 8 + 10)));
    ASSERT_TRUE(finished(program));
    EXPECT_EQ(program.exitCode(), 0);
    const auto saved = stored().macWindow;
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->x, moved.left());
    const double screenHeight = 800;
    EXPECT_EQ(saved->y + saved->height, screenHeight - moved.top());
}

// Waits until the active window belongs to the given process (or, with -1, to anyone else).
bool activeIs(LinuxDesktop& desktop, int processId, bool equal = true) {
    return waitUntil([&] {
        const auto active = desktop.frontmostApplication();
        if (!active) return false;
        return (active->processId == processId) == equal;
    });
}

bool keys(const QStringList& names) {
    QStringList arguments{"key", "--delay", "30"};
    arguments += names;
    return xdotool(arguments);
}

bool type(const std::string& text) {
    return xdotool({"type", "--delay", "20", QString::fromStdString(text)});
}

TEST_F(AppEndToEndTest, ButtonMadeInTheEditorPastesIntoAGtkEntry) {
    prepare(oneGroup({Snippet("Prvi", "ena", "P")}));
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());
    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    const int pid = static_cast<int>(program.processId());

    // "+ Dodaj gumb": the editor opens with the keyboard focus in the name field.
    // A Slovenian keyboard, so that typing "Ž" presses a key of the layout rather than a key
    // xdotool maps on the fly (which the editor may see too late).
    ASSERT_EQ(QProcess::execute("setxkbmap", {"si"}), 0);
    struct RestoreLayout {
        ~RestoreLayout() { QProcess::execute("setxkbmap", {"us"}); }
    } restore;
    ASSERT_TRUE(clickAt(frame.topLeft() + QPoint(100, 69 + 11)));
    ASSERT_TRUE(activeIs(desktop, pid));
    ASSERT_TRUE(type("Podpis"));
    ASSERT_TRUE(keys({"Tab"}));
    const std::string text = "Lep pozdrav, Žiga Čuk";
    ASSERT_TRUE(type(text));
    // Ctrl+Tab leaves the text (where Return is a line break); Return saves.
    ASSERT_TRUE(keys({"ctrl+Tab", "Return"}));
    EXPECT_TRUE(waitUntil([&] { return stored().buttons().size() == 2; }));
    ASSERT_EQ(stored().buttons().size(), 2u);
    EXPECT_EQ(stored().buttons()[1].name, "Podpis");
    EXPECT_EQ(stored().buttons()[1].text, text);

    // The focus went back to the entry; the new button is the second row.
    ASSERT_TRUE(activeIs(desktop, entry.processId()));
    ASSERT_TRUE(findPalette());
    ASSERT_TRUE(clickAt(frame.topLeft() + QPoint(100, 98 + 32 + 14)));
    EXPECT_TRUE(waitUntil([&] { return test::clipboardText() == text; }, 5s));
    test::spin(300ms);
    ASSERT_TRUE(keys({"Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
}

TEST_F(AppEndToEndTest, ExportDeleteAndImportBackGiveTheSameGroups) {
    SavedState state(std::vector<Snippet>{Snippet("Ena", "1", "A"), Snippet("Dva", "2", "B")});
    state.groups.emplace_back("Delo", std::vector<Snippet>{Snippet("Tri", "3/4 čšž", "C")},
                              "G-DELO");
    prepare(state);
    const SavedState before = stored();
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());
    const int pid = static_cast<int>(program.processId());
    const auto exported = dir.path() / "izvoz.zuna.json";
    const QPoint gear(frame.right() + 1 - 28 + 10, frame.bottom() + 1 - 27 + 11);

    // Options, first entry: export all groups, to a path typed into the file dialog.
    ASSERT_TRUE(clickAt(gear));
    ASSERT_TRUE(keys({"Down", "Return"}));
    ASSERT_TRUE(activeIs(desktop, pid));
    ASSERT_TRUE(keys({"ctrl+a"}));
    ASSERT_TRUE(type(exported.string()));
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(exported); }));

    // The group menu's last entry deletes the selected group, after a confirmation whose
    // default is to cancel.
    ASSERT_TRUE(clickAt(frame.topLeft() + QPoint(40, 38 + 12)));
    ASSERT_TRUE(keys({"Up", "Return"}));
    ASSERT_TRUE(activeIs(desktop, pid));
    ASSERT_TRUE(keys({"Tab", "space"}));
    ASSERT_TRUE(waitUntil([&] { return stored().groups.size() == 1; }));
    EXPECT_EQ(stored().groups[0].name, "Delo");

    // Options, third entry: import, then replace all groups.
    ASSERT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").size() == 1; }));
    ASSERT_TRUE(findPalette());
    ASSERT_TRUE(clickAt(QPoint(frame.right() + 1 - 28 + 10, frame.bottom() + 1 - 27 + 11)));
    ASSERT_TRUE(keys({"Down", "Down", "Down", "Return"}));
    ASSERT_TRUE(activeIs(desktop, pid));
    ASSERT_TRUE(keys({"ctrl+a"}));
    ASSERT_TRUE(type(exported.string()));
    ASSERT_TRUE(keys({"Return"}));
    ASSERT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").size() == 2; }));
    ASSERT_TRUE(keys({"Tab", "space"}));
    ASSERT_TRUE(waitUntil([&] { return stored().groups.size() == 2; }));
    EXPECT_EQ(stored().groups, before.groups);
    EXPECT_EQ(stored().selectedGroupID, before.groups[0].id);
    EXPECT_EQ(test::namesStartingWith(data(), "pred-uvozom-").size(), 2u);
}

}  // namespace
}  // namespace zuna
