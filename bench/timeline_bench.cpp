// What moving a paused world along its run costs at full tables: 2,500 boxes (9,999 particles and 9,999
// constraints) fall for 240 steps, onto a floor where they pile up (argument 0) or freely (1), and the
// world is then moved 60 steps back and 60 on, in turn, between steps 179 and 239: a restore of the
// keyframe before the step and the steps after it simulated again. `kept_MB` is what the run's keyframes
// hold, `first_step` the oldest step they still reach.
#include <benchmark/benchmark.h>
#include <memory>

#include "full_world.h"
#include "platform/test_platform.h"
#include "shell/program.h"
#include "shell/timeline.h"

namespace {

// A run of `steps` frames of the running world, as the frame loop records it, then a pause.
std::unique_ptr<Program> FullRun(Platform& plat, int steps, bool floor) {
    auto prog = std::make_unique<Program>();
    BuildFullTables(prog->world);
    if (floor) NewHalfSpace(prog->world, 0, 3100, 1, 0);
    prog->shell.paused = false;
    for (int i = 0; i < steps; ++i) {
        const bool step = StepsThisFrame(*prog);
        if (step) {
            BeginTimelineStep(*prog);
            StepWorld(*prog, plat);
        }
        EffectsStep(prog->effects, prog->world, prog->rng);
        EndTimelineFrame(*prog, step);
    }
    prog->shell.paused = true;
    return prog;
}

void BM_Scrub60(benchmark::State& state) {
    TestPlatform plat;
    auto prog = FullRun(plat, 240, state.range(0) == 0);
    ScrubTo(*prog, plat, 239);
    int64_t delta = -60;
    for (auto _ : state) {
        ScrubBy(*prog, plat, delta);
        delta = -delta;
    }
    state.counters["contacts"] = prog->world.contactCount;
    state.counters["kept_MB"] = static_cast<double>(prog->timeline.bytes) / (1 << 20);
    state.counters["first_step"] = static_cast<double>(prog->timeline.first);
    state.counters["keyframes"] = static_cast<double>(prog->timeline.keyframes.size());
}
BENCHMARK(BM_Scrub60)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
