// Water spaces (the last pass of the step) and liquid boxes (stepped once per frame by the main loop).
#include <cmath>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {

void RunWater(World& w, PhysicsScratch& s) {
    w.waterContacts.clear();
    if (w.waterContacts.capacity() < static_cast<size_t>(kTableSlots))
        w.waterContacts.reserve(static_cast<size_t>(kTableSlots));
    Particle* ps = w.particles.data();
    const uint8_t* dyn = s.dynamic.data();
    const int32_t n = w.particleCount;
    for (size_t k = 0; k < w.waterSpaces.size(); ++k) {
        const WaterSpace& ws = w.waterSpaces[k];
        if (ws.normal.x == 0 && ws.normal.y == 0) continue; // a surface without direction holds no water
        const double drag = ws.xf;
        for (int32_t i = 1; i <= n; ++i) {
            if (!dyn[i]) continue;
            Particle& pt = ps[i];
            const float d =
                static_cast<float>((pt.p.x - ws.p.x) * ws.normal.x + (pt.p.y - ws.p.y) * ws.normal.y);
            if (!(d < 0)) continue; // above the surface, or on it
            const double ux = (pt.oldp.x - pt.p.x) * drag;
            const double uy = (pt.oldp.y - pt.p.y) * drag;
            const double depth = -d;
            const double lx = ws.a.x * depth;
            const double ly = ws.a.y * depth;
            // A particle deeper than single precision reaches gets no lift (it would bring a NaN).
            if (!(std::isfinite(ux) && std::isfinite(uy) && std::isfinite(lx) && std::isfinite(ly))) continue;
            pt.p.x = pt.p.x + ux;
            pt.p.y = pt.p.y + uy;
            pt.p.x = pt.p.x + lx;
            pt.p.y = pt.p.y + ly;
            w.waterContacts.push_back({i, static_cast<int32_t>(k)});
        }
    }
}

} // namespace physics_internal

void ApplyWaterSpaces(World& w, PhysicsScratch& s) {
    physics_internal::RefreshDynamic(w, s);
    physics_internal::RunWater(w, s);
}

namespace {

// BoxesOverlap, inlined for the many pairs of drops.
inline bool Overlap(double ax1, double ay1, double ax2, double ay2, double bx1, double by1, double bx2,
                    double by2) {
    return (bx1 > ax1 ? bx1 - ax2 : ax1 - bx2) < 0 && (by1 > ay1 ? by1 - ay2 : ay1 - by2) < 0;
}

void RepelLiquid(LiquidBox& box) {
    const double r = box.radius;
    const size_t n = box.particles.size();
    LiquidParticle* lp = box.particles.data();
    // Every ordered pair, so each unordered pair is treated twice, once in each order.
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = 0; j < n; ++j) {
            Vec2& pi = lp[i].p;
            Vec2& pj = lp[j].p;
            if (!Overlap(pi.x - r, pi.y - r, pi.x + r, pi.y + r, pj.x - r, pj.y - r, pj.x + r, pj.y + r))
                continue;
            const Vec2 d = pj - pi;
            const double dist = d.Length();
            if (!(dist < 2 * r) || dist == 0) continue; // apart, or at one place (no direction)
            const Vec2 dir = d / dist;
            const double overlap = 2 * r - dist;
            const Vec2 push = dir * overlap * 0.2;
            pi -= push / 2;
            pj += push / 2;
        }
    }
}

} // namespace

void StepLiquidBoxes(World& w, PhysicsScratch& s) {
    const double dt2 = w.sim.dt * w.sim.dt; // single-precision product
    for (int32_t b = 1; b <= w.liquidBoxCount; ++b) {
        for (LiquidParticle& lp : w.liquidBoxes[static_cast<size_t>(b)].particles) {
            const Vec2 q = lp.p;
            lp.p.x = 2 * lp.p.x - lp.oldp.x + lp.a.x * dt2;
            lp.p.y = 2 * lp.p.y - lp.oldp.y + lp.a.y * dt2;
            lp.oldp = q;
            lp.p.x = lp.p.x - (lp.p.x - q.x) * 0.05; // 5 % damping per step
            lp.p.y = lp.p.y - (lp.p.y - q.y) * 0.05;
        }
    }
    for (int32_t b = 1; b <= w.liquidBoxCount; ++b) ContainLiquid(w, s, b);
    for (int32_t b = 1; b <= w.liquidBoxCount; ++b) RepelLiquid(w.liquidBoxes[static_cast<size_t>(b)]);
}

