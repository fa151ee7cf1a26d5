#include <gtest/gtest.h>

#include "localization/Localization.h"

namespace zuna {
namespace {

std::string fill(std::string_view templ, std::vector<std::string> values) {
    // No catalog is loaded in this process, so the key is the template.
    return Localization::text(templ, "sl", values);
}

TEST(LocalizationTest, PlaceholdersAreFilledOnceFromTheValues) {
    EXPECT_EQ(L("Pripravljeno"), "Pripravljeno");
    EXPECT_EQ(L("Tema: {0}", "Zuna"), "Tema: Zuna");
    EXPECT_EQ(L("Shranjeno · {0}"), "Shranjeno · {0}");
    // Order, repetition and leading zeros.
    EXPECT_EQ(fill("{1}-{0}-{1}-{00}", {"a", "b"}), "b-a-b-a");
    // Values are inserted verbatim and never scanned again.
    EXPECT_EQ(fill("{0} in {1}", {"{1}", "x"}), "{1} in x");
    EXPECT_EQ(fill("{0}", {"$1 \\0 {0}"}), "$1 \\0 {0}");
    // No value, or a number beyond 64 bits, stays as written.
    EXPECT_EQ(fill("{2}{0}", {"a"}), "{2}a");
    EXPECT_EQ(fill("{9223372036854775807}", {"a"}), "{9223372036854775807}");
    EXPECT_EQ(fill("{99999999999999999999999}{0}", {"a"}), "{99999999999999999999999}a");
    // Only braces around ASCII digits are placeholders.
    EXPECT_EQ(fill("{{0}} { 0} {-1} {} {0", {"a"}), "{a} { 0} {-1} {} {0");
    EXPECT_EQ(fill("{٣}", {"a"}), "{٣}");
    EXPECT_EQ(fill("", {"a"}), "");
}

TEST(LocalizationTest, CatalogsOfAnyOtherShapeAreEmpty) {
    const auto good = Localization::decodeCatalog(
        R"({"Pripravljeno": {"en": "Ready", "de": "Bereit"}, "Tema: {0}": {}})");
    ASSERT_EQ(good.size(), 2u);
    EXPECT_EQ(good.at("Pripravljeno").at("de"), "Bereit");
    EXPECT_TRUE(good.at("Tema: {0}").empty());

    for (const std::string& broken : std::vector<std::string>{
             R"({"Pripravljeno": {"en": "Ready", "de": 3}})",
             R"({"Pripravljeno": "Ready"})",
             R"([{"Pripravljeno": {"en": "Ready"}}])",
             R"({"Pripravljeno": {"en": "Ready"})",
             "{\"Pripravljeno\": {\"en\": \"\xff\"}}",
             "",
             std::string(R"({"Pripravljeno": {"en": "Ready"}})") + '\0' + "garbage",
         }) {
        EXPECT_TRUE(Localization::decodeCatalog(broken).empty()) << broken;
    }
}

}  // namespace
}  // namespace zuna
