// Level input and output at full tables (9,999 particles and 9,999 constraints): writing, loading, and one
// delete round trip. Targets: write + load within 50 ms, a delete round trip within 100 ms.
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

#include "common/text.h"
#include "full_world.h"
#include "platform/test_platform.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "triggers/records.h"

namespace {

// The full tables with a few records of the other kinds.
void BuildFullWorld(Program& prog) {
    World& w = prog.world;
    BuildFullTables(w);
    NewHalfSpace(w, 0, 3000, 1, 0).type = "grass";
    NewRegion(w, 0, 0, 100, 100).type = "red";
    NewTrigger(w);
    AddEvent(w, "entityentersregion(Any,1)");
    AddAction(w, "setvar(score,1)");
}

struct Fixture {
    Fixture() {
        dir =
            std::filesystem::temp_directory_path() / ("tumblebox_level_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        path = StoredPath((dir / "full.lvl").string());
        prog = std::make_unique<Program>();
        BuildFullWorld(*prog);
        WriteLevel(prog->world, prog->camera, path);
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
    std::string path;
    std::unique_ptr<Program> prog;
    TestPlatform plat;
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_LevelText(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(LevelText(f.prog->world, f.prog->camera));
}

void BM_WriteLevel(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(WriteLevel(f.prog->world, f.prog->camera, f.path));
}

void BM_LoadLevel(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(LoadLevel(*f.prog, f.plat, f.path));
    state.counters["particles"] = f.prog->world.particleCount;
    state.counters["constraints"] = f.prog->world.constraintCount;
}

void BM_WriteAndLoad(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        WriteLevel(f.prog->world, f.prog->camera, f.path);
        benchmark::DoNotOptimize(LoadLevel(*f.prog, f.plat, f.path));
    }
}

void BM_DeleteRoundTrip(benchmark::State& state) {
    Fixture& f = Shared();
    std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(f.dir); // "temp.del" goes to the working folder
    for (auto _ : state) {
        state.PauseTiming();
        LoadLevel(*f.prog, f.plat, f.path);
        state.ResumeTiming();
        benchmark::DoNotOptimize(DeleteEntityByRoundTrip(*f.prog, f.plat, 1250));
    }
    std::filesystem::current_path(old);
}

} // namespace

BENCHMARK(BM_LevelText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAndLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteRoundTrip)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
