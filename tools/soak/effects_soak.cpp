// Effects soak: 500 boxes in a walled pit with a pool at the bottom, thrown up every few seconds so that the
// pile keeps landing hard (dust, sparks, bubbles), with an explosion now and then (debris, fires). Runs the
// frame loop's world steps headless and reports the largest numbers of buffs, sprites and debris pieces and
// the resident memory. Exits 1 when any of them keeps growing through the run.
//
//   effects_soak [frames (100000)] [seed (1)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "effects/effects.h"
#include "physics/physics.h"
#include "physics/worker.h"
#include "world/builders.h"

namespace {

// Resident set size in KiB, from /proc (0 where it cannot be read).
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

struct Peaks {
    size_t buffs = 0;
    size_t sprites = 0;
    int32_t debris = 0;
    long rss = 0;
    void Take(const Effects& fx) {
        buffs = std::max(buffs, fx.buffs.size());
        sprites = std::max(sprites, fx.sprites.size());
        debris = std::max(debris, fx.debrisCount);
    }
};

void BuildPit(World& w, Rng& rng) {
    ResetWorld(w);
    NewHalfSpace(w, 0, 1000, 1, 0).type = "ground";  // solid below y = 1000
    NewHalfSpace(w, 0, 0, 0, 1).type = "ground";     // solid left of x = 0
    NewHalfSpace(w, 1300, 0, 0, -1).type = "ground"; // solid right of x = 1300
    WaterSpace& pool = NewWaterSpace(w, 0, 900, 1, 0, 0.02f);
    pool.a = {0, -0.02};
    pool.type = "blue";
    for (int row = 0; row < 25; ++row)
        for (int col = 0; col < 20; ++col) {
            int32_t x = 40 + col * 60 + (row % 2) * 15;
            int32_t y = 940 - row * 60;
            NewBox(w, rng, x, y - 30, x + 30, y, 1, 1.0, 1.0, 1);
        }
}

// Throws every dynamic particle upwards, each box as a whole, so the pile flies and lands again.
void ThrowUp(World& w, Rng& rng) {
    for (int32_t e = 1; e <= w.entityCount; ++e) {
        Entity& ent = w.entities[static_cast<size_t>(e)];
        if (ent.m == 0) continue;
        Vec2 kick{static_cast<double>(Random(rng, 20) - 10), -static_cast<double>(10 + Random(rng, 30))};
        for (int32_t p : ent.particles) w.particles[static_cast<size_t>(p)].oldp -= kick;
    }
}

} // namespace

int main(int argc, char** argv) {
    const long frames = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
    const uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1u;
    if (frames < 10) {
        std::fprintf(stderr, "usage: effects_soak [frames >= 10] [seed]\n");
        return 2;
    }

    auto w = std::make_unique<World>();
    auto physics = std::make_unique<PhysicsHost>();
    auto fx = std::make_unique<Effects>();
    Rng rng(seed);
    BuildPit(*w, rng);
    const int32_t boxes = w->entityCount;

    Peaks early, late; // the first and the second half of the run
    long rssAtTenth = 0;
    const auto start = std::chrono::steady_clock::now();
    std::printf("%8s %7s %8s %7s %9s %9s\n", "frame", "buffs", "sprites", "debris", "contacts", "rss KiB");
    for (long f = 1; f <= frames; ++f) {
        if (f % 240 == 0) ThrowUp(*w, rng);
        if (f % 600 == 0) {
            int32_t e = 1 + Random(rng, boxes - 1);
            const Vec2 c = w->entities[static_cast<size_t>(e)].center;
            SpawnExplosion(*fx, *w, rng, RoundToInt(c.x), RoundToInt(c.y), 10);
            StartBuff(*fx, *w, rng, "fire", EntityAnchor(*w, e), Random(rng, 200));
        }
        StepSimulation(*w, physics->scratch, LaneThreadTasks(physics->thread));
        WorldEffectsStep(*fx, *w, rng);
        StepLiquidBoxes(*w, physics->scratch);
        EffectsStep(*fx, *w, rng);

        Peaks& half = f <= frames / 2 ? early : late;
        half.Take(*fx);
        if (f % 1000 == 0 || f == frames) {
            long rss = ResidentKiB();
            half.rss = std::max(half.rss, rss);
            if (rssAtTenth == 0 && f >= frames / 10) rssAtTenth = rss;
        }
        if (f % 10000 == 0 || f == frames)
            std::printf("%8ld %7zu %8zu %7d %9d %9ld\n", f, fx->buffs.size(), fx->sprites.size(),
                        fx->debrisCount, w->contactCount, ResidentKiB());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const long rssEnd = ResidentKiB();
    std::printf("\n%ld frames, %d boxes, seed %u, %.1f s (%.0f frames/s)\n", frames, boxes, seed, seconds,
                frames / seconds);
    std::printf("max buffs     %zu (first half %zu, second half %zu)\n", std::max(early.buffs, late.buffs),
                early.buffs, late.buffs);
    std::printf("max sprites   %zu (first half %zu, second half %zu)\n",
                std::max(early.sprites, late.sprites), early.sprites, late.sprites);
    std::printf("max debris    %d (first half %d, second half %d)\n", std::max(early.debris, late.debris),
                early.debris, late.debris);
    std::printf("resident KiB  %ld after the first tenth, %ld peak, %ld at the end\n", rssAtTenth,
                std::max(early.rss, late.rss), rssEnd);

    // Bounded: the second half reaches no higher than the first half allows for, and memory stops growing.
    bool ok = true;
    auto check = [&](const char* what, double first, double second, double slack) {
        if (second > first * 1.5 + slack) {
            std::printf("GROWING: %s %.0f -> %.0f\n", what, first, second);
            ok = false;
        }
    };
    check("buffs", static_cast<double>(early.buffs), static_cast<double>(late.buffs), 100);
    check("sprites", static_cast<double>(early.sprites), static_cast<double>(late.sprites), 100);
    check("debris", early.debris, late.debris, 100);
    check("resident memory (KiB)", static_cast<double>(rssAtTenth), static_cast<double>(rssEnd), 8192);
    std::printf("%s\n", ok ? "bounded: yes" : "bounded: NO");
    return ok ? 0 : 1;
}
