// Copy, cut and paste of bodies. The clipboard holds level-file text: the copied bodies written as a level of
// their own (with their particles and constraints, the joints between them, their liquids, lights and
// markers), so that it survives a load and pastes into any level, and text from elsewhere pastes when it
// reads as level records.
#include <algorithm>
#include <string>
#include <vector>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/names.h"
#include "gui/gui.h"
#include "level/files.h"
#include "level/level.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/builders.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

bool Live(const World& w, int32_t slot) {
    return slot >= 1 && slot <= w.entityCount && w.entities[static_cast<size_t>(slot)].id != 0;
}

bool IsControlConstraint(const World& w, int32_t c) {
    for (const PlayerDescriptor& d : w.playerDescriptors)
        if (d.control == c) return true;
    return false;
}

// The slots of the bodies of `w` with particles.
std::vector<int32_t> AllBodies(const World& w) {
    std::vector<int32_t> out;
    for (int32_t i = 1; i <= w.entityCount; ++i)
        if (Live(w, i) && !w.entities[static_cast<size_t>(i)].particles.empty()) out.push_back(i);
    return out;
}

Vec2 BoundsCentre(const World& w, const std::vector<int32_t>& slots) {
    bool first = true;
    Vec2 lo, hi;
    for (int32_t s : slots)
        for (int32_t p : w.entities[static_cast<size_t>(s)].particles) {
            const Vec2 v = w.particles[static_cast<size_t>(p)].p;
            if (first) lo = hi = v;
            first = false;
            lo.Set(std::min(lo.x, v.x), std::min(lo.y, v.y));
            hi.Set(std::max(hi.x, v.x), std::max(hi.y, v.y));
        }
    return (lo + hi) * 0.5;
}

std::string BodiesPhrase(size_t n) {
    return std::to_string(n) + (n == 1 ? " body" : " bodies");
}

} // namespace

bool CopyBodies(const World& from, const std::vector<int32_t>& slots, World& to, Rng& rng, Vec2 shift,
                std::vector<int32_t>* newIds) {
    std::vector<int32_t> slotOf(static_cast<size_t>(kTableSlots), -1); // entity slot in `from` -> in `to`
    std::vector<int32_t> bodies;
    for (int32_t s : slots)
        if (Live(from, s) && slotOf[static_cast<size_t>(s)] == -1) {
            slotOf[static_cast<size_t>(s)] = 0;
            bodies.push_back(s);
        }
    auto inside = [&](int32_t entitySlot) {
        return entitySlot >= 1 && entitySlot < kTableSlots && slotOf[static_cast<size_t>(entitySlot)] != -1;
    };
    auto particleInside = [&](int32_t p) {
        return p >= 1 && p <= from.particleCount && from.particles[static_cast<size_t>(p)].id != 0 &&
               inside(from.particles[static_cast<size_t>(p)].parent);
    };
    // Their constraints: a body's own, and those of the world between them (braces and joints), not a
    // player's control constraint.
    std::vector<int32_t> constraints;
    for (int32_t c = 1; c <= from.constraintCount; ++c) {
        const Constraint& k = from.constraints[static_cast<size_t>(c)];
        if (k.id == 0 || !particleInside(k.p1) || !particleInside(k.p2)) continue;
        if (!(inside(k.parent) || k.parent == kWorldEntity) || IsControlConstraint(from, c)) continue;
        constraints.push_back(c);
    }
    int particles = 0, liquids = 0;
    for (int32_t s : bodies) particles += from.entities[static_cast<size_t>(s)].particlecount();
    for (int32_t b = 1; b <= from.liquidBoxCount; ++b)
        liquids += inside(from.liquidBoxes[static_cast<size_t>(b)].container);
    if (!HasRoomFor(to, static_cast<int>(bodies.size()), particles, static_cast<int>(constraints.size())) ||
        to.liquidBoxCount + liquids > kMaxLiquidBoxes ||
        to.lights.size() + from.lights.size() > static_cast<size_t>(kMaxRecords) ||
        to.markers.size() + from.markers.size() > static_cast<size_t>(kMaxRecords))
        return false;

    std::vector<int32_t> particleOf(static_cast<size_t>(kTableSlots), 0);
    for (int32_t s : bodies) {
        const Entity& e = from.entities[static_cast<size_t>(s)];
        const int32_t n = NewEntity(to, e.m, e.f);
        to.entities[static_cast<size_t>(n)].type = e.type;
        slotOf[static_cast<size_t>(s)] = n;
        if (newIds) newIds->push_back(to.entities[static_cast<size_t>(n)].id);
        for (int32_t ps : e.particles) {
            const Particle& p = from.particles[static_cast<size_t>(ps)];
            const int32_t q = NewParticle(to, n, 0, 0);
            Particle& np = to.particles[static_cast<size_t>(q)];
            np.p = p.p + shift;
            np.oldp = p.oldp + shift;
            np.a = p.a;
            np.type = p.type;
            particleOf[static_cast<size_t>(ps)] = q;
        }
    }
    for (int32_t c : constraints) {
        const Constraint& k = from.constraints[static_cast<size_t>(c)];
        const int32_t owner = k.parent == kWorldEntity ? kWorldEntity : slotOf[static_cast<size_t>(k.parent)];
        const int32_t n = NewConstraint(to, owner, particleOf[static_cast<size_t>(k.p1)],
                                        particleOf[static_cast<size_t>(k.p2)], k.e);
        if (n != 0) to.constraints[static_cast<size_t>(n)].length = k.length;
    }
    const int32_t liquidBoxes = from.liquidBoxCount;
    for (int32_t b = 1; b <= liquidBoxes; ++b) {
        const LiquidBox& box = from.liquidBoxes[static_cast<size_t>(b)];
        if (!inside(box.container)) continue;
        const int32_t nb =
            NewLiquidBox(to, rng, slotOf[static_cast<size_t>(box.container)], box.radius, 0, "");
        if (nb == 0) continue;
        auto& liquid = to.liquidBoxes[static_cast<size_t>(nb)].particles;
        liquid = box.particles;
        for (LiquidParticle& lp : liquid) {
            lp.p += shift;
            lp.oldp += shift;
        }
    }
    // By index: `from` may be `to`, whose lists grow.
    const size_t lights = from.lights.size(), markers = from.markers.size();
    for (size_t i = 0; i < lights; ++i) {
        const Light l = from.lights[i];
        if (!inside(l.owner) || from.entities[static_cast<size_t>(l.owner)].id != l.ownerId) continue;
        Light n = l;
        n.owner = slotOf[static_cast<size_t>(l.owner)];
        n.ownerId = to.entities[static_cast<size_t>(n.owner)].id;
        const auto& owned = to.entities[static_cast<size_t>(n.owner)].particles;
        n.particle = owned.empty() ? 0 : owned[0];
        n.uid = to.NewUid();
        to.lights.push_back(n);
    }
    for (size_t i = 0; i < markers; ++i) {
        const Marker m = from.markers[i];
        if (!inside(m.entity) || from.entities[static_cast<size_t>(m.entity)].id != m.entityId) continue;
        Marker n = m;
        n.entity = slotOf[static_cast<size_t>(m.entity)];
        n.entityId = to.entities[static_cast<size_t>(n.entity)].id;
        n.uid = to.NewUid();
        to.markers.push_back(n);
    }
    UpdateEntityBounds(to);
    return true;
}

