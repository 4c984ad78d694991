#include "world/world.h"

#include <algorithm>

World::World()
    : particles(kTableSlots), constraints(kTableSlots), entities(kTableSlots), contacts(kTableSlots),
      liquidBoxes(kLiquidBoxSlots) {
    entities[kWorldEntity].id = 1;
    entities[kWorldEntity].m = 1;
}

int32_t NewParticle(World& w, int32_t entity, float x, float y) {
    int32_t slot = w.particleCount + 1;
    Entity& owner = w.entities[static_cast<size_t>(entity)];
    bool listed = owner.id != 1;
    if (slot > kMaxRecords || (listed && owner.particlecount() >= kMaxEntityParticles)) {
        ++w.refusedCreations;
        return 0;
    }
    Particle& p = w.particles[static_cast<size_t>(slot)];
    p.p.Set(x, y);
    p.oldp.Set(x, y);
    p.id = w.nextParticleId++;
    p.parent = entity;
    p.type = 0;
    p.contact = 0;
    if (listed) owner.particles.push_back(slot);
    w.particleCount = slot;
    p.a = w.sim.gravity;
    return slot;
}

int32_t NewConstraint(World& w, int32_t entity, int32_t p1, int32_t p2, float e) {
    if (w.particles[static_cast<size_t>(p1)].id == w.particles[static_cast<size_t>(p2)].id) return 0;
    int32_t slot = w.constraintCount + 1;
    Entity& owner = w.entities[static_cast<size_t>(entity)];
    bool listed = owner.id != 1;
    if (slot > kMaxRecords || (listed && owner.constraintcount() >= kMaxEntityConstraints)) {
        ++w.refusedCreations;
        return 0;
    }
    Constraint& c = w.constraints[static_cast<size_t>(slot)];
    c.p1 = p1;
    c.p2 = p2;
    Vec2 d = w.particles[static_cast<size_t>(p2)].p - w.particles[static_cast<size_t>(p1)].p;
    c.length = static_cast<float>(d.Length());
    c.e = e;
    c.id = w.nextConstraintId++;
    c.parent = entity;
    if (listed) owner.constraints.push_back(slot);
    w.constraintCount = slot;
    return slot;
}

int32_t NewEntity(World& w, float m, float f) {
    int32_t slot = w.entityCount + 1;
    if (slot > kMaxRecords) {
        ++w.refusedCreations;
        return 0;
    }
    Entity& e = w.entities[static_cast<size_t>(slot)];
    e.particles.clear();
    e.constraints.clear();
    e.center = {};
    e.bmin = {};
    e.bmax = {};
    e.type.clear();
    e.portalPasses = 0;
    e.m = m;
    e.f = f;
    e.id = w.nextEntityId++;
    w.entityCount = slot;
    return slot;
}

int32_t FindParticleById(const World& w, int32_t id) {
    for (int32_t i = 1; i <= w.particleCount; ++i)
        if (w.particles[static_cast<size_t>(i)].id == id) return i;
    return 0;
}

int32_t FindEntityById(const World& w, int32_t id) {
    for (int32_t i = 0; i <= w.entityCount; ++i)
        if (w.entities[static_cast<size_t>(i)].id == id) return i;
    return -1;
}

namespace {
template <typename T, typename Live> int32_t CountLive(const std::vector<T>& table, Live live) {
    int32_t i = 1;
    while (i < static_cast<int32_t>(table.size()) && live(table[static_cast<size_t>(i)])) ++i;
    return i - 1;
}
} // namespace

void RecountTables(World& w) {
    w.particleCount = CountLive(w.particles, [](const Particle& p) { return p.id != 0; });
    w.constraintCount = CountLive(w.constraints, [](const Constraint& c) { return c.id != 0; });
    w.entityCount = CountLive(w.entities, [](const Entity& e) { return e.id != 0; });
    w.contactCount = CountLive(w.contacts, [](const Contact& c) { return c.serial != 0; });
}