void ContainLiquid(World& w, PhysicsScratch& s, int32_t b) {
    if (b < 1 || b > w.liquidBoxCount) return;
    LiquidBox& box = w.liquidBoxes[static_cast<size_t>(b)];
    if (box.container < 1 || box.container > w.entityCount) return;
    const Entity& e = w.entities[static_cast<size_t>(box.container)];
    if (e.id == 0) return;

    // 1. Outline vertices: the container's particles, without the last one when its type is empty.
    int k = e.particlecount();
    if (e.type.empty()) --k;
    if (k < 3) return; // fewer than three vertices bound nothing
    s.outlineX.resize(static_cast<size_t>(k));
    s.outlineY.resize(static_cast<size_t>(k));
    s.outlineBearing.resize(static_cast<size_t>(k));
    double* xs = s.outlineX.data();
    double* ys = s.outlineY.data();
    double* bs = s.outlineBearing.data();
    const Vec2 c = e.center;
    for (int i = 0; i < k; ++i) {
        const Vec2& p = w.particles[static_cast<size_t>(e.particles[static_cast<size_t>(i)])].p;
        xs[i] = p.x;
        ys[i] = p.y;
        bs[i] = PointBearing(c.x, c.y, p.x, p.y);
    }
    // 2. Clockwise from straight up; equal bearings keep their order (a stable sort, as a bubble sort
    // that swaps only strictly smaller neighbours gives).
    for (int i = 1; i < k; ++i) {
        const double bx = xs[i], by = ys[i], bb = bs[i];
        int j = i;
        while (j > 0 && bb < bs[j - 1]) {
            xs[j] = xs[j - 1];
            ys[j] = ys[j - 1];
            bs[j] = bs[j - 1];
            --j;
        }
        xs[j] = bx;
        ys[j] = by;
        bs[j] = bb;
    }
    // An outline needs three distinct corners.
    int distinct = 1;
    int second = -1;
    for (int i = 1; i < k && distinct < 3; ++i) {
        const bool sameAsFirst = xs[i] == xs[0] && ys[i] == ys[0];
        const bool sameAsSecond = second >= 0 && xs[i] == xs[second] && ys[i] == ys[second];
        if (sameAsFirst || sameAsSecond) continue;
        if (second < 0) second = i;
        ++distinct;
    }
    if (distinct < 3) return;

    // 3. Push every liquid particle to at least 3 radii inside every side.
    const double lim = RoundHalfEven(3 * box.radius);
    for (LiquidParticle& lp : box.particles) {
        for (int i = 0; i < k; ++i) {
            const int j = i + 1 < k ? i + 1 : 0;
            const float x1 = static_cast<float>(xs[i]), y1 = static_cast<float>(ys[i]);
            const float x2 = static_cast<float>(xs[j]), y2 = static_cast<float>(ys[j]);
            if (x1 == x2 && y1 == y2) continue; // two corners at one place: no side
            const double sd = RoundHalfEven(
                SignedLineDistance(x1, y1, x2, y2, static_cast<float>(lp.p.x), static_cast<float>(lp.p.y)));
            if (!(sd < lim)) continue;
            Vec2 n{ys[i] - ys[j], xs[j] - xs[i]};
            n.Normalise();
            const double g = RoundHalfEven(sd - 3 * box.radius);
            const Vec2 move = n * g;
            if (!(std::isfinite(move.x) && std::isfinite(move.y))) continue; // a container beyond reach
            lp.p -= move;
        }
    }
}
