// Saving (with the previous-version copy and every sync), opening the state, and taking in
// another writer's change to it (read, checked, merged), at its typical size and at the 16 MB
// limit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "BenchStates.h"
#include "core/fs/FileSystem.h"
#include "core/model/JsonData.h"
#include "core/store/StateStore.h"

namespace {

using namespace zuna;

std::filesystem::path freshDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zuna-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
}

// Alternates between two states so that every save writes a changed file and the previous copy.
void save(benchmark::State& run, const SavedState& base) {
    const auto dir = freshDirectory();
    SavedState other = base;
    other.alwaysOnTop = !base.alwaysOnTop;
    {
        StateStore store(dir);
        store.save(base);
        store.save(other);
        bool flip = false;
        for (auto _ : run) {
            store.save(flip ? other : base);
            flip = !flip;
        }
    }
    std::filesystem::remove_all(dir);
}

void open(benchmark::State& run, const SavedState& base) {
    const auto dir = freshDirectory();
    StateStore(dir).save(base);
    for (auto _ : run) {
        StateStore store(dir);
        // By address: the const-reference form is deprecated in libbenchmark 1.9 (Debian 13).
        const SavedState* opened = &store.state();
        benchmark::DoNotOptimize(opened);
        if (!store.writable() || store.recoveryNotice()) run.SkipWithError("opening failed");
    }
    std::filesystem::remove_all(dir);
}

// Another writer renames a state with one changed text over the file; the merge equals that
// file, so nothing is written back.
void outsideChange(benchmark::State& run, const SavedState& base) {
    const auto dir = freshDirectory();
    {
        StateStore store(dir);
        store.save(base);
        SavedState versions[2] = {base, base};
        versions[0].groups[0].buttons[0].text += " (drugje)";
        int turn = 0;
        for (auto _ : run) {
            run.PauseTiming();
            fs::writeFileAtomically(dir / "state.json", jsonData(versions[turn]));
            turn ^= 1;
            run.ResumeTiming();
            if (!store.takeOutsideChanges()) run.SkipWithError("the change was not taken in");
        }
    }
    std::filesystem::remove_all(dir);
}

void BM_SaveTypical(benchmark::State& run) {
    save(run, bench::typicalState());
}
void BM_Save16MB(benchmark::State& run) {
    save(run, bench::largeState());
}
void BM_OpenTypical(benchmark::State& run) {
    open(run, bench::typicalState());
}
void BM_Open16MB(benchmark::State& run) {
    open(run, bench::largeState());
}

void BM_OutsideChangeTypical(benchmark::State& run) {
    outsideChange(run, bench::typicalState());
}
void BM_OutsideChange16MB(benchmark::State& run) {
    outsideChange(run, bench::largeState());
}

BENCHMARK(BM_OutsideChangeTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OutsideChange16MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveTypical)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Save16MB)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_OpenTypical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open16MB)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
