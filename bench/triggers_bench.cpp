// One frame of the trigger runner in heavy scripted levels: 2,499 moving boxes, 20 regions that 500 of
// them enter every frame (1,500 enter events a frame), 100 timers, and T triggers with region, timer and
// level-time events, a variable condition and three actions that read and write V variables. Every trigger
// fires every frame. Target: under 1 ms a frame (a frame lasts 16.7 ms) with 300 triggers and 30
// variables; 1,000 triggers and 100 variables show how the linear lookups of variables by name grow.
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

#include "platform/test_platform.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "triggers/records.h"
#include "triggers/triggers.h"

namespace {

struct Fixture {
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    TestPlatform plat;

    Fixture(int triggers, int variables) {
        World& w = prog->world;
        ResetWorld(w);
        for (int r = 0; r < 20; ++r) NewRegion(w, r * 300, 0, r * 300 + 200, 200).id = r + 1;
        for (int i = 0; i < 2499; ++i) {
            // Every fifth box sits inside a region and was outside it one step ago: it enters every frame.
            const bool entering = i % 5 == 0;
            const float x =
                entering ? static_cast<float>((i / 5) % 20 * 300 + 100) : static_cast<float>(i * 3);
            const float y = entering ? 100.0f : 1000.0f;
            int32_t e = NewEntity(w, 1, 1);
            for (int k = 0; k < 4; ++k) {
                int32_t p = NewParticle(w, e, x + (k % 2) * 10.0f, y + (k / 2) * 10.0f);
                w.particles[static_cast<size_t>(p)].oldp.y -= entering ? 200 : 1;
            }
            w.entities[static_cast<size_t>(e)].type = i % 2 ? "box" : "barrel";
        }
        UpdateEntityBounds(w);
        for (int t = 0; t < 100; ++t) CreateTimer(w, t);
        for (int v = 0; v < variables; ++v) NewVariable(w, "v" + std::to_string(v), std::to_string(v));
        auto var = [variables](int k) { return "v" + std::to_string(k % variables); };
        for (int t = 0; t < triggers; ++t) {
            NewTrigger(w);
            const std::string region = std::to_string(t % 20 + 1);
            AddEvent(w, "entityentersregion(" + std::string(t % 2 ? "box," : "Any,") + region + ")");
            AddEvent(w, "timer(" + std::to_string(t % 100) + "," + std::to_string(t % 7 + 1) + ")");
            AddEvent(w, "leveltime(" + std::to_string(t) + ")");
            AddCondition(w, "varvalue(" + var(t) + "," + std::to_string(t % variables) + ")");
            AddAction(w, "incvar(" + var(variables - 1) + ",1)");
            AddAction(w, "setvar(" + var(variables - 2) + ",var[" + var(t + 1) + "] and var[" + var(t + 2) +
                             "])");
            AddAction(w, "entitysinregion(" + var(variables - 3) + "," + region + ",all)");
        }
    }
};

void BM_TriggerFrame(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    TriggerScene scene = TriggerSceneOf(*f.prog, f.plat);
    for (auto _ : state) {
        RunTriggers(scene);
        f.prog->world.notices.clear();
    }
    state.counters["events"] = static_cast<double>(f.prog->triggerEngine.events.size());
    state.counters["triggers"] = static_cast<double>(f.prog->world.triggers.size());
}

} // namespace

BENCHMARK(BM_TriggerFrame)->Args({300, 30})->Args({1000, 100})->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
