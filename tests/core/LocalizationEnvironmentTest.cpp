// The language and catalog are read from the process environment once; these tests start a real
// process with each environment and read what it chose.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TestSupport.h"

namespace zuna::test {
namespace {

using Env = std::map<std::string, std::string>;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        result.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return result;
}

std::vector<std::string> probe(const Env& env, const std::vector<std::string>& keys = {},
                               const std::string& program = ZUNA_LOCALIZATION_PROBE) {
    Env withCatalog = env;
    // Unless a test says otherwise, no catalog: the probe sits in the build tree.
    withCatalog.try_emplace("ZUNA_LOCALIZATION_FILE", "/nonexistent/Translations.json");
    const auto result = runProcess(program, keys, withCatalog);
    EXPECT_EQ(result.exitCode, 0);
    return lines(result.output);
}

std::string languageFor(const Env& env) {
    return probe(env).at(0);
}

TEST(LocalizationEnvironmentTest, LanguageComesFromZunaLanguageOrTheLocale) {
    // ZUNA_LANGUAGE, when present, is the only tag considered, even when empty.
    EXPECT_EQ(languageFor({{"ZUNA_LANGUAGE", "fr-CA"}, {"LANG", "de_DE.UTF-8"}}), "fr");
    EXPECT_EQ(languageFor({{"ZUNA_LANGUAGE", "zh_TW"}, {"LANG", "de_DE.UTF-8"}}), "en");
    EXPECT_EQ(languageFor({{"ZUNA_LANGUAGE", ""}, {"LANGUAGE", "de"}, {"LANG", "de_DE"}}), "en");

    // Otherwise LANGUAGE in order, then the messages locale in effect.
    EXPECT_EQ(languageFor({{"LANGUAGE", "zh_TW:de_AT:fr"}, {"LANG", "it_IT.UTF-8"}}), "de");
    EXPECT_EQ(languageFor({{"LANGUAGE", "nb:sv"}, {"LANG", "ja_JP.UTF-8"}}), "ja");
    EXPECT_EQ(languageFor({{"LANGUAGE", "::"}, {"LANG", "ru_RU.UTF-8"}}), "ru");
    // Chinese is offered in simplified characters only, and zh-Hans is never a first part.
    EXPECT_EQ(languageFor({{"LANGUAGE", "zh-HK:zh-Hant-TW:zh-MO:ja"}}), "ja");
    EXPECT_EQ(languageFor({{"LANGUAGE", "zh-hans-x"}}), "zh-Hans");
    EXPECT_EQ(languageFor({{"LC_ALL", "sl_SI.UTF-8@euro"}, {"LANG", "de_DE"}}), "sl");
    EXPECT_EQ(languageFor({{"LC_ALL", ""}, {"LC_MESSAGES", "it_IT"}, {"LANG", "fr_FR"}}), "it");
    // The C locale names no language; LC_ALL overrides what LANG says.
    EXPECT_EQ(languageFor({{"LC_ALL", "POSIX"}, {"LANG", "de_DE"}}), "en");
    EXPECT_EQ(languageFor({{"LANGUAGE", "C:es"}}), "es");
    EXPECT_EQ(languageFor({}), "en");
}

TEST(LocalizationEnvironmentTest, CatalogFileTranslatesWithEnglishFallback) {
    TempDir dir;
    writeFile(dir / "catalog.json", R"({
        "Pripravljeno": {"en": "Ready", "de": "Bereit", "sl": "Pripravljen"},
        "Tema: {0}": {"en": "Theme: {0}", "ja": "テーマ: {0}"},
        "Samo nemško {0}": {"de": "Nur deutsch {0}"}
    })");
    const std::vector<std::string> keys{"Pripravljeno", "Tema: {0}", "Samo nemško {0}",
                                        "Ni v katalogu {0}"};
    const auto path = (dir / "catalog.json").string();

    EXPECT_EQ(
        probe({{"ZUNA_LANGUAGE", "de"}, {"ZUNA_LOCALIZATION_FILE", path}}, keys),
        (std::vector<std::string>{"de", "Bereit", "Theme: 1", "Nur deutsch 1", "Ni v katalogu 1"}));
}

TEST(LocalizationEnvironmentTest, CatalogBesideTheProgramUnlessAnotherFileIsNamed) {
    TempDir dir;
    const auto program = dir / "probe";
    std::filesystem::copy_file(ZUNA_LOCALIZATION_PROBE, program);
    writeFile(dir / "Translations.json", R"({"Pripravljeno": {"en": "Ready", "fr": "Prêt"}})");

    Env env{{"ZUNA_LANGUAGE", "fr"}};
    const auto run = [&](const Env& e) {
        const auto result = runProcess(program.string(), {"Pripravljeno"}, e);
        return lines(result.output);
    };
    EXPECT_EQ(run(env), (std::vector<std::string>{"fr", "Prêt"}));
    // A named file that cannot be read does not fall back to the one beside the program.
    env["ZUNA_LOCALIZATION_FILE"] = (dir / "missing.json").string();
    EXPECT_EQ(run(env), (std::vector<std::string>{"fr", "Pripravljeno"}));
    // Nor does a pipe in its place, which must not block the start.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    env["ZUNA_LOCALIZATION_FILE"] = (dir / "pipe").string();
    EXPECT_EQ(run(env), (std::vector<std::string>{"fr", "Pripravljeno"}));
}

}  // namespace
}  // namespace zuna::test
