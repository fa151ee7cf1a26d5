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
using test::writeFile;
using testing::HasSubstr;

const std::string kButtonMessage =
    "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB.";
const std::string kNotButtonFile = "Ta datoteka ni podprta datoteka gumbov Zuna Trep.";
const std::string kNotGroupFile = "Nepodprta datoteka skupin Zuna Trep.";
const std::string kTooLarge = "Datoteka je prevelika (največ 16 MB).";

// What was thrown, as "<kind>: <text>", so one expectation checks both.
template <typename F>
std::string outcome(F&& f) {
    try {
        f();
        return "ok";
    } catch (const ZunaError& e) {
        return "ZunaError: " + e.message();
    } catch (const JsonError& e) {
        return std::string("JsonError: ") + e.what();
    } catch (const FileError& e) {
        return std::string("FileError: ") + e.what();
    }
}

json button(const std::string& id, json color = "#405875") {
    json b = {{"id", id}, {"name", "Ime " + id}, {"text", "a/b"}};
    if (!color.is_null()) b["color"] = color;
    return b;
}

TEST(ExchangeFilesTest, ButtonFilesRoundTripAndRefuseOthers) {
    TempDir dir;
    const auto path = dir / "Zuna-Trep-gumbi.zuna.json";

    const ButtonFile file({Snippet("Pozdrav", "Lep pozdrav,\nJana", "A", "#ABCDEF"),
                           Snippet("Naslov", "Ulica 1/a", "B")});
    writeFile(path, file.data());
    EXPECT_EQ(ButtonFile::read(path), file);
    EXPECT_THAT(file.data(), HasSubstr("\"text\": \"Ulica 1/a\""));
    const json written = json::parse(file.data());
    EXPECT_EQ(written["version"], 1);
    EXPECT_EQ(written["format"], "zuna-trep");

    const auto readDoc = [&](const json& doc) {
        writeFile(path, doc.dump());
        return outcome([&] { ButtonFile::read(path); });
    };
    // Empty lists are fine; buttons without colour read as the old default.
    EXPECT_EQ(readDoc({{"format", "zuna-trep"}, {"version", 1}, {"buttons", json::array()}}), "ok");
    writeFile(path,
              json({{"format", "zuna-trep"}, {"version", 1}, {"buttons", {button("A", nullptr)}}})
                  .dump());
    EXPECT_EQ(ButtonFile::read(path).buttons.at(0).color, "#397D70");

    EXPECT_EQ(readDoc({{"format", "zuna-trep"}, {"version", 2}, {"buttons", json::array()}}),
              "ZunaError: " + kNotButtonFile);
    EXPECT_EQ(readDoc({{"format", "other"}, {"version", 1}, {"buttons", {button("A", 5)}}}),
              "JsonError: \"buttons[0].color\" must be a string, not an integer.");
    EXPECT_EQ(readDoc({{"format", "other"}, {"version", 1}, {"buttons", {button("A", "bad")}}}),
              "ZunaError: " + kNotButtonFile);
    EXPECT_EQ(
        readDoc({{"format", "zuna-trep"}, {"version", 1}, {"buttons", {button("A"), button("A")}}}),
        "ZunaError: " + kButtonMessage);
    EXPECT_EQ(
        readDoc({{"format", "zuna-trep"}, {"version", 1}, {"buttons", {button("A", "#12345")}}}),
        "ZunaError: " + kButtonMessage);
    EXPECT_EQ(readDoc({{"format", "zuna-trep"}, {"version", 1}}),
              "JsonError: The member \"buttons\" is missing.");
    EXPECT_EQ(readDoc({{"format", "zuna-trep"}, {"version", "1"}, {"buttons", json::array()}}),
              "JsonError: \"version\" must be an integer, not a string.");

    // Exporting invalid content fails before any byte exists.
    ButtonFile invalid({Snippet(" ", "")});
    EXPECT_EQ(outcome([&] { invalid.data(); }), "ZunaError: " + kButtonMessage);
    invalid = ButtonFile({Snippet("a", "")});
    invalid.version = 2;
    EXPECT_EQ(outcome([&] { invalid.data(); }), "ZunaError: " + kNotButtonFile);
}

