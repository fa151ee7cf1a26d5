#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "model/Errors.h"
#include "model/JsonData.h"
#include "model/SavedState.h"

namespace zuna {
namespace {

using nlohmann::json;
using test::thrown;
using testing::HasSubstr;

json button(const std::string& id) {
    return {{"id", id}, {"name", "Ime"}, {"text", "besedilo"}, {"color", "#405875"}};
}

json group(const std::string& id, json buttons = json::array()) {
    return {{"id", id}, {"name", "Skupina " + id}, {"buttons", std::move(buttons)}};
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
    SavedState state = read(doc);
    EXPECT_TRUE(state.alwaysOnTop && !state.pasteUncheckedFields);
    EXPECT_EQ(state.theme, AppTheme::graphite);
    EXPECT_EQ(state.appearanceVersion, 0);  // so the colour migration runs
    EXPECT_EQ(state.selectedGroupID, "G1");
    EXPECT_EQ(state.groups[0].buttons,
              std::vector<Snippet>{Snippet("Ime", "besedilo", "B1", "#397D70")});
    // Newer members are written only when set, so a file that never had them keeps its form.
    const json plain = json::parse(jsonData(state));
    EXPECT_FALSE(plain.contains("globalShortcut") || plain.contains("pasteUncheckedFields"));

    doc["theme"] = "midnight";
    doc["selectedGroupID"] = "G2";
    doc["macWindow"] = {{"x", -1440}, {"y", 20.5}, {"width", 300}, {"height", 400}};
    doc["globalShortcut"] = "Ctrl+Alt+Z";
    doc["pasteUncheckedFields"] = true;
    state = read(doc);
    EXPECT_EQ(state.theme, AppTheme::midnight);
    EXPECT_EQ(state.selectedGroupID, "G2");
    EXPECT_EQ(state.macWindow, (WindowFrame{-1440, 20.5, 300, 400}));
    EXPECT_EQ(SavedState::fromJson(jsonData(state)), state);

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
    json six = json::array();
    for (int i = 0; i < 6; ++i)
        six.push_back(group("G" + std::to_string(i)));
    const std::vector<std::pair<std::function<void(json&)>, std::string>> cases{
        {[](json& d) { d["version"] = 3; }, unsupported},
        // The version decides before the groups are looked at.
        {[](json& d) { d["version"] = 0, d["groups"] = 1; }, unsupported},
        {[](json& d) { d["groups"] = json::array(); }, "Zuna Trep podpira od 1 do 5 skupin."},
        {[&](json& d) { d["groups"] = six; }, "Zuna Trep podpira od 1 do 5 skupin."},
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
                  std::to_string(std::count(state.begin(), state.end(), '\n') + 1) +
                  ", column 2.");
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

TEST(SavedStateTest, WrittenFormIsSortedIndentedAndPlain) {
    SavedState state;
    state.groups = {SnippetGroup("Skupina", {Snippet("Ščit", "a/b \"c\"\n\t\u0001 čšž 🇸🇮", "B")}, "G")};
    state.selectedGroupID = "G";
    state.macWindow = WindowFrame{-10, 20.5, 300, 400};
    const std::string bytes = jsonData(state);
    EXPECT_THAT(bytes, testing::StartsWith("{\n  \"alwaysOnTop\": true,\n  \"appearanceVersion\": 1,\n"));
    EXPECT_THAT(bytes, HasSubstr("\"text\": \"a/b \\\"c\\\"\\n\\t\\u0001 čšž 🇸🇮\"\n"));
    EXPECT_THAT(bytes, HasSubstr("\"x\": -10.0,\n"));
    EXPECT_EQ(SavedState::fromJson(bytes), state);
    // A frame that is not finite cannot be written.
    state.macWindow = WindowFrame{std::nan(""), 0, 300, 300};
    EXPECT_THROW(jsonData(state), JsonError);
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

}  // namespace
}  // namespace zuna
