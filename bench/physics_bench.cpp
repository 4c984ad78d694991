// Physics benchmark: each scene is built from the same seed and stepped 300 times; the elapsed time of
// the steps alone is measured and reported as milliseconds per step. "box2d-pyramid57" steps the same base-57
// pyramid in Box2D 2.4 (when the build found it), and the summary at the end prints the ratio of our
// pyramid to Box2D's.
//
//   cmake --preset dev && cmake --build build -j2 --target physics_bench && ./build/bench/physics_bench
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "physics/physics.h"
#include "physics/scenes.h"
#include "physics/worker.h"

#ifdef TUMBLEBOX_HAVE_BOX2D
#include <box2d/box2d.h>
#endif

namespace {

constexpr int kSteps = 300;

// Elapsed time: a large step of ours runs on two threads, and the time a step takes is what a player
// waits for. The processor time of the whole process is reported beside it (cpu_ms_per_step).
double WallSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
double ProcessSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Milliseconds per step of every scene that ran (the mean over its repetitions), for the summary.
struct Result {
    double sum = 0;
    int runs = 0;
    double Mean() const { return runs > 0 ? sum / runs : 0; }
};
std::map<std::string, Result>& Results() {
    static std::map<std::string, Result> results;
    return results;
}

template <typename Build, typename Step>
void Measure(benchmark::State& state, const std::string& name, Build build, Step step) {
    double seconds = 0, processor = 0;
    int64_t steps = 0;
    for (auto _ : state) {
        build();
        const double start = WallSeconds(), startProcessor = ProcessSeconds();
        for (int i = 0; i < kSteps; ++i) step();
        const double s = WallSeconds() - start;
        processor += ProcessSeconds() - startProcessor;
        state.SetIterationTime(s);
        seconds += s;
        steps += kSteps;
    }
    double ms = steps > 0 ? seconds * 1000.0 / static_cast<double>(steps) : 0;
    state.counters["ms_per_step"] = ms;
    state.counters["cpu_ms_per_step"] = steps > 0 ? processor * 1000.0 / static_cast<double>(steps) : 0;
    Result& r = Results()[name];
    r.sum += ms;
    ++r.runs;
}

void Scene(benchmark::State& state, const std::string& name, bool reference, int laneMode = 0) {
    auto world = std::make_unique<World>();
    World& w = *world;
    auto host = std::make_unique<PhysicsHost>();
    Measure(
        state, reference ? name + "/reference" : (laneMode == 1 ? name + "/one-lane" : name),
        [&] {
            Rng rng(20240601u);
            BuildScene(w, rng, name);
            host->scratch.reference = reference;
            host->scratch.laneMode = laneMode;
        },
        [&] { StepScene(w, host->scratch, LaneThreadTasks(host->thread)); });
}

#ifdef TUMBLEBOX_HAVE_BOX2D
// The base-57 pyramid in Box2D units: 1 m boxes (50 units), rows 1.12 m apart, on a ground edge.
void Box2dPyramid(benchmark::State& state) {
    std::unique_ptr<b2World> world;
    Measure(
        state, "box2d-pyramid57",
        [&] {
            world = std::make_unique<b2World>(b2Vec2(0.0f, -10.0f));
            world->SetAllowSleeping(false);
            b2BodyDef groundDef;
            b2Body* ground = world->CreateBody(&groundDef);
            b2EdgeShape edge;
            edge.SetTwoSided(b2Vec2(-100.0f, 0.0f), b2Vec2(100.0f, 0.0f));
            ground->CreateFixture(&edge, 0.0f);
            b2PolygonShape box;
            box.SetAsBox(0.5f, 0.5f);
            const int base = 57;
            const float pitch = 1.12f;
            for (int row = 0; row < base; ++row) {
                float x0 = -base * pitch / 2 + row * pitch / 2 + 0.5f;
                for (int i = 0; i < base - row; ++i) {
                    b2BodyDef def;
                    def.type = b2_dynamicBody;
                    def.position.Set(x0 + i * pitch, 0.5f + row * 1.0f);
                    b2Body* body = world->CreateBody(&def);
                    b2FixtureDef fixture;
                    fixture.shape = &box;
                    fixture.density = 1.0f;
                    fixture.friction = 0.6f;
                    body->CreateFixture(&fixture);
                }
            }
        },
        [&] { world->Step(1.0f / 60.0f, 8, 3); });
}
#endif

// Two threads bouncing a number through memory: the round trip between the processors, which decides
// whether a step on two threads pays (nanoseconds per round trip).
void CoreRoundTrip(benchmark::State& state) {
    constexpr int kTrips = 100000;
    alignas(64) std::atomic<int> ping{0};
    alignas(64) std::atomic<int> pong{0};
    double ns = 0;
    for (auto _ : state) {
        ping.store(0);
        pong.store(0);
        std::thread other([&] {
            for (int i = 1; i <= kTrips; ++i) {
                while (ping.load(std::memory_order_acquire) != i) {
                }
                pong.store(i, std::memory_order_release);
            }
        });
        const double start = WallSeconds();
        for (int i = 1; i <= kTrips; ++i) {
            ping.store(i, std::memory_order_release);
            while (pong.load(std::memory_order_acquire) != i) {
            }
        }
        const double s = WallSeconds() - start;
        other.join();
        state.SetIterationTime(s);
        ns = s * 1e9 / kTrips;
    }
    state.counters["ns_per_round_trip"] = ns;
}

void Register() {
    benchmark::RegisterBenchmark("core-round-trip", CoreRoundTrip)->UseManualTime()->Iterations(3);
    for (const std::string& name : SceneNames()) {
        benchmark::RegisterBenchmark(name.c_str(), [name](benchmark::State& s) { Scene(s, name, false); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    }
    // The plain paths (quadratic pair search, linear contact search, one axis at a time) on the middle
    // pyramid, to show what the fast paths save; they give the same positions.
    benchmark::RegisterBenchmark("pyramid28/reference",
                                 [](benchmark::State& s) { Scene(s, "pyramid28", true); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    // The large pyramid on one thread, to show what the second lane saves.
    benchmark::RegisterBenchmark("pyramid57/one-lane",
                                 [](benchmark::State& s) { Scene(s, "pyramid57", false, 1); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
#ifdef TUMBLEBOX_HAVE_BOX2D
    benchmark::RegisterBenchmark("box2d-pyramid57", Box2dPyramid)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->MinTime(1.0);
#endif
}

} // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nMilliseconds per step (%d steps from the same start; mean of the repetitions):\n", kSteps);
    for (const auto& [name, r] : Results()) std::printf("  %-22s %8.3f\n", name.c_str(), r.Mean());
    auto ours = Results().find("pyramid57");
    auto theirs = Results().find("box2d-pyramid57");
    if (ours != Results().end() && theirs != Results().end() && theirs->second.Mean() > 0)
        std::printf("Ratio pyramid57 / box2d-pyramid57: %.3f (target <= 1.0)\n",
                    ours->second.Mean() / theirs->second.Mean());
    else if (theirs == Results().end())
        std::printf("Box2D was not found at build time (or not run): no ratio.\n");
    return 0;
}
