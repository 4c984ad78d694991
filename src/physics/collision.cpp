// Collision: the contact table, half-spaces, the entity-pair search, the separating-axis test between two
// entities, and the contact friction.
#include <algorithm>
#include <climits>
#include <cmath>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {
namespace {

constexpr size_t kContactHashSize = 1u << 15; // more than twice the contact slots
constexpr int kPairShift = 14;                // entity slots stay below 2^14

size_t ContactHash(int32_t id) {
    return (static_cast<uint32_t>(id) * 2654435761u) >> (32 - 15);
}

// Slot of the hash entry of `id`, or of the empty entry where it would go.
size_t ContactHashSlot(const PhysicsScratch& s, int32_t id) {
    size_t h = ContactHash(id);
    while (s.contactHashStamp[h] == s.contactIndexStamp && s.contactHashId[h] != id)
        h = (h + 1) & (kContactHashSize - 1);
    return h;
}

// Adds contact `slot` to the index; a slot that does not follow the indexed ones means the table was
// written behind the index's back, which retires the index for the rest of the step.
void IndexContact(World& w, int32_t slot) {
    PhysicsScratch& s = w.physics;
    if (!s.contactIndexLive) return;
    if (slot != s.contactIndexCount + 1) {
        s.contactIndexLive = false;
        return;
    }
    int32_t id = w.particles[static_cast<size_t>(w.contacts[static_cast<size_t>(slot)].vertex)].id;
    size_t h = ContactHashSlot(s, id);
    if (s.contactHashStamp[h] != s.contactIndexStamp) {
        s.contactHashStamp[h] = s.contactIndexStamp;
        s.contactHashId[h] = id;
        s.contactPrevious[static_cast<size_t>(slot)] = 0;
    } else {
        s.contactPrevious[static_cast<size_t>(slot)] = s.contactHashHead[h];
    }
    s.contactHashHead[h] = slot;
    s.contactIndexCount = slot;
}

bool ContactMatches(const World& w, const Contact& c, int16_t kind, int32_t edge1Id, int32_t edge2Id) {
    if (c.kind == 2 || kind == 2) return true;
    int32_t existing = w.particles[static_cast<size_t>(c.edge1)].id;
    return existing == edge1Id || existing == edge2Id;
}

bool Overlap(const World& w, const Entity& a, const Entity& b) {
    const double m = w.sim.boxmargin;
    return BoxesOverlap(a.bmin.x - m, a.bmin.y - m, a.bmax.x + m, a.bmax.y + m, b.bmin.x - m, b.bmin.y - m,
                        b.bmax.x + m, b.bmax.y + m);
}

// Turns the friction vector against the sliding: negated when it points the same way as wt on its larger
// axis.
void OpposeSliding(Vec2& f, const Vec2& wt) {
    if (std::fabs(f.x) > std::fabs(f.y)) {
        if ((f.x > 0 && wt.x > 0) || (f.x < 0 && wt.x < 0)) f = {-f.x, -f.y};
    } else {
        if ((f.y > 0 && wt.y > 0) || (f.y < 0 && wt.y < 0)) f = {-f.x, -f.y};
    }
}

void FindPairsQuadratic(World& w) {
    const int32_t n = w.entityCount;
    for (int32_t i = 1; i <= n; ++i) {
        const Entity& a = w.entities[static_cast<size_t>(i)];
        for (int32_t j = i + 1; j <= n; ++j) {
            const Entity& b = w.entities[static_cast<size_t>(j)];
            if (a.m == 0 && b.m == 0) continue; // two static entities never meet
            if (Overlap(w, a, b)) w.collisionPairs.push_back({i, j});
        }
    }
}

// The same pairs as the quadratic search, in the same order: a sweep along x over the entities sorted by
// the lower x of their enlarged boxes finds every pair whose x intervals meet, the exact overlap test of
// the quadratic search decides, and sorting the pairs by (first, second) restores its order.
void FindPairsSweep(World& w) {
    PhysicsScratch& s = w.physics;
    const int32_t n = w.entityCount;
    const size_t slots = static_cast<size_t>(kTableSlots);
    if (s.boxLoX.size() != slots) {
        s.boxLoX.assign(slots, 0);
        s.boxLoY.assign(slots, 0);
        s.boxHiX.assign(slots, 0);
        s.boxHiY.assign(slots, 0);
        s.sweepOrder.reserve(slots);
        s.oddBoxes.reserve(slots);
        s.pairKeys.reserve(4 * slots);
    }
    double* loX = s.boxLoX.data();
    double* loY = s.boxLoY.data();
    double* hiX = s.boxHiX.data();
    double* hiY = s.boxHiY.data();
    const double m = w.sim.boxmargin;
    s.oddBoxes.clear();
    for (int32_t i = 1; i <= n; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        loX[i] = e.bmin.x - m;
        loY[i] = e.bmin.y - m;
        hiX[i] = e.bmax.x + m;
        hiY[i] = e.bmax.y + m;
        // The sweep relies on finite boxes with lower <= upper corners; any other box (a body that has
        // flown off to infinity) is compared with every entity instead.
        bool ordinary = std::isfinite(loX[i]) && std::isfinite(loY[i]) && std::isfinite(hiX[i]) &&
                        std::isfinite(hiY[i]) && loX[i] <= hiX[i] && loY[i] <= hiY[i];
        if (!ordinary) {
            s.oddBoxes.push_back(i);
            loX[i] = -INFINITY; // sorts first and is skipped by the sweep
        }
    }

    // The order of the previous step is nearly sorted: insertion sort repairs it in about linear time.
    std::vector<int32_t>& order = s.sweepOrder;
    if (static_cast<int32_t>(order.size()) != n) {
        order.clear();
        for (int32_t i = 1; i <= n; ++i) order.push_back(i);
        std::sort(order.begin(), order.end(), [loX](int32_t a, int32_t b) { return loX[a] < loX[b]; });
    } else {
        for (size_t k = 1; k < order.size(); ++k) {
            int32_t e = order[k];
            double key = loX[e];
            size_t j = k;
            while (j > 0 && loX[order[j - 1]] > key) {
                order[j] = order[j - 1];
                --j;
            }
            order[j] = e;
        }
    }

    const Entity* ents = w.entities.data();
    std::vector<uint32_t>& keys = s.pairKeys;
    keys.clear();
    auto consider = [&](int32_t a, int32_t b) {
        int32_t i = std::min(a, b);
        int32_t j = std::max(a, b);
        if (ents[i].m == 0 && ents[j].m == 0) return;
        if (BoxesOverlap(loX[i], loY[i], hiX[i], hiY[i], loX[j], loY[j], hiX[j], hiY[j]))
            keys.push_back((static_cast<uint32_t>(i) << kPairShift) | static_cast<uint32_t>(j));
    };
    const size_t count = order.size();
    const size_t firstOrdinary = s.oddBoxes.size(); // odd boxes sort to the front
    for (size_t k = firstOrdinary; k < count; ++k) {
        const int32_t i = order[k];
        const double hx = hiX[i];
        for (size_t l = k + 1; l < count; ++l) {
            const int32_t j = order[l];
            if (loX[j] > hx) break;
            consider(i, j);
        }
    }
    if (!s.oddBoxes.empty()) {
        // Restore the real lower x of the odd boxes for the exact test, then compare them with everyone.
        for (int32_t i : s.oddBoxes) loX[i] = ents[i].bmin.x - m;
        for (size_t a = 0; a < s.oddBoxes.size(); ++a) {
            for (size_t b = a + 1; b < s.oddBoxes.size(); ++b) consider(s.oddBoxes[a], s.oddBoxes[b]);
            for (size_t k = firstOrdinary; k < count; ++k) consider(s.oddBoxes[a], order[k]);
        }
    }
    std::sort(keys.begin(), keys.end());
    const uint32_t mask = (1u << kPairShift) - 1;
    for (uint32_t key : keys)
        w.collisionPairs.push_back(
            {static_cast<int32_t>(key >> kPairShift), static_cast<int32_t>(key & mask)});
}

} // namespace

