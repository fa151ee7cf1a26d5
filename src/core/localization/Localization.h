#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zuna {

struct TransparentStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
        return std::hash<std::string_view>{}(text);
    }
};

// Source text -> language code -> translated text.
using TranslationsByLanguage =
    std::unordered_map<std::string, std::string, TransparentStringHash, std::equal_to<>>;
using Catalog =
    std::unordered_map<std::string, TranslationsByLanguage, TransparentStringHash, std::equal_to<>>;

// Every user-visible text passes through here: the Slovenian source text is the key.
class Localization {
  public:
    static constexpr std::array<std::string_view, 10> kSupported{"sl", "en", "it", "fr",      "de",
                                                                 "es", "pt", "ru", "zh-Hans", "ja"};

    // Chosen once per process from ZUNA_LANGUAGE or the user's locale settings.
    static const std::string& language();
    // Loaded once per process from ZUNA_LOCALIZATION_FILE or Translations.json beside the program.
    static const Catalog& catalog();

    static std::string text(std::string_view key, std::string_view language,
                            const std::vector<std::string>& values);
    // Picks one supported code for a list of language tags, most preferred first.
    static std::string resolve(const std::vector<std::string>& tags);

    // The user's preferred languages from LANGUAGE, then LC_ALL, LC_MESSAGES or LANG.
    static std::vector<std::string> preferredLanguages();
    // Decodes a catalog file; any departure from the exact shape gives an empty catalog.
    static Catalog decodeCatalog(std::string_view bytes);
};

// Marks a source text that is passed to L later (from a table, say), so that tools that collect
// the catalog's keys from the sources find it.
constexpr std::string_view LKey(std::string_view key) {
    return key;
}

template <typename... Values>
std::string L(std::string_view key, const Values&... values) {
    return Localization::text(key, Localization::language(), {std::string(values)...});
}

}  // namespace zuna