TEST(ExchangeFilesTest, GroupFilesRoundTripAndRefuseOthers) {
    TempDir dir;
    const auto path = dir / "Zuna-Trep-skupine.zuna.json";
    const GroupFile file({SnippetGroup("Delo", {Snippet("a", "1", "A")}, "G1"),
                          SnippetGroup("Dom", {Snippet("b", "2", "B")}, "G2")});
    writeFile(path, file.data());
    EXPECT_EQ(GroupFile::read(path), file);

    const auto readDoc = [&](const json& doc) {
        writeFile(path, doc.dump());
        return outcome([&] { GroupFile::read(path); });
    };
    const auto group = [](const std::string& id, json buttons) {
        return json{{"id", id}, {"name", "Skupina"}, {"buttons", std::move(buttons)}};
    };
    json six = json::array();
    for (int i = 0; i < 6; ++i)
        six.push_back(group("G" + std::to_string(i), json::array()));
    EXPECT_EQ(readDoc({{"format", "zuna-trep"}, {"version", 2}, {"groups", six}}),
              "ZunaError: Zuna Trep podpira od 1 do 5 skupin.");
    EXPECT_EQ(readDoc({{"format", "zuna-trep"},
                       {"version", 2},
                       {"groups", {group("G1", {button("X")}), group("G2", {button("X")})}}}),
              "ZunaError: Datoteka vsebuje podvojene identifikatorje gumbov.");
    EXPECT_EQ(
        readDoc(
            {{"format", "zuna-trep"}, {"version", 1}, {"groups", {group("G1", json::array())}}}),
        "ZunaError: " + kNotGroupFile);

    // A state file read as a group file: its other members are ignored.
    EXPECT_EQ(readDoc({{"format", "zuna-trep"},
                       {"version", 2},
                       {"groups", {group("G1", {button("X")})}},
                       {"selectedGroupID", "G1"},
                       {"theme", "light"},
                       {"macWindow", {{"x", 0}, {"y", 0}, {"width", 300}, {"height", 400}}}}),
              "ok");
}

TEST(ExchangeFilesTest, BoundedReaderRefusesLargeFilesBeforeReading) {
    TempDir dir;
    const auto path = dir / "big.zuna.json";
    // Exactly at the limit the file is read; it then fails as JSON, not for its size.
    writeFile(path, std::string(16'777'216, ' '));
    EXPECT_EQ(limitedData(path).size(), 16'777'216u);
    EXPECT_THAT(outcome([&] { ButtonFile::read(path); }), HasSubstr("JsonError"));

    writeFile(path, std::string(16'777'217, ' '));
    EXPECT_EQ(outcome([&] { limitedData(path); }), "ZunaError: " + kTooLarge);
    EXPECT_EQ(outcome([&] { GroupFile::read(path); }), "ZunaError: " + kTooLarge);
    // A sparse file is refused by its size without its bytes being read.
    const auto sparse = dir / "sparse.json";
    writeFile(sparse, "");
    std::filesystem::resize_file(sparse, 1ull << 40);
    EXPECT_EQ(outcome([&] { limitedData(sparse); }), "ZunaError: " + kTooLarge);

    // File-system failures carry the system's description and the file's name.
    EXPECT_EQ(outcome([&] { ButtonFile::read(dir / "missing.zuna.json"); }),
              "FileError: missing.zuna.json: No such file or directory");
    std::filesystem::create_directory(dir / "folder.json");
    EXPECT_EQ(outcome([&] { limitedData(dir / "folder.json"); }),
              "FileError: folder.json: Is a directory");
    ASSERT_EQ(mkfifo((dir / "pipe.json").c_str(), 0600), 0);
    EXPECT_EQ(outcome([&] { limitedData(dir / "pipe.json"); }),
              "FileError: pipe.json: Not a regular file");
    writeFile(dir / "empty.json", "");
    EXPECT_EQ(limitedData(dir / "empty.json"), "");
}

}  // namespace
}  // namespace zuna
