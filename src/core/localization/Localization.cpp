#include "core/localization/Localization.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "core/fs/FileSystem.h"
#include "core/model/Errors.h"
#include "core/model/JsonSupport.h"

namespace zuna {

namespace {

constexpr std::uintmax_t kMaxCatalogBytes = 64u * 1024u * 1024u;

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::vector<std::string> splitDroppingEmpty(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// "sl_SI.UTF-8@euro" -> "sl-SI"; the C locale names no language.
std::string localeTag(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale == "C" || locale == "POSIX") return {};
    std::string tag(locale);
    std::replace(tag.begin(), tag.end(), '_', '-');
    return tag;
}

std::filesystem::path executableDirectory() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : exe.parent_path();
}

Catalog loadCatalog() {
    std::filesystem::path location;
    if (const char* file = std::getenv("ZUNA_LOCALIZATION_FILE")) {
        location = file;
    } else {
        const auto dir = executableDirectory();
        if (dir.empty()) return {};
        location = dir / "Translations.json";
    }
    try {
        const auto bytes = fs::readFileLimited(location, kMaxCatalogBytes);
        return bytes ? Localization::decodeCatalog(*bytes) : Catalog{};
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

const std::string& Localization::language() {
    static const std::string chosen = [] {
        if (const char* forced = std::getenv("ZUNA_LANGUAGE")) return resolve({forced});
        return resolve(preferredLanguages());
    }();
    return chosen;
}

const Catalog& Localization::catalog() {
    static const Catalog loaded = loadCatalog();
    return loaded;
}

std::vector<std::string> Localization::preferredLanguages() {
    std::vector<std::string> tags;
    if (const char* list = std::getenv("LANGUAGE")) {
        for (const auto& entry : splitDroppingEmpty(list, ':')) {
            if (auto tag = localeTag(entry); !tag.empty()) tags.push_back(std::move(tag));
        }
    }
    // The messages locale in effect, as the C library would choose it.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        if (auto tag = localeTag(value); !tag.empty()) tags.push_back(std::move(tag));
        break;
    }
    return tags;
}

std::string Localization::resolve(const std::vector<std::string>& tags) {
    for (const auto& raw : tags) {
        std::string tag = raw;
        std::replace(tag.begin(), tag.end(), '_', '-');
        const auto parts = splitDroppingEmpty(lowerAscii(tag), '-');
        if (parts.empty()) continue;
        if (parts.front() != "zh") {
            const auto match = std::find(kSupported.begin(), kSupported.end(), parts.front());
            if (match != kSupported.end()) return std::string(*match);
            continue;
        }
        const auto has = [&](std::string_view part) {
            return std::find(parts.begin(), parts.end(), part) != parts.end();
        };
        if (has("hans")) return "zh-Hans";
        if (has("hant") || has("tw") || has("hk") || has("mo")) continue;
        return "zh-Hans";
    }
    return "en";
}

Catalog Localization::decodeCatalog(std::string_view bytes) {
    json::Json document;
    try {
        document = json::parse(bytes);
    } catch (const JsonError&) {
        return {};
    }
    if (!document.is_object()) return {};
    Catalog catalog;
    for (const auto& [key, entry] : document.items()) {
        if (!entry.is_object()) return {};
        TranslationsByLanguage translations;
        for (const auto& [code, translated] : entry.items()) {
            if (!translated.is_string()) return {};
            translations.emplace(code, translated.get<std::string>());
        }
        catalog.emplace(key, std::move(translations));
    }
    return catalog;
}

std::string Localization::text(std::string_view key, std::string_view language,
                               const std::vector<std::string>& values) {
    std::string_view templ = key;
    const auto& entries = catalog();
    if (const auto entry = entries.find(key); entry != entries.end()) {
        if (const auto found = entry->second.find(language); found != entry->second.end()) {
            templ = found->second;
        } else if (const auto english = entry->second.find(std::string_view("en"));
                   english != entry->second.end()) {
            templ = english->second;
        }
    }

    // Placeholders are {digits}. Filling them front to back in one pass over the template is the
    // same as replacing the matches from the last one, and inserted values are never re-scanned.
    std::string result;
    result.reserve(templ.size());
    std::size_t i = 0;
    while (i < templ.size()) {
        if (templ[i] != '{') {
            result += templ[i++];
            continue;
        }
        std::size_t end = i + 1;
        while (end < templ.size() && templ[end] >= '0' && templ[end] <= '9')
            ++end;
        if (end == i + 1 || end >= templ.size() || templ[end] != '}') {
            result += templ[i++];
            continue;
        }
        std::uint64_t number = 0;
        bool fits = true;
        for (std::size_t d = i + 1; d < end && fits; ++d) {
            const auto digit = static_cast<std::uint64_t>(templ[d] - '0');
            constexpr auto kMax =
                static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
            if (number > (kMax - digit) / 10) fits = false;
            number = number * 10 + digit;
        }
        if (fits && number < values.size()) {
            result += values[static_cast<std::size_t>(number)];
        } else {
            result.append(templ.substr(i, end + 1 - i));
        }
        i = end + 1;
    }
    return result;
}

}  // namespace zuna
