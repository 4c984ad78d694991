// The entity-pair search (once per step) and the walk over the pairs (every iteration).
//
// The plain search compares every entity with every later one. The fast search finds exactly the same
// pairs in the same order: it sorts the entities' enlarged boxes into a uniform grid, compares only
// entities that share a cell, reports each pair from one cell only (the cell holding the lower corner of
// the two boxes' common part), applies the plain search's own overlap test to the boxes in the plain
// search's argument order, and finally sorts the pairs by (first slot, second slot). Boxes the grid cannot
// hold (not finite, or spanning many cells) are compared with every entity.
//
// Neither search pairs entities that cannot touch: one without particles, or two that list no side with
// two different ends between them (the pair test would find no axis and do nothing). The list holds at most
// kMaxCollisionPairs pairs; a step that finds more keeps the first ones in (first slot, second slot)
// order, as the plain search finds them, looks no further (counting every pair beyond would cost as much
// as the whole list), and counts the step in World::cutPairLists. The fast search leaves such a step to
// the plain one.
#include <algorithm>
#include <cmath>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {
namespace {

constexpr int kPairShift = 14;            // entity slots stay below 2^14
constexpr int64_t kMaxCellsPerBox = 64;   // larger boxes are compared with everyone
constexpr double kMaxCellIndex = 1e15;    // cell numbers stay well inside 64 bits
constexpr size_t kBucketCount = 1u << 13; // power of two
// Comparisons the grid may make in one step before it hands the step to the plain search, which finds the
// same pairs: bodies piled on one spot share cells, where the grid would compare every two of them once in
// every shared cell; the plain search stops as soon as the list is full.
constexpr int64_t kGridComparisons = 16 * int64_t{kMaxCollisionPairs};

// The overlap test of the plain search (BoxesOverlap), inlined.
inline bool Apart(double minA, double maxA, double minB, double maxB) {
    return !((minB > minA ? minB - maxA : minA - maxB) < 0);
}

// The enlarged boxes of two entities overlap (BoxesOverlap of the boxes with the margin). The plain
// search calls the shared helper; the walk over the pairs uses the same test inlined.
bool Overlap(const World& w, const PhysicsScratch& s, const Entity& a, const Entity& b) {
    const double m = w.sim.boxmargin;
    if (s.reference)
        return BoxesOverlap(a.bmin.x - m, a.bmin.y - m, a.bmax.x + m, a.bmax.y + m, b.bmin.x - m,
                            b.bmin.y - m, b.bmax.x + m, b.bmax.y + m);
    return !Apart(a.bmin.x - m, a.bmax.x + m, b.bmin.x - m, b.bmax.x + m) &&
           !Apart(a.bmin.y - m, a.bmax.y + m, b.bmin.y - m, b.bmax.y + m);
}

// Per entity slot what decides whether two entities may touch at all.
constexpr uint8_t kHasParticles = 1, kHasSides = 2, kMoves = 4;

// A side whose two ends are one particle never has a direction, so it never gives an axis.
void NoteTouchers(const World& w, PhysicsScratch& s) {
    if (s.toucher.size() != static_cast<size_t>(kTableSlots))
        s.toucher.assign(static_cast<size_t>(kTableSlots), 0);
    const Constraint* cs = w.constraints.data();
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        bool sided = false;
        for (size_t k = 0; k < e.constraints.size() && !sided; ++k) {
            const Constraint& c = cs[e.constraints[k]];
            sided = c.p1 != c.p2;
        }
        s.toucher[static_cast<size_t>(i)] = static_cast<uint8_t>(
            (e.particles.empty() ? 0 : kHasParticles) | (sided ? kHasSides : 0) | (e.m != 0 ? kMoves : 0));
    }
}

// Both list particles, at least one lists a side, and at least one moves (two static entities never
// meet).
inline bool MayTouch(uint8_t a, uint8_t b) {
    return (a & b & kHasParticles) != 0 && ((a | b) & kHasSides) != 0 && ((a | b) & kMoves) != 0;
}

