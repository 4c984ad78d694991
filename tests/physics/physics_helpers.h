// Small worlds for the physics tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "physics/physics.h"
#include "physics/worker.h"
#include "world/world.h"

// The task system of the tests' steps: none, so that two lanes take turns on the test's own thread (the
// same results, and no test waits for a thread), unless TUMBLEBOX_LANES=2 asks for a real second thread
// (the ThreadSanitizer run).
inline PhysicsTasks TestTasks() {
    if (DefaultLaneMode() != 2) return {};
    static LaneThread thread;
    return LaneThreadTasks(thread);
}
inline const PhysicsTasks kTestTasks = TestTasks();

inline std::unique_ptr<World> EmptyWorld() {
    auto w = std::make_unique<World>();
    ResetWorld(*w);
    return w;
}

// A particle at rest at (x, y) that feels no acceleration.
inline int32_t RestingParticle(World& w, int32_t entity, double x, double y) {
    int32_t p = NewParticle(w, entity, static_cast<float>(x), static_cast<float>(y));
    w.particles[static_cast<size_t>(p)].a = {0, 0};
    return p;
}

inline Particle& P(World& w, int32_t slot) {
    return w.particles[static_cast<size_t>(slot)];
}

// FNV-1a over the bits of every particle's p and oldp and every liquid particle's p.
inline uint64_t PositionHash(const World& w) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* data, size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    for (int32_t i = 1; i <= w.particleCount; ++i) {
        mix(&w.particles[static_cast<size_t>(i)].p, sizeof(Vec2));
        mix(&w.particles[static_cast<size_t>(i)].oldp, sizeof(Vec2));
    }
    for (int32_t b = 1; b <= w.liquidBoxCount; ++b)
        for (const LiquidParticle& lp : w.liquidBoxes[static_cast<size_t>(b)].particles)
            mix(&lp.p, sizeof(Vec2));
    return h;
}
