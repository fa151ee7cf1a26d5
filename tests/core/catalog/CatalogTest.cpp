// The catalog against the sources: every text the code looks up is translated into every
// supported language, and the catalog holds nothing the code no longer uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "localization/Localization.h"

namespace zuna {
namespace {

namespace fsys = std::filesystem;

struct Extraction {
    std::set<std::string> keys;
    std::vector<std::string> problems;
};

bool identifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Reads the literal that starts at source[i] == '"' and leaves i after it; nullopt for an
// escape the collector does not decode.
std::optional<std::string> readLiteral(std::string_view source, std::size_t& i) {
    static const std::map<char, char> escapes{{'n', '\n'}, {'t', '\t'},  {'r', '\r'}, {'\\', '\\'},
                                              {'"', '"'},  {'\'', '\''}, {'?', '?'}};
    std::string text;
    bool decoded = true;
    for (++i; i < source.size() && source[i] != '"' && source[i] != '\n'; ++i) {
        if (source[i] != '\\') {
            text += source[i];
        } else if (++i < source.size() && escapes.count(source[i])) {
            text += escapes.at(source[i]);
        } else {
            decoded = false;
        }
    }
    ++i;
    return decoded ? std::optional(text) : std::nullopt;
}

void skipSpace(std::string_view source, std::size_t& i) {
    while (i < source.size() && std::isspace(static_cast<unsigned char>(source[i])))
        ++i;
}

// Collects the first argument of L(...) and LKey(...) as the compiler reads it: comments and
// other literals are skipped; a first argument that is not a literal (L(name)) is not a key.
void extractKeys(std::string_view source, const std::string& origin, Extraction& out) {
    std::size_t i = 0;
    while (i < source.size()) {
        if (source.substr(i, 2) == "//") {
            i = std::min(source.find('\n', i), source.size());
        } else if (source.substr(i, 2) == "/*") {
            i = std::min(source.find("*/", i + 2), source.size()) + 2;
        } else if (source[i] == '"') {
            readLiteral(source, i);
        } else if (source[i] == '\'') {
            for (++i; i < source.size() && source[i] != '\''; ++i)
                if (source[i] == '\\') ++i;
            ++i;
        } else if (identifierChar(source[i])) {
            const std::size_t start = i;
            // A number may hold digit separators (1'000), which are no character literals.
            const bool number = source[i] >= '0' && source[i] <= '9';
            while (i < source.size() &&
                   (identifierChar(source[i]) || (number && source[i] == '\'')))
                ++i;
            const std::string_view name = source.substr(start, i - start);
            if (name.back() == 'R' && i < source.size() && source[i] == '"') {
                // A raw literal R"tag(...)tag" ends only at its own closing sequence.
                const auto open = source.find('(', i);
                const auto close =
                    std::string(")") + std::string(source.substr(i + 1, open - i - 1)) + "\"";
                i = std::min(source.find(close, open), source.size()) + close.size();
                continue;
            }
            if (name != "L" && name != "LKey") continue;
            std::size_t j = i;
            skipSpace(source, j);
            if (j >= source.size() || source[j] != '(') continue;
            skipSpace(source, ++j);
            if (j >= source.size() || source[j] != '"') continue;
            const auto key = readLiteral(source, j);
            skipSpace(source, j);
            if (!key || (j < source.size() && source[j] == '"')) {
                out.problems.push_back(origin + ": a key must be one plain literal, near " +
                                       std::string(source.substr(start, 60)));
            } else {
                out.keys.insert(*key);
            }
            i = j;
        } else {
            ++i;
        }
    }
}

Extraction sourceKeys() {
    Extraction out;
    for (const auto& entry :
         fsys::recursive_directory_iterator(fsys::path(ZUNA_SOURCE_DIR) / "src")) {
        const auto extension = entry.path().extension();
        if (extension != ".cpp" && extension != ".h") continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        extractKeys(text.str(), entry.path().string(), out);
    }
    return out;
}

std::string catalogBytes() {
    std::ifstream file(fsys::path(ZUNA_SOURCE_DIR) / "resources" / "Translations.json",
                       std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> placeholders(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t i = text.find('{'); i != std::string_view::npos; i = text.find('{', i + 1)) {
        std::size_t end = i + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end > i + 1 && end < text.size() && text[end] == '}')
            found.emplace_back(text.substr(i, end + 1 - i));
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::size_t occurrences(std::string_view text, std::string_view word) {
    std::size_t count = 0;
    for (auto at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1))
        ++count;
    return count;
}

std::string edges(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    if (first == std::string_view::npos) return std::string(text);
    return std::string(first, ' ') + "|" + std::string(text.size() - 1 - last, ' ');
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines)
        all += "\n  " + line;
    return all;
}

TEST(CatalogTest, EveryTextOfTheSourcesIsTranslatedIntoEveryLanguage) {
    const auto code = sourceKeys();
    EXPECT_TRUE(code.problems.empty()) << joined(code.problems);
    // Spot checks that the collector reads this code: a plain key, one with a line break.
    EXPECT_TRUE(code.keys.count("Pripravljeno"));
    EXPECT_TRUE(code.keys.count("Prostor za tvoje bližnjice.\nDodaj prvi gumb."));

    const auto catalog = nlohmann::json::parse(catalogBytes());
    std::vector<std::string> faults;
    for (const auto& key : code.keys) {
        if (!catalog.contains(key)) {
            faults.push_back("no entry: " + key);
            continue;
        }
        const auto& entry = catalog.at(key);
        for (const auto& member : entry.items()) {
            const auto& language = member.key();
            if (std::find(Localization::supported.begin(), Localization::supported.end(),
                          language) == Localization::supported.end())
                faults.push_back("unknown language " + language + ": " + key);
        }
        for (const auto language : Localization::supported) {
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
            if (placeholders(text) != placeholders(key))
                faults.push_back("placeholders in " + where);
            if (occurrences(text, "\n") != occurrences(key, "\n"))
                faults.push_back("line breaks in " + where);
            if (edges(text) != edges(key))
                faults.push_back("leading or trailing blanks in " + where);
            for (const auto* word : {"Zuna Trep", "ZT"}) {
                if (occurrences(text, word) != occurrences(key, word))
                    faults.push_back(std::string("\"") + word + "\" changed in " + where);
            }
        }
    }
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:" << joined(faults);
}

TEST(CatalogTest, CatalogHoldsOnlyTextsTheCodeUsesEachOnce) {
    const auto code = sourceKeys();
    std::vector<std::string> stale;
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
    for (const auto& [key, count] : seen) {
        if (!code.keys.count(key)) stale.push_back("unused: " + key);
        if (count > 1) stale.push_back("listed " + std::to_string(count) + " times: " + key);
    }
    EXPECT_TRUE(stale.empty()) << joined(stale);
}

TEST(CatalogTest, TheProgramDecodesTheWholeCatalog) {
    const auto bytes = catalogBytes();
    const auto decoded = Localization::decodeCatalog(bytes);
    // Any value of the wrong type would leave the program with an empty catalog.
    ASSERT_EQ(decoded.size(), nlohmann::json::parse(bytes).size());
    ASSERT_FALSE(decoded.empty());
    EXPECT_EQ(decoded.at("Pripravljeno").at("de"), "Bereit");
}

}  // namespace
}  // namespace zuna
