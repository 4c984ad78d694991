// What one undo step costs at full tables: taking the world's state (time, and bytes kept as the
// `bytes_per_step` counter) and putting it back. Two full worlds: 2,500 boxes (9,999 particles and
// 9,999 constraints) and 9,999 single-particle entities (the entity table full as well).
#include <benchmark/benchmark.h>
#include <memory>

#include "full_world.h"
#include "platform/test_platform.h"
#include "shell/history.h"
#include "shell/levels.h"
#include "shell/program.h"

namespace {

void BuildSingles(World& w) {
    for (int i = 0; i < kMaxRecords; ++i) {
        int32_t e = NewEntity(w, 1, 1);
        NewParticle(w, e, static_cast<float>(i % 100) * 10, static_cast<float>(i / 100) * 10);
        w.entities[static_cast<size_t>(e)].type = "dot";
    }
}

std::unique_ptr<Program> Full(int kind) {
    auto prog = std::make_unique<Program>();
    ResetWorld(prog->world);
    if (kind == 0)
        BuildFullTables(prog->world);
    else
        BuildSingles(prog->world);
    return prog;
}

void BM_TakeStep(benchmark::State& state) {
    auto prog = Full(static_cast<int>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        auto s = TakeHistoryState(*prog);
        bytes = s->bytes;
        benchmark::DoNotOptimize(s);
    }
    state.counters["bytes_per_step"] = static_cast<double>(bytes);
    state.counters["steps_in_256MB"] = static_cast<double>(kHistoryBudget / bytes);
}
BENCHMARK(BM_TakeStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UndoRedo(benchmark::State& state) {
    auto prog = Full(static_cast<int>(state.range(0)));
    TestPlatform plat;
    PushUndoStep(prog->history, "place box", TakeHistoryState(*prog), 1);
    for (auto _ : state) {
        Undo(*prog, plat);
        Redo(*prog, plat);
    }
}
BENCHMARK(BM_UndoRedo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