void FindPairsQuadratic(World& w, PhysicsScratch& s) {
    const int32_t n = w.entityCount;
    const uint8_t* toucher = s.toucher.data();
    std::vector<CollisionPair>& pairs = w.collisionPairs;
    for (int32_t i = 1; i <= n; ++i) {
        if (!(toucher[i] & kHasParticles)) continue;
        const Entity& a = w.entities[static_cast<size_t>(i)];
        for (int32_t j = i + 1; j <= n; ++j) {
            if (!MayTouch(toucher[i], toucher[j])) continue;
            if (!Overlap(w, s, a, w.entities[static_cast<size_t>(j)])) continue;
            if (pairs.size() == static_cast<size_t>(kMaxCollisionPairs)) {
                ++w.cutPairLists;
                return;
            }
            pairs.push_back({i, j});
        }
    }
}

inline size_t Bucket(int64_t cx, int64_t cy) {
    uint64_t h =
        static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(cy) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>(h >> 51) & (kBucketCount - 1);
}

void FindPairsGrid(World& w, PhysicsScratch& s) {
    const int32_t n = w.entityCount;
    const size_t slots = static_cast<size_t>(kTableSlots);
    if (s.boxLoX.size() != slots) {
        s.boxLoX.assign(slots, 0);
        s.boxLoY.assign(slots, 0);
        s.boxHiX.assign(slots, 0);
        s.boxHiY.assign(slots, 0);
        s.boxCells.assign(4 * slots, 0);
        s.oddBoxes.reserve(slots);
        s.pairKeys.reserve(4 * slots);
        s.gridStart.assign(kBucketCount + 1, 0);
    }
    double* loX = s.boxLoX.data();
    double* loY = s.boxLoY.data();
    double* hiX = s.boxHiX.data();
    double* hiY = s.boxHiY.data();
    int64_t* cells = s.boxCells.data();
    const Entity* ents = w.entities.data();
    const uint8_t* toucher = s.toucher.data();
    const double m = w.sim.boxmargin;

    // Boxes, and a cell size of about twice the average box.
    double extent = 0;
    int finite = 0;
    for (int32_t i = 1; i <= n; ++i) {
        if (!(toucher[i] & kHasParticles)) continue;
        const Entity& e = ents[i];
        loX[i] = e.bmin.x - m;
        loY[i] = e.bmin.y - m;
        hiX[i] = e.bmax.x + m;
        hiY[i] = e.bmax.y + m;
        const double wx = hiX[i] - loX[i], wy = hiY[i] - loY[i];
        if (std::isfinite(wx) && std::isfinite(wy) && wx >= 0 && wy >= 0) {
            extent += wx + wy;
            ++finite;
        }
    }
    double cell = finite > 0 ? extent / finite : 64;
    if (!(cell >= 8)) cell = 8;

    // Cells of every box; the odd ones go to the list compared with everyone.
    s.oddBoxes.clear();
    std::vector<uint32_t>& start = s.gridStart;
    std::fill(start.begin(), start.end(), 0u);
    for (int32_t i = 1; i <= n; ++i) {
        int64_t* c = cells + 4 * i;
        if (!(toucher[i] & kHasParticles)) { // never paired: neither in the grid nor compared with everyone
            c[0] = 1;
            c[2] = 0;
            continue;
        }
        const double x0 = std::floor(loX[i] / cell), y0 = std::floor(loY[i] / cell);
        const double x1 = std::floor(hiX[i] / cell), y1 = std::floor(hiY[i] / cell);
        const bool inRange = std::fabs(x0) < kMaxCellIndex && std::fabs(y0) < kMaxCellIndex &&
                             std::fabs(x1) < kMaxCellIndex && std::fabs(y1) < kMaxCellIndex && x0 <= x1 &&
                             y0 <= y1; // also false for anything not finite
        if (inRange) {
            c[0] = static_cast<int64_t>(x0);
            c[1] = static_cast<int64_t>(y0);
            c[2] = static_cast<int64_t>(x1);
            c[3] = static_cast<int64_t>(y1);
        }
        if (!inRange || (c[2] - c[0] + 1) * (c[3] - c[1] + 1) > kMaxCellsPerBox) {
            s.oddBoxes.push_back(i);
            c[0] = 1; // marks the box as not in the grid
            c[2] = 0;
            continue;
        }
        for (int64_t y = c[1]; y <= c[3]; ++y)
            for (int64_t x = c[0]; x <= c[2]; ++x) ++start[Bucket(x, y) + 1];
    }
    for (size_t b = 1; b <= kBucketCount; ++b) start[b] += start[b - 1];
    const size_t entries = start[kBucketCount];
    if (s.gridEntity.size() < entries) {
        s.gridEntity.resize(entries + entries / 2);
        s.gridCellX.resize(entries + entries / 2);
        s.gridCellY.resize(entries + entries / 2);
    }
    // Entities with sides first, so that in every bucket those without follow them all: two of those
    // never touch, and the search below never compares them.
    s.gridFill.assign(start.begin(), start.end() - 1);
    for (int sided = 1; sided >= 0; --sided) {
        for (int32_t i = 1; i <= n; ++i) {
            const int64_t* c = cells + 4 * i;
            if (c[0] > c[2] || ((toucher[i] & kHasSides) != 0) != (sided == 1)) continue;
            for (int64_t y = c[1]; y <= c[3]; ++y) {
                for (int64_t x = c[0]; x <= c[2]; ++x) {
                    const uint32_t at = s.gridFill[Bucket(x, y)]++;
                    s.gridEntity[at] = i;
                    s.gridCellX[at] = x;
                    s.gridCellY[at] = y;
                }
            }
        }
    }

    // The pairs as keys; false once there are more than the list holds.
    std::vector<uint32_t>& keys = s.pairKeys;
    keys.clear();
    auto add = [&](int32_t i, int32_t j) {
        if (keys.size() >= static_cast<size_t>(kMaxCollisionPairs)) return false;
        keys.push_back((static_cast<uint32_t>(i) << kPairShift) | static_cast<uint32_t>(j));
        return true;
    };
    auto consider = [&](int32_t a, int32_t b) {
        const int32_t i = std::min(a, b);
        const int32_t j = std::max(a, b);
        if (!MayTouch(toucher[i], toucher[j])) return true;
        if (Apart(loX[i], hiX[i], loX[j], hiX[j]) || Apart(loY[i], hiY[i], loY[j], hiY[j])) return true;
        return add(i, j);
    };
    bool full = false;
    int64_t compared = 0;
    for (size_t b = 0; b < kBucketCount && !full; ++b) {
        const uint32_t first = start[b], last = start[b + 1];
        for (uint32_t p = first; p < last && !full; ++p) {
            const int32_t ep = s.gridEntity[p];
            if (!(toucher[ep] & kHasSides)) break; // the rest of the bucket lists no side either
            const int64_t cx = s.gridCellX[p], cy = s.gridCellY[p];
            compared += last - p - 1;
            if (compared > kGridComparisons) {
                full = true;
                break;
            }
            for (uint32_t q = p + 1; q < last; ++q) {
                if (s.gridCellX[q] != cx || s.gridCellY[q] != cy) continue; // another cell, same bucket
                const int32_t eq = s.gridEntity[q];
                const int32_t i = std::min(ep, eq);
                const int32_t j = std::max(ep, eq);
                if (!MayTouch(toucher[i], toucher[j])) continue;
                if (Apart(loX[i], hiX[i], loX[j], hiX[j]) || Apart(loY[i], hiY[i], loY[j], hiY[j])) continue;
                // Report the pair from the cell of the lower corner of the common part only.
                if (static_cast<int64_t>(std::floor(std::max(loX[i], loX[j]) / cell)) != cx ||
                    static_cast<int64_t>(std::floor(std::max(loY[i], loY[j]) / cell)) != cy)
                    continue;
                if (!add(i, j)) {
                    full = true;
                    break;
                }
            }
        }
    }
    for (size_t a = 0; a < s.oddBoxes.size() && !full; ++a) {
        const int32_t i = s.oddBoxes[a];
        for (int32_t j = 1; j <= n && !full; ++j) {
            if (j == i) continue;
            const int64_t* c = cells + 4 * j;
            const bool jOdd = c[0] > c[2] && (toucher[j] & kHasParticles) != 0;
            if (jOdd && j < i) continue; // that pair was considered from j
            full = !consider(i, j);
        }
    }
    if (full) { // more pairs than the list holds, or a pile: which ones it keeps is the plain search's to say
        keys.clear();
        FindPairsQuadratic(w, s);
        return;
    }

    std::sort(keys.begin(), keys.end());
    const uint32_t mask = (1u << kPairShift) - 1;
    for (uint32_t key : keys)
        w.collisionPairs.push_back(
            {static_cast<int32_t>(key >> kPairShift), static_cast<int32_t>(key & mask)});
}