void OpenContactIndex(World& w) {
    PhysicsScratch& s = w.physics;
    s.contactIndexLive = false;
    if (s.reference) return;
    if (s.contactHashId.size() != kContactHashSize) {
        s.contactHashId.assign(kContactHashSize, 0);
        s.contactHashHead.assign(kContactHashSize, 0);
        s.contactHashStamp.assign(kContactHashSize, 0);
        s.contactPrevious.assign(static_cast<size_t>(kTableSlots), 0);
        s.contactIndexStamp = 0;
    }
    if (++s.contactIndexStamp == 0) { // after 2^32 steps: forget every old entry at once
        std::fill(s.contactHashStamp.begin(), s.contactHashStamp.end(), 0u);
        s.contactIndexStamp = 1;
    }
    s.contactIndexLive = true;
    s.contactIndexCount = 0;
    for (int32_t slot = 1; slot <= w.contactCount && s.contactIndexLive; ++slot) IndexContact(w, slot);
}

void CloseContactIndex(World& w) {
    w.physics.contactIndexLive = false;
}

void RunHalfSpaces(World& w) {
    Particle* ps = w.particles.data();
    const uint8_t* dyn = w.physics.dynamic.data();
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
            if (ContactRecorded(w, 2, 0, 0, i)) continue;
            const Vec2 u = pt.p - pt.oldp;
            const double s = normal.Dot(u);
            int32_t slot = RecordContact(w, 0, 0, i, normal * d);
            if (slot == 0) continue;
            Contact& c = w.contacts[static_cast<size_t>(slot)];
            c.kind = 2;
            c.speed = static_cast<float>(u.Length());
            c.impact = static_cast<float>((u * s).Length());
        }
    }
}

