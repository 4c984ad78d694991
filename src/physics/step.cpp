// The simulation step: its order of passes, the Verlet integration and the constraint relaxation.
#include <cmath>
#include <cstring>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {

void RefreshDynamic(World& w) {
    std::vector<uint8_t>& dyn = w.physics.dynamic;
    if (dyn.size() != static_cast<size_t>(kTableSlots)) dyn.assign(static_cast<size_t>(kTableSlots), 0);
    dyn[0] = 0;
    const int32_t n = w.particleCount;
    for (int32_t i = 1; i <= n; ++i) {
        int32_t parent = w.particles[static_cast<size_t>(i)].parent;
        bool dynamic = parent >= 0 && parent < kTableSlots && w.entities[static_cast<size_t>(parent)].m != 0;
        dyn[static_cast<size_t>(i)] = dynamic ? 1 : 0;
    }
    // Slots past the count are not live; a stale constraint end that points there stays put.
    if (n + 1 < kTableSlots) std::memset(dyn.data() + n + 1, 0, static_cast<size_t>(kTableSlots - n - 1));
}

void RunIntegrate(World& w) {
    const double dt2 = w.sim.dt * w.sim.dt; // single-precision product
    const double damping = w.sim.velocityfactor;
    const double limit = w.sim.speedlimit;
    Particle* ps = w.particles.data();
    const uint8_t* dyn = w.physics.dynamic.data();
    const int32_t n = w.particleCount;
    for (int32_t i = 1; i <= n; ++i) {
        if (!dyn[i]) continue;
        Particle& pt = ps[i];
        const Vec2 q = pt.p;
        pt.p.x = 2 * pt.p.x - pt.oldp.x + pt.a.x * dt2;
        pt.p.y = 2 * pt.p.y - pt.oldp.y + pt.a.y * dt2;
        pt.oldp = q;
        double vx = pt.p.x - q.x;
        double vy = pt.p.y - q.y;
        pt.p.x = pt.p.x - vx * damping;
        pt.p.y = pt.p.y - vy * damping;
        // Speed limit: a particle travels at most `speedlimit` units per step, in its own direction.
        vx = pt.p.x - pt.oldp.x;
        vy = pt.p.y - pt.oldp.y;
        double len = std::sqrt(vx * vx + vy * vy);
        if (len > limit) {
            pt.p.x = pt.p.x - (vx / len) * (len - limit);
            pt.p.y = pt.p.y - (vy / len) * (len - limit);
        }
    }
}

void RunRelax(World& w) {
    Particle* ps = w.particles.data();
    const uint8_t* dyn = w.physics.dynamic.data();
    const Constraint* cs = w.constraints.data();
    const int32_t n = w.constraintCount;
    for (int32_t k = 1; k <= n; ++k) {
        const Constraint& c = cs[k];
        Particle& a = ps[c.p1];
        Particle& b = ps[c.p2];
        const float dx = static_cast<float>(b.p.x - a.p.x);
        const float dy = static_cast<float>(b.p.y - a.p.y);
        const float dist = std::sqrt(dx * dx + dy * dy);
        if (dist == 0) continue; // coinciding ends give no direction to correct along
        const float r = (dist - c.length) / dist;
        if (dyn[c.p1]) {
            a.p.x += dx * r / 2 * c.e;
            a.p.y += dy * r / 2 * c.e;
        }
        if (dyn[c.p2]) {
            b.p.x -= dx * r / 2 * c.e;
            b.p.y -= dy * r / 2 * c.e;
        }
    }
}

} // namespace physics_internal

using namespace physics_internal;

void IntegrateParticles(World& w) {
    RefreshDynamic(w);
    RunIntegrate(w);
}

void RelaxConstraints(World& w) {
    RefreshDynamic(w);
    RunRelax(w);
}

void StepSimulation(World& w) {
    RecountTables(w);
    RefreshDynamic(w);
    OpenContactIndex(w);
    RunIntegrate(w);
    RunPortals(w);
    for (int32_t i = 1; i <= w.sim.iterations; ++i) {
        UpdateEntityBounds(w);
        RunRelax(w);
        RunHalfSpaces(w);
        if (i == 1) RunFindPairs(w);
        RunCollideEntities(w);
        RunFriction(w);
    }
    RunWater(w);
    w.collisionPairs.clear();
    CloseContactIndex(w);
}
