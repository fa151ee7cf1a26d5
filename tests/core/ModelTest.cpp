// The records, their rules, and the files they are read from and written to.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "core/model/Errors.h"
#include "core/model/ExchangeFiles.h"
#include "core/model/JsonData.h"
#include "core/model/Records.h"
#include "core/model/SavedState.h"
#include "core/model/TextMeasures.h"
#include "core/model/Validation.h"

namespace zuna::test {
namespace {

using nlohmann::json;
using testing::HasSubstr;

const std::string kButton =
    "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB.";

json button(const std::string& id, json color = "#405875") {
    json b = {{"id", id}, {"name", "Ime"}, {"text", "besedilo"}};
    if (!color.is_null()) b["color"] = color;
    return b;
}

json group(const std::string& id, json buttons = json::array()) {
    return {{"id", id}, {"name", "Skupina " + id}, {"buttons", std::move(buttons)}};
}

const std::string kRule =
    "Vsako pravilo za aplikacijo potrebuje ime aplikacije (največ 100 znakov), vsaka aplikacija pa ima lahko le eno pravilo.";
const std::string kDuplicate = "Datoteka vsebuje podvojene identifikatorje gumbov.";
const std::string kCount = "Zuna Trep podpira od 1 do 5 skupin.";
const std::string kGroup =
    "Vsaka skupina potrebuje svoje ime (največ 40 znakov) in enoličen identifikator.";

std::string buttons(std::vector<Snippet> list) {
    return thrown([&] { validateButtons(list); });
}
std::string groups(std::vector<SnippetGroup> list) {
    return thrown([&] { validateGroups(list); });
}

TEST(RecordsTest, ColoursAndFrames) {
    for (const char* good : {"#405875", "#abcdef", "#ABCDEF"})
        EXPECT_TRUE(Snippet::validColor(good)) << good;
    for (const char* bad :
         {"405875", "#40587", "#4058751", "#40587G", " #405875", "#405875\n", "#４05875"}) {
        EXPECT_FALSE(Snippet::validColor(bad)) << bad;
    }

    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE((WindowFrame{-1440, 0, 150, 140}.isValid()));
    EXPECT_TRUE((WindowFrame{0, 0, 10000, 10000}.isValid()));
    for (const WindowFrame& bad : {WindowFrame{0, 0, 149.5, 140}, WindowFrame{0, 0, 150, 139},
                                   WindowFrame{0, 0, 10000.5, 300}, WindowFrame{nan, 0, 300, 300},
                                   WindowFrame{0, inf, 300, 300}}) {
        EXPECT_FALSE(bad.isValid()) << bad.width << "x" << bad.height;
    }
}

TEST(RecordsTest, MeasuresCountUserPerceivedCharactersAndBlanks) {
    EXPECT_EQ(userPerceivedLength("\r\n"), 1u);
    EXPECT_EQ(userPerceivedLength("e\u0301"), 1u);
    EXPECT_EQ(userPerceivedLength("👩‍👩‍👧‍👦"), 1u);
    EXPECT_EQ(prefixOfLength("a🇸🇮e\u0301b", 3), "a🇸🇮e\u0301");

    EXPECT_TRUE(isBlank(" \t\n\r\v\f\u0085\u00a0\u2003\u2028\u2029\u3000"));
    EXPECT_FALSE(isBlank("\u200b"));  // a format character, not white space
    EXPECT_EQ(trimmed("\u3000\t ime  priimek \n\u2029"), "ime  priimek");
    EXPECT_EQ(trimmed(" \xff "), "\xff");
}

TEST(RecordsTest, ButtonRulesAtTheirBoundaries) {
    EXPECT_EQ(buttons({}), "ok");
    EXPECT_EQ(buttons({Snippet(repeat("ž", 120), "")}), "ok");
    EXPECT_EQ(buttons({Snippet(repeat("ž", 121), "")}), kButton);
    EXPECT_EQ(buttons({Snippet(repeat("🇸🇮", 100), "")}), "ok");  // 200 code points
    EXPECT_EQ(buttons({Snippet(repeat("👩‍👩‍👧‍👦", 120), "")}),
              "ok");                                                           // 3,000 bytes
    EXPECT_EQ(buttons({Snippet("a" + repeat("\u0301", 2000), "")}), kButton);  // one character
    EXPECT_EQ(buttons({Snippet("\t\n\u2028", "")}), kButton);
    EXPECT_EQ(buttons({Snippet(" " + repeat("a", 120), "")}), kButton);  // blanks count
    EXPECT_EQ(buttons({Snippet("a", repeat("x", 1'048'576))}), "ok");
    EXPECT_EQ(buttons({Snippet("a", repeat("€", 349'526))}), kButton);  // 1,048,578 bytes
    EXPECT_EQ(buttons({Snippet("a", "", "")}), kButton);
    // A repeated identifier is named as such; the first fault in list order decides.
    EXPECT_EQ(buttons({Snippet("a", "", "X"), Snippet("b", "", "X")}), kDuplicate);
    EXPECT_EQ(buttons({Snippet("a", "", "X"), Snippet(" ", "", "X")}), kDuplicate);
    EXPECT_EQ(buttons({Snippet(" ", "", "X"), Snippet("b", "", "X")}), kButton);
    EXPECT_EQ(buttons({Snippet("a", "", "X", "#12345")}), kButton);
}

TEST(RecordsTest, GroupRulesInOrder) {
    const auto many = [](std::size_t count) {
        return std::vector<SnippetGroup>(count, SnippetGroup("S", {}, ""));
    };
    EXPECT_EQ(groups(many(0)), kCount);
    EXPECT_EQ(groups(many(6)), kCount);
    std::vector<SnippetGroup> five;
    for (int i = 0; i < 5; ++i)
        five.emplace_back("Skupina");
    EXPECT_EQ(groups(five), "ok");
    EXPECT_EQ(groups({SnippetGroup(repeat("č", 40))}), "ok");
    EXPECT_EQ(groups({SnippetGroup(repeat("č", 41))}), kGroup);
    EXPECT_EQ(groups({SnippetGroup(" \n ")}), kGroup);
    EXPECT_EQ(groups({SnippetGroup("a", {}, "G"), SnippetGroup("b", {}, "G")}), kGroup);

    // The same button twice, in one group or in two, is a duplicate.
    const Snippet x("x", "", "X");
    EXPECT_EQ(groups({SnippetGroup("a", {x, x})}), kDuplicate);
    EXPECT_EQ(groups({SnippetGroup("a", {x}), SnippetGroup("b", {x})}), kDuplicate);
    EXPECT_EQ(groups({SnippetGroup("a", {x}, "X")}), "ok");  // separate name spaces
    EXPECT_EQ(groups({SnippetGroup("a", {x}), SnippetGroup("", {x})}), kGroup);
}

json version2(json groups) {
    return {{"format", "zuna-trep"}, {"version", 2}, {"groups", std::move(groups)}};
}

SavedState read(const json& document) {
    return SavedState::fromJson(document.dump());
}

TEST(SavedStateTest, Version2DefaultsNullsAndUnknownMembers) {
    json doc = version2({group("G1", {button("B1")}), group("G2")});
    doc["buttons"] = json::array({button("ignored")});
    doc["future"] = {{"nested", {1, 2, {{"x", nullptr}}}}};
    doc["groups"][0]["buttons"][0]["color"] = nullptr;
    doc["theme"] = nullptr;
    doc["pasteUncheckedFields"] = nullptr;
    doc["applicationRules"] = nullptr;
    SavedState state = read(doc);
    EXPECT_TRUE(state.alwaysOnTop && !state.pasteUncheckedFields);
    EXPECT_EQ(state.theme, AppTheme::graphite);
    EXPECT_EQ(state.appearanceVersion, 0);  // so the colour migration runs
    EXPECT_EQ(state.selectedGroupID, "G1");
    EXPECT_EQ(state.groups[0].buttons,
              std::vector<Snippet>{Snippet("Ime", "besedilo", "B1", "#397D70")});
    // Newer members are written only when set, so a file that never had them keeps its form.
    const json plain = json::parse(jsonData(state));
    EXPECT_FALSE(plain.contains("globalShortcut") || plain.contains("pasteUncheckedFields") ||
                 plain.contains("applicationRules"));

    doc["theme"] = "midnight";
    doc["selectedGroupID"] = "G2";
    doc["macWindow"] = {{"x", -1440}, {"y", 20.5}, {"width", 300}, {"height", 400}};
    doc["globalShortcut"] = "Ctrl+Alt+Z";
    doc["pasteUncheckedFields"] = true;
    doc["applicationRules"] = json::array({{{"application", "kate"}, {"keys", "Shift+Insert"}}});
    doc["groups"][0]["buttons"][0]["text"] = "a/b \"c\"\n\t\u0001 čšž 🇸🇮";
    state = read(doc);
    EXPECT_EQ(state.theme, AppTheme::midnight);
    EXPECT_EQ(state.selectedGroupID, "G2");
    EXPECT_EQ(state.macWindow, (WindowFrame{-1440, 20.5, 300, 400}));
    EXPECT_EQ(state.applicationRules,
              (std::vector<ApplicationRule>{{"kate", PasteShortcut::shiftInsert}}));
    // Written sorted, indented and plain: only what JSON must escape is escaped.
    const std::string bytes = jsonData(state);
    EXPECT_THAT(bytes,
                testing::StartsWith("{\n  \"alwaysOnTop\": true,\n  \"appearanceVersion\": 0,\n"));
    EXPECT_THAT(bytes, HasSubstr("\"text\": \"a/b \\\"c\\\"\\n\\t\\u0001 čšž 🇸🇮\"\n"));
    EXPECT_THAT(bytes, HasSubstr("\"x\": -1440.0,\n"));
    EXPECT_EQ(SavedState::fromJson(bytes), state);
    // A frame that is not finite cannot be written.
    state.macWindow = WindowFrame{std::nan(""), 0, 300, 300};
    EXPECT_THROW(jsonData(state), JsonError);

    // Read leniently: an unknown theme, a selection naming no group, a frame too small.
    doc["theme"] = "Midnight";
    doc["selectedGroupID"] = "nobody";
    doc["macWindow"]["width"] = 100;
    state = read(doc);
    EXPECT_EQ(state.theme, AppTheme::graphite);
    EXPECT_EQ(state.selectedGroupID, "G1");
    EXPECT_FALSE(state.macWindow.has_value());
}

TEST(SavedStateTest, RefusalsSayWhatIsWrong) {
    const json good = version2({group("G1", {button("B1")})});
    const std::string unsupported = "Nepodprta različica podatkov Zuna Trep.";
    const auto rule = [](json application, json keys) {
        return json{{"application", application}, {"keys", keys}};
    };
    const auto rules = [](std::vector<json> list) {
        return [list](json& d) { d["applicationRules"] = list; };
    };
    const std::vector<std::pair<std::function<void(json&)>, std::string>> cases{
        {[](json& d) { d["version"] = 3; }, unsupported},
        // The version decides before the groups are looked at.
        {[](json& d) { d["version"] = 0, d["groups"] = 1; }, unsupported},
        {[](json& d) { d.erase("format"); }, "The member \"format\" is missing."},
        {[](json& d) { d["version"] = "2"; }, "\"version\" must be an integer, not a string."},
        {[](json& d) { d["version"] = 18446744073709551615u; },
         "\"version\" is an integer too large to read."},
        {[](json& d) { d["alwaysOnTop"] = "yes"; },
         "\"alwaysOnTop\" must be true or false, not a string."},
        {[](json& d) { d["groups"][0]["buttons"][0]["name"] = 12; },
         "\"groups[0].buttons[0].name\" must be a string, not an integer."},
        {[](json& d) { d["groups"][0]["buttons"][0].erase("text"); },
         "The member \"text\" is missing in \"groups[0].buttons[0]\"."},
        {rules({rule("emacs", "ctrl+v")}),
         "Neznane tipke za lepljenje: ctrl+v. Mogoče so Ctrl+V, Ctrl+Shift+V, Shift+Insert in Ctrl+Y."},
        {rules({rule("emacs", "Ctrl+V"), rule("emacs", "Ctrl+Y")}), kRule},
        {rules({rule(" ", "Ctrl+V")}), kRule},
        {rules({rule(repeat("x", 101), "Ctrl+V")}), kRule},
        {rules(std::vector(51, rule("emacs", "Ctrl+V"))),
         "Zuna Trep hrani največ 50 pravil za aplikacije."},
    };
    for (const auto& [change, message] : cases) {
        json doc = good;
        change(doc);
        EXPECT_EQ(thrown([&] { read(doc); }), message) << doc.dump();
    }
}

TEST(SavedStateTest, BytesThatAreNotAStateFile) {
    const auto failure = [](const std::string& bytes) {
        return thrown([&] { SavedState::fromJson(bytes); });
    };
    EXPECT_THAT(failure(""), HasSubstr("not valid JSON"));
    EXPECT_THAT(failure("{\"format\": \"zuna-trep\"}\n\nx"), HasSubstr("line 3"));
    EXPECT_EQ(failure("[1, 2]"), "\"the top-level value\" must be an object, not an array.");
    // One document and white space only: a tail after it (a torn write pads with NULs) is
    // damage, not something to drop at the next save. A byte-order mark is read past.
    const std::string state = jsonData(SavedState(std::vector<Snippet>{}));
    EXPECT_EQ(failure(state + std::string(3, '\0') + "x"),
              "The file is not valid JSON: a NUL byte at line " +
                  std::to_string(std::count(state.begin(), state.end(), '\n') + 1) + ", column 2.");
    EXPECT_EQ(failure(state + " \r\n\t"), "ok");
    EXPECT_EQ(failure("\xEF\xBB\xBF" + state), "ok");
    // Invalid UTF-8 is refused, and the message does not carry the raw bytes on.
    const std::string message = failure("{\"format\": \"zuna-trep\xff\", \"version\": 2}");
    EXPECT_THAT(message, HasSubstr("not valid JSON"));
    EXPECT_EQ(message.find('\xff'), std::string::npos);
    // Nesting is bounded: a deep unknown member is refused, not followed down.
    EXPECT_THAT(failure("{\"x\": " + std::string(100000, '[') + std::string(100000, ']') + "}"),
                HasSubstr("nested more than 100 levels"));
}

TEST(SavedStateTest, EncodedSizeLimitIsExact) {
    // Buttons of at most 1 MB of text, filled up to exactly 16,777,216 encoded bytes.
    SavedState state;
    state.groups = {SnippetGroup("g", {}, "G")};
    state.selectedGroupID = "G";
    for (int i = 0; i < 17; ++i)
        state.groups[0].buttons.emplace_back("n", "", "B" + std::to_string(100 + i));
    std::size_t remaining = 16'777'216 - jsonData(state).size();
    for (auto& button : state.groups[0].buttons) {
        button.text.assign(std::min<std::size_t>(remaining, 1'000'000), 'x');
        remaining -= button.text.size();
    }
    EXPECT_EQ(jsonData(state).size(), 16'777'216u);
    state.groups[0].buttons.back().text += "x";
    EXPECT_EQ(thrown([&] { jsonData(state); }),
              "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.");
}

const std::string kTooLarge = "Datoteka je prevelika (največ 16 MB).";

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
}  // namespace zuna::test
