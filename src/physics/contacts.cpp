// The contact table: recording contacts and finding whether one was already recorded in this step.
//
// The search for an earlier contact of the same vertex scans the table as written outside a step and in
// the plain path. Within a step the fast path keeps an index from the vertex to its contacts: by particle
// slot when the particle ids rise with the slots (every world the builders and the loader make), else by
// particle id through a small hash table. Either answers exactly what the scan answers.
#include <algorithm>
#include <climits>

#include "physics/internal.h"
#include "physics/physics.h"

namespace physics_internal {
namespace {

constexpr size_t kContactHashSize = 1u << 15; // more than twice the contact slots

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

// Newest contact of the vertex `slot` (0 none), and where to store a newer one.
int32_t& ContactHead(PhysicsScratch& s, const World& w, int32_t slot, bool& fresh) {
    if (s.contactIndexBySlot) {
        const size_t k = static_cast<size_t>(slot);
        fresh = s.contactSlotStamp[k] != s.contactIndexStamp;
        if (fresh) {
            s.contactSlotStamp[k] = s.contactIndexStamp;
            s.contactSlotHead[k] = 0;
        }
        return s.contactSlotHead[k];
    }
    const int32_t id = w.particles[static_cast<size_t>(slot)].id;
    const size_t h = ContactHashSlot(s, id);
    fresh = s.contactHashStamp[h] != s.contactIndexStamp;
    if (fresh) {
        s.contactHashStamp[h] = s.contactIndexStamp;
        s.contactHashId[h] = id;
        s.contactHashHead[h] = 0;
    }
    return s.contactHashHead[h];
}

int32_t FindContactHead(const PhysicsScratch& s, const World& w, int32_t slot) {
    if (s.contactIndexBySlot) {
        const size_t k = static_cast<size_t>(slot);
        return s.contactSlotStamp[k] == s.contactIndexStamp ? s.contactSlotHead[k] : 0;
    }
    const size_t h = ContactHashSlot(s, w.particles[static_cast<size_t>(slot)].id);
    return s.contactHashStamp[h] == s.contactIndexStamp ? s.contactHashHead[h] : 0;
}

// Adds contact `slot` to the index. A slot that does not follow the indexed ones means that the table was
// written behind the index's back; the index then retires for the rest of the step.
void IndexContact(World& w, PhysicsScratch& s, int32_t slot) {
    if (!s.contactIndexLive) return;
    if (slot != s.contactIndexCount + 1) {
        s.contactIndexLive = false;
        return;
    }
    bool fresh = false;
    int32_t& head = ContactHead(s, w, w.contacts[static_cast<size_t>(slot)].vertex, fresh);
    s.contactPrevious[static_cast<size_t>(slot)] = head;
    head = slot;
    s.contactIndexCount = slot;
}

bool ContactMatches(const World& w, const Contact& c, int16_t kind, int32_t edge1Id, int32_t edge2Id) {
    if (c.kind == 2 || kind == 2) return true;
    const int32_t existing = w.particles[static_cast<size_t>(c.edge1)].id;
    return existing == edge1Id || existing == edge2Id;
}

} // namespace

void OpenContactIndex(World& w, PhysicsScratch& s) {
    s.contactIndexLive = false;
    s.frictionCached = 0;
    if (s.reference) return;
    const size_t slots = static_cast<size_t>(kTableSlots);
    if (s.contactPrevious.size() != slots) {
        s.contactHashId.assign(kContactHashSize, 0);
        s.contactHashHead.assign(kContactHashSize, 0);
        s.contactHashStamp.assign(kContactHashSize, 0);
        s.contactSlotHead.assign(slots, 0);
        s.contactSlotStamp.assign(slots, 0);
        s.contactPrevious.assign(slots, 0);
        s.contactIndexStamp = 0;
    }
    if (++s.contactIndexStamp == 0) { // after 2^32 steps: forget every old entry at once
        std::fill(s.contactHashStamp.begin(), s.contactHashStamp.end(), 0u);
        std::fill(s.contactSlotStamp.begin(), s.contactSlotStamp.end(), 0u);
        s.contactIndexStamp = 1;
    }
    // Ids that rise with the slots are unique, so a vertex's slot stands for its id.
    bool rising = true;
    for (int32_t i = 2; i <= w.particleCount && rising; ++i)
        rising = w.particles[static_cast<size_t>(i)].id > w.particles[static_cast<size_t>(i - 1)].id;
    s.contactIndexBySlot = rising && !s.contactIndexById;
    s.contactIndexLive = true;
    s.contactIndexCount = 0;
    for (int32_t slot = 1; slot <= w.contactCount && s.contactIndexLive; ++slot) IndexContact(w, s, slot);
}

void CloseContactIndex(PhysicsScratch& s) {
    s.contactIndexLive = false;
    s.frictionCached = 0;
}

} // namespace physics_internal

using namespace physics_internal;

int32_t RecordContact(World& w, PhysicsScratch& s, int32_t edge1, int32_t edge2, int32_t vertex,
                      const Vec2& push) {
    // At most 9999 live contacts: the slot after the last one must stay free for the recount.
    if (w.contactCount >= kMaxRecords) return 0;
    const int32_t slot = w.contactCount + 1;
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
    IndexContact(w, s, slot);
    return slot;
}

bool ContactRecorded(const World& w, const PhysicsScratch& s, int16_t kind, int32_t edge1, int32_t edge2,
                     int32_t vertex) {
    const Particle* ps = w.particles.data();
    const int32_t vertexId = ps[vertex].id;
    const int32_t edge1Id = ps[edge1].id;
    const int32_t edge2Id = ps[edge2].id;
    if (s.contactIndexLive && s.contactIndexCount == w.contactCount) {
        for (int32_t k = FindContactHead(s, w, vertex); k != 0; k = s.contactPrevious[static_cast<size_t>(k)])
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
