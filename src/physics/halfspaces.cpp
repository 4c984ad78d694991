// Half-spaces: the static boundaries that push particles out and record their contacts.
#include <cmath>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {

void RunHalfSpaces(World& w, PhysicsScratch& s) {
    Particle* ps = w.particles.data();
    const uint8_t* dyn = s.dynamic.data();
    const int32_t n = w.particleCount;
    for (const HalfSpace& h : w.halfSpaces) {
        if (h.normal.x == 0 && h.normal.y == 0) continue; // a line without direction bounds nothing
        const Vec2 normal = h.normal;
        const Vec2 origin = h.p;
        for (int32_t i = 1; i <= n; ++i) {
            if (!dyn[i]) continue;
            Particle& pt = ps[i];
            float d = static_cast<float>((pt.p.x - origin.x) * normal.x + (pt.p.y - origin.y) * normal.y);
            if (!(d < 0)) continue; // outside, or on the boundary
            if (d < -10) d = -10;   // at most 10 units per half-space and iteration
            pt.p.x = pt.p.x - normal.x * d;
            pt.p.y = pt.p.y - normal.y * d;
            pt.contact = 1;
            if (ContactRecorded(w, s, 2, 0, 0, i)) continue;
            const Vec2 u = pt.p - pt.oldp;
            const double along = normal.Dot(u);
            int32_t slot = RecordContact(w, s, 0, 0, i, normal * d);
            if (slot == 0) continue;
            Contact& c = w.contacts[static_cast<size_t>(slot)];
            c.kind = 2;
            c.speed = static_cast<float>(u.Length());
            c.impact = static_cast<float>((u * along).Length());
        }
    }
}

} // namespace physics_internal

using namespace physics_internal;

void CollideHalfSpaces(World& w, PhysicsScratch& s) {
    RefreshDynamic(w, s);
    RunHalfSpaces(w, s);
}
