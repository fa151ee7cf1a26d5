#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "TestSupport.h"
#include "model/Errors.h"
#include "model/JsonData.h"
#include "model/SavedState.h"

namespace zuna {
namespace {

using nlohmann::json;
using testing::HasSubstr;

const std::string kUnsupported = "Nepodprta različica podatkov Zuna Trep.";
const std::string kTooMuchData =
    "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.";

json button(const std::string& id, const std::string& name = "Ime") {
    return {{"id", id}, {"name", name}, {"text", "besedilo"}, {"color", "#405875"}};
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

template <typename F>
std::string jsonFailure(F&& f) {
    try {
        f();
    } catch (const JsonError& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

template <typename F>
std::string zunaFailure(F&& f) {
    try {
        f();
    } catch (const ZunaError& error) {
        return error.message();
    }
    return "(nothing thrown)";
}

TEST(SavedStateTest, NewStatesHaveOneGroupAndTheSampleButtons) {
    const SavedState initial = SavedState::initial();
    ASSERT_EQ(initial.groups.size(), 1u);
    EXPECT_EQ(initial.groups[0].name, "Moji podatki");
    EXPECT_EQ(initial.selectedGroupID, initial.groups[0].id);
    std::vector<std::string> names;
    for (const auto& b : initial.buttons()) {
        names.push_back(b.name);
        EXPECT_EQ(b.text, "");
        EXPECT_EQ(b.color, "#405875");
    }
    EXPECT_THAT(names, testing::ElementsAre("E-pošta", "Telefon", "Naslov", "Podpis"));
    EXPECT_TRUE(initial.alwaysOnTop);
    EXPECT_EQ(initial.theme, AppTheme::graphite);
    EXPECT_EQ(initial.appearanceVersion, 1);
    EXPECT_FALSE(initial.macWindow.has_value());
    EXPECT_NE(SavedState::initial().groups[0].id, initial.groups[0].id);
}

TEST(SavedStateTest, SelectedGroupAccessors) {
    SavedState state;
    state.groups = {SnippetGroup("a", {Snippet("1", "")}, "A"),
                    SnippetGroup("b", {Snippet("2", "")}, "B")};
    state.selectedGroupID = "B";
    EXPECT_EQ(state.selectedIndex(), 1u);
    EXPECT_EQ(state.buttons()[0].name, "2");
    state.setButtons({Snippet("3", ""), Snippet("4", "")});
    EXPECT_EQ(state.groups[1].buttons.size(), 2u);
    EXPECT_EQ(state.groups[0].buttons[0].name, "1");
    state.selectedGroupID = "missing";
    EXPECT_EQ(state.selectedIndex(), 0u);
    EXPECT_EQ(SavedState().selectedIndex(), 0u);
}

TEST(SavedStateTest, Version2DefaultsAndUnknownMembers) {
    json doc = version2({group("G1", {button("B1")}), group("G2")});
    doc["buttons"] = json::array({button("ignored")});
    doc["future"] = {{"nested", {1, 2, {{"x", nullptr}}}}};
    doc["groups"][0]["extra"] = 5;
    doc["groups"][0]["buttons"][0]["extra"] = json::array();
    SavedState state = read(doc);
    EXPECT_TRUE(state.alwaysOnTop);
    EXPECT_EQ(state.theme, AppTheme::graphite);
    EXPECT_EQ(state.appearanceVersion, 0);
    EXPECT_FALSE(state.macWindow.has_value());
    EXPECT_EQ(state.selectedGroupID, "G1");
    EXPECT_EQ(state.groups.size(), 2u);
    EXPECT_EQ(state.groups[0].buttons, std::vector<Snippet>{Snippet("Ime", "besedilo", "B1")});

    // Nulls read as absent.
    doc["alwaysOnTop"] = nullptr;
    doc["theme"] = nullptr;
    doc["appearanceVersion"] = nullptr;
    doc["macWindow"] = nullptr;
    doc["selectedGroupID"] = nullptr;
    doc["groups"][0]["buttons"][0]["color"] = nullptr;
    state = read(doc);
    EXPECT_TRUE(state.alwaysOnTop);
    EXPECT_EQ(state.selectedGroupID, "G1");
    EXPECT_EQ(state.groups[0].buttons[0].color, "#397D70");

    doc["alwaysOnTop"] = false;
    doc["theme"] = "midnight";
    doc["appearanceVersion"] = 1;
    doc["selectedGroupID"] = "G2";
    doc["macWindow"] = {{"x", -1440}, {"y", 20.5}, {"width", 300}, {"height", 400}};
    state = read(doc);
    EXPECT_FALSE(state.alwaysOnTop);
    EXPECT_EQ(state.theme, AppTheme::midnight);
    EXPECT_EQ(state.appearanceVersion, 1);
    EXPECT_EQ(state.selectedGroupID, "G2");
    EXPECT_EQ(state.macWindow, (WindowFrame{-1440, 20.5, 300, 400}));

    // Values read leniently: an unknown theme, a selection naming no group, a frame too small.
    doc["theme"] = "Midnight";
    doc["selectedGroupID"] = "nobody";
    doc["macWindow"]["width"] = 100;
    state = read(doc);
    EXPECT_EQ(state.theme, AppTheme::graphite);
    EXPECT_EQ(state.selectedGroupID, "G1");
    EXPECT_FALSE(state.macWindow.has_value());
    EXPECT_EQ(state.groups.size(), 2u);
}

TEST(SavedStateTest, LegacyVersion1BecomesOneGroup) {
    json doc = {{"format", "zuna-trep"},
                {"version", 1},
                {"buttons", {button("A"), button("B"), {{"id", "C"}, {"name", "c"}, {"text", ""}}}},
                {"groups", "ignored, even of the wrong type"},
                {"selectedGroupID", 17},
                {"theme", "light"},
                {"alwaysOnTop", false}};
    const SavedState state = read(doc);
    ASSERT_EQ(state.groups.size(), 1u);
    EXPECT_EQ(state.groups[0].name, "Moji podatki");
    EXPECT_EQ(state.groups[0].id.size(), 36u);
    EXPECT_EQ(state.selectedGroupID, state.groups[0].id);
    ASSERT_EQ(state.buttons().size(), 3u);
    EXPECT_EQ(state.buttons()[2].color, "#397D70");
    EXPECT_EQ(state.theme, AppTheme::light);
    EXPECT_FALSE(state.alwaysOnTop);
    EXPECT_EQ(state.version, 2);

    // Written back it is version 2, without a "buttons" member.
    const json written = json::parse(jsonData(state));
    EXPECT_EQ(written["version"], 2);
    EXPECT_FALSE(written.contains("buttons"));
    EXPECT_EQ(written["groups"][0]["buttons"].size(), 3u);

    doc.erase("buttons");
    EXPECT_THAT(jsonFailure([&] { read(doc); }), HasSubstr("\"buttons\" is missing"));
}

TEST(SavedStateTest, RefusalsSayWhatIsWrong) {
    const json good = version2({group("G1", {button("B1")})});
    const auto with = [&](const char* member, const json& value) {
        json doc = good;
        doc[member] = value;
        return doc;
    };
    EXPECT_EQ(zunaFailure([&] { read(with("version", 3)); }), kUnsupported);
    EXPECT_EQ(zunaFailure([&] { read(with("version", 0)); }), kUnsupported);
    EXPECT_EQ(zunaFailure([&] { read(with("format", "other")); }), kUnsupported);
    // The version test comes before the groups are looked at.
    json future = with("version", 3);
    future["groups"] = 1;
    EXPECT_EQ(zunaFailure([&] { read(future); }), kUnsupported);
    EXPECT_EQ(zunaFailure([&] { read(version2(json::array())); }),
              "Zuna Trep podpira od 1 do 5 skupin.");
    json six = json::array();
    for (int i = 0; i < 6; ++i)
        six.push_back(group("G" + std::to_string(i)));
    EXPECT_EQ(zunaFailure([&] { read(version2(six)); }), "Zuna Trep podpira od 1 do 5 skupin.");

    const auto failureWith = [&](const std::function<void(json&)>& change) {
        json doc = good;
        change(doc);
        return jsonFailure([&] { read(doc); });
    };
    EXPECT_THAT(failureWith([](json& d) { d.erase("format"); }),
                HasSubstr("\"format\" is missing"));
    EXPECT_THAT(failureWith([](json& d) { d.erase("groups"); }),
                HasSubstr("\"groups\" is missing"));
    EXPECT_THAT(failureWith([](json& d) { d["version"] = "2"; }),
                HasSubstr("\"version\" must be an integer, not a string"));
    EXPECT_THAT(failureWith([](json& d) { d["version"] = 2.0; }),
                HasSubstr("\"version\" must be an integer"));
    EXPECT_THAT(failureWith([](json& d) { d["theme"] = 3; }),
                HasSubstr("\"theme\" must be a string, not an integer"));
    EXPECT_THAT(failureWith([](json& d) { d["alwaysOnTop"] = "yes"; }),
                HasSubstr("\"alwaysOnTop\" must be true or false"));
    EXPECT_THAT(failureWith([](json& d) { d["appearanceVersion"] = 1.5; }),
                HasSubstr("\"appearanceVersion\" must be an integer"));
    EXPECT_THAT(failureWith([](json& d) { d["groups"][0]["buttons"][0]["name"] = 12; }),
                HasSubstr("\"groups[0].buttons[0].name\" must be a string, not an integer"));
    EXPECT_THAT(failureWith([](json& d) { d["groups"][0]["buttons"][0].erase("text"); }),
                HasSubstr("\"text\" is missing in \"groups[0].buttons[0]\""));
    EXPECT_THAT(failureWith([](json& d) { d["groups"][0]["buttons"][0]["color"] = 5; }),
                HasSubstr("\"groups[0].buttons[0].color\" must be a string"));
    EXPECT_THAT(failureWith([](json& d) {
                    d["macWindow"] = {{"x", 0}, {"y", 0}, {"width", 300}};
                }),
                HasSubstr("\"height\" is missing in \"macWindow\""));
    EXPECT_THAT(failureWith([](json& d) { d["macWindow"] = "frame"; }),
                HasSubstr("\"macWindow\" must be an object"));
    EXPECT_THAT(failureWith([](json& d) {
                    d["groups"] = {{"0", 1}};
                }),
                HasSubstr("\"groups\" must be an array, not an object"));
    EXPECT_THAT(failureWith([](json& d) { d["selectedGroupID"] = 1; }),
                HasSubstr("\"selectedGroupID\" must be a string"));
    EXPECT_THAT(failureWith([](json& d) { d["version"] = 18446744073709551615u; }),
                HasSubstr("\"version\" is an integer too large"));
}

TEST(SavedStateTest, BytesThatAreNotAStateFile) {
    const auto failure = [](const std::string& bytes) {
        return jsonFailure([&] { SavedState::fromJson(bytes); });
    };
    EXPECT_THAT(failure(""), HasSubstr("not valid JSON"));
    EXPECT_THAT(failure("{\"format\": \"zuna-trep\", \"version\": 2, \"groups\": ["),
                HasSubstr("line 1, column"));
    EXPECT_THAT(failure("{\"format\": \"zuna-trep\"}\n\nx"), HasSubstr("line 3"));
    EXPECT_THAT(failure("[1, 2]"),
                HasSubstr("the top-level value\" must be an object, not an array"));
    EXPECT_THAT(failure("\"zuna-trep\""), HasSubstr("must be an object"));
    // Invalid UTF-8 in a string, and raw bytes that are not text at all.
    const std::string invalid = "{\"format\": \"zuna-trep\xff\", \"version\": 2}";
    const std::string message = failure(invalid);
    EXPECT_THAT(message, HasSubstr("not valid JSON"));
    EXPECT_EQ(message.find('\xff'), std::string::npos);
    EXPECT_THAT(failure(std::string("\x00\x01\x02", 3)), HasSubstr("not valid JSON"));
    // Nesting is bounded: a deep unknown member is refused, not followed down.
    const std::string deep = "{\"x\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    EXPECT_THAT(failure(deep), HasSubstr("nested more than 100 levels"));
}

TEST(SavedStateTest, WrittenFormIsSortedIndentedAndPlain) {
    SavedState state;
    state.groups = {SnippetGroup(
        "Skupina", {Snippet("Ščit", "a/b \"c\"\n\t\u0001 čšž 日本 🇸🇮", "B", "#abcdef")}, "G")};
    state.selectedGroupID = "G";
    state.theme = AppTheme::zuna;
    state.macWindow = WindowFrame{-10, 20.5, 300, 400};
    const std::string bytes = jsonData(state);
    EXPECT_EQ(bytes, R"({
  "alwaysOnTop": true,
  "appearanceVersion": 1,
  "format": "zuna-trep",
  "groups": [
    {
      "buttons": [
        {
          "color": "#abcdef",
          "id": "B",
          "name": "Ščit",
          "text": "a/b \"c\"\n\t\u0001 čšž 日本 🇸🇮"
        }
      ],
      "id": "G",
      "name": "Skupina"
    }
  ],
  "macWindow": {
    "height": 400.0,
    "width": 300.0,
    "x": -10.0,
    "y": 20.5
  },
  "selectedGroupID": "G",
  "theme": "zuna",
  "version": 2
})");
    EXPECT_EQ(SavedState::fromJson(bytes), state);

    // A frame without one is not written; a frame that is not finite cannot be.
    state.macWindow.reset();
    EXPECT_EQ(jsonData(state).find("macWindow"), std::string::npos);
    state.macWindow = WindowFrame{std::nan(""), 0, 300, 300};
    EXPECT_THROW(jsonData(state), JsonError);
}

// A one-group state whose encoding is exactly `size` bytes, in buttons of at most 1 MB of text.
SavedState stateOfEncodedSize(std::size_t size) {
    SavedState state;
    state.groups = {SnippetGroup("g", {}, "G")};
    state.selectedGroupID = "G";
    const std::size_t count = size / 1'000'000 + 1;
    for (std::size_t i = 0; i < count; ++i) {
        state.groups[0].buttons.emplace_back("n", "", "B" + std::to_string(100 + i));
    }
    const std::size_t frame = jsonData(state).size();
    std::size_t remaining = size - frame;
    for (auto& button : state.groups[0].buttons) {
        const std::size_t fill = std::min<std::size_t>(remaining, 1'000'000);
        button.text.assign(fill, 'x');
        remaining -= fill;
    }
    return state;
}

TEST(SavedStateTest, EncodedSizeLimitIsExact) {
    const SavedState exact = stateOfEncodedSize(16'777'216);
    const std::string bytes = jsonData(exact);
    EXPECT_EQ(bytes.size(), 16'777'216u);

    SavedState over = exact;
    over.groups[0].buttons.back().text += "x";
    EXPECT_EQ(zunaFailure([&] { jsonData(over); }), kTooMuchData);
}

}  // namespace
}  // namespace zuna
