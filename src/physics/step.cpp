// The simulation step: its order of passes, the Verlet integration and the constraint relaxation.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {

void RefreshDynamic(World& w, PhysicsScratch& s) {
    std::vector<uint8_t>& dyn = s.dynamic;
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

void RunIntegrate(World& w, PhysicsScratch& s) {
    const double dt2 = w.sim.dt * w.sim.dt; // single-precision product
    const double damping = w.sim.velocityfactor;
    const double limit = w.sim.speedlimit;
    Particle* ps = w.particles.data();
    const uint8_t* dyn = s.dynamic.data();
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
            const double cx = (vx / len) * (len - limit);
            const double cy = (vy / len) * (len - limit);
            if (!(std::isfinite(cx) && std::isfinite(cy))) continue; // a speed beyond double precision
            pt.p.x = pt.p.x - cx;
            pt.p.y = pt.p.y - cy;
        }
    }
}

namespace {

inline void RelaxOne(Particle* ps, const uint8_t* dyn, const Constraint& c) {
    Particle& a = ps[c.p1];
    Particle& b = ps[c.p2];
    const float dx = static_cast<float>(b.p.x - a.p.x);
    const float dy = static_cast<float>(b.p.y - a.p.y);
    const float dist = std::sqrt(dx * dx + dy * dy);
    if (dist == 0) return; // coinciding ends give no direction to correct along
    const float r = (dist - c.length) / dist;
    const float mx = dx * r / 2 * c.e;
    const float my = dy * r / 2 * c.e;
    // Ends too far apart for single precision give no usable correction (and would bring a NaN).
    if (!(std::isfinite(mx) && std::isfinite(my))) return;
    if (dyn[c.p1]) {
        a.p.x += mx;
        a.p.y += my;
    }
    if (dyn[c.p2]) {
        b.p.x -= mx;
        b.p.y -= my;
    }
}

constexpr int kRelaxRuns = 8;

// Splits the constraint slots 1..count into up to eight runs of consecutive slots that share no particle,
// so that the runs can be relaxed side by side: each run keeps its slot order, and no run sees what
// another one moves, so the result is that of the single pass in slot order.
void PlanRelaxRuns(World& w, PhysicsScratch& s) {
    const int32_t n = w.constraintCount;
    const size_t slots = static_cast<size_t>(kTableSlots);
    if (s.relaxFirst.size() != slots) {
        s.relaxFirst.assign(slots, 0);
        s.relaxLast.assign(slots, 0);
        s.relaxCover.assign(slots + 2, 0);
    }
    std::fill(s.relaxFirst.begin(), s.relaxFirst.end(), 0);
    std::fill(s.relaxCover.begin(), s.relaxCover.begin() + n + 2, 0);
    int32_t* first = s.relaxFirst.data();
    int32_t* last = s.relaxLast.data();
    const Constraint* cs = w.constraints.data();
    for (int32_t k = 1; k <= n; ++k) {
        for (int32_t p : {cs[k].p1, cs[k].p2}) {
            if (p < 0 || p >= kTableSlots) continue;
            if (first[p] == 0) first[p] = k;
            last[p] = k;
        }
    }
    // cover[k] counts the particles used both before slot k and from slot k on.
    int32_t* cover = s.relaxCover.data();
    for (int32_t p = 0; p < kTableSlots; ++p) {
        if (first[p] == 0 || first[p] == last[p]) continue;
        ++cover[first[p] + 1];
        --cover[last[p] + 1];
    }
    for (int32_t k = 1; k <= n + 1; ++k) cover[k] += cover[k - 1];
    s.relaxRuns.clear();
    s.relaxRuns.push_back(1);
    for (int part = 1; part < kRelaxRuns; ++part) {
        const int32_t target = 1 + static_cast<int32_t>(static_cast<int64_t>(n) * part / kRelaxRuns);
        const int32_t reach = n / (4 * kRelaxRuns) + 1;
        int32_t found = 0;
        for (int32_t d = 0; d <= reach && found == 0; ++d) {
            for (int32_t k : {target - d, target + d})
                if (k > s.relaxRuns.back() && k <= n && cover[k] == 0) {
                    found = k;
                    break;
                }
        }
        if (found != 0) s.relaxRuns.push_back(found);
    }
    s.relaxRuns.push_back(n + 1);
}

// Relaxes runs [from, to) of the plan side by side.
void RelaxRuns(World& w, PhysicsScratch& s, int from, int to) {
    Particle* ps = w.particles.data();
    const uint8_t* dyn = s.dynamic.data();
    const Constraint* cs = w.constraints.data();
    const int32_t* start = s.relaxRuns.data();
    int32_t common = INT32_MAX;
    for (int l = from; l < to; ++l) common = std::min(common, start[l + 1] - start[l]);
    for (int32_t t = 0; t < common; ++t)
        for (int l = from; l < to; ++l) RelaxOne(ps, dyn, cs[start[l] + t]);
    for (int l = from; l < to; ++l)
        for (int32_t k = start[l] + common; k < start[l + 1]; ++k) RelaxOne(ps, dyn, cs[k]);
}

// Half of the runs on each lane: runs share no particle.
bool RelaxLane(World& w, PhysicsScratch& s, int lane) {
    const int count = static_cast<int>(s.relaxRuns.size()) - 1;
    if (lane == 0)
        RelaxRuns(w, s, 0, count / 2);
    else
        RelaxRuns(w, s, count / 2, count);
    return true;
}

} // namespace

