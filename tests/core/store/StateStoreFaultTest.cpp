// Real faults, really caused: a full disk (a file-size limit), entries of the wrong kind where
// files must go, and a process killed in the middle of saving.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>

#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "core/model/Errors.h"
#include "core/model/JsonData.h"

namespace zuna::test {
namespace {

using testing::SizeIs;

// Runs `body` in a child process whose files may grow to `limit` bytes, as on a full disk, and
// returns its exit code; the child never returns here.
template <typename F>
int underFileSizeLimit(rlim_t limit, F&& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        signal(SIGXFSZ, SIG_IGN);
        int code = 3;
        try {
            code = body();
        } catch (...) {
            code = 4;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

std::vector<std::string> temporaryFiles(const std::filesystem::path& dir) {
    return namesStartingWith(dir, ".");
}

TEST(StateStoreFaultTest, StoppedStoreWritesNothingAtAll) {
    TempDir dir;
    writeFile(dir / "state.json", "{\"format\": \"zuna-trep\"");
    writeFile(dir / "state.previous.json", "[]");
    const Snapshot before = snapshot(dir.path());

    StateStore store(dir.path());
    ASSERT_FALSE(store.writable());
    const std::string stopped =
        "Shranjevanje je ustavljeno, da ohranimo neberljive podatke. Odpri mapo podatkov in obnovi svojo datoteko.";
    const std::string importStopped = "Najprej obnovi mapo podatkov; uvoz je ustavljen.";
    const SavedState valid = sampleState("v", 2);
    const std::vector<std::pair<std::function<void()>, std::string>> operations{
        {[&] { store.save(valid); }, stopped},
        {[&] { store.replaceButtons({Snippet("a", "b")}); }, stopped},
        {[&] { store.backupBeforeImport(); }, importStopped},
        {[&] { store.importButtons({Snippet("a", "b")}, true); }, importStopped},
        {[&] { store.importGroups(valid.groups, false); }, importStopped},
        // Invalid content is reported as such first.
        {[&] { store.importGroups({}, true); }, "Zuna Trep podpira od 1 do 5 skupin."},
    };
    for (const auto& [operation, message] : operations)
        EXPECT_EQ(thrown(operation), message);
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST(StateStoreFaultTest, FullDiskDuringASaveChangesNothing) {
    TempDir dir;
    const SavedState small = sampleState("small");
    StateStore(dir.path()).save(small);
    const std::string stateBytes = readFile(dir / "state.json");

    SavedState big = sampleState("big", 3, 20);
    for (auto& g : big.groups) {
        for (auto& b : g.buttons)
            b.text.assign(2000, 'x');
    }
    // First the limit lets the small previous copy through and stops the big state file; then
    // it stops the previous copy too.
    for (const rlim_t limit : {rlim_t(stateBytes.size() + 100), rlim_t(100)}) {
        SCOPED_TRACE(limit);
        const int code = underFileSizeLimit(limit, [&] {
            StateStore store(dir.path());
            try {
                store.save(big);
            } catch (const FileError& error) {
                const bool described =
                    std::string(error.what()).find("File too large") != std::string::npos;
                return store.state() == small && described ? 0 : 1;
            }
            return 2;
        });
        EXPECT_EQ(code, 0);
        EXPECT_EQ(readFile(dir / "state.json"), stateBytes);
        EXPECT_THAT(temporaryFiles(dir.path()), SizeIs(0));
        EXPECT_EQ(StateStore(dir.path()).state(), small);
    }
}

// A damaged state file that cannot be copied aside must never be overwritten: the store stops.
TEST(StateStoreFaultTest, DamagedFileThatCannotBeKeptStopsTheStore) {
    TempDir dir;
    writeFile(dir / "state.json", std::string(20'000, '{'));
    writeFile(dir / "state.previous.json", jsonData(sampleState("p", 2)));
    const Snapshot before = snapshot(dir.path());
    // The limit lets the previous copy be read but not the damaged file be copied.
    const int code = underFileSizeLimit(8192, [&] {
        const StateStore store(dir.path());
        const bool stopped = !store.writable() &&
                             store.recoveryNotice()->find("File too large") != std::string::npos;
        return stopped && store.state().buttons().empty() ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(snapshot(dir.path()), before);
}

// The state of round r, save i: its size varies so that a torn write could not pass as whole.
SavedState killState(int round, int save) {
    SavedState state = sampleState(std::to_string(round) + "-" + std::to_string(save), 2, 3);
    state.groups[1].buttons[0].text.assign(static_cast<std::size_t>(500 + 1500 * (save % 5)), 'k');
    return state;
}

TEST(StateStoreFaultTest, KilledWhileSavingLeavesOneWholeStateEveryTime) {
    TempDir dir;
    StateStore(dir.path()).save(killState(0, 0));
    // The kills fall within the first few saves of each child, timed from when it has opened
    // the store: on a loaded machine a fixed time would land before the first save ever ends.
    const auto timed = std::chrono::steady_clock::now();
    for (int save = 1; save <= 5; ++save)
        StateStore(dir.path()).save(killState(0, save));
    const auto oneSave = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::steady_clock::now() - timed) /
                         5;
    std::mt19937 random(20261206);
    std::uniform_int_distribution<long> delayMicros(0, std::max<long>(4 * oneSave.count(), 2000));
    const auto started = std::chrono::steady_clock::now();
    int rounds = 0;
    int newerStates = 0;
    std::size_t leftovers = 0;
    std::string lastTag;
    for (int round = 1; round <= 220; ++round, ++rounds) {
        int opened[2];
        ASSERT_EQ(pipe(opened), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                StateStore store(dir.path());
                [[maybe_unused]] const auto told = write(opened[1], "o", 1);
                for (int save = 1;; ++save)
                    store.save(killState(round, save));
            } catch (...) {
            }
            _exit(1);
        }
        close(opened[1]);
        char byte = 0;
        [[maybe_unused]] const auto heard = read(opened[0], &byte, 1);
        close(opened[0]);
        usleep(static_cast<useconds_t>(delayMicros(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped by itself in round " << round;

        leftovers += temporaryFiles(dir.path()).size();
        const StateStore reopened(dir.path());
        ASSERT_THAT(temporaryFiles(dir.path()), SizeIs(0)) << "round " << round;
        ASSERT_FALSE(reopened.recoveryNotice().has_value()) << *reopened.recoveryNotice();
        // The first button's name is "Gumb <round>-<save>-0-0": that state, whole.
        const std::string& name = reopened.state().groups.at(0).buttons.at(0).name;
        const std::string tag = name.substr(5, name.size() - 5 - 4);
        const auto dash = tag.find('-');
        ASSERT_EQ(reopened.state(), killState(std::stoi(tag), std::stoi(tag.substr(dash + 1))))
            << "round " << round;
        newerStates += tag != lastTag;
        lastTag = tag;
    }
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(seconds, 60.0);
    // The kills must land in the middle of saving, not only before the first save.
    EXPECT_GT(newerStates, rounds / 4);
    RecordProperty("rounds", rounds);
    std::printf(
        "%d kills in %.1f s, %d of them after a newer state was saved; %zu temporary files "
        "left by them, all removed at the next opening\n",
        rounds, seconds, newerStates, leftovers);
}

}  // namespace
}  // namespace zuna::test
