// Fuzzes LoadLevel with arbitrary bytes. Besides the sanitizers' checks, every load must leave a sound
// world (counts within the tables, references to live records, finite values), show at most two message
// boxes, and write a level that reads back to the same text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/text.h"
#include "shell/levels.h"
#include "memory_file.h"
#include "platform/test_platform.h"
#include "shell/program.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "level_fuzz: %s\n", what);
        std::abort();
    }
}

bool Finite(const Vec2& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

void CheckWorld(const World& w, const Camera& cam) {
    Check(w.particleCount >= 0 && w.particleCount <= kMaxRecords, "particle count");
    Check(w.constraintCount >= 0 && w.constraintCount <= kMaxRecords, "constraint count");
    Check(w.entityCount >= 0 && w.entityCount <= kMaxRecords, "entity count");
    Check(w.particles[static_cast<size_t>(w.particleCount) + 1].id == 0, "particle table end");
    Check(w.constraints[static_cast<size_t>(w.constraintCount) + 1].id == 0, "constraint table end");
    Check(w.entities[static_cast<size_t>(w.entityCount) + 1].id == 0, "entity table end");
    Check(w.entities[0].id == 1, "world entity");
    for (int32_t i = 1; i <= w.particleCount; ++i) {
        const Particle& p = w.particles[static_cast<size_t>(i)];
        Check(p.id > 0, "particle id");
        Check(p.parent >= 0 && p.parent <= w.entityCount, "particle parent");
        Check(Finite(p.p) && Finite(p.oldp) && Finite(p.a), "particle values");
    }
    for (int32_t i = 1; i <= w.constraintCount; ++i) {
        const Constraint& c = w.constraints[static_cast<size_t>(i)];
        Check(c.id > 0, "constraint id");
        Check(c.p1 >= 1 && c.p1 <= w.particleCount && c.p2 >= 1 && c.p2 <= w.particleCount,
              "constraint ends");
        Check(c.p1 != c.p2, "constraint to itself");
        Check(c.parent >= 0 && c.parent <= w.entityCount, "constraint parent");
        Check(std::isfinite(c.e) && std::isfinite(c.length) && c.length >= 0, "constraint values");
    }
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        Check(e.id > 0 && std::isfinite(e.m) && std::isfinite(e.f) && e.m >= 0, "entity values");
        Check(e.particlecount() <= kMaxEntityParticles && e.constraintcount() <= kMaxEntityConstraints,
              "entity lists");
        for (int32_t p : e.particles)
            Check(p >= 1 && p <= w.particleCount && w.particles[static_cast<size_t>(p)].parent == i,
                  "entity particle");
        for (int32_t c : e.constraints) Check(c >= 1 && c <= w.constraintCount, "entity constraint");
    }
    Check(w.liquidBoxCount >= 0 && w.liquidBoxCount <= kMaxLiquidBoxes, "liquid box count");
    for (int32_t i = 1; i <= w.liquidBoxCount; ++i) {
        const LiquidBox& b = w.liquidBoxes[static_cast<size_t>(i)];
        Check(b.container >= 1 && b.container <= w.entityCount, "liquid container");
        Check(b.particles.size() <= static_cast<size_t>(kMaxLiquidParticles), "liquid particles");
        for (const LiquidParticle& lp : b.particles) Check(Finite(lp.p) && Finite(lp.oldp), "liquid values");
    }
    for (const HalfSpace& h : w.halfSpaces)
        Check(Finite(h.normal) && (h.normal.x != 0 || h.normal.y != 0), "half-space");
    for (const WaterSpace& s : w.waterSpaces)
        Check(Finite(s.normal) && (s.normal.x != 0 || s.normal.y != 0) && Finite(s.a) && std::isfinite(s.xf),
              "water");
    for (const Marker& m : w.markers)
        Check(m.entity >= 0 && m.entity <= w.entityCount &&
                  w.entities[static_cast<size_t>(m.entity)].id == m.entityId,
              "marker");
    for (const Light& l : w.lights)
        Check(l.owner >= 0 && l.owner <= w.entityCount &&
                  w.entities[static_cast<size_t>(l.owner)].id == l.ownerId,
              "light");
    Check(w.halfSpaces.size() <= 9999 && w.waterSpaces.size() <= 9999 && w.portals.size() <= 9999 &&
              w.regions.size() <= 9999 && w.markers.size() <= 9999 && w.lights.size() <= 9999,
          "list sizes");
    Check(w.triggers.size() <= 9999 && w.notices.size() <= 1000, "trigger and notice lists");
    Check(std::isfinite(cam.zoom), "zoom");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto prog = std::make_unique<Program>();
    static TestPlatform plat;
    static MemoryFile file;
    static bool started = false;
    if (!started) {
        ResetWorld(prog->world);
        prog->shell.headless = true;
        started = true;
    }
    plat.messages.clear();
    std::string path = file.Set(data, size);
    Check(LoadLevel(*prog, plat, StoredPath(path)) == 1, "load failed");
    CheckWorld(prog->world, prog->camera);
    Check(plat.messages.size() <= 2, "more than two message boxes");

    std::string first = LevelText(prog->world, prog->camera);
    LoadLevelText(*prog, plat, first);
    CheckWorld(prog->world, prog->camera);
    Check(LevelText(prog->world, prog->camera) == first, "written level does not read back the same");
    return 0;
}