// Notes the entities of four particles and four sides whose ends are two different ones of those
// particles, where every side and particle names the entity as its own, with the places of the ends in
// the particle list, for the four-by-four collision test.
void NoteQuads(World& w, PhysicsScratch& s) {
    const size_t slots = static_cast<size_t>(kTableSlots);
    if (s.entityQuad.size() != slots) {
        s.entityQuad.assign(slots, 0);
        s.quadEnds.assign(8 * slots, 0);
        s.quadLanes.assign(16 * slots, 0);
    }
    const Constraint* cs = w.constraints.data();
    for (int32_t e = 1; e <= w.entityCount; ++e) {
        const Entity& ent = w.entities[static_cast<size_t>(e)];
        bool quad = ent.particlecount() == 4 && ent.constraintcount() == 4;
        for (int k = 0; k < 4 && quad; ++k) {
            const int32_t p = ent.particles[static_cast<size_t>(k)];
            quad = p > 0 && p < kTableSlots && w.particles[static_cast<size_t>(p)].parent == e;
        }
        for (int k = 0; k < 4 && quad; ++k) {
            const int32_t c = ent.constraints[static_cast<size_t>(k)];
            quad = c > 0 && c < kTableSlots && cs[c].parent == e && cs[c].p1 != cs[c].p2;
            for (int end = 0; end < 2 && quad; ++end) {
                const int32_t slot = end == 0 ? cs[c].p1 : cs[c].p2;
                int at = 0;
                while (at < 4 && ent.particles[static_cast<size_t>(at)] != slot) ++at;
                quad = at < 4;
                s.quadEnds[8 * static_cast<size_t>(e) + 2 * static_cast<size_t>(k) +
                           static_cast<size_t>(end)] = static_cast<uint8_t>(at);
                // The two 32-bit halves of the end's double in a register of the four positions.
                uint8_t* lanes = &s.quadLanes[16 * static_cast<size_t>(e) + 8 * static_cast<size_t>(end) +
                                              2 * static_cast<size_t>(k)];
                lanes[0] = static_cast<uint8_t>(2 * at);
                lanes[1] = static_cast<uint8_t>(2 * at + 1);
            }
        }
        s.entityQuad[static_cast<size_t>(e)] = quad ? 1 : 0;
    }
    s.quadStamp = s.contactIndexStamp;
}

