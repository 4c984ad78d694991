// What the editor's keys do: duplicate (Ctrl+D), the grid (G), and the camera (Home, arrows). The keys
// themselves are bound in the key table (editor/keymap.h).
#include <cmath>
#include <unordered_map>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/names.h"
#include "gui/gui.h"
#include "world/builders.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

constexpr double kCopyOffset = 20; // a copy lands this far right and down

} // namespace

void PanKeys(Camera& cam, const InputState& in) {
    const double step = (cam.zoom + 1) * 10;
    if (in.down[Key::Left]) cam.x -= step;
    if (in.down[Key::Right]) cam.x += step;
    if (in.down[Key::Up]) cam.y -= step;
    if (in.down[Key::Down]) cam.y += step;
}

Vec2 SnapToGrid(Vec2 v) {
    return {std::round(v.x / kGridStep) * kGridStep, std::round(v.y / kGridStep) * kGridStep};
}

int32_t DuplicateBody(World& w, Rng& rng, Editor& ed, int32_t src) {
    if (src < 1 || src > w.entityCount || w.entities[static_cast<size_t>(src)].id == 0) return 0;
    const Entity& from = w.entities[static_cast<size_t>(src)];
    // Braces the world entity owns inside the body (a box's diagonals) come along; joints to other bodies,
    // and a player's control constraint, do not.
    std::vector<int32_t> braces;
    for (int32_t c = 1; c <= w.constraintCount; ++c) {
        const Constraint& k = w.constraints[static_cast<size_t>(c)];
        if (k.id == 0 || k.parent != kWorldEntity) continue;
        if (w.particles[static_cast<size_t>(k.p1)].parent != src ||
            w.particles[static_cast<size_t>(k.p2)].parent != src)
            continue;
        bool control = false;
        for (const PlayerDescriptor& d : w.playerDescriptors) control |= d.control == c;
        if (!control) braces.push_back(c);
    }
    const int particles = from.particlecount();
    const int constraints = from.constraintcount() + static_cast<int>(braces.size());
    if (!HasRoomFor(w, 1, particles, constraints)) {
        ++w.refusedCreations;
        SetStatus(ed, "the world is full: nothing placed.");
        return 0;
    }
    const Vec2 shift{kCopyOffset, kCopyOffset};
    const int32_t copy = NewEntity(w, from.m, from.f);
    if (copy == 0) return 0;
    // `from` stays valid: the tables never move.
    w.entities[static_cast<size_t>(copy)].type = from.type;
    std::unordered_map<int32_t, int32_t> slotOf;
    for (int32_t ps : from.particles) {
        const Particle& p = w.particles[static_cast<size_t>(ps)];
        int32_t n = NewParticle(w, copy, 0, 0);
        Particle& q = w.particles[static_cast<size_t>(n)];
        q.p = p.p + shift;
        q.oldp = p.oldp + shift;
        q.a = p.a;
        q.type = p.type;
        slotOf[ps] = n;
    }
    auto copyConstraint = [&](int32_t owner, int32_t c) {
        const Constraint k = w.constraints[static_cast<size_t>(c)];
        int32_t n = NewConstraint(w, owner, slotOf[k.p1], slotOf[k.p2], k.e);
        if (n != 0) w.constraints[static_cast<size_t>(n)].length = k.length;
    };
    for (int32_t c : std::vector<int32_t>(from.constraints)) copyConstraint(copy, c);
    for (int32_t c : braces) copyConstraint(kWorldEntity, c);

    // Its liquid, particle for particle, and its lights.
    for (int32_t b = 1; b <= w.liquidBoxCount; ++b) {
        if (w.liquidBoxes[static_cast<size_t>(b)].container != src) continue;
        int32_t nb = NewLiquidBox(w, rng, copy, w.liquidBoxes[static_cast<size_t>(b)].radius, 0, "");
        if (nb == 0) break;
        auto& liquid = w.liquidBoxes[static_cast<size_t>(nb)].particles;
        liquid = w.liquidBoxes[static_cast<size_t>(b)].particles;
        for (LiquidParticle& lp : liquid) {
            lp.p += shift;
            lp.oldp += shift;
        }
    }
    const int32_t srcId = w.entities[static_cast<size_t>(src)].id;
    const size_t lights = w.lights.size();
    for (size_t i = 0; i < lights; ++i) {
        if (w.lights[i].ownerId != srcId || w.lights[i].owner < 0) continue;
        Light l = w.lights[i];
        l.owner = copy;
        l.ownerId = w.entities[static_cast<size_t>(copy)].id;
        l.particle = w.entities[static_cast<size_t>(copy)].particles[0];
        l.uid = w.NewUid();
        w.lights.push_back(l);
    }
    UpdateEntityBounds(w);
    return copy;
}

void GridKey(Editor& ed) {
    ed.grid = !ed.grid;
    SetStatus(ed, ed.grid ? "grid on: placements snap to it." : "grid off.");
}

namespace {

// Ctrl+D with a selection: every selected body is copied, with the joints between them, or none when the
// tables cannot hold them all; the copies become the selection.
void DuplicateSelection(Editor& ed, World& w, Rng& rng, const std::vector<int32_t>& slots) {
    std::vector<int32_t> copies;
    if (!CopyBodies(w, slots, w, rng, {kCopyOffset, kCopyOffset}, &copies))
        return SetStatus(ed, "not enough room: nothing duplicated.");
    const std::string what = std::to_string(copies.size()) + (copies.size() == 1 ? " body" : " bodies");
    ed.selection = copies;
    SetStatus(ed, what + " duplicated.");
    ed.change = "duplicate " + what;
}

} // namespace

bool DuplicateWanted(const Editor& ed, const World& w, const Gui& gui) {
    if (!SelectedSlots(w, ed.selection).empty()) return true;
    return !WindowHovered(gui) && BodyAt(w, ed.mouseWorld) != 0;
}

void DuplicateKey(Editor& ed, World& w, Rng& rng, const Gui& gui) {
    const std::vector<int32_t> selected = SelectedSlots(w, ed.selection);
    if (!selected.empty()) return DuplicateSelection(ed, w, rng, selected);
    if (WindowHovered(gui)) return;
    const int32_t body = BodyAt(w, ed.mouseWorld);
    if (body == 0) return;
    const std::string& type = w.entities[static_cast<size_t>(body)].type;
    const std::string kind = KindName(type), word = KindWord(type);
    if (DuplicateBody(w, rng, ed, body) != 0) {
        SetStatus(ed, kind + " duplicated.");
        ed.change = "duplicate " + word;
    }
}

void HomeKey(Camera& cam, const Editor& ed, double screenWidth) {
    cam.x = ed.home.x;
    cam.y = ed.home.y;
    cam.zoom = ClampZoom(1 - screenWidth / 1280.0); // as at start: 1:1 on 1280 pixels
}
