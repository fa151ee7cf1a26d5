#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "model/ExchangeFiles.h"
#include "model/JsonData.h"

namespace zuna::test {
namespace {

using testing::SizeIs;

const std::string kTooManyGroups =
    "Skupaj bi bilo več kot 5 skupin. Izberi zamenjavo vseh ali najprej odstrani prazno skupino.";

std::vector<std::string> ids(const std::vector<Snippet>& buttons) {
    std::vector<std::string> result;
    for (const auto& b : buttons)
        result.push_back(b.id);
    return result;
}

// A store with two saved groups: the selected "G0" and "G1".
struct ImportFixture : testing::Test {
    TempDir dir;
    StateStore store{dir.path()};
    void SetUp() override { store.save(sampleState("s", 2)); }
    std::vector<std::string> importBackups() const {
        return namesStartingWith(dir.path(), "pred-uvozom-");
    }
};

TEST_F(ImportFixture, AddedButtonsNeverTakeTheIdentifierOfAButtonThatStays) {
    const SavedState before = store.state();
    // One button collides with the other group, one is new.
    std::vector<Snippet> incoming{Snippet("uvoz", "1", before.groups[1].buttons[0].id),
                                  Snippet("nov", "2", "NEW")};
    store.importButtons(incoming, false);
    const auto& buttons = store.state().buttons();
    ASSERT_THAT(buttons, SizeIs(5));
    EXPECT_NE(buttons[3].id, before.groups[1].buttons[0].id);
    EXPECT_EQ(buttons[3].id.size(), 36u);
    EXPECT_EQ(buttons[3].name, "uvoz");
    EXPECT_EQ(buttons[4].id, "NEW");
    EXPECT_EQ(store.state().groups[1], before.groups[1]);

    // The backup holds the groups from before the import.
    ASSERT_THAT(importBackups(), SizeIs(1));
    const auto backup = dir / importBackups()[0];
    EXPECT_THAT(importBackups()[0],
                testing::MatchesRegex("pred-uvozom-[0-9]{13}-[0-9A-F]{6}\\.zuna\\.json"));
    EXPECT_EQ(GroupFile::read(backup).groups, before.groups);
    EXPECT_EQ(permissions(backup), 0600u);

    // The same file again: every imported button gets a fresh identifier, both copies stay.
    store.importButtons(incoming, false);
    const auto& twice = store.state().buttons();
    ASSERT_THAT(twice, SizeIs(7));
    const auto all = ids(twice);
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 7u);
    EXPECT_EQ(twice[5].name, "uvoz");
    EXPECT_EQ(twice[6].name, "nov");
    EXPECT_NE(twice[6].id, "NEW");
    EXPECT_THAT(importBackups(), SizeIs(2));
}

TEST_F(ImportFixture, ReplacingWithTheGroupsOwnExportKeepsIdentifiers) {
    const auto exported = ButtonFile(store.state().buttons());
    writeFile(dir / "export.zuna.json", exported.data());
    const auto incoming = ButtonFile::read(dir / "export.zuna.json").buttons;
    std::vector<Snippet> reversed(incoming.rbegin(), incoming.rend());
    store.importButtons(reversed, true);
    EXPECT_EQ(store.state().buttons(), reversed);
    EXPECT_EQ(store.state().groups[0].name, "Skupina 0");
}

TEST_F(ImportFixture, AddingNothingStillBacksUpAndSaves) {
    const SavedState before = store.state();
    std::filesystem::remove(dir / "state.previous.json");
    store.importButtons({}, false);
    EXPECT_EQ(store.state(), before);
    EXPECT_THAT(importBackups(), SizeIs(1));
    EXPECT_EQ(readFile(dir / "state.previous.json"), jsonData(before));
}

TEST_F(ImportFixture, GroupImportsAddUpToFiveOrReplaceAll) {
    const GroupFile two({SnippetGroup("Uvoz 1", {Snippet("u", "1", "U1")}, "I1"),
                         SnippetGroup("Uvoz 2", {}, "I2")});
    store.importGroups(two.groups, false);
    ASSERT_THAT(store.state().groups, SizeIs(4));
    EXPECT_EQ(store.state().selectedGroupID, "Gs-0");
    // Added groups and their buttons get fresh identifiers.
    EXPECT_NE(store.state().groups[2].id, "I1");
    EXPECT_NE(store.state().groups[2].buttons[0].id, "U1");
    EXPECT_EQ(store.state().groups[2].name, "Uvoz 1");
    EXPECT_EQ(store.state().groups[3].name, "Uvoz 2");

    // Four groups and two more would be six: refused before anything is written.
    const Snapshot before = snapshot(dir.path());
    EXPECT_EQ(outcome([&] { store.importGroups(two.groups, false); }), kTooManyGroups);
    EXPECT_EQ(snapshot(dir.path()), before);

    // Replacing takes the file's identifiers and selects its first group.
    store.importGroups(two.groups, true);
    EXPECT_EQ(store.state().groups, two.groups);
    EXPECT_EQ(store.state().selectedGroupID, "I1");
    EXPECT_THAT(importBackups(), SizeIs(2));
}

TEST_F(ImportFixture, ExportAddedBackGetsFreshIdentifiersThroughout) {
    store.importGroups(store.state().groups, false);
    const auto& groups = store.state().groups;
    ASSERT_THAT(groups, SizeIs(4));
    std::set<std::string> buttonIDs;
    std::set<std::string> groupIDs;
    for (const auto& g : groups) {
        groupIDs.insert(g.id);
        for (const auto& b : g.buttons)
            buttonIDs.insert(b.id);
    }
    EXPECT_EQ(groupIDs.size(), 4u);
    EXPECT_EQ(buttonIDs.size(), 12u);
    EXPECT_EQ(groups[2].name, groups[0].name);
}

TEST_F(ImportFixture, InvalidImportsWriteNothing) {
    const Snapshot before = snapshot(dir.path());
    EXPECT_THAT(outcome([&] { store.importButtons({Snippet(" ", "")}, false); }),
                testing::StartsWith("Neveljaven gumb"));
    EXPECT_EQ(outcome([&] { store.importGroups({}, true); }),
              "Zuna Trep podpira od 1 do 5 skupin.");
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(ImportFixture, BackupStaysWhenTheSaveFails) {
    // Buttons valid on their own, but over the limit once added to the group.
    std::vector<Snippet> big;
    for (int i = 0; i < 17; ++i)
        big.emplace_back("b", std::string(1'000'000, 'x'));
    EXPECT_EQ(outcome([&] { store.importButtons(big, false); }),
              "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.");
    EXPECT_THAT(importBackups(), SizeIs(1));

    // A directory where the previous copy must go makes the save fail after the backup.
    std::filesystem::remove(dir / "state.previous.json");
    std::filesystem::create_directory(dir / "state.previous.json");
    const SavedState before = store.state();
    EXPECT_EQ(outcome([&] { store.importButtons({Snippet("x", "")}, false); }),
              "state.previous.json: Is a directory");
    EXPECT_EQ(store.state(), before);
    EXPECT_THAT(importBackups(), SizeIs(2));
    EXPECT_EQ(readFile(dir / "state.json"), jsonData(before));
}

}  // namespace
}  // namespace zuna::test