void RunFindPairs(World& w) {
    Particle* ps = w.particles.data();
    for (int32_t i = 1; i <= w.particleCount; ++i) ps[i].contact = 0;
    w.collisionPairs.clear();
    if (w.collisionPairs.capacity() < 4 * static_cast<size_t>(kTableSlots))
        w.collisionPairs.reserve(4 * static_cast<size_t>(kTableSlots));
    if (w.physics.reference)
        FindPairsQuadratic(w);
    else
        FindPairsSweep(w);
}

void RunCollideEntities(World& w) {
    std::vector<CollisionPair>& pairs = w.collisionPairs;
    size_t kept = 0;
    for (size_t k = 0; k < pairs.size(); ++k) {
        const CollisionPair pair = pairs[k];
        // The boxes were refreshed at the start of this iteration and collisions do not change them, so
        // dropping pairs while walking the list sees what a separate pass would.
        if (!Overlap(w, w.entities[static_cast<size_t>(pair.a)], w.entities[static_cast<size_t>(pair.b)]))
            continue;
        CollideEntityPair(w, pair.a, pair.b);
        pairs[kept++] = pair;
    }
    pairs.resize(kept);
}

void RunFriction(World& w) {
    Particle* ps = w.particles.data();
    const Entity* es = w.entities.data();
    const double iterations = w.sim.iterations;
    const int32_t n = w.contactCount;
    for (int32_t k = 1; k <= n; ++k) {
        Contact& c = w.contacts[static_cast<size_t>(k)];
        if (c.kind == 0) {
            Particle& a = ps[c.edge1];
            Particle& b = ps[c.edge2];
            Particle& v = ps[c.vertex];
            const Entity& ev = es[v.parent];
            const Entity& ea = es[a.parent];
            Vec2 tau = b.p - a.p;
            tau.Normalise();
            const Vec2 rel = (b.p - b.oldp) - (v.p - v.oldp);
            const double along = tau.Dot(rel);
            const Vec2 wt{tau.x * along, tau.y * along};
            const double pushLength = c.push.Length();
            Vec2 f{tau.x * ev.f * ea.f * pushLength / iterations,
                   tau.y * ev.f * ea.f * pushLength / iterations};
            const bool vStatic = ev.m == 0;
            const bool aStatic = ea.m == 0;
            if (vStatic || aStatic) {
                if (wt.Length() < f.Length()) f = {-wt.x, -wt.y};
            } else if (wt.Length() / 3 < f.Length()) {
                f = {-wt.x / 3, -wt.y / 3};
            }
            OpposeSliding(f, wt);
            if (!vStatic && !aStatic) {
                const float total = ea.m + ev.m;
                if (total != 0) {
                    const float ka = 2 * ev.m / total;
                    const float kv = 2 * ea.m / total;
                    a.p.x += f.x * ka;
                    a.p.y += f.y * ka;
                    b.p.x += f.x * ka;
                    b.p.y += f.y * ka;
                    v.p.x -= f.x * 2 * kv;
                    v.p.y -= f.y * 2 * kv;
                }
            } else if (vStatic && !aStatic) {
                a.p += f;
                b.p += f;
            } else if (aStatic && !vStatic) {
                v.p -= f;
            }
            c.serial = 0;
        } else if (c.kind == 2) {
            Particle& v = ps[c.vertex];
            const Entity& ev = es[v.parent];
            Vec2 tau{c.push.y, -c.push.x};
            tau.Normalise();
            const Vec2 rel = v.oldp - v.p; // the reversed velocity
            const double along = tau.Dot(rel);
            const Vec2 wt{tau.x * along, tau.y * along};
            Vec2 f{tau.x * ev.f / iterations, tau.y * ev.f / iterations};
            if (wt.Length() < f.Length()) f = {-wt.x, -wt.y};
            OpposeSliding(f, wt);
            if (ev.m != 0) v.p -= f;
            c.serial = 0;
        }
    }
}

} // namespace physics_internal

