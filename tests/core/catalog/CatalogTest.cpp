// The catalog against the sources: every text the code looks up is translated into every
// supported language, and the catalog holds nothing the code no longer uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/localization/Localization.h"

namespace zuna {
namespace {

namespace fsys = std::filesystem;

struct Extraction {
    std::set<std::string> keys;
    std::vector<std::string> problems;
};

// The first argument of every L(...) and LKey(...) outside comments; a first argument that is not
// a literal (L(name)) is not a key, and a key must be one plain literal.
Extraction sourceKeys() {
    static const std::regex comment(R"((^|\s)//[^\n]*|/\*[^*]*\*/)");
    static const std::regex call(R"re(\b(L|LKey)\(\s*"((?:[^"\\\n]|\\.)*)"(\s*")?)re");
    static const std::regex escape(R"(\\(.))");
    Extraction out;
    for (const auto& entry :
         fsys::recursive_directory_iterator(fsys::path(ZUNA_SOURCE_DIR) / "src")) {
        const auto extension = entry.path().extension();
        if (extension != ".cpp" && extension != ".h") continue;
        const std::string code = std::regex_replace(test::readFile(entry.path()), comment, "$1");
        for (std::sregex_iterator it(code.begin(), code.end(), call), end; it != end; ++it) {
            std::string key;
            bool plain = !(*it)[3].matched;
            const std::string literal = (*it)[2];
            std::size_t last = 0;
            for (std::sregex_iterator e(literal.begin(), literal.end(), escape); e != end; ++e) {
                key += literal.substr(last, e->position() - last);
                const char c = e->str(1)[0];
                plain = plain && std::string("nt\"\\").find(c) != std::string::npos;
                key += c == 'n' ? '\n' : c == 't' ? '\t' : c;
                last = e->position() + e->length();
            }
            key += literal.substr(last);
            if (plain) {
                out.keys.insert(key);
            } else {
                out.problems.push_back(entry.path().string() +
                                       ": not one plain literal: " + literal);
            }
        }
    }
    return out;
}

std::string catalogBytes() {
    return test::readFile(fsys::path(ZUNA_SOURCE_DIR) / "resources" / "Translations.json");
}

// What a translation must keep of its source text: the placeholders, the line breaks, the blanks
// at either end, and the program's name.
std::string shape(const std::string& text) {
    static const std::regex kept(R"(\{[0-9]+\}|\n|^ +| +$|Zuna Trep|ZT)");
    std::vector<std::string> found(std::sregex_token_iterator(text.begin(), text.end(), kept),
                                   std::sregex_token_iterator());
    std::sort(found.begin(), found.end());
    std::string all;
    for (const auto& part : found)
        all += "[" + part + "]";
    return all;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines)
        all += "\n  " + line;
    return all;
}

// Every text the code looks up is in the catalog once, in every language, keeping its shape;
// the catalog holds nothing else, and the program reads all of it.
TEST(CatalogTest, EveryTextOfTheSourcesIsTranslatedOnceIntoEveryLanguageAndNothingElse) {
    const auto code = sourceKeys();
    EXPECT_TRUE(code.problems.empty()) << joined(code.problems);
    // Spot checks that the collector reads this code: a plain key, one with a line break.
    EXPECT_TRUE(code.keys.count("Pripravljeno"));
    EXPECT_TRUE(code.keys.count("Prostor za tvoje bližnjice.\nDodaj prvi gumb."));

    std::map<std::string, int> seen;
    // The reader keeps the last of two equal member names silently; the callback sees both.
    const auto catalog = nlohmann::json::parse(
        catalogBytes(),
        [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
            if (depth == 1 && event == nlohmann::json::parse_event_t::key)
                ++seen[parsed.get<std::string>()];
            return true;
        });
    ASSERT_TRUE(catalog.is_object());
    std::vector<std::string> faults;
    for (const auto& [key, count] : seen) {
        if (!code.keys.count(key)) faults.push_back("unused: " + key);
        if (count > 1) faults.push_back("listed " + std::to_string(count) + " times: " + key);
    }
    for (const auto& key : code.keys) {
        const auto entry = catalog.value(key, nlohmann::json::object());
        if (entry.size() != Localization::kSupported.size())
            faults.push_back(std::to_string(entry.size()) + " languages: " + key);
        for (const auto language : Localization::kSupported) {
            const std::string where = std::string(language) + ": " + key;
            const auto found = entry.find(language);
            if (found == entry.end() || !found->is_string()) {
                faults.push_back("no text in " + where);
                continue;
            }
            const auto text = found->get<std::string>();
            // Slovenian must be listed: a missing text would fall back to English.
            if (language == "sl" && text != key)
                faults.push_back("differs from the key in " + where);
            if (shape(text) != shape(key))
                faults.push_back(shape(text) + " instead of " + shape(key) + " in " + where);
        }
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << joined(faults);
    // Any value of the wrong type would leave the program with an empty catalog.
    const auto decoded = Localization::decodeCatalog(catalogBytes());
    EXPECT_EQ(decoded.size(), catalog.size());
    EXPECT_EQ(decoded.at("Pripravljeno").at("de"), "Bereit");
}

}  // namespace
}  // namespace zuna
