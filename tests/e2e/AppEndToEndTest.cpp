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

bool processIsActive(platform::LinuxDesktop& desktop, const QProcess& process) {
    const auto active = desktop.frontmostApplication();
    return active && active->processId == static_cast<int>(process.processId());
}

class AppEndToEndTest : public testing::Test {
  protected:
    TempDir dir;
    platform::LinuxDesktop desktop;
    Program program{dir.path() / "data"};
};

// The palette is on every workspace; the chosen keys hide and show it and a click on a button
// pastes, while the entry the user types in keeps the focus all along.
TEST_F(AppEndToEndTest, AClickPastesIntoTheEntryThatKeepsTheFocus) {
    const std::string text = "Lep pozdrav, Žiga Čuk — ščđćž ŠČĐĆŽ";
    SavedState state(std::vector<Snippet>{Snippet("Pozdrav", text, "P")});
    state.globalShortcut = "Ctrl+Alt+Z";
    program.prepare(state);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.shown());
    ASSERT_TRUE(xdotool({"set_desktop", "2"}));
    EXPECT_TRUE(waitUntil([&] { return run("xdotool", {"get_desktop"}) == "2\n"; }));
    EXPECT_EQ(windowsTitled("Zuna Trep").size(), 1u);
    ASSERT_TRUE(xdotool({"set_desktop", "0"}));

    TargetApp entry("zenity", {"--entry", "--title=Vnos", "--text=Besedilo"});
    ASSERT_TRUE(entry.waitUntilReady(desktop));
    for (const std::size_t palettes : {0u, 1u}) {
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

// Every path to the data folder meets the one lock inside it; a second start that can reach the
// first shows its hidden palette at once, one that cannot says so, and none runs beside it.
// Runtime directories that are not the user's own are never used.
TEST_F(AppEndToEndTest, OneProgramPerDataFolderWhicheverPathLeadsThere) {
    program.prepare(SavedState(std::vector<Snippet>{Snippet("Pozdrav", "besedilo", "P")}));
    const auto own = [&](const std::string& name, mode_t mode) {
        const auto path = dir.path() / name;
        std::filesystem::create_directory(path);
        chmod(path.c_str(), mode);
        return QString::fromStdString(path.string());
    };
    const QString otherLogin = own("other-runtime", 0700);
    const QString shared = own("shared-runtime", 0777);
    const QString bind = own("bind", 0700);
    std::filesystem::create_symlink(program.data, dir.path() / "link");
    const QString link = QString::fromStdString((dir.path() / "link").string());
    const bool bindMounts = QProcess::execute("unshare", {"-m", "true"}) == 0;

    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.shown());
    ASSERT_TRUE(clickAt(program.hideButton()));
    ASSERT_TRUE(waitUntil([&] { return windowsTitled("Zuna Trep").empty(); }));
    const std::string before = readFile(program.data / "state.json");
    struct SecondStart {
        const char* how;
        std::map<QString, QString> environment;
        QStringList command;
        int exitCode;
    };
    const std::vector<SecondStart> starts{
        {"the same way", {}, {}, 0},
        {"through a link", {{"ZUNA_DATA_DIR", link}}, {}, 0},
        {"through a bind mount",
         {{"ZUNA_DATA_DIR", bind}},
         {"unshare", "-m", "sh", "-c",
          "mount --bind '" + QString::fromStdString(program.data.string()) + "' '" + bind +
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
        const auto started = Clock::now();
        ASSERT_TRUE(program.start(second.environment, second.command, &process));
        ASSERT_TRUE(finished(process));
        EXPECT_EQ(process.exitCode(), second.exitCode);
        EXPECT_LT(Clock::now() - started, 1s);
        EXPECT_TRUE(program.shown());
    }
    EXPECT_EQ(readFile(program.data / "state.json"), before);
    EXPECT_TRUE(std::filesystem::is_empty(shared.toStdString()));

    // The power button quits; started with only a shared runtime directory, the program runs
    // and leaves nothing there.
    ASSERT_TRUE(clickAt(program.quitButton()));
    ASSERT_TRUE(finished(program.process));
    EXPECT_EQ(program.process.exitCode(), 0);
    ASSERT_TRUE(program.start({{"XDG_RUNTIME_DIR", shared}}));
    ASSERT_TRUE(program.shown());
    EXPECT_TRUE(std::filesystem::is_empty(shared.toStdString()));
}

// A damaged state file: the program starts from the previous copy, keeps the damaged one aside
// and says so in an alert in front, with the keyboard focus; Return closes it.
TEST_F(AppEndToEndTest, DamagedStateShowsTheRecoveryAlertAndKeepsTheDamagedFile) {
    const std::string damaged = "{\"format\": \"zuna-trep\", \"vers";
    program.prepare(SavedState(std::vector<Snippet>{Snippet("Rešen", "da", "R")}));
    std::filesystem::rename(program.data / "state.json", program.data / "state.previous.json");
    writeFile(program.data / "state.json", damaged);
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.shown());
    ASSERT_TRUE(waitUntil([&] { return processIsActive(desktop, program.process); }));
    const auto kept = namesStartingWith(program.data, "state-damaged-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(readFile(program.data / kept[0]), damaged);
    EXPECT_EQ(readFile(program.data / "state.json"), damaged);
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(waitUntil([&] { return !processIsActive(desktop, program.process); }));
}

// Under a file-size limit a save fails like one on a full disk: the program goes on, and every
// file stays as it was.
TEST_F(AppEndToEndTest, FileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    program.prepare(
        SavedState(std::vector<Snippet>{Snippet("Dolg", std::string(64 * 1024, 'x'), "D")}));
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
