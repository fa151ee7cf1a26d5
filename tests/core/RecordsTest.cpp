#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>

#include "TestSupport.h"
#include "model/Errors.h"
#include "model/Records.h"
#include "model/TextMeasures.h"
#include "model/Validation.h"

namespace zuna {
namespace {

using test::thrown;

const std::string kButton =
    "Neveljaven gumb: ime sme imeti največ 120 znakov, besedilo največ 1 MB, barva pa obliko #RRGGBB.";
const std::string kDuplicate = "Datoteka vsebuje podvojene identifikatorje gumbov.";
const std::string kCount = "Zuna Trep podpira od 1 do 5 skupin.";
const std::string kGroup =
    "Vsaka skupina potrebuje svoje ime (največ 40 znakov) in enoličen identifikator.";

std::string repeat(std::string_view unit, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i)
        result += unit;
    return result;
}

std::string buttons(std::vector<Snippet> list) {
    return thrown([&] { validateButtons(list); });
}
std::string groups(std::vector<SnippetGroup> list) {
    return thrown([&] { validateGroups(list); });
}

TEST(RecordsTest, FreshIdentifiersAreDistinctUpperCaseVersion4) {
    const std::regex uuid("^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$");
    const Snippet a("a", "b");
    EXPECT_TRUE(std::regex_match(a.id, uuid)) << a.id;
    EXPECT_NE(Snippet("a", "b").id, a.id);
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

}  // namespace
}  // namespace zuna