using namespace physics_internal;

int32_t RecordContact(World& w, int32_t edge1, int32_t edge2, int32_t vertex, const Vec2& push) {
    // At most 9999 live contacts: the slot after the last one must stay free for the recount.
    if (w.contactCount >= kMaxRecords) return 0;
    int32_t slot = w.contactCount + 1;
    Contact& c = w.contacts[static_cast<size_t>(slot)];
    c.kind = 0;
    c.edge1 = edge1;
    c.edge2 = edge2;
    c.vertex = vertex;
    c.push = push;
    c.speed = 0;
    c.impact = 0;
    c.serial = w.contactSerial;
    // The serial only grows; past the largest 32-bit value it starts again at 1 (0 marks a free slot).
    w.contactSerial = w.contactSerial >= INT32_MAX ? 1 : w.contactSerial + 1;
    w.contactCount = slot;
    IndexContact(w, slot);
    return slot;
}

bool ContactRecorded(const World& w, int16_t kind, int32_t edge1, int32_t edge2, int32_t vertex) {
    const Particle* ps = w.particles.data();
    const int32_t vertexId = ps[vertex].id;
    const int32_t edge1Id = ps[edge1].id;
    const int32_t edge2Id = ps[edge2].id;
    const PhysicsScratch& s = w.physics;
    if (s.contactIndexLive && s.contactIndexCount == w.contactCount) {
        size_t h = ContactHashSlot(s, vertexId);
        if (s.contactHashStamp[h] != s.contactIndexStamp) return false;
        for (int32_t k = s.contactHashHead[h]; k != 0; k = s.contactPrevious[static_cast<size_t>(k)])
            if (ContactMatches(w, w.contacts[static_cast<size_t>(k)], kind, edge1Id, edge2Id)) return true;
        return false;
    }
    for (int32_t k = 1; k <= w.contactCount; ++k) {
        const Contact& c = w.contacts[static_cast<size_t>(k)];
        if (ps[c.vertex].id != vertexId) continue;
        if (ContactMatches(w, c, kind, edge1Id, edge2Id)) return true;
    }
    return false;
}

void CollideHalfSpaces(World& w) {
    RefreshDynamic(w);
    RunHalfSpaces(w);
}

void FindCollisionPairs(World& w) {
    RunFindPairs(w);
}

void CollideEntities(World& w) {
    RunCollideEntities(w);
}

void ApplyContactFriction(World& w) {
    RunFriction(w);
}
