// Reading, validating and encoding the state at its typical size and at the 16 MB limit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "model/JsonData.h"
#include "model/SavedState.h"

namespace {

using namespace zuna;

// A paragraph of the kind users keep: letters beyond ASCII, line breaks, slashes, quotes.
std::string paragraph(std::size_t bytes, std::size_t seed) {
    static const std::string words[] = {"Spoštovani", "hvala",      "za",
                                        "vaše",       "sporočilo.", "Lep",
                                        "pozdrav,",   "Jana",       "https://zuna.example/a/b",
                                        "\"čšž\"",    "ulica",      "12/a\n",
                                        "naročilo",   "št.",        "2024"};
    std::string text;
    std::size_t i = seed;
    while (text.size() < bytes) {
        text += words[i++ % std::size(words)];
        text += ' ';
    }
    text.resize(bytes);
    // Never cut a multi-byte character in half.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80))
        text.pop_back();
    return text;
}

SavedState makeState(std::size_t groups, std::size_t buttonsPerGroup, std::size_t textBytes) {
    SavedState state;
    for (std::size_t g = 0; g < groups; ++g) {
        std::vector<Snippet> buttons;
        for (std::size_t b = 0; b < buttonsPerGroup; ++b) {
            buttons.emplace_back("Gumb " + std::to_string(b) + " – odgovor",
                                 paragraph(textBytes, g * 7919 + b), freshIdentifier(),
                                 b % 2 ? "#405875" : "#C0392B");
        }
        state.groups.emplace_back("Skupina " + std::to_string(g + 1), std::move(buttons));
    }
    state.selectedGroupID = state.groups.front().id;
    return state;
}

struct Fixture {
    std::string name;
    SavedState state;
    std::filesystem::path file;
};

std::filesystem::path benchDirectory() {
    static const std::filesystem::path dir = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zuna-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return std::filesystem::path(pattern);
    }();
    return dir;
}

Fixture makeFixture(std::string name, SavedState state) {
    const auto file = benchDirectory() / (name + ".json");
    const std::string bytes = jsonData(state);
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::printf("%s state: %zu bytes, %zu buttons\n", name.c_str(), bytes.size(),
                state.groups.size() * state.groups[0].buttons.size());
    return {std::move(name), std::move(state), file};
}

const Fixture& typical() {
    // About 50 KB: two groups of 25 buttons with a paragraph each.
    static const Fixture fixture = makeFixture("typical", makeState(2, 25, 950));
    return fixture;
}

const Fixture& large() {
    // Just under 16 MB: five groups of 300 buttons of about 10.5 KB each.
    static const Fixture fixture = makeFixture("16MB", makeState(5, 300, 10'500));
    return fixture;
}

void readAndValidate(benchmark::State& run, const Fixture& fixture) {
    for (auto _ : run) {
        SavedState state = SavedState::fromJson(limitedData(fixture.file));
        benchmark::DoNotOptimize(state);
    }
}

void encode(benchmark::State& run, const Fixture& fixture) {
    for (auto _ : run) {
        std::string bytes = jsonData(fixture.state);
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_ReadTypical(benchmark::State& s) {
    readAndValidate(s, typical());
}
void BM_EncodeTypical(benchmark::State& s) {
    encode(s, typical());
}
void BM_Read16MB(benchmark::State& s) {
    readAndValidate(s, large());
}
void BM_Encode16MB(benchmark::State& s) {
    encode(s, large());
}

BENCHMARK(BM_ReadTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read16MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Encode16MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(benchDirectory());
    return 0;
}
