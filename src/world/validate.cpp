#include "world/validate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool Finite(const Vec2& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

class Checker {
public:
    explicit Checker(const World& w) : w_(w) {}

    bool Run() {
        Tables();
        Particles();
        Constraints();
        Entities();
        Liquids();
        Lists();
        Players();
        return fault_.empty();
    }
    const std::string& Fault() const { return fault_; }

private:
    void Check(bool ok, const char* what) {
        if (!ok && fault_.empty()) fault_ = what;
    }
    bool LiveEntity(int32_t slot) const {
        return slot >= 0 && slot <= w_.entityCount && w_.entities[static_cast<size_t>(slot)].id != 0;
    }
    bool LiveParticle(int32_t slot) const {
        return slot >= 1 && slot <= w_.particleCount && w_.particles[static_cast<size_t>(slot)].id != 0;
    }
    bool LiveConstraint(int32_t slot) const {
        return slot >= 1 && slot <= w_.constraintCount && w_.constraints[static_cast<size_t>(slot)].id != 0;
    }

    void Tables() {
        Check(w_.particles.size() == kTableSlots && w_.constraints.size() == kTableSlots &&
                  w_.entities.size() == kTableSlots && w_.contacts.size() == kTableSlots &&
                  w_.liquidBoxes.size() == kLiquidBoxSlots,
              "table sizes");
        if (!fault_.empty()) return;
        Check(w_.particleCount >= 0 && w_.particleCount <= kMaxRecords, "particle count");
        Check(w_.constraintCount >= 0 && w_.constraintCount <= kMaxRecords, "constraint count");
        Check(w_.entityCount >= 0 && w_.entityCount <= kMaxRecords, "entity count");
        Check(w_.contactCount >= 0 && w_.contactCount <= kMaxRecords, "contact count");
        if (!fault_.empty()) return;
        Check(w_.particles[static_cast<size_t>(w_.particleCount) + 1].id == 0, "particle table end");
        Check(w_.constraints[static_cast<size_t>(w_.constraintCount) + 1].id == 0, "constraint table end");
        Check(w_.entities[static_cast<size_t>(w_.entityCount) + 1].id == 0, "entity table end");
        Check(w_.entities[kWorldEntity].id == 1, "world entity");
        Check(w_.nextEntityId > 1, "entity id counter");
    }

    void Particles() {
        for (int32_t i = 1; i <= w_.particleCount && fault_.empty(); ++i) {
            const Particle& p = w_.particles[static_cast<size_t>(i)];
            Check(p.id > 0 && p.id < w_.nextParticleId, "particle id");
            Check(LiveEntity(p.parent), "particle parent");
            Check(Finite(p.p) && Finite(p.oldp) && Finite(p.a), "particle position not finite");
        }
    }

    void Constraints() {
        for (int32_t i = 1; i <= w_.constraintCount && fault_.empty(); ++i) {
            const Constraint& c = w_.constraints[static_cast<size_t>(i)];
            Check(c.id > 0, "constraint id"); // a level's constraint ids do not raise the counter
            Check(LiveParticle(c.p1) && LiveParticle(c.p2), "constraint ends");
            Check(c.p1 != c.p2, "constraint to itself");
            Check(LiveEntity(c.parent), "constraint parent");
            Check(std::isfinite(c.e) && std::isfinite(c.length) && c.length >= 0, "constraint values");
        }
    }

    void Entities() {
        for (int32_t i = 1; i <= w_.entityCount && fault_.empty(); ++i) {
            const Entity& e = w_.entities[static_cast<size_t>(i)];
            Check(e.id > 0 && e.id < w_.nextEntityId, "entity id");
            Check(std::isfinite(e.m) && std::isfinite(e.f) && e.m >= 0, "entity values");
            Check(e.particlecount() <= kMaxEntityParticles && e.constraintcount() <= kMaxEntityConstraints,
                  "entity lists");
            for (int32_t p : e.particles)
                Check(LiveParticle(p) && w_.particles[static_cast<size_t>(p)].parent == i, "entity particle");
            for (int32_t c : e.constraints) Check(LiveConstraint(c), "entity constraint");
        }
    }

    void Liquids() {
        Check(w_.liquidBoxCount >= 0 && w_.liquidBoxCount <= kMaxLiquidBoxes, "liquid box count");
        for (int32_t i = 1; i <= w_.liquidBoxCount && fault_.empty(); ++i) {
            const LiquidBox& b = w_.liquidBoxes[static_cast<size_t>(i)];
            Check(b.container >= 1 && LiveEntity(b.container), "liquid container");
            Check(b.particles.size() <= static_cast<size_t>(kMaxLiquidParticles), "liquid particles");
            for (const LiquidParticle& lp : b.particles)
                Check(Finite(lp.p) && Finite(lp.oldp), "liquid position not finite");
        }
    }

    void Lists() {
        for (const HalfSpace& h : w_.halfSpaces)
            Check(Finite(h.p) && Finite(h.normal) && (h.normal.x != 0 || h.normal.y != 0), "half-space");
        for (const WaterSpace& s : w_.waterSpaces)
            Check(Finite(s.p) && Finite(s.normal) && (s.normal.x != 0 || s.normal.y != 0) && Finite(s.a) &&
                      std::isfinite(s.xf),
                  "water space");
        for (const Portal& p : w_.portals) {
            bool target = p.connected == 0;
            for (const Portal& q : w_.portals) target = target || q.uid == p.connected;
            Check(target, "portal connection");
        }
        // Markers and lights check their entity before use; the id they keep tells a stale slot.
        for (const Marker& m : w_.markers) Check(m.entity >= 0 && m.entity < kTableSlots, "marker entity");
        for (const Light& l : w_.lights)
            Check(l.owner >= -1 && l.owner < kTableSlots && l.particle >= 0 && l.particle < kTableSlots,
                  "light owner");
        Check(w_.halfSpaces.size() <= kMaxRecords && w_.waterSpaces.size() <= kMaxRecords &&
                  w_.portals.size() <= kMaxRecords && w_.regions.size() <= kMaxRecords &&
                  w_.markers.size() <= kMaxRecords && w_.lights.size() <= kMaxRecords,
              "list sizes");
        Check(w_.triggers.size() <= kMaxRecords && w_.notices.size() <= 1000, "trigger and notice lists");
        Check(w_.currentTrigger >= -1 && w_.currentTrigger < static_cast<int32_t>(w_.triggers.size()),
              "current trigger");
    }

    void Players() {
        for (const PlayerDescriptor& d : w_.playerDescriptors) {
            Check(d.entity >= 0 && d.entity < kTableSlots, "player entity");
            Check(d.control >= 0 && d.control < kTableSlots, "player control");
        }
    }

    const World& w_;
    std::string fault_;
};

} // namespace

bool ValidateWorld(const World& w, std::string* why) {
    Checker c(w);
    bool ok = c.Run();
    if (!ok && why) *why = c.Fault();
    return ok;
}

void AssertWorldSound([[maybe_unused]] const World& w, [[maybe_unused]] const char* after) {
#ifdef TUMBLEBOX_CHECK_WORLD
    std::string why;
    if (ValidateWorld(w, &why)) return;
    std::fprintf(stderr, "tumblebox: broken world %s: %s\n", after, why.c_str());
    std::abort();
#endif
}
