#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <set>

#include "model/Errors.h"
#include "model/Records.h"
#include "model/TextMeasures.h"
#include "model/Validation.h"

namespace zuna {
namespace {

const std::string kButtonMessage =
    "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB.";
const std::string kGroupCountMessage = "Zuna Trep podpira od 1 do 5 skupin.";
const std::string kGroupMessage =
    "Vsaka skupina potrebuje svoje ime (največ 40 znakov) in enoličen identifikator.";
const std::string kDuplicateMessage = "Datoteka vsebuje podvojene identifikatorje gumbov.";

std::string repeat(std::string_view unit, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i)
        result += unit;
    return result;
}

// The message of the ZunaError thrown, or "" when nothing was thrown.
template <typename F>
std::string failure(F&& f) {
    try {
        f();
    } catch (const ZunaError& error) {
        EXPECT_STREQ(error.what(), error.message().c_str());
        return error.message();
    }
    return "";
}

std::string buttonsFailure(std::vector<Snippet> buttons) {
    return failure([&] { validateButtons(buttons); });
}

std::string groupsFailure(std::vector<SnippetGroup> groups) {
    return failure([&] { validateGroups(groups); });
}

TEST(RecordsTest, NewRecordsGetFreshUpperCaseIdentifiersAndDefaults) {
    const std::regex uuid("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const Snippet button("a", "b");
        EXPECT_TRUE(std::regex_match(button.id, uuid)) << button.id;
        seen.insert(button.id);
    }
    EXPECT_EQ(seen.size(), 200u);
    const Snippet button("Ime", "Besedilo");
    EXPECT_EQ(button.color, "#405875");
    const SnippetGroup group("Skupina");
    EXPECT_TRUE(group.buttons.empty());
    EXPECT_NE(group.id, SnippetGroup("Skupina").id);
    EXPECT_EQ(Snippet("a", "b", "X", "#abcdef"), Snippet("a", "b", "X", "#abcdef"));
    EXPECT_NE(Snippet("a", "b", "X", "#abcdef"), Snippet("a", "b", "X", "#ABCDEF"));
}

TEST(RecordsTest, ColourRuleIsExactlyHashAndSixHexDigits) {
    for (const char* good : {"#405875", "#abcdef", "#ABCDEF", "#aBc012"}) {
        EXPECT_TRUE(Snippet::validColor(good)) << good;
    }
    for (const char* bad : {"405875", "#40587", "#4058751", "#40587G", "", "#", " #405875",
                            "#405875 ", "#405875\n", "##40587", "#４05875"}) {
        EXPECT_FALSE(Snippet::validColor(bad)) << bad;
    }
    EXPECT_FALSE(Snippet::validColor(std::string("#40587\0", 7)));
}

TEST(RecordsTest, WindowFrameBounds) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    EXPECT_TRUE((WindowFrame{0, 0, 150, 140}.isValid()));
    EXPECT_TRUE((WindowFrame{-1440, -900, 10000, 10000}.isValid()));
    EXPECT_FALSE((WindowFrame{0, 0, 149.5, 140}.isValid()));
    EXPECT_FALSE((WindowFrame{0, 0, 150, 139}.isValid()));
    EXPECT_FALSE((WindowFrame{0, 0, 10000.5, 300}.isValid()));
    EXPECT_FALSE((WindowFrame{0, 0, 300, 10000.5}.isValid()));
    EXPECT_FALSE((WindowFrame{nan, 0, 300, 300}.isValid()));
    EXPECT_FALSE((WindowFrame{0, inf, 300, 300}.isValid()));
    EXPECT_FALSE((WindowFrame{0, 0, nan, 300}.isValid()));
    EXPECT_FALSE((WindowFrame{0, 0, 300, -inf}.isValid()));
}

TEST(RecordsTest, ThemesFromRawValues) {
    std::vector<std::string> raw;
    for (AppTheme theme : AppTheme::allCases)
        raw.emplace_back(theme.rawValue());
    EXPECT_THAT(raw, testing::ElementsAre("graphite", "zuna", "midnight", "light"));
    for (AppTheme theme : AppTheme::allCases) {
        EXPECT_EQ(AppTheme::fromRaw(theme.rawValue()), theme);
    }
    for (const char* other : {"", "Graphite", "LIGHT", "dark", "light "}) {
        EXPECT_FALSE(AppTheme::fromRaw(other).has_value()) << other;
    }
}

TEST(RecordsTest, MeasuresCountUserPerceivedCharactersAndBlanks) {
    EXPECT_EQ(userPerceivedLength(""), 0u);
    EXPECT_EQ(userPerceivedLength("abc"), 3u);
    EXPECT_EQ(userPerceivedLength("\r\n"), 1u);
    EXPECT_EQ(userPerceivedLength("čšž"), 3u);
    EXPECT_EQ(userPerceivedLength("e\u0301"), 1u);  // letter with a combining mark
    EXPECT_EQ(userPerceivedLength("🇸🇮🇩🇪"), 2u);     // flags
    EXPECT_EQ(userPerceivedLength("👩‍👩‍👧‍👦"), 1u);  // composed emoji
    EXPECT_EQ(userPerceivedLength(repeat("a", 1000), 120), 121u);

    EXPECT_TRUE(isBlank(""));
    EXPECT_TRUE(isBlank(" \t\n\r\v\f\u0085\u00a0\u2003\u2028\u2029\u3000"));
    EXPECT_FALSE(isBlank(" a "));
    EXPECT_FALSE(isBlank("\u200b"));  // zero width space is a format character, not a blank
    EXPECT_FALSE(isBlank("\xff"));

    EXPECT_EQ(trimmed(""), "");
    EXPECT_EQ(trimmed(" \t\u00a0\u2028 "), "");
    EXPECT_EQ(trimmed("\r\n Dr.\u00a0Novak\t \u3000\u0085"), "Dr.\u00a0Novak");
    EXPECT_EQ(trimmed("a \n b"), "a \n b");  // only the ends
    EXPECT_EQ(trimmed("\u200bč\u200b"), "\u200bč\u200b");
    EXPECT_EQ(trimmed("e\u0301 "), "e\u0301");  // the combining mark stays with its letter
    // A broken sequence at either end is kept, and what lies beyond it too.
    EXPECT_EQ(trimmed(" \xff \xc4"), "\xff \xc4");
    EXPECT_EQ(trimmed(std::string("\0 ", 2)), std::string("\0", 1));
}

