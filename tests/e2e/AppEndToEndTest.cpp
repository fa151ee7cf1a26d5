// The whole program on a real desktop: started as a user starts it, clicked with the real
// pointer, delivering into an application from the system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QProcess>
#include <QRect>
#include <map>
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

    // Starts the program, or `command` followed by the program's path; `environment` entries
    // with an empty value are removed.
    bool start(QProcess& process, const std::map<QString, QString>& environment = {},
               QStringList command = {}) {
        auto variables = QProcessEnvironment::systemEnvironment();
        variables.insert("ZUNA_DATA_DIR", QString::fromStdString(data().string()));
        variables.insert("ZUNA_LANGUAGE", "sl");
        for (const auto& [name, value] : environment) {
            if (value.isEmpty()) {
                variables.remove(name);
            } else {
                variables.insert(name, value);
            }
        }
        process.setProcessEnvironment(variables);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        command << QStringLiteral(ZUNA_TREP);
        process.start(command.takeFirst(), command);
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

// Every path to the data folder meets the one lock inside it; a second start that can reach the
// first shows its palette at once, one that cannot says so, and none runs beside it. Runtime
// directories that are not the user's own are never used.
TEST_F(AppEndToEndTest, OneProgramPerDataFolderWhicheverPathLeadsThere) {
    prepare(oneGroup({Snippet("Pozdrav", "besedilo", "P")}));
    const auto own = [&](const std::string& name, mode_t mode) {
        const auto path = dir.path() / name;
        std::filesystem::create_directory(path);
        chmod(path.c_str(), mode);
        return QString::fromStdString(path.string());
    };
    const QString otherLogin = own("other-runtime", 0700);
    const QString shared = own("shared-runtime", 0777);
    std::filesystem::create_symlink(data(), dir.path() / "link");
    std::filesystem::create_directory(dir.path() / "bind");
    const QString link = QString::fromStdString((dir.path() / "link").string());
    const QString bind = QString::fromStdString((dir.path() / "bind").string());
    const bool bindMounts = QProcess::execute("unshare", {"-m", "true"}) == 0;

    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());
    const std::string before = test::readFile(data() / "state.json");
    struct SecondStart {
        const char* how;
        std::map<QString, QString> environment;
        QStringList command;
        int exitCode;
    };
    const std::vector<SecondStart> starts{
        {"through a link", {{"ZUNA_DATA_DIR", link}}, {}, 0},
        {"through a bind mount",
         {{"ZUNA_DATA_DIR", bind}},
         {"unshare", "-m", "sh", "-c",
          "mount --bind '" + QString::fromStdString(data().string()) + "' '" + bind +
              "' && exec \"$0\""},
         0},
        {"from another login", {{"XDG_RUNTIME_DIR", otherLogin}}, {}, 1},
        {"without a runtime directory", {{"XDG_RUNTIME_DIR", ""}}, {}, 1},
        {"with a shared runtime directory", {{"XDG_RUNTIME_DIR", shared}}, {}, 1},
    };
    for (const auto& second : starts) {
        SCOPED_TRACE(second.how);
        if (!second.command.isEmpty() && !bindMounts) continue;
        QProcess process;
        const auto started = std::chrono::steady_clock::now();
        ASSERT_TRUE(start(process, second.environment, second.command));
        ASSERT_TRUE(finished(process));
        EXPECT_EQ(process.exitCode(), second.exitCode);
        EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    }
    EXPECT_EQ(program.state(), QProcess::Running);
    EXPECT_EQ(test::readFile(data() / "state.json"), before);
    EXPECT_TRUE(std::filesystem::is_empty(shared.toStdString()));

    // Started with only a shared runtime directory, the program runs and leaves nothing there.
    program.terminate();
    ASSERT_TRUE(finished(program));
    ASSERT_TRUE(start(program, {{"XDG_RUNTIME_DIR", shared}}));
    ASSERT_TRUE(findPalette());
    EXPECT_TRUE(std::filesystem::is_empty(shared.toStdString()));
}

// Under a file-size limit a save fails like one on a full disk: the program goes on, and every
// file stays as it was.
TEST_F(AppEndToEndTest, FileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    SavedState large(std::vector<Snippet>{Snippet("Dolg", std::string(64 * 1024, 'x'), "D")});
    prepare(large);
    const std::string before = test::readFile(data() / "state.json");
    ASSERT_TRUE(start(program, {}, {"prlimit", "--fsize=8192"}));
    ASSERT_TRUE(findPalette());
    test::spin(1s);
    EXPECT_EQ(program.state(), QProcess::Running);
    EXPECT_EQ(test::readFile(data() / "state.json"), before);
    EXPECT_THAT(test::namesStartingWith(data(), ".state"), testing::IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(data() / "state.previous.json"));
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

    // Ctrl+Q in the editor closes it without saving and quits.
    ASSERT_TRUE(clickAt(frame.topLeft() + QPoint(100, 69 + 11)));
    ASSERT_TRUE(activeIs(desktop, pid));
    ASSERT_TRUE(type("Ne shrani"));
    ASSERT_TRUE(keys({"ctrl+q"}));
    ASSERT_TRUE(finished(program));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(stored().buttons().size(), 2u);
}

// The palette is on every workspace, and the chosen keys hide and show it while the
// application the user types in keeps the focus.
TEST_F(AppEndToEndTest, ShortcutHidesAndShowsThePaletteOnEveryWorkspace) {
    SavedState state = oneGroup({Snippet("Pozdrav", "besedilo", "P")});
    state.globalShortcut = "Ctrl+Alt+Z";
    prepare(state);
    ASSERT_TRUE(start(program));
    ASSERT_TRUE(findPalette());
    ASSERT_TRUE(xdotool({"set_desktop", "2"}));
    EXPECT_TRUE(waitUntil([&] { return xdotoolOutput({"get_desktop"}) == "2\n"; }));
    EXPECT_THAT(windowsTitled("Zuna Trep"), testing::ElementsAre(palette));
    ASSERT_TRUE(xdotool({"set_desktop", "0"}));

    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    ASSERT_TRUE(keys({"ctrl+alt+z"}));
    EXPECT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").empty(); }));
    ASSERT_TRUE(keys({"ctrl+alt+z"}));
    EXPECT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").size() == 1; }));
    EXPECT_EQ(desktop.frontmostApplication()->processId, entry.processId());
    ASSERT_TRUE(type("tipke"));
    ASSERT_TRUE(keys({"Return"}));
    EXPECT_EQ(entry.finish(), "tipke\n");
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
