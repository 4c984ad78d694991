// The effects of a busy frame: thousands of buffs and sprites and a full debris table, stepped once.
#include <benchmark/benchmark.h>

#include <memory>

#include "effects/effects.h"

namespace {

struct BusyScene {
    std::unique_ptr<World> w = std::make_unique<World>();
    std::unique_ptr<Effects> fx = std::make_unique<Effects>();
    Rng rng{1};

    // `bodies` bodies of four particles, each with a long fire and a dust buff, plus a full debris table.
    explicit BusyScene(int bodies) {
        ResetWorld(*w);
        for (int i = 0; i < bodies; ++i) {
            int32_t e = NewEntity(*w, 1, 1);
            for (int k = 0; k < 4; ++k)
                NewParticle(*w, e, static_cast<float>(i % 40 * 30 + k * 7), i / 40 * 30.f);
            StartBuff(*fx, *w, rng, "fire", EntityAnchor(*w, e), -1);
            StartBuff(*fx, *w, rng, "dust",
                      ParticleAnchor(*w, w->entities[static_cast<size_t>(e)].particles[0]), -1);
        }
        UpdateEntityBounds(*w);
        SpawnExplosion(*fx, *w, rng, 600, 300, kMaxDebris);
        for (Buff& b : fx->buffs)
            if (b.anchor.kind == BuffAnchor::Kind::Debris) b.amount = -1; // the rocks burn for ever
        for (int i = 0; i < 60; ++i) EffectsStep(*fx, *w, rng);           // sprites reach their steady number
    }
};

void BM_EffectsStep(benchmark::State& state) {
    BusyScene s(static_cast<int>(state.range(0)));
    for (auto _ : state) EffectsStep(*s.fx, *s.w, s.rng);
    state.counters["buffs"] = static_cast<double>(s.fx->buffs.size());
    state.counters["sprites"] = static_cast<double>(s.fx->sprites.size());
}
BENCHMARK(BM_EffectsStep)->Arg(500)->Arg(2000)->Unit(benchmark::kMicrosecond);

// A hard landing: 2000 contacts, half of them fast enough for dust, and 300 particles under water.
void BM_WorldEffectsStep(benchmark::State& state) {
    BusyScene s(500);
    World& w = *s.w;
    w.contactCount = 2000;
    for (int i = 1; i <= w.contactCount; ++i) {
        Contact& c = w.contacts[static_cast<size_t>(i)];
        c.vertex = 1 + (i % w.particleCount);
        c.speed = (i % 2) ? 12.0f : 3.0f;
        c.impact = (i % 50 == 0) ? 500.0f : 0.0f;
    }
    w.waterContacts.assign(300, WaterContact{1, 0});
    const size_t keep = s.fx->buffs.size();
    for (auto _ : state) {
        WorldEffectsStep(*s.fx, w, s.rng);
        state.PauseTiming();
        s.fx->buffs.resize(keep);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WorldEffectsStep)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