void RunRelax(World& w, PhysicsScratch& s) {
    const std::vector<int32_t>& runs = s.relaxRuns;
    const int count = static_cast<int>(runs.size()) - 1;
    if (s.reference || count < 2 || count > kRelaxRuns || runs.back() != w.constraintCount + 1) {
        Particle* ps = w.particles.data();
        const uint8_t* dyn = s.dynamic.data();
        const Constraint* cs = w.constraints.data();
        for (int32_t k = 1; k <= w.constraintCount; ++k) RelaxOne(ps, dyn, cs[k]);
        return;
    }
    if (s.lanesOn && count >= 4)
        RunOnLanes(w, s, RelaxLane);
    else
        RelaxRuns(w, s, 0, count);
}

void RunBounds(World& w, PhysicsScratch& s) {
    if (s.reference) {
        UpdateEntityBounds(w);
        return;
    }
    // UpdateEntityBounds with one change that alters no bit: dividing by a particle count that is a
    // power of two is multiplying by its exact reciprocal.
    const Particle* ps = w.particles.data();
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        Entity& e = w.entities[static_cast<size_t>(i)];
        const int n = e.particlecount();
        if (n == 0) continue;
        const int32_t* slots = e.particles.data();
        const Vec2 first = ps[slots[0]].p;
        Vec2 c{0, 0}, lo = first, hi = first;
        if ((n & (n - 1)) == 0) {
            const double inverse = 1.0 / n;
            for (int k = 0; k < n; ++k) {
                const Vec2 p = ps[slots[k]].p;
                c.x += p.x * inverse;
                c.y += p.y * inverse;
                lo.x = std::min(lo.x, p.x);
                lo.y = std::min(lo.y, p.y);
                hi.x = std::max(hi.x, p.x);
                hi.y = std::max(hi.y, p.y);
            }
        } else {
            for (int k = 0; k < n; ++k) {
                const Vec2 p = ps[slots[k]].p;
                c.x += p.x / n;
                c.y += p.y / n;
                lo.x = std::min(lo.x, p.x);
                lo.y = std::min(lo.y, p.y);
                hi.x = std::max(hi.x, p.x);
                hi.y = std::max(hi.y, p.y);
            }
        }
        e.center = c;
        e.bmin = lo;
        e.bmax = hi;
    }
}

void PlanRelax(World& w, PhysicsScratch& s) {
    if (s.reference) {
        s.relaxRuns.clear();
        return;
    }
    PlanRelaxRuns(w, s);
}

} // namespace physics_internal

using namespace physics_internal;

void IntegrateParticles(World& w, PhysicsScratch& s) {
    RefreshDynamic(w, s);
    RunIntegrate(w, s);
}

void RelaxConstraints(World& w, PhysicsScratch& s) {
    RefreshDynamic(w, s);
    s.relaxRuns.clear(); // a single pass in slot order
    RunRelax(w, s);
}

namespace {

// The median of the recent step times of one way (0 when none): a step now and then takes far longer
// (the machine is shared), and the median ignores those.
double LaneMedian(const PhysicsScratch& s, int way) {
    const uint32_t n = std::min<uint32_t>(s.laneTimed[way], PhysicsScratch::kLaneTimes);
    if (n == 0) return 0;
    double times[PhysicsScratch::kLaneTimes];
    std::copy(s.laneSeconds[way], s.laneSeconds[way] + n, times);
    std::nth_element(times, times + n / 2, times + n);
    return times[n / 2];
}

} // namespace

void StepSimulation(World& w, PhysicsScratch& s, const PhysicsTasks& tasks) {
    RecountTables(w);
    RefreshDynamic(w, s);
    ProbeSimd(s);
    s.tasks = tasks;
    // A second lane pays in large scenes only, and only where word between the two processors travels
    // fast: on some virtual machines it takes half a microsecond, and two lanes are slower than one.
    // So the step times both ways (now and then the other way) and keeps the faster; both give the
    // same results. Tests force two lanes (laneMode 2) to compare them.
    const bool large = w.constraintCount >= 1024;
    int timed = -1; // the way this step is timed: 0 one lane, 1 two
    if (s.laneMode == 2) {
        s.lanesOn = !s.reference && LanesAvailable(s);
    } else if (s.laneMode == 1 || s.reference || !large || !LanesAvailable(s)) {
        s.lanesOn = false;
    } else {
        const double one = LaneMedian(s, 0), two = LaneMedian(s, 1);
        const int faster = one == 0 ? 0 : (two == 0 ? 1 : (two < one ? 1 : 0));
        // The slower way is tried one step in sixteen while the two are close, one in sixty-four while
        // it is a fifth slower or more: each try costs the difference.
        const double slow = std::max(one, two), fast = std::min(one, two);
        const uint32_t every = fast > 0 && slow > 1.2 * fast ? 64 : 16;
        timed = ++s.laneSteps % every == 0 ? 1 - faster : faster;
        s.lanesOn = timed == 1;
    }
    const auto start = std::chrono::steady_clock::now();
    OpenContactIndex(w, s);
    PlanRelax(w, s);
    RunIntegrate(w, s);
    RunPortals(w);
    for (int32_t i = 1; i <= w.sim.iterations; ++i) {
        RunBounds(w, s);
        RunRelax(w, s);
        RunHalfSpaces(w, s);
        if (i == 1) RunFindPairs(w, s);
        RunCollideEntities(w, s);
        RunFriction(w, s);
    }
    RunWater(w, s);
    if (timed >= 0) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        s.laneSeconds[timed][s.laneTimed[timed]++ % PhysicsScratch::kLaneTimes] = seconds;
    }
    w.collisionPairs.clear();
    CloseContactIndex(s);
    s.lanesOn = false;
    s.tasks = PhysicsTasks{};
}