std::string BodiesText(const World& w, const std::vector<int32_t>& slots) {
    World clip;
    ResetWorld(clip);
    Rng rng; // the copy draws nothing the program's own sequence should see
    if (!CopyBodies(w, slots, clip, rng, {}, nullptr)) return {};
    return LevelText(clip, Camera{});
}

void CopyKey(const EditorScene& sc, Platform& plat, bool cut) {
    Editor& ed = sc.editor;
    const std::vector<int32_t> slots = ActedBodies(sc);
    if (slots.empty()) return SetStatus(ed, cut ? "nothing to cut." : "nothing to copy.");
    ed.clipboard = BodiesText(sc.world, slots);
    plat.SetClipboardText(ed.clipboard);
    const std::string what = slots.size() == 1
                                 ? KindWord(sc.world.entities[static_cast<size_t>(slots[0])].type)
                                 : BodiesPhrase(slots.size());
    if (!cut) return SetStatus(ed, "copied " + what + ".");
    if (!DeleteEntities(sc, plat, slots)) return;
    ed.selection.clear();
    ed.change = "cut " + what;
    SetStatus(ed, "cut " + what + ".");
}

void PasteKey(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    std::string text = plat.ClipboardText();
    if (text.empty()) text = ed.clipboard;
    if (text.empty()) return SetStatus(ed, "nothing pasted: the clipboard is empty.");
    World pasted;
    Camera cam;
    const LoadReport report = ReadLevelText(pasted, cam, sc.rng, text);
    const std::vector<int32_t> bodies = AllBodies(pasted);
    if (bodies.empty()) {
        SetStatus(ed, report.dropped > 0 ? "nothing pasted: the clipboard's level records hold no whole body."
                                         : "nothing pasted: the clipboard holds no level records of bodies.");
        return;
    }
    sc.host.waitForSave(sc.host.program); // nothing changes the world while a save runs
    const Vec2 shift = ed.pointerWorld - BoundsCentre(pasted, bodies);
    std::vector<int32_t> ids;
    if (!CopyBodies(pasted, bodies, sc.world, sc.rng, shift, &ids))
        return SetStatus(ed, "not enough room: nothing pasted.");
    ed.selection = ids;
    ed.change = "paste " + BodiesPhrase(ids.size());
    SetStatus(ed, "pasted " + BodiesPhrase(ids.size()) + ".");
}
