#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <tuple>

#include "StoreTestSupport.h"
#include "TestSupport.h"
#include "core/fs/FileSystem.h"
#include "core/model/ExchangeFiles.h"
#include "core/model/JsonData.h"

namespace zuna::test {
namespace {

using nlohmann::json;
using testing::MatchesRegex;
using testing::SizeIs;

const std::string kRestored =
    "Obnovljena je zadnja varnostna kopija. Poškodovana datoteka je ohranjena v mapi podatkov.";
const std::string kStopped =
    "Podatkov ni bilo mogoče odpreti. Datotek nismo prepisali. Preveri mapo podatkov ali obnovi izvoz. ";
const std::string kStamp = "[0-9]{13}-[0-9A-F]{6}";

// What opening finds and makes of it. A damaged state file with a readable previous copy: the
// state is restored and the damaged bytes are kept aside. Without a readable previous copy the
// store stops and names the copy's problem. A state file that is gone, or an entry in its place
// that is no file, holds nothing a save could lose: the previous copy is restored and such an
// entry is left as it is. Nothing else is written.
TEST(StateStoreTest, OpeningRestoresThePreviousCopyKeepsDamageAsideOrStops) {
    json six = json::parse(jsonData(sampleState("six", 5, 1)));
    six["groups"].push_back(six["groups"][0]);
    six["groups"][5]["id"] = "G6";
    const std::string valid = jsonData(sampleState("x"));
    const std::string previous = jsonData(sampleState("previous", 2));
    const std::string left =
        "Obnovljena je zadnja varnostna kopija. Vnos state.json ni datoteka, zato ga nismo kopirali; ostal je v mapi podatkov, kot je.";
    using Make = std::function<void(const std::filesystem::path&)>;
    const auto bytes = [](std::string content) -> Make {
        return [content](const auto& p) { writeFile(p, content); };
    };
    struct Opening {
        const char* what;
        Make state;
        std::optional<std::string> previous;
        std::string notice;
    };
    const Opening openings[] = {
        {"empty", bytes(""), previous, kRestored},
        {"truncated", bytes(valid.substr(0, valid.size() / 2)), previous, kRestored},
        {"not UTF-8", bytes("{\"format\": \"zuna-trep\xc3\x28\", \"version\": 2}"), previous,
         kRestored},
        {"six groups", bytes(six.dump()), previous, kRestored},
        {"too large", bytes(std::string(16'777'217, ' ')), previous, kRestored},
        {"version 3", bytes(R"({"format": "zuna-trep", "version": 3, "groups": []})"), previous,
         kRestored},
        {"NUL tail", bytes(valid + std::string(4096, '\0')), previous, kRestored},
        {"missing", [](const auto&) {}, previous, kRestored},
        {"directory", [](const auto& p) { std::filesystem::create_directory(p); }, previous, left},
        {"pipe", [](const auto& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, previous, left},
        {"no previous copy", bytes("{"), std::nullopt,
         kStopped + "state.previous.json: No such file or directory"},
        {"previous copy too large", bytes("{"), std::string(16'777'217, '{'),
         kStopped + "Datoteka je prevelika (največ 16 MB)."},
        {"previous copy without groups", bytes("{"),
         R"({"format": "zuna-trep", "version": 2, "groups": []})",
         kStopped + "Zuna Trep podpira od 1 do 5 skupin."},
    };
    for (const Opening& o : openings) {
        SCOPED_TRACE(o.what);
        TempDir dir;
        o.state(dir / "state.json");
        if (o.previous) writeFile(dir / "state.previous.json", *o.previous);
        const Snapshot before = snapshot(dir.path());
        // Only a damaged file is copied aside, and only when the state was restored.
        const bool keptAside =
            o.notice == kRestored && std::filesystem::is_regular_file(dir / "state.json");

        const StateStore store(dir.path());
        const bool stopped = o.notice.rfind(kStopped, 0) == 0;
        EXPECT_EQ(store.writable(), !stopped);
        EXPECT_EQ(store.recoveryNotice(), o.notice);
        if (stopped) {
            EXPECT_TRUE(store.state().buttons().empty());
        } else {
            EXPECT_EQ(store.state(), SavedState::fromJson(previous));
        }
        Snapshot after = snapshot(dir.path());
        const auto damaged = namesStartingWith(dir.path(), "state-damaged-");
        ASSERT_THAT(damaged, SizeIs(keptAside ? 1 : 0));
        for (const auto& name : damaged) {
            EXPECT_THAT(name, MatchesRegex("state-damaged-" + kStamp + "\\.json"));
            EXPECT_EQ(after[name].bytes, before.at("state.json").bytes);
            after.erase(name);
        }
        EXPECT_EQ(after, before);
    }

    TempDir empty;
    const StateStore samples(empty / "a" / "b");
    EXPECT_TRUE(samples.writable() && !samples.recoveryNotice());
    EXPECT_EQ(samples.state().buttons().size(), 4u);
    EXPECT_TRUE(snapshot(empty.path()).empty());
}

// Each save keeps the state it replaces as the previous copy, also the first save after a
// restore; the folders and files are the owner's only, even under a permissive umask. A relative
// data folder is the one below where the store was made; a link to it, even one whose target is
// not there yet, is followed and kept.
TEST(StateStoreTest, EachSaveKeepsTheReplacedStateAsThePreviousCopy) {
    TempDir dir;
    ScopedUmask open(0);
    const auto data = dir / "nested" / "Zuna Trep";
    std::filesystem::create_directory_symlink(data, dir / "link");
    const auto startedIn = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    StateStore store("link");
    std::filesystem::current_path(startedIn);
    const SavedState first = sampleState("first");
    store.save(first);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(permissions(dir / "nested"), 0700u);
    EXPECT_EQ(permissions(data), 0700u);
    EXPECT_EQ(permissions(data / "state.json"), 0600u);
    EXPECT_FALSE(std::filesystem::exists(data / "state.previous.json"));

    const SavedState second = sampleState("second", 2);
    store.save(second);
    EXPECT_EQ(readFile(data / "state.previous.json"), jsonData(first));
    EXPECT_EQ(permissions(data / "state.previous.json"), 0600u);
    EXPECT_EQ(snapshot(data).size(), 2u);
    EXPECT_EQ(StateStore(data).state(), second);

    std::filesystem::remove(data / "state.json");
    StateStore restored(data);
    const SavedState third = sampleState("third");
    restored.save(third);
    EXPECT_EQ(readFile(data / "state.previous.json"), jsonData(first));
    restored.save(sampleState("fourth"));
    EXPECT_EQ(readFile(data / "state.previous.json"), jsonData(third));
}

// Another writer's file is merged, never overwritten unseen: one renamed over the state file
// before a save, damaged bytes written in place, a sync tool's conflict copy (of the previous
// copy: only kept). What cannot be merged is kept aside.
TEST(StateStoreTest, AnotherWritersFilesAreMergedOrKeptNeverOverwritten) {
    TempDir dir;
    StateStore store(dir.path());
    store.save(sampleState("start"));
    const auto withButton = [](SavedState state, const std::string& id) {
        state.groups[0].buttons.emplace_back(id, "besedilo", id);
        return state;
    };
    fs::writeFileAtomically(dir / "state.json", jsonData(withButton(store.state(), "OUT")));
    store.save(withButton(store.state(), "MINE"));
    const auto names = [](const SavedState& state) {
        std::vector<std::string> ids;
        for (const auto& b : state.groups[0].buttons)
            ids.push_back(b.name);
        return ids;
    };
    EXPECT_THAT(
        names(SavedState::fromJson(readFile(dir / "state.json"))),
        testing::ElementsAre("Gumb start-0-0", "Gumb start-0-1", "Gumb start-0-2", "MINE", "OUT"));
    EXPECT_THAT(names(SavedState::fromJson(readFile(dir / "state.previous.json"))), SizeIs(4));
    ASSERT_THAT(store.takeNotice(),
                testing::Optional(testing::Field(&StateStore::Notice::error, false)));

    const SavedState shown = store.state();
    std::ofstream(dir / "state.json", std::ios::trunc) << "{\"nicht";
    EXPECT_FALSE(store.takeOutsideChanges());
    EXPECT_EQ(SavedState::fromJson(readFile(dir / "state.json")), shown);
    const auto damaged = namesStartingWith(dir.path(), "state-damaged-");
    ASSERT_THAT(damaged, SizeIs(1));
    EXPECT_EQ(readFile(dir / damaged[0]), "{\"nicht");
    EXPECT_TRUE(store.takeNotice()->error);

    for (const char* kind : {"", ".previous"}) {
        writeFile(dir / ("state" + std::string(kind) + ".sync-conflict-20261208-101010-ABC.json"),
                  jsonData(withButton(sampleState("start"), *kind ? "OLD" : "COPY")));
    }
    EXPECT_TRUE(store.takeOutsideChanges());
    EXPECT_EQ(names(store.state()).back(), "COPY");
    EXPECT_THAT(names(store.state()), testing::Not(testing::Contains("OLD")));
    EXPECT_THAT(namesStartingWith(dir.path(), "state.sync"), SizeIs(0));
    EXPECT_THAT(namesStartingWith(dir.path(), "state.previous.sync"), SizeIs(0));
    EXPECT_THAT(namesStartingWith(dir.path(), "sinhronizacija-"), SizeIs(2));
    EXPECT_EQ(StateStore(dir.path()).state(), store.state());
}

TEST(StateStoreTest, RefusedSavesTouchNothing) {
    TempDir dir;
    StateStore store(dir.path());
    store.save(sampleState("kept"));
    const Snapshot before = snapshot(dir.path());

    SavedState missingSelection = sampleState("x");
    missingSelection.selectedGroupID = "deleted";
    EXPECT_EQ(thrown([&] { store.save(missingSelection); }), "Izbrana skupina ne obstaja.");
    EXPECT_EQ(snapshot(dir.path()), before);
    EXPECT_EQ(store.state(), sampleState("kept"));

    // A file where the data folder, or one of its parents, must be.
    writeFile(dir / "file", "x");
    for (const auto& data : {dir / "file" / "data", dir / "file"})
        EXPECT_EQ(thrown([&] { StateStore(data).save(sampleState("s")); }),
                  "file: Not a directory");
    EXPECT_EQ(readFile(dir / "file"), "x");
}

// A file of an older form is copied aside once, byte for byte, before it is first overwritten;
// the file itself stays as it is until then.
TEST(StateStoreTest, OlderFilesAreConvertedInMemoryAndBackedUpOnce) {
    const std::string version1 =
        json{{"format", "zuna-trep"},
             {"version", 1},
             {"buttons",
              {{{"id", "A"}, {"name", "a"}, {"text", "1"}},
               {{"id", "B"}, {"name", "b"}, {"text", "2"}, {"color", "#397d70"}},
               {{"id", "C"}, {"name", "c"}, {"text", "3"}, {"color", "#C0392B"}}}}}
            .dump(1);
    json unmigrated = json::parse(jsonData(sampleState("old")));
    unmigrated.erase("appearanceVersion");
    unmigrated["groups"][0]["buttons"][0]["color"] = "#397d70";
    // A version 2 file that says it was migrated keeps the old colour.
    json migrated = json::parse(jsonData(sampleState("m")));
    migrated["groups"][0]["buttons"][0]["color"] = "#397D70";
    const std::vector<std::tuple<std::string, std::string, std::string>> files{
        {version1, "pred-prenovo-1\\.0-", "#405875 #405875 #C0392B"},
        {unmigrated.dump(2), "pred-kompaktno-1\\.2-", "#405875 #405875 #405875"},
        {migrated.dump(), "", "#397D70 #405875 #405875"},
    };
    for (const auto& [bytes, backupName, colors] : files) {
        SCOPED_TRACE(backupName);
        TempDir dir;
        writeFile(dir / "state.json", bytes);
        StateStore store(dir.path());
        EXPECT_FALSE(store.recoveryNotice().has_value());
        std::string seen;
        for (const auto& b : store.state().buttons())
            seen += (seen.empty() ? "" : " ") + b.color;
        EXPECT_EQ(seen, colors);
        EXPECT_EQ(readFile(dir / "state.json"), bytes);
        if (backupName.empty()) continue;

        store.save(store.state());
        const auto backups = namesStartingWith(dir.path(), "pred-");
        ASSERT_THAT(backups, SizeIs(1));
        EXPECT_THAT(backups[0], MatchesRegex(backupName + kStamp + "\\.json"));
        EXPECT_EQ(readFile(dir / backups[0]), bytes);
        EXPECT_EQ(permissions(dir / backups[0]), 0600u);
        // The previous copy is the converted state as the user saw it, not the old file.
        const json previous = json::parse(readFile(dir / "state.previous.json"));
        EXPECT_EQ(previous["groups"][0]["buttons"][0]["color"], "#405875");
        store.save(store.state());
        EXPECT_THAT(namesStartingWith(dir.path(), "pred-"), SizeIs(1));
    }
}

// Saves killed midway leave hidden temporary files; opening removes them: the store's own, the
// user's own, regular files only, and never while the store is stopped.
TEST(StateStoreTest, OpeningRemovesTheLeftoversOfInterruptedSaves) {
    const std::vector<std::string> leftovers{".state.json.AbC123", ".state.previous.json.x1y2z3",
                                             ".pred-uvozom-1765000000000-ABCDEF.zuna.json.qwerty"};
    const std::vector<std::string> others{".state.json.abc12",
                                          ".state.json.ab-123",
                                          ".notes.json.abcdef",
                                          "state.json.abcdef",
                                          ".pred-uvozom-x.zuna.json.abcdef",
                                          ".state.json.nobody"};
    for (const bool readable : {true, false}) {
        SCOPED_TRACE(readable ? "ordinary" : "stopped");
        TempDir dir;
        writeFile(dir / "state.json", readable ? jsonData(sampleState("s")) : "{");
        for (const auto& name : leftovers)
            writeFile(dir / name, "{\"format\": \"zuna-");
        for (const auto& name : others)
            writeFile(dir / name, "keep");
        ASSERT_EQ(::chown((dir / ".state.json.nobody").c_str(), 65534, 65534), 0);
        std::filesystem::create_directory(dir / ".state.json.dir123");
        std::filesystem::create_symlink(dir / "state.json", dir / ".state.json.lnk123");

        const StateStore store(dir.path());
        ASSERT_EQ(store.writable(), readable);
        for (const auto& name : leftovers)
            EXPECT_EQ(std::filesystem::exists(dir / name), !readable) << name;
        for (const auto& name : others)
            EXPECT_EQ(readFile(dir / name), "keep") << name;
        EXPECT_TRUE(std::filesystem::is_directory(dir / ".state.json.dir123"));
        EXPECT_TRUE(std::filesystem::is_symlink(dir / ".state.json.lnk123"));
    }
}

// A store with two saved groups: the selected "Gs-0" and "Gs-1". Every import is checked whole
// before it is saved, so a kept identifier that collided would fail the import.
struct ImportTest : testing::Test {
    TempDir dir;
    StateStore store{dir.path()};
    void SetUp() override { store.save(sampleState("s", 2)); }
    std::vector<std::string> importBackups() const {
        return namesStartingWith(dir.path(), "pred-uvozom-");
    }
};

TEST_F(ImportTest, AddedButtonsNeverTakeTheIdentifierOfAButtonThatStays) {
    const SavedState before = store.state();
    // One button collides with the other group, one is new.
    std::vector<Snippet> incoming{Snippet("uvoz", "1", before.groups[1].buttons[0].id),
                                  Snippet("nov", "2", "NEW")};
    store.importButtons(incoming, false);
    const auto& buttons = store.state().buttons();
    ASSERT_THAT(buttons, SizeIs(5));
    EXPECT_EQ(buttons[3].name, "uvoz");
    EXPECT_EQ(buttons[4].id, "NEW");
    EXPECT_EQ(store.state().groups[1], before.groups[1]);

    // The backup holds the groups from before the import.
    ASSERT_THAT(importBackups(), SizeIs(1));
    const auto backup = dir / importBackups()[0];
    EXPECT_THAT(importBackups()[0], MatchesRegex("pred-uvozom-" + kStamp + "\\.zuna\\.json"));
    EXPECT_EQ(GroupFile::read(backup).groups, before.groups);
    EXPECT_EQ(permissions(backup), 0600u);

    // The same file again: both copies stay, each with its own identifier.
    store.importButtons(incoming, false);
    ASSERT_THAT(store.state().buttons(), SizeIs(7));

    // Replacing with the group's own buttons, reordered, keeps their identifiers.
    const auto& own = store.state().buttons();
    const std::vector<Snippet> reversed(own.rbegin(), own.rend());
    store.importButtons(reversed, true);
    EXPECT_EQ(store.state().buttons(), reversed);

    // The backup is made first and stays when the save after it fails.
    std::filesystem::remove(dir / "state.previous.json");
    std::filesystem::create_directory(dir / "state.previous.json");
    const SavedState kept = store.state();
    EXPECT_EQ(thrown([&] { store.importButtons({Snippet("x", "")}, false); }),
              "state.previous.json: Is a directory");
    EXPECT_EQ(store.state(), kept);
    EXPECT_THAT(importBackups(), SizeIs(4));
    EXPECT_EQ(readFile(dir / "state.json"), jsonData(kept));
}

// Groups added get fresh identifiers, and four and two more would be six; replacing takes the
// file's identifiers and selects its first group.
TEST_F(ImportTest, GroupsAddedGetFreshIdentifiersAndReplacingTakesTheFiles) {
    store.importGroups(store.state().groups, false);
    ASSERT_THAT(store.state().groups, SizeIs(4));
    EXPECT_EQ(store.state().selectedGroupID, "Gs-0");
    EXPECT_NE(store.state().groups[2].id, "Gs-0");
    EXPECT_EQ(store.state().groups[2].name, "Skupina 0");

    const GroupFile two({SnippetGroup("Uvoz 1", {Snippet("u", "1", "U1")}, "I1"),
                         SnippetGroup("Uvoz 2", {}, "I2")});
    EXPECT_EQ(
        thrown([&] { store.importGroups(two.groups, false); }),
        "Skupaj bi bilo več kot 5 skupin. Izberi zamenjavo vseh ali najprej odstrani prazno skupino.");
    store.importGroups(two.groups, true);
    EXPECT_EQ(store.state().groups, two.groups);
    EXPECT_EQ(store.state().selectedGroupID, "I1");
    EXPECT_THAT(importBackups(), SizeIs(2));
}

// What the store's saves rest on: a failed write leaves the old entry and no temporary file, a
// backup is never overwritten, and the data folder is the owner's even under a closed umask.
TEST(FileSystemTest, WritesAreWholeAndNeverOverwriteABackup) {
    TempDir dir;
    std::filesystem::create_directory(dir / "taken");
    writeFile(dir / "taken" / "inside", "kept");
    EXPECT_EQ(thrown([&] { fs::writeFileAtomically(dir / "taken", "x"); }),
              "taken: Is a directory");
    EXPECT_EQ(readFile(dir / "taken" / "inside"), "kept");
    EXPECT_THAT(namesStartingWith(dir.path(), "."), SizeIs(0));

    writeFile(dir / "a.json", "first");
    EXPECT_EQ(thrown([&] { fs::copyFileExclusively(dir / "taken" / "inside", dir / "a.json"); }),
              "a.json: File exists");
    EXPECT_EQ(readFile(dir / "a.json"), "first");

    ScopedUmask closed(0777);
    fs::createDirectories(dir / "m" / "inner", 0700);
    EXPECT_EQ(permissions(dir / "m"), 0700u);
    EXPECT_EQ(permissions(dir / "m" / "inner"), 0700u);
}

}  // namespace
}  // namespace zuna::test
