#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "model/Errors.h"
#include "model/ExchangeFiles.h"
#include "model/JsonData.h"

namespace zuna {
namespace {

using nlohmann::json;
using test::TempDir;
using test::thrown;
using test::writeFile;
using testing::HasSubstr;

const std::string kButton =
    "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB.";
const std::string kTooLarge = "Datoteka je prevelika (največ 16 MB).";

json button(const std::string& id, json color = "#405875") {
    json b = {{"id", id}, {"name", "Ime " + id}, {"text", "a/b"}};
    if (!color.is_null()) b["color"] = color;
    return b;
}

json group(const std::string& id, json buttons = json::array()) {
    return {{"id", id}, {"name", "Skupina"}, {"buttons", std::move(buttons)}};
}

// Both kinds of exchange file: what each reads back, and what each refuses with which message.
TEST(ExchangeFilesTest, FilesRoundTripAndRefuseOthers) {
    TempDir dir;
    const auto path = dir / "Zuna-Trep.zuna.json";
    const ButtonFile buttons(
        {Snippet("Pozdrav", "Lep pozdrav,\nJana", "A", "#ABCDEF"), Snippet("Naslov", "1/a", "B")});
    const GroupFile groups(
        {SnippetGroup("Delo", {Snippet("a", "1", "A")}, "G1"), SnippetGroup("Dom", {}, "G2")});
    writeFile(path, buttons.data());
    EXPECT_EQ(ButtonFile::read(path), buttons);
    writeFile(path, groups.data());
    EXPECT_EQ(GroupFile::read(path), groups);
    // Only an object whose "version" is the integer 2 is a group file.
    EXPECT_TRUE(isGroupFileDocument(groups.data()));
    EXPECT_FALSE(isGroupFileDocument(buttons.data()));
    EXPECT_FALSE(isGroupFileDocument(R"([{"version": 2}])"));
    EXPECT_FALSE(isGroupFileDocument(R"({"version": 2.5})"));
    EXPECT_THROW(isGroupFileDocument("{"), JsonError);

    const std::string notButtons = "Ta datoteka ni podprta datoteka gumbov Zuna Trep.";
    const std::string duplicate = "Datoteka vsebuje podvojene identifikatorje gumbov.";
    const json zuna = {{"format", "zuna-trep"}};
    const auto with = [&](int version, const char* member, json list) {
        json doc = zuna;
        doc["version"] = version;
        doc[member] = std::move(list);
        return doc;
    };
    // A state file read as a group file: its other members are ignored.
    json state = with(2, "groups", {group("G1")});
    state["theme"] = "light";
    json other = with(1, "buttons", {button("A", "bad")});
    other["format"] = "other";
    const std::vector<std::tuple<bool, json, std::string>> documents{
        {false, with(1, "buttons", json::array()), "ok"},
        {false, with(2, "buttons", json::array()), notButtons},
        {false, other, notButtons},
        {false, with(1, "buttons", {button("A"), button("A")}), duplicate},
        {true, with(2, "groups", {group("1", {button("X")}), group("2", {button("X")})}),
         duplicate},
        {true, with(1, "groups", {group("G1")}), "Nepodprta datoteka skupin Zuna Trep."},
        {true, state, "ok"},
    };
    for (const auto& [isGroups, doc, outcome] : documents) {
        writeFile(path, doc.dump());
        EXPECT_EQ(
            thrown([&] { isGroups ? void(GroupFile::read(path)) : void(ButtonFile::read(path)); }),
            outcome)
            << doc.dump();
    }
    writeFile(path, with(1, "buttons", {button("A", nullptr)}).dump());
    EXPECT_EQ(ButtonFile::read(path).buttons.at(0).color, "#397D70");
    // Exchange files follow the one-document rule of every file the program reads.
    writeFile(path, buttons.data() + std::string(1, '\0') + "{}");
    EXPECT_THAT(thrown([&] { ButtonFile::read(path); }), testing::HasSubstr("a NUL byte"));
    // Exporting invalid content fails before any byte exists.
    EXPECT_EQ(thrown([] { ButtonFile({Snippet(" ", "")}).data(); }), kButton);
}

TEST(ExchangeFilesTest, BoundedReaderRefusesLargeFilesBeforeReading) {
    TempDir dir;
    const auto path = dir / "big.zuna.json";
    writeFile(path, std::string(16'777'216, ' '));
    EXPECT_EQ(limitedData(path).size(), 16'777'216u);
    EXPECT_THAT(thrown([&] { ButtonFile::read(path); }), HasSubstr("not valid JSON"));
    writeFile(path, std::string(16'777'217, ' '));
    EXPECT_EQ(thrown([&] { GroupFile::read(path); }), kTooLarge);
    // A sparse file is refused by its size, without its bytes being read.
    std::filesystem::resize_file(path, 1ull << 40);
    EXPECT_EQ(thrown([&] { limitedData(path); }), kTooLarge);

    // File-system failures carry the system's description and the file's name; nothing blocks.
    EXPECT_EQ(thrown([&] { ButtonFile::read(dir / "missing.zuna.json"); }),
              "missing.zuna.json: No such file or directory");
    std::filesystem::create_directory(dir / "folder.json");
    EXPECT_EQ(thrown([&] { limitedData(dir / "folder.json"); }), "folder.json: Is a directory");
    ASSERT_EQ(mkfifo((dir / "pipe.json").c_str(), 0600), 0);
    EXPECT_EQ(thrown([&] { limitedData(dir / "pipe.json"); }), "pipe.json: Not a regular file");
}

}  // namespace
}  // namespace zuna
