// Liquid boxes, lights and the player finders: the parts of the catalogue that the level reader also uses.
#include <algorithm>

#include "common/text.h"
#include "world/builders.h"

constexpr int kLightImageBase = 100;

int32_t NewLiquidBox(World& w, Rng& rng, int32_t entity, double radius, int32_t count,
                     const std::string& kind) {
    if (w.liquidBoxCount >= kMaxLiquidBoxes || entity < 0 || entity > w.entityCount) {
        ++w.refusedCreations;
        return 0;
    }
    int32_t slot = ++w.liquidBoxCount;
    LiquidBox& box = w.liquidBoxes[static_cast<size_t>(slot)];
    box.particles.clear();
    box.radius = radius > 0 ? std::min(radius, kMaxLiquidRadius) : 0;
    box.container = entity;
    if (count > kMaxLiquidParticles) {
        ++w.refusedCreations; // the box is made with as many particles as it holds
        count = kMaxLiquidParticles;
    }
    if (count < 0) count = 0;
    int32_t held = 0;
    for (int32_t b = 1; b < slot; ++b)
        held += static_cast<int32_t>(w.liquidBoxes[static_cast<size_t>(b)].particles.size());
    if (count > kMaxWorldLiquidParticles - held) {
        ++w.refusedCreations;
        count = std::max(0, kMaxWorldLiquidParticles - held);
    }
    const Entity& e = w.entities[static_cast<size_t>(entity)];
    Vec2 centre{0, 0};
    int n = e.particlecount();
    for (int32_t p : e.particles) {
        centre.x += w.particles[static_cast<size_t>(p)].p.x / n;
        centre.y += w.particles[static_cast<size_t>(p)].p.y / n;
    }
    for (int32_t i = 0; i < count; ++i) {
        LiquidParticle lp;
        double px = Random(rng, 100) / 100.0;
        double py = Random(rng, 100) / 100.0;
        double ox = Random(rng, 100) / 100.0;
        double oy = Random(rng, 100) / 100.0;
        lp.p = {centre.x + px, centre.y + py};
        lp.oldp = {centre.x + ox, centre.y + oy};
        lp.a = w.sim.gravity;
        lp.type = kind;
        box.particles.push_back(lp);
    }
    return slot;
}

int AddLight(World& w, int32_t particle, double range, double rad, const std::string& image,
             int32_t ownerId) {
    if (particle <= 0) return 0;
    Light l;
    l.particle = particle;
    if (ownerId != 0) {
        int32_t owner = FindEntityById(w, ownerId);
        if (owner >= 0) {
            l.owner = owner;
            l.ownerId = ownerId;
        }
    }
    l.range = range;
    l.rad = rad;
    if (image == "blue")
        l.image = kLightImageBase + 2;
    else if (image == "red")
        l.image = kLightImageBase + 1;
    else if (image == "green")
        l.image = kLightImageBase;
    else if (image == "purple")
        l.image = kLightImageBase + 3;
    else
        l.image = ReadInt(image);
    l.uid = w.NewUid();
    w.lights.push_back(l);
    return 1;
}

namespace {

int FindPlayerOf(World& w, const char* type, PlayerDescriptor& d) {
    int32_t found = 0;
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        if (w.entities[static_cast<size_t>(i)].type == type) {
            found = i;
            w.players.push_back({i, 0.0f});
            d.listIndex = static_cast<int32_t>(w.players.size()) - 1;
        }
    }
    if (found == 0) return 0; // no such player: nothing to bind
    d.entity = found;
    const Entity& e = w.entities[static_cast<size_t>(found)];
    int32_t first = 0, second = 0;
    for (int32_t c = 1; c <= w.constraintCount && second == 0; ++c) {
        const Constraint& con = w.constraints[static_cast<size_t>(c)];
        if (con.parent != kWorldEntity) continue;
        if (w.particles[static_cast<size_t>(con.p1)].parent != found) continue;
        if (first == 0)
            first = c;
        else
            second = c;
    }
    if (first == 0 || second == 0 || e.particlecount() < 2) return 0;
    d.diagonal1 = first;
    d.diagonal2 = second;
    int32_t control = NewConstraint(w, kWorldEntity, e.particles[0], e.particles[1], 1.0f);
    if (control == 0) return 0;
    w.constraints[static_cast<size_t>(control)].e = 0;
    d.control = control;
    return 1;
}

} // namespace

int FindPlayer(World& w) {
    return FindPlayerOf(w, "player", w.playerDescriptors[0]);
}
int FindPlayer2(World& w) {
    return FindPlayerOf(w, "player2", w.playerDescriptors[1]);
}