// Puts the pair walk of this step on two lanes when every pair is two quads and the split pays.
void PlanPairLanes(World& w, PhysicsScratch& s) {
    s.pairsOnLanes = false;
    s.frictionPlanned = 0;
    if (!s.lanesOn || s.simdLevel < 2) return;
    const std::vector<CollisionPair>& pairs = w.collisionPairs;
    const int32_t n = static_cast<int32_t>(pairs.size());
    std::vector<int32_t>& first = s.itemFirst;
    std::vector<int32_t>& second = s.itemSecond;
    first.resize(pairs.size());
    second.resize(pairs.size());
    const Entity* ents = w.entities.data();
    for (size_t k = 0; k < pairs.size(); ++k) {
        const CollisionPair p = pairs[k];
        if (!s.entityQuad[static_cast<size_t>(p.a)] || !s.entityQuad[static_cast<size_t>(p.b)]) return;
        first[k] = ents[p.a].m != 0 ? p.a : 0;
        second[k] = ents[p.b].m != 0 ? p.b : 0;
    }
    const int32_t span = SplitEntities(w, s, first.data(), second.data(), n, s.pairLanes);
    // Two lanes pay when the schedule is well short of the whole list.
    s.pairsOnLanes =
        s.laneMode == 2 || (n >= 256 && 10 * static_cast<int64_t>(span) <= 7 * static_cast<int64_t>(n));
    s.entityLanesStamp = s.contactIndexStamp;
    if (s.pairsOnLanes) s.pairAlive.assign(pairs.size(), 1);
}