TEST(RecordsTest, ButtonRulesAtTheirBoundaries) {
    EXPECT_EQ(buttonsFailure({}), "");
    EXPECT_EQ(buttonsFailure({Snippet(repeat("ž", 120), "")}), "");
    EXPECT_EQ(buttonsFailure({Snippet(repeat("ž", 121), "")}), kButtonMessage);
    // 100 flags are 200 code points but 100 characters.
    EXPECT_EQ(buttonsFailure({Snippet(repeat("🇸🇮", 100), "")}), "");
    EXPECT_EQ(buttonsFailure({Snippet(repeat("e\u0301", 120), "")}), "");
    EXPECT_EQ(buttonsFailure({Snippet("   ", "")}), kButtonMessage);
    EXPECT_EQ(buttonsFailure({Snippet("\t\n\u2028", "")}), kButtonMessage);
    EXPECT_EQ(buttonsFailure({Snippet("", "x")}), kButtonMessage);
    // Blanks around visible text are allowed and count towards the length.
    EXPECT_EQ(buttonsFailure({Snippet("  ime  ", "")}), "");
    EXPECT_EQ(buttonsFailure({Snippet(" " + repeat("a", 120), "")}), kButtonMessage);

    EXPECT_EQ(buttonsFailure({Snippet("a", repeat("x", 1'048'576))}), "");
    EXPECT_EQ(buttonsFailure({Snippet("a", repeat("x", 1'048'577))}), kButtonMessage);
    // 349,526 three-byte characters are 1,048,578 bytes.
    EXPECT_EQ(buttonsFailure({Snippet("a", repeat("€", 349'526))}), kButtonMessage);
    EXPECT_EQ(buttonsFailure({Snippet("a", repeat("€", 349'525))}), "");

    EXPECT_EQ(buttonsFailure({Snippet("a", "", "")}), kButtonMessage);
    EXPECT_EQ(buttonsFailure({Snippet("a", "", "X"), Snippet("b", "", "X")}), kButtonMessage);
    EXPECT_EQ(buttonsFailure({Snippet("a", "", "X", "#12345")}), kButtonMessage);
    EXPECT_EQ(buttonsFailure({Snippet("a", "", "X", "#abcdef"), Snippet("b", "", "Y", "#ABCDEF")}),
              "");
}

TEST(RecordsTest, GroupRulesInOrder) {
    const auto groups = [](std::size_t count) {
        std::vector<SnippetGroup> list;
        for (std::size_t i = 0; i < count; ++i)
            list.emplace_back("Skupina");
        return list;
    };
    EXPECT_EQ(groupsFailure(groups(0)), kGroupCountMessage);
    EXPECT_EQ(groupsFailure(groups(1)), "");
    EXPECT_EQ(groupsFailure(groups(5)), "");
    EXPECT_EQ(groupsFailure(groups(6)), kGroupCountMessage);

    EXPECT_EQ(groupsFailure({SnippetGroup(repeat("č", 40))}), "");
    EXPECT_EQ(groupsFailure({SnippetGroup(repeat("č", 41))}), kGroupMessage);
    EXPECT_EQ(groupsFailure({SnippetGroup(" \n ")}), kGroupMessage);
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {}, "")}), kGroupMessage);
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {}, "G"), SnippetGroup("b", {}, "G")}),
              kGroupMessage);

    // The same button twice in one group is a button fault; across groups a duplicate.
    const Snippet x("x", "", "X");
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {x, x})}), kButtonMessage);
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {x}), SnippetGroup("b", {x})}), kDuplicateMessage);
    // Group and button identifiers are separate name spaces.
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {x}, "X")}), "");
    // The first failing group decides: a bad name before a duplicate.
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {x}), SnippetGroup("b", {x}), SnippetGroup("")}),
              kDuplicateMessage);
    EXPECT_EQ(groupsFailure({SnippetGroup("a", {x}), SnippetGroup("", {x})}), kGroupMessage);
}

TEST(RecordsTest, ErrorsDescribeThemselves) {
    const ZunaError error("Sporočilo");
    EXPECT_EQ(error.message(), "Sporočilo");
    EXPECT_STREQ(error.what(), "Sporočilo");
    const std::exception& base = error;
    EXPECT_STREQ(base.what(), "Sporočilo");
    EXPECT_STREQ(FileError("/a/b/state.json", ENOENT).what(),
                 "state.json: No such file or directory");
}

}  // namespace
}  // namespace zuna