void ResetWorld(World& w) {
    ++w.resets;
    w.players.clear();
    w.halfSpaces.clear();
    w.waterSpaces.clear();
    w.regions.clear();
    w.triggers.clear();
    w.currentTrigger = -1;
    w.nextTriggerId = 0;
    w.tips.clear();
    w.notices.clear(); // the messages of the world that was
    w.timers.clear();
    w.variables.clear();
    w.markers.clear();
    w.portals.clear();
    w.waterContacts.clear();
    w.collisionPairs.clear();

    // Every slot, not only 1..count: a record whose id was set to 0 ends a table early, and the records
    // beyond it must not come back to life when the table refills.
    for (auto& p : w.particles) p.id = 0;
    for (auto& c : w.constraints) c.id = 0;
    for (size_t i = 0; i < w.entities.size(); ++i) {
        Entity& e = w.entities[i];
        if (e.id == 0 && e.particles.empty() && e.constraints.empty()) continue;
        if (i > 0) e.id = 0;
        e.particles.clear();
        e.constraints.clear();
    }
    for (auto& c : w.contacts) c.serial = 0;
    RecountTables(w);

    w.nextParticleId = 1;
    w.nextConstraintId = 1;
    w.nextEntityId = 2;
    w.contactSerial = 1;

    Entity& world = w.entities[kWorldEntity];
    world.m = 1;
    world.f = 0;
    world.id = 1;
    world.type.clear();

    for (int32_t i = 1; i <= w.liquidBoxCount; ++i) {
        w.liquidBoxes[static_cast<size_t>(i)].particles.clear();
        w.liquidBoxes[static_cast<size_t>(i)].container = -1;
    }
    w.liquidBoxCount = 0;
    w.lights.clear();
    w.playerDescriptors = {};
}

void UpdateEntityBounds(World& w) {
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        Entity& e = w.entities[static_cast<size_t>(i)];
        int n = e.particlecount();
        if (n == 0) continue;
        Vec2 c{0, 0};
        const Vec2& first = w.particles[static_cast<size_t>(e.particles[0])].p;
        Vec2 lo = first, hi = first;
        for (int32_t slot : e.particles) {
            const Vec2& p = w.particles[static_cast<size_t>(slot)].p;
            c.x += p.x / n;
            c.y += p.y / n;
            lo.x = std::min(lo.x, p.x);
            lo.y = std::min(lo.y, p.y);
            hi.x = std::max(hi.x, p.x);
            hi.y = std::max(hi.y, p.y);
        }
        e.center = c;
        e.bmin = lo;
        e.bmax = hi;
    }
}

bool HasRoomFor(const World& w, int entities, int particles, int constraints) {
    return w.entityCount + entities <= kMaxRecords && w.particleCount + particles <= kMaxRecords &&
           w.constraintCount + constraints <= kMaxRecords;
}

HalfSpace& NewHalfSpace(World& w, int32_t px, int32_t py, float vx, float vy) {
    HalfSpace h;
    h.p.Set(px, py);
    h.v.Set(vx, vy);
    h.normal.Set(vy, -vx);
    h.normal.Normalise();
    h.uid = w.NewUid();
    w.halfSpaces.push_back(h);
    return w.halfSpaces.back();
}

WaterSpace& NewWaterSpace(World& w, int32_t px, int32_t py, float vx, float vy, float xf) {
    WaterSpace s;
    s.p.Set(px, py);
    s.v.Set(vx, vy);
    s.normal.Set(vy, -vx);
    s.normal.Normalise();
    s.xf = xf;
    s.uid = w.NewUid();
    w.waterSpaces.push_back(s);
    return w.waterSpaces.back();
}

Portal& NewPortal(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Portal p;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.id = w.nextPortalId++;
    p.uid = w.NewUid();
    w.portals.push_back(p);
    return w.portals.back();
}

Portal* FindPortalByUid(World& w, uint32_t uid) {
    if (uid == 0) return nullptr;
    for (auto& p : w.portals)
        if (p.uid == uid) return &p;
    return nullptr;
}

Portal* FindPortalById(World& w, int32_t id) {
    for (auto& p : w.portals)
        if (p.id == id) return &p;
    return nullptr;
}

Region& NewRegion(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Region r;
    r.minx = std::min(x1, x2);
    r.maxx = std::max(x1, x2);
    r.miny = std::min(y1, y2);
    r.maxy = std::max(y1, y2);
    r.id = w.nextRegionId++;
    r.uid = w.NewUid();
    w.regions.push_back(r);
    return w.regions.back();
}

Vec2 LightPosition(const World& w, const Light& l) {
    if (l.owner >= 0 && l.owner <= w.entityCount && w.entities[static_cast<size_t>(l.owner)].id == l.ownerId)
        return w.entities[static_cast<size_t>(l.owner)].center;
    if (l.particle > 0 && l.particle <= w.particleCount)
        return w.particles[static_cast<size_t>(l.particle)].p;
    return {};
}