bool CollideLane(World& w, PhysicsScratch& s, int lane) {
    const CollisionPair* pairs = w.collisionPairs.data();
    const Entity* ents = w.entities.data();
    uint8_t* alive = s.pairAlive.data();
    LaneSink sink{&s.pendingContacts[lane], &s.pendingMarks[lane], 0};
    return WalkLane(s, s.pairLanes, lane, [&](int32_t k) {
        if (!alive[k]) return;
        const CollisionPair pair = pairs[k];
        if (!Overlap(w, s, ents[pair.a], ents[pair.b])) {
            alive[k] = 0;
            return;
        }
        sink.item = k;
        CollideQuadPair(w, s, pair.a, pair.b, sink);
    });
}

} // namespace

void RunFindPairs(World& w, PhysicsScratch& s) {
    Particle* ps = w.particles.data();
    for (int32_t i = 1; i <= w.particleCount; ++i) ps[i].contact = 0;
    w.collisionPairs.clear();
    if (w.collisionPairs.capacity() < 4 * static_cast<size_t>(kTableSlots))
        w.collisionPairs.reserve(4 * static_cast<size_t>(kTableSlots));
    NoteTouchers(w, s);
    if (s.reference)
        FindPairsQuadratic(w, s);
    else
        FindPairsGrid(w, s);
    if (!s.reference && s.contactIndexLive) {
        NoteQuads(w, s);
        PlanPairLanes(w, s);
    }
}

void RunCollideEntities(World& w, PhysicsScratch& s) {
    std::vector<CollisionPair>& pairs = w.collisionPairs;
    if (s.pairsOnLanes && s.contactIndexLive && s.entityLanesStamp == s.contactIndexStamp &&
        s.pairAlive.size() == pairs.size()) {
        // The pairs that part stay listed, marked in pairAlive.
        RunOnLanes(w, s, CollideLane);
        FlushLaneSinks(w, s);
        return;
    }
    const Entity* ents = w.entities.data();
    const double m = w.sim.boxmargin;
    const bool reference = s.reference;
    size_t kept = 0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const CollisionPair pair = pairs[k];
        // The boxes were refreshed at the start of this iteration and collisions do not change them, so
        // dropping pairs while walking the list sees what a separate pass would.
        const Entity& a = ents[pair.a];
        const Entity& b = ents[pair.b];
        const bool overlap = reference ? Overlap(w, s, a, b)
                                       : !Apart(a.bmin.x - m, a.bmax.x + m, b.bmin.x - m, b.bmax.x + m) &&
                                             !Apart(a.bmin.y - m, a.bmax.y + m, b.bmin.y - m, b.bmax.y + m);
        if (!overlap) continue;
        CollideEntityPair(w, s, pair.a, pair.b);
        pairs[kept++] = pair;
    }
    pairs.resize(kept);
}

} // namespace physics_internal

using namespace physics_internal;

void FindCollisionPairs(World& w, PhysicsScratch& s) {
    RunFindPairs(w, s);
}

void CollideEntities(World& w, PhysicsScratch& s) {
    RunCollideEntities(w, s);
}
