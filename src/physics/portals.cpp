// Portals: an entity whose centre crosses a portal's segment is moved to the connected portal.
#include <algorithm>
#include <cmath>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {

void RunPortals(World& w) {
    Particle* ps = w.particles.data();
    for (const Portal& from : w.portals) {
        const Portal* to = FindPortalByUid(w, from.connected);
        if (to == nullptr) continue; // a portal without a connection sends nothing anywhere
        UpdateEntityBounds(w);       // entities sent by an earlier portal are seen at their new place
        const float x1 = static_cast<float>(from.x1), y1 = static_cast<float>(from.y1);
        const float x2 = static_cast<float>(from.x2), y2 = static_cast<float>(from.y2);
        const bool alongY = std::fabs(from.y1 - from.y2) >= std::fabs(from.x1 - from.x2);
        const double lo = alongY ? std::min(from.y1, from.y2) : std::min(from.x1, from.x2);
        const double hi = alongY ? std::max(from.y1, from.y2) : std::max(from.x1, from.x2);
        Vec2 n{from.y1 - from.y2, from.x2 - from.x1};
        n.Normalise();
        Vec2 nq{to->y1 - to->y2, to->x2 - to->x1};
        nq.Normalise();
        const Vec2 middle{(to->x1 + to->x2) / 2, (to->y1 + to->y2) / 2};

        for (int32_t i = 1; i <= w.entityCount; ++i) {
            Entity& e = w.entities[static_cast<size_t>(i)];
            const int count = e.particlecount();
            if (count == 0) continue; // no particles, no old centre
            Vec2 o{0, 0};
            for (int32_t slot : e.particles) {
                o.x += ps[slot].oldp.x / count;
                o.y += ps[slot].oldp.y / count;
            }
            const Vec2 c = e.center;
            const float sNew =
                SignedLineDistance(x1, y1, x2, y2, static_cast<float>(c.x), static_cast<float>(c.y));
            const float sOld =
                SignedLineDistance(x1, y1, x2, y2, static_cast<float>(o.x), static_cast<float>(o.y));
            const bool crossed = (sNew >= 0 && sOld < 0) || (sNew <= 0 && sOld > 0);
            if (!crossed) continue;
            const double z = alongY ? c.y : c.x;
            if (!(IntervalDistance(hi, lo, z, z) < hi - lo)) continue; // beyond the segment's ends

            // Keep the motion along the portal, drop the motion across it.
            const float s = static_cast<float>(n.Dot(c - o));
            const Vec2 across = n * s;
            for (int32_t slot : e.particles) ps[slot].oldp += across;
            o += across;
            // Old centre onto the middle of the connected portal.
            const Vec2 shift = middle - o;
            for (int32_t slot : e.particles) {
                ps[slot].p += shift;
                ps[slot].oldp += shift;
            }
            ++e.portalPasses;
            // One normal step beyond it, leaving with 98 % of the speed across.
            const Vec2 exit = nq * s;
            const Vec2 exitOld = exit / 50;
            for (int32_t slot : e.particles) {
                ps[slot].oldp -= exitOld;
                ps[slot].p -= exit;
            }
        }
    }
}

} // namespace physics_internal

void TeleportThroughPortals(World& w) {
    physics_internal::RunPortals(w);
}
