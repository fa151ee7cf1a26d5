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

const std::string kButtonMessage =
    "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB.";

TEST(StateStoreSaveTest, FirstAndSecondSave) {
    TempDir dir;
    const auto data = dir / "nested" / "Zuna Trep";
    StateStore store(data);
    const SavedState first = sampleState("first");
    store.save(first);
    EXPECT_EQ(permissions(dir / "nested"), 0700u);
    EXPECT_EQ(permissions(data), 0700u);
    EXPECT_EQ(permissions(data / "state.json"), 0600u);
    EXPECT_EQ(readFile(data / "state.json"), jsonData(first));
    EXPECT_FALSE(std::filesystem::exists(data / "state.previous.json"));
    EXPECT_EQ(store.state(), first);

    const SavedState second = sampleState("second", 2);
    store.save(second);
    EXPECT_EQ(readFile(data / "state.previous.json"), jsonData(first));
    EXPECT_EQ(permissions(data / "state.previous.json"), 0600u);
    EXPECT_EQ(readFile(data / "state.json"), jsonData(second));
    // Saving an equal state still rewrites both files.
    store.save(second);
    EXPECT_EQ(readFile(data / "state.previous.json"), jsonData(second));
    EXPECT_EQ(snapshot(data).size(), 2u);
    // Reopened, the store has what was saved.
    EXPECT_EQ(StateStore(data).state(), second);
}

TEST(StateStoreSaveTest, RefusedSavesTouchNothing) {
    TempDir dir;
    StateStore store(dir.path());
    store.save(sampleState("kept"));
    const Snapshot before = snapshot(dir.path());

    SavedState missingSelection = sampleState("x");
    missingSelection.selectedGroupID = "deleted";
    EXPECT_EQ(outcome([&] { store.save(missingSelection); }), "Izbrana skupina ne obstaja.");

    SavedState tooLong = sampleState("x");
    tooLong.groups[0].buttons[0].text.assign(1'048'577, 'x');
    EXPECT_EQ(outcome([&] { store.save(tooLong); }), kButtonMessage);

    SavedState noGroups = sampleState("x");
    noGroups.groups.clear();
    EXPECT_EQ(outcome([&] { store.save(noGroups); }), "Zuna Trep podpira od 1 do 5 skupin.");

    // Just under 16 MB of text in 17 valid buttons, and then some more.
    SavedState tooMuch = sampleState("x", 1, 17);
    for (auto& b : tooMuch.groups[0].buttons)
        b.text.assign(1'000'000, 'x');
    EXPECT_EQ(outcome([&] { store.save(tooMuch); }),
              "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.");

    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_EQ(store.state(), sampleState("kept"));
}

TEST(StateStoreSaveTest, LegacyFileIsBackedUpOnceBeforeItIsOverwritten) {
    TempDir dir;
    const std::string legacy =
        R"({"format": "zuna-trep", "version": 1, "buttons": [{"id": "A", "name": "a", "text": "1"}]})";
    writeFile(dir / "state.json", legacy);
    StateStore store(dir.path());
    SavedState changed = store.state();
    changed.theme = AppTheme::zuna;
    store.save(changed);

    const auto backups = namesStartingWith(dir.path(), "pred-prenovo-1.0-");
    ASSERT_THAT(backups, SizeIs(1));
    EXPECT_THAT(backups[0],
                testing::MatchesRegex("pred-prenovo-1\\.0-[0-9]{13}-[0-9A-F]{6}\\.json"));
    EXPECT_EQ(readFile(dir / backups[0]), legacy);
    EXPECT_EQ(permissions(dir / backups[0]), 0600u);
    EXPECT_THAT(namesStartingWith(dir.path(), "pred-kompaktno-"), SizeIs(0));
    // The previous copy is the converted state as the user saw it, not the old file.
    const json previous = json::parse(readFile(dir / "state.previous.json"));
    EXPECT_EQ(previous["version"], 2);
    EXPECT_EQ(previous["groups"][0]["buttons"][0]["color"], "#405875");

    store.save(changed);
    EXPECT_THAT(namesStartingWith(dir.path(), "pred-"), SizeIs(1));
}

TEST(StateStoreSaveTest, UnmigratedFileIsBackedUpOnce) {
    TempDir dir;
    json old = json::parse(jsonData(sampleState("old")));
    old.erase("appearanceVersion");
    old["groups"][0]["buttons"][0]["color"] = "#397d70";
    old["groups"][0]["buttons"][1]["color"] = "#397D70";
    const std::string oldBytes = old.dump(2);
    writeFile(dir / "state.json", oldBytes);

    StateStore store(dir.path());
    store.save(store.state());
    const auto backups = namesStartingWith(dir.path(), "pred-kompaktno-1.2-");
    ASSERT_THAT(backups, SizeIs(1));
    EXPECT_EQ(readFile(dir / backups[0]), oldBytes);
    EXPECT_EQ(permissions(dir / backups[0]), 0600u);
    const json saved = json::parse(readFile(dir / "state.json"));
    EXPECT_EQ(saved["appearanceVersion"], 1);
    EXPECT_EQ(saved["groups"][0]["buttons"][0]["color"], "#405875");
    EXPECT_EQ(saved["groups"][0]["buttons"][1]["color"], "#405875");
    EXPECT_EQ(saved["groups"][0]["buttons"][2]["color"], "#405875");

    store.save(store.state());
    EXPECT_THAT(namesStartingWith(dir.path(), "pred-"), SizeIs(1));
}

TEST(StateStoreSaveTest, RestoredStateIsSavedOverTheDamagedFile) {
    TempDir dir;
    writeFile(dir / "state.json", "garbage");
    const SavedState previous = sampleState("p");
    writeFile(dir / "state.previous.json", jsonData(previous));
    StateStore store(dir.path());
    ASSERT_TRUE(store.writable());

    const SavedState next = sampleState("next");
    store.save(next);
    EXPECT_EQ(readFile(dir / "state.json"), jsonData(next));
    EXPECT_EQ(readFile(dir / "state.previous.json"), jsonData(previous));
    const auto damaged = namesStartingWith(dir.path(), "state-damaged-");
    ASSERT_THAT(damaged, SizeIs(1));
    EXPECT_EQ(readFile(dir / damaged[0]), "garbage");
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

    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "link");
    StateStore linked(dir / "link");
    linked.save(sampleState("a"));
    linked.save(sampleState("b"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(readFile(dir / "real" / "state.json"), jsonData(sampleState("b")));
    EXPECT_EQ(StateStore(dir / "link").state(), sampleState("b"));

    // A link whose target is not there yet gets its target created.
    std::filesystem::create_directory_symlink(dir / "later" / "data", dir / "dangling");
    StateStore dangling(dir / "dangling");
    dangling.save(sampleState("c"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling"));
    EXPECT_EQ(permissions(dir / "later" / "data"), 0700u);
    EXPECT_EQ(readFile(dir / "later" / "data" / "state.json"), jsonData(sampleState("c")));
}

}  // namespace
}  // namespace zuna::test
