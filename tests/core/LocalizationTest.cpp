#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "core/localization/Localization.h"

namespace zuna::test {
namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

TEST(LocalizationTest, PlaceholdersAreFilledOnceFromTheValues) {
    // No catalog is loaded in this process, so the key is the template.
    const auto fill = [](std::string_view templ, std::vector<std::string> values) {
        return Localization::text(templ, "sl", values);
    };
    EXPECT_EQ(L("Tema: {0}", "Zuna"), "Tema: Zuna");
    EXPECT_EQ(L("Shranjeno · {0}"), "Shranjeno · {0}");
    // Order, repetition and leading zeros.
    EXPECT_EQ(fill("{1}-{0}-{1}-{00}", {"a", "b"}), "b-a-b-a");
    // Values are inserted verbatim and never scanned again.
    EXPECT_EQ(fill("{0} in {1}", {"{1}", "x"}), "{1} in x");
    EXPECT_EQ(fill("{0}", {"$1 \\0 {0}"}), "$1 \\0 {0}");
    // No value, or a number beyond 64 bits, stays as written.
    EXPECT_EQ(fill("{2}{0}", {"a"}), "{2}a");
    EXPECT_EQ(fill("{99999999999999999999999}{0}", {"a"}), "{99999999999999999999999}a");
    // Only braces around ASCII digits are placeholders.
    EXPECT_EQ(fill("{{0}} { 0} {-1} {} {0", {"a"}), "{a} { 0} {-1} {} {0");
    EXPECT_EQ(fill("{٣}", {"a"}), "{٣}");
}

// What a program started with exactly `env` prints: its language, then each key looked up.
std::string probe(const std::string& program, const Env& env, const std::string& keys = "") {
    std::string command = "env -i";
    for (const auto& [name, value] : env)
        command += " '" + name + "=" + value + "'";
    std::FILE* out = ::popen((command + " " + program + " " + keys).c_str(), "r");
    std::string printed;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, out) != nullptr)
        printed += buffer;
    EXPECT_EQ(::pclose(out), 0);
    return printed;
}

// The language and the catalog are read from the environment once per process.
TEST(LocalizationTest, LanguageAndCatalogComeFromTheEnvironment) {
    TempDir dir;
    const auto beside = (dir / "probe").string();
    std::filesystem::copy_file(ZUNA_LOCALIZATION_PROBE, beside);
    const std::string catalog = R"({
        "Pripravljeno": {"en": "Ready", "de": "Bereit", "sl": "Pripravljen"},
        "Tema: {0}": {"en": "Theme: {0}", "ja": "テーマ: {0}"},
        "Samo nemško {0}": {"de": "Nur deutsch {0}"}
    })";
    writeFile(dir / "Translations.json", catalog);
    writeFile(dir / "catalog.json", catalog);
    // One value of the wrong type: the catalog is refused as a whole, not read in part.
    writeFile(dir / "broken.json", R"({"Pripravljeno": {"de": "Bereit"}, "Tema: {0}": {"de": 3}})");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    const std::string none = "/nonexistent/Translations.json";
    const std::string probeIn = ZUNA_LOCALIZATION_PROBE;
    const std::vector<std::tuple<Env, std::string, std::string>> languages{
        // ZUNA_LANGUAGE, when present, is the only tag considered, even when empty.
        {{{"ZUNA_LANGUAGE", "fr-CA"}, {"LANG", "de_DE.UTF-8"}}, probeIn, "fr"},
        {{{"ZUNA_LANGUAGE", "zh_TW"}, {"LANG", "de_DE.UTF-8"}}, probeIn, "en"},
        {{{"ZUNA_LANGUAGE", ""}, {"LANGUAGE", "de"}, {"LANG", "de_DE"}}, probeIn, "en"},
        // Otherwise LANGUAGE in order, then the messages locale in effect.
        {{{"LANGUAGE", "zh_TW:de_AT:fr"}, {"LANG", "it_IT.UTF-8"}}, probeIn, "de"},
        {{{"LANGUAGE", "nb:sv"}, {"LANG", "ja_JP.UTF-8"}}, probeIn, "ja"},
        {{{"LANGUAGE", "::"}, {"LANG", "ru_RU.UTF-8"}}, probeIn, "ru"},
        // Chinese is offered in simplified characters only, and zh-Hans is never a first part.
        {{{"LANGUAGE", "zh-HK:zh-Hant-TW:zh-MO:ja"}}, probeIn, "ja"},
        {{{"LANGUAGE", "zh-hans-x"}}, probeIn, "zh-Hans"},
        {{{"LC_ALL", "sl_SI.UTF-8@euro"}, {"LANG", "de_DE"}}, probeIn, "sl"},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "it_IT"}, {"LANG", "fr_FR"}}, probeIn, "it"},
        // The C locale names no language; LC_ALL overrides what LANG says.
        {{{"LC_ALL", "POSIX"}, {"LANG", "de_DE"}}, probeIn, "en"},
        {{{"LANGUAGE", "C:es"}}, probeIn, "es"},
        {{}, probeIn, "en"},
    };
    for (const auto& [env, program, language] : languages) {
        Env withoutCatalog = env;
        withoutCatalog.emplace_back("ZUNA_LOCALIZATION_FILE", none);
        EXPECT_EQ(probe(program, withoutCatalog), language + "\n") << ::testing::PrintToString(env);
    }

    const std::string keys = "Pripravljeno 'Tema: {0}' 'Samo nemško {0}' 'Ni v katalogu {0}'";
    // What the catalog lacks comes in English, then as the source text.
    const std::string translated = "de\nBereit\nTheme: 1\nNur deutsch 1\nNi v katalogu 1\n";
    const std::string untranslated = "de\nPripravljeno\nTema: 1\nSamo nemško 1\nNi v katalogu 1\n";
    // Translations.json beside the program, unless another file is named: a missing one, a
    // broken one, or a pipe, which must not block the start, leaves the source texts.
    const std::vector<std::tuple<std::string, std::string, std::string>> catalogs{
        {probeIn, (dir / "catalog.json").string(), translated},
        {beside, "", translated},
        {beside, (dir / "missing.json").string(), untranslated},
        {beside, (dir / "pipe").string(), untranslated},
        {beside, (dir / "broken.json").string(), untranslated},
    };
    for (const auto& [program, file, printed] : catalogs) {
        Env env{{"ZUNA_LANGUAGE", "de"}};
        if (!file.empty()) env.emplace_back("ZUNA_LOCALIZATION_FILE", file);
        EXPECT_EQ(probe(program, env, keys), printed) << program << " " << file;
    }
}

}  // namespace
}  // namespace zuna::test
