#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "model/JsonData.h"

namespace zuna::test {
namespace {

using nlohmann::json;
using testing::SizeIs;

TEST(StateStoreSaveTest, EachSaveKeepsTheReplacedStateAsThePreviousCopy) {
    TempDir dir;
    const auto data = dir / "nested" / "Zuna Trep";
    StateStore store(data);
    const SavedState first = sampleState("first");
    store.save(first);
    EXPECT_EQ(permissions(dir / "nested"), 0700u);
    EXPECT_EQ(permissions(data), 0700u);
    EXPECT_EQ(permissions(data / "state.json"), 0600u);
    EXPECT_FALSE(std::filesystem::exists(data / "state.previous.json"));

    const SavedState second = sampleState("second", 2);
    store.save(second);
    EXPECT_EQ(readFile(data / "state.previous.json"), jsonData(first));
    EXPECT_EQ(permissions(data / "state.previous.json"), 0600u);
    EXPECT_EQ(readFile(data / "state.json"), jsonData(second));
    EXPECT_EQ(snapshot(data).size(), 2u);
    EXPECT_EQ(StateStore(data).state(), second);
}

TEST(StateStoreSaveTest, RefusedSavesTouchNothing) {
    TempDir dir;
    StateStore store(dir.path());
    store.save(sampleState("kept"));
    const Snapshot before = snapshot(dir.path());

    SavedState missingSelection = sampleState("x");
    missingSelection.selectedGroupID = "deleted";
    EXPECT_EQ(thrown([&] { store.save(missingSelection); }), "Izbrana skupina ne obstaja.");
    SavedState noGroups = sampleState("x");
    noGroups.groups.clear();
    EXPECT_EQ(thrown([&] { store.save(noGroups); }), "Zuna Trep podpira od 1 do 5 skupin.");
    // Just under 16 MB of text in 17 valid buttons, and then some more.
    SavedState tooMuch = sampleState("x", 1, 17);
    for (auto& b : tooMuch.groups[0].buttons)
        b.text.assign(1'000'000, 'x');
    EXPECT_EQ(thrown([&] { store.save(tooMuch); }),
              "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.");

    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_EQ(store.state(), sampleState("kept"));
}

// A file of an older form is copied aside once, byte for byte, before it is first overwritten.
TEST(StateStoreSaveTest, OlderFilesAreBackedUpOnce) {
    json unmigrated = json::parse(jsonData(sampleState("old")));
    unmigrated.erase("appearanceVersion");
    unmigrated["groups"][0]["buttons"][0]["color"] = "#397d70";
    const std::vector<std::pair<std::string, std::string>> files{
        {R"({"format": "zuna-trep", "version": 1, "buttons": [{"id": "A", "name": "a", "text": "1"}]})",
         "pred-prenovo-1\\.0-[0-9]{13}-[0-9A-F]{6}\\.json"},
        {unmigrated.dump(2), "pred-kompaktno-1\\.2-[0-9]{13}-[0-9A-F]{6}\\.json"},
    };
    for (const auto& [bytes, backupName] : files) {
        SCOPED_TRACE(backupName);
        TempDir dir;
        writeFile(dir / "state.json", bytes);
        StateStore store(dir.path());
        store.save(store.state());
        const auto backups = namesStartingWith(dir.path(), "pred-");
        ASSERT_THAT(backups, SizeIs(1));
        EXPECT_THAT(backups[0], testing::MatchesRegex(backupName));
        EXPECT_EQ(readFile(dir / backups[0]), bytes);
        EXPECT_EQ(permissions(dir / backups[0]), 0600u);
        // The previous copy is the converted state as the user saw it, not the old file.
        const json previous = json::parse(readFile(dir / "state.previous.json"));
        EXPECT_EQ(previous["version"], 2);
        EXPECT_EQ(previous["groups"][0]["buttons"][0]["color"], "#405875");
        store.save(store.state());
        EXPECT_THAT(namesStartingWith(dir.path(), "pred-"), SizeIs(1));
    }
}

TEST(StateStoreSaveTest, RelativeAndLinkedDataDirectories) {
    TempDir dir;
    const auto startedIn = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    StateStore relative("podatki");
    std::filesystem::current_path(startedIn);
    // The directory is the one below where the store was made, whatever happens later.
    relative.save(sampleState("rel"));
    EXPECT_TRUE(std::filesystem::exists(dir / "podatki" / "state.json"));

    // A link, even one whose target is not there yet, is followed and kept.
    std::filesystem::create_directory_symlink(dir / "later" / "data", dir / "link");
    StateStore linked(dir / "link");
    linked.save(sampleState("a"));
    linked.save(sampleState("b"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(permissions(dir / "later" / "data"), 0700u);
    EXPECT_EQ(readFile(dir / "later" / "data" / "state.json"), jsonData(sampleState("b")));
}

}  // namespace
}  // namespace zuna::test
