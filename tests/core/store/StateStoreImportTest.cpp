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

// A store with two saved groups: the selected "Gs-0" and "Gs-1".
struct ImportFixture : testing::Test {
    TempDir dir;
    StateStore store{dir.path()};
    void SetUp() override { store.save(sampleState("s", 2)); }
    std::vector<std::string> importBackups() const {
        return namesStartingWith(dir.path(), "pred-uvozom-");
    }
    std::size_t distinctButtonIDs() const {
        std::set<std::string> ids;
        for (const auto& g : store.state().groups)
            for (const auto& b : g.buttons)
                ids.insert(b.id);
        return ids.size();
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
    EXPECT_EQ(buttons[3].name, "uvoz");
    EXPECT_EQ(buttons[4].id, "NEW");
    EXPECT_EQ(distinctButtonIDs(), 8u);
    EXPECT_EQ(store.state().groups[1], before.groups[1]);

    // The backup holds the groups from before the import.
    ASSERT_THAT(importBackups(), SizeIs(1));
    const auto backup = dir / importBackups()[0];
    EXPECT_THAT(importBackups()[0],
                testing::MatchesRegex("pred-uvozom-[0-9]{13}-[0-9A-F]{6}\\.zuna\\.json"));
    EXPECT_EQ(GroupFile::read(backup).groups, before.groups);
    EXPECT_EQ(permissions(backup), 0600u);

    // The same file again: both copies stay, each with its own identifier.
    store.importButtons(incoming, false);
    ASSERT_THAT(store.state().buttons(), SizeIs(7));
    EXPECT_EQ(distinctButtonIDs(), 10u);
    EXPECT_THAT(importBackups(), SizeIs(2));

    // Replacing with the group's own buttons, reordered, keeps their identifiers.
    const auto& own = store.state().buttons();
    const std::vector<Snippet> reversed(own.rbegin(), own.rend());
    store.importButtons(reversed, true);
    EXPECT_EQ(store.state().buttons(), reversed);
}

TEST_F(ImportFixture, GroupImportsAddUpToFiveOrReplaceAll) {
    // The store's own groups added back: fresh identifiers throughout.
    store.importGroups(store.state().groups, false);
    ASSERT_THAT(store.state().groups, SizeIs(4));
    EXPECT_EQ(store.state().selectedGroupID, "Gs-0");
    EXPECT_NE(store.state().groups[2].id, "Gs-0");
    EXPECT_EQ(store.state().groups[2].name, "Skupina 0");
    EXPECT_EQ(distinctButtonIDs(), 12u);

    // Four groups and two more would be six: refused before anything is written.
    const GroupFile two({SnippetGroup("Uvoz 1", {Snippet("u", "1", "U1")}, "I1"),
                         SnippetGroup("Uvoz 2", {}, "I2")});
    const Snapshot before = snapshot(dir.path());
    EXPECT_EQ(
        thrown([&] { store.importGroups(two.groups, false); }),
        "Skupaj bi bilo več kot 5 skupin. Izberi zamenjavo vseh ali najprej odstrani prazno skupino.");
    EXPECT_THAT(thrown([&] { store.importButtons({Snippet(" ", "")}, false); }),
                testing::StartsWith("Neveljaven gumb"));
    EXPECT_EQ(snapshot(dir.path()), before);

    // Replacing takes the file's identifiers and selects its first group.
    store.importGroups(two.groups, true);
    EXPECT_EQ(store.state().groups, two.groups);
    EXPECT_EQ(store.state().selectedGroupID, "I1");
    EXPECT_THAT(importBackups(), SizeIs(2));
}

TEST_F(ImportFixture, BackupStaysWhenTheSaveFails) {
    // Buttons valid on their own, but over the limit once added to the group.
    std::vector<Snippet> big;
    for (int i = 0; i < 17; ++i)
        big.emplace_back("b", std::string(1'000'000, 'x'));
    EXPECT_EQ(thrown([&] { store.importButtons(big, false); }),
              "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.");
    EXPECT_THAT(importBackups(), SizeIs(1));

    // A directory where the previous copy must go makes the save fail after the backup.
    std::filesystem::remove(dir / "state.previous.json");
    std::filesystem::create_directory(dir / "state.previous.json");
    const SavedState before = store.state();
    EXPECT_EQ(thrown([&] { store.importButtons({Snippet("x", "")}, false); }),
              "state.previous.json: Is a directory");
    EXPECT_EQ(store.state(), before);
    EXPECT_THAT(importBackups(), SizeIs(2));
    EXPECT_EQ(readFile(dir / "state.json"), jsonData(before));
}

}  // namespace
}  // namespace zuna::test
