// The whole program on a real desktop: started as a user starts it, clicked with the real
// pointer, delivering into an application from the system.
#include <gmock/gmock.h>
#include <sys/stat.h>

#include <set>

#include "EndToEndSupport.h"
#include "StoreTestSupport.h"
#include "linux/LinuxDesktop.h"

namespace zuna {
namespace {

using namespace test;

bool clickAt(const QPoint& point) {
    return xdotool(
               {"mousemove", "--sync", QString::number(point.x()), QString::number(point.y())}) &&
           xdotool({"click", "1"});
}

class AppEndToEndTest : public testing::Test {
  protected:
    TempDir dir;
    platform::LinuxDesktop desktop;
    Program program{dir.path() / "data"};
};

// The palette is on every workspace; the chosen keys hide and show it, and a click on a button
// pastes while the entry the user types in keeps the focus all along.
TEST_F(AppEndToEndTest, AClickPastesIntoTheEntryThatKeepsTheFocus) {
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž ŠČĐĆŽ";
    SavedState state(std::vector<Snippet>{Snippet("Pozdrav", text, "P")});
    state.globalShortcut = "Ctrl+Alt+Z";
    program.prepare(state);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.shown());
    ASSERT_TRUE(xdotool({"set_desktop", "2"}));
    EXPECT_TRUE(waitUntil([&] { return run("xdotool", {"get_desktop"}) == "2\n"; }));
    EXPECT_EQ(windowsTitled("Zuna Trep").size(), 1);
    ASSERT_TRUE(xdotool({"set_desktop", "0"}));

    TargetApp entry("zenity", {"--entry", "--title=Vnos"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    for (const int palettes : {0, 1}) {
        ASSERT_TRUE(xdotool({"key", "ctrl+alt+z"}));
        EXPECT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").size() == palettes; }));
    }
    std::set<int> activeProcesses;
    ASSERT_TRUE(clickAt(program.firstButton()));
    waitUntil(
        [&] {
            if (auto active = desktop.frontmostApplication())
                activeProcesses.insert(active->processId);
            return clipboardText() == text;
        },
        5s);
    // Give the entry time to ask the program for the clipboard's text.
    spin(300ms);
    EXPECT_THAT(activeProcesses, testing::ElementsAre(entry.processId()));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), text + "\n");
}

// Every path to the data folder meets the one lock inside it: a second start that reaches the
// first shows its hidden palette at once, one that cannot says so, and none runs beside it or
// touches the state. Runtime directories that are not the user's own are never used.
TEST_F(AppEndToEndTest, OneProgramPerDataFolderWhicheverPathLeadsThere) {
    program.prepare(SavedState(std::vector<Snippet>{Snippet("Pozdrav", "besedilo", "P")}));
    const auto folder = [&](const std::string& name, mode_t mode) {
        const auto path = dir.path() / name;
        std::filesystem::create_directory(path);
        chmod(path.c_str(), mode);
        return QString::fromStdString(path.string());
    };
    const QString otherLogin = folder("other-runtime", 0700);
    const QString shared = folder("shared-runtime", 0777);
    const QString bind = folder("bind", 0700);
    std::filesystem::create_symlink(program.data, dir.path() / "link");
    const QString link = QString::fromStdString((dir.path() / "link").string());
    const QString data = QString::fromStdString(program.data.string());
    const bool bindMounts = QProcess::execute("unshare", {"-m", "true"}) == 0;

    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.shown());
    ASSERT_TRUE(clickAt(program.hideButton()));
    ASSERT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").empty(); }));
    const std::string before = readFile(program.data / "state.json");
    const std::tuple<const char*, std::map<QString, QString>, QStringList, int> starts[] = {
        {"the same way", {}, {}, 0},
        {"through a link", {{"ZUNA_DATA_DIR", link}}, {}, 0},
        {"through a bind mount",
         {{"ZUNA_DATA_DIR", bind}},
         {"unshare", "-m", "sh", "-c", "mount --bind '" + data + "' '" + bind + "' && exec \"$0\""},
         0},
        {"from another login", {{"XDG_RUNTIME_DIR", otherLogin}}, {}, 1},
        {"without a runtime directory", {{"XDG_RUNTIME_DIR", ""}}, {}, 1},
        {"with a shared runtime directory", {{"XDG_RUNTIME_DIR", shared}}, {}, 1},
    };
    for (const auto& [how, environment, command, exitCode] : starts) {
        SCOPED_TRACE(how);
        if (!command.isEmpty() && !bindMounts) continue;
        QProcess second;
        const auto started = Clock::now();
        ASSERT_TRUE(program.start(environment, command, &second));
        ASSERT_TRUE(finished(second));
        EXPECT_EQ(second.exitCode(), exitCode);
        EXPECT_LT(Clock::now() - started, 1s);
        EXPECT_TRUE(program.shown());
    }
    EXPECT_EQ(readFile(program.data / "state.json"), before);
    // The power button quits; with only a shared runtime directory the program runs and leaves
    // nothing there.
    ASSERT_TRUE(clickAt(program.quitButton()));
    ASSERT_TRUE(finished(program.process));
    EXPECT_EQ(program.process.exitCode(), 0);
    ASSERT_TRUE(program.start({{"XDG_RUNTIME_DIR", shared}}));
    ASSERT_TRUE(program.shown());
    EXPECT_TRUE(std::filesystem::is_empty(shared.toStdString()));
}

// Under a file-size limit a save fails as on a full disk: the program goes on, every file stays.
TEST_F(AppEndToEndTest, FileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    program.prepare(
        SavedState(std::vector<Snippet>{Snippet("Dolg", std::string(65536, 'x'), "D")}));
    const std::string before = readFile(program.data / "state.json");
    ASSERT_TRUE(program.start({}, {"prlimit", "--fsize=8192"}));
    ASSERT_TRUE(program.shown());
    spin(1s);
    EXPECT_EQ(program.process.state(), QProcess::Running);
    EXPECT_EQ(readFile(program.data / "state.json"), before);
    EXPECT_THAT(namesStartingWith(program.data, ".state"), testing::IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(program.data / "state.previous.json"));
}

}  // namespace
}  // namespace zuna
