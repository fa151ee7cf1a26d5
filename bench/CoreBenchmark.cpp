// Reading, validating and encoding the state at its typical size and at the 16 MB limit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "BenchStates.h"
#include "core/model/JsonData.h"
#include "core/model/SavedState.h"

namespace {

using namespace zuna;

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
    static const Fixture fixture = makeFixture("typical", bench::typicalState());
    return fixture;
}

const Fixture& large() {
    static const Fixture fixture = makeFixture("16MB", bench::largeState());
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
