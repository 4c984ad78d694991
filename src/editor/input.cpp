// The editor's per-frame mouse and keyboard handling: toolbar drag, zoom, the mouse's world position,
// selection, dragging bodies, the tools, Delete, Space, F1 and edge scrolling.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "common/random.h"
#include "common/text.h"
#include "editor/editor.h"
#include "editor/names.h"
#include "editor/tools.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

// The particle nearest to a world point: the search starts at slot 1 and a later slot wins a tie, so with no
// particles it is the empty slot 1.
int32_t NearestParticle(const World& w, Vec2 m) {
    int32_t best = 1;
    double bestDistance = 0;
    for (int32_t i = 1; i <= w.particleCount; ++i) {
        Vec2 d = w.particles[static_cast<size_t>(i)].p - m;
        double distance = d.x * d.x + d.y * d.y;
        if (i == 1 || distance <= bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

double Cross(Vec2 o, Vec2 a, Vec2 b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// True when `m` lies strictly inside the outline of a body: the convex hull of its particles.
bool InsideOutline(const World& w, const Entity& e, Vec2 m) {
    if (e.particles.size() < 3 || m.x < e.bmin.x || m.x > e.bmax.x || m.y < e.bmin.y || m.y > e.bmax.y)
        return false;
    std::vector<Vec2> pts;
    pts.reserve(e.particles.size());
    for (int32_t s : e.particles)
        if (s >= 1 && s <= w.particleCount) pts.push_back(w.particles[static_cast<size_t>(s)].p);
    const std::vector<Vec2> hull = ConvexHull(std::move(pts));
    if (hull.size() < 3) return false; // no area
    for (size_t i = 0; i < hull.size(); ++i)
        if (Cross(hull[i], hull[(i + 1) % hull.size()], m) <= 0) return false;
    return true;
}

// The particle the mouse picks: inside the outline of a body the nearest of that body's particles;
// elsewhere the nearest particle of all.
int32_t ParticleUnderMouse(const World& w, Vec2 m) {
    const int32_t body = BodyAt(w, m);
    if (body == 0) return NearestParticle(w, m);
    int32_t best = 0;
    double bestDistance = 0;
    for (int32_t s : w.entities[static_cast<size_t>(body)].particles) {
        if (s < 1 || s > w.particleCount) continue;
        Vec2 d = w.particles[static_cast<size_t>(s)].p - m;
        double distance = d.x * d.x + d.y * d.y;
        if (best == 0 || distance <= bestDistance) {
            best = s;
            bestDistance = distance;
        }
    }
    return best != 0 ? best : NearestParticle(w, m);
}

} // namespace

int32_t BodyAt(const World& w, Vec2 m) {
    for (int32_t i = std::min(w.entityCount, static_cast<int32_t>(w.entities.size()) - 1); i >= 1; --i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        if (e.id != 0 && InsideOutline(w, e, m)) return i;
    }
    return 0;
}

namespace {

void DragToolbar(Editor& ed, const InputState& in, int W, int H, int dx, int dy) {
    bool onEdge = in.mouseX <= 0 || in.mouseX >= W - 1 || in.mouseY <= 0 || in.mouseY >= H - 1;
    if (!ed.overToolbar || !in.right || !in.down[Key::LeftControl] || onEdge || (dx == 0 && dy == 0)) return;
    for (ToolbarButton& b : ed.toolbar) {
        b.x = static_cast<int16_t>(b.x + dx);
        b.y = static_cast<int16_t>(b.y + dy);
    }
    for (EditorLabel& l : ed.labels) {
        l.x = static_cast<int16_t>(l.x + dx);
        l.y = static_cast<int16_t>(l.y + dy);
    }
    for (TextField& t : ed.textFields) {
        t.x = static_cast<int16_t>(t.x + dx);
        t.y = static_cast<int16_t>(t.y + dy);
    }
}

// Right drag: while paused (or with Left Shift) the whole body moves with the mouse and keeps no speed;
// while running the selected particle follows the mouse, and a static body's particle gains no speed.
void RightDrag(const EditorScene& sc) {
    Editor& ed = sc.editor;
    World& w = sc.world;
    const InputState& in = sc.shell.input;
    if (!in.right) { // the drag is over
        ed.dragLetGo = false;
        ed.dragEntityId = 0;
    }
    if (!in.right || w.particleCount < 1 || in.down[Key::LeftControl] || WindowHovered(sc.gui)) return;
    if (sc.shell.saving) return; // nothing changes the world while a save runs
    const int32_t s = ed.selected;
    if (s < 1 || s > w.particleCount || w.particles[static_cast<size_t>(s)].id == 0) return;
    Particle& sp = w.particles[static_cast<size_t>(s)];
    const Entity& owner = w.entities[static_cast<size_t>(sp.parent)];
    if (sc.shell.paused || in.down[Key::LeftShift]) {
        const Vec2 d = ed.mouseWorldDelta;
        if (d.x == 0 && d.y == 0) return;
        // Moving a body of a paused world is editing; with the world running it is play.
        if (sc.shell.paused)
            ed.change = "move " + (owner.id == 1 ? std::string("particle") : KindWord(owner.type));
        if (owner.id == 1) { // a free particle: the world entity lists none
            sp.p += d;
            sp.oldp += d;
            return;
        }
        // A selected body of a paused world takes the whole selection with it.
        if (sc.shell.paused && IsSelected(ed, owner.id)) {
            const std::vector<int32_t> slots = SelectedSlots(w, ed.selection);
            if (slots.size() > 1) ed.change = "move " + std::to_string(slots.size()) + " bodies";
            MoveBodies(w, slots, d);
            return;
        }
        MoveBodies(w, {sp.parent}, d);
    } else {
        // A body that passes a portal is let go: pulled back by one particle it would turn inside out.
        if (ed.dragLetGo) return;
        if (ed.dragEntityId == owner.id && owner.portalPasses != ed.dragPortalPasses) {
            ed.dragLetGo = true;
            return;
        }
        ed.dragEntityId = owner.id;
        ed.dragPortalPasses = owner.portalPasses;
        sp.p = ed.mouseWorld;
        if (owner.m == 0) sp.oldp = ed.mouseWorld;
    }
}

void EdgeScroll(const EditorScene& sc, int W, int H) {
    const InputState& in = sc.shell.input;
    Camera& cam = sc.camera;
    const double step = (cam.zoom + 1) * 10;
    if (in.mouseX <= 0) cam.x -= step;
    if (in.mouseX >= W - 1) cam.x += step;
    if (in.mouseY <= 0) cam.y -= step;
    if (in.mouseY >= H - 1) cam.y += step;
}

// What the tools can make: a placement or a bind changes at least one of these.
struct WorldMakings {
    int32_t entities, particles, constraints, liquidBoxes;
    int32_t nextEntity, nextParticle, nextConstraint, nextPortal, nextRegion;
    uint32_t nextUid;
    size_t halfSpaces, waterSpaces, portals, regions, markers, lights;
    bool operator==(const WorldMakings&) const = default;
};

WorldMakings Makings(const World& w) {
    return {w.entityCount,    w.particleCount,  w.constraintCount,   w.liquidBoxCount,
            w.nextEntityId,   w.nextParticleId, w.nextConstraintId,  w.nextPortalId,
            w.nextRegionId,   w.nextUid,        w.halfSpaces.size(), w.waterSpaces.size(),
            w.portals.size(), w.regions.size(), w.markers.size(),    w.lights.size()};
}

std::string ToolChange(const std::string& tool) {
    if (tool == "Bind") return "bind";
    return "place " + ToLower(ToolName(tool));
}

} // namespace

void DeleteKey(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    World& w = sc.world;
    if (ed.currentTool == "HalfSpace" || ed.currentTool == "Region") {
        if (WindowHovered(sc.gui)) return; // the mouse is not in the world
        int i = ed.currentTool == "HalfSpace" ? HalfSpaceAt(sc, ed.mouseWorld) : RegionAt(sc, ed.mouseWorld);
        if (i < 0) return;
        sc.host.waitForSave(sc.host.program);
        if (ed.currentTool == "HalfSpace")
            w.halfSpaces.erase(w.halfSpaces.begin() + i);
        else
            w.regions.erase(w.regions.begin() + i);
        ed.change = ed.currentTool == "HalfSpace" ? "delete half-space" : "delete region";
        return;
    }
    if (!ed.selection.empty()) {
        DeleteEntities(sc, plat, SelectedSlots(w, ed.selection));
        ed.selection.clear();
        return;
    }
    const int32_t s = ed.selected;
    if (s < 1 || s > w.particleCount || w.particles[static_cast<size_t>(s)].id == 0) return;
    const int32_t parent = w.particles[static_cast<size_t>(s)].parent;
    if (w.entities[static_cast<size_t>(parent)].id == 1)
        DeleteFreeParticle(sc, plat, s);
    else
        DeleteEntity(sc, plat, parent);
}

void EditorInput(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    const EditorShell& sh = sc.shell;
    const InputState& in = sh.input;
    const int W = static_cast<int>(sh.screenWidth);
    const int H = static_cast<int>(sh.screenHeight);

    // The pop-ups asked to close this frame (the mouse is over no window).
    if (ed.closeGroups) {
        for (const ToolGroupWindow& g : ed.groups) CloseWindow(sc.gui, plat, g.window);
        ed.groups.clear();
        ed.closeGroups = false;
    }

    ed.leftState = NextLeftButtonState(ed.leftState, in.left);
    UpdateHints(sc.editor, sc.gui, sc.images, sc.shell.input, sc.shell.levelPath);
    if (!ed.pointerKnown) {
        ed.previousMouseX = in.mouseX;
        ed.previousMouseY = in.mouseY;
    }
    const int dx = in.mouseX - ed.previousMouseX, dy = in.mouseY - ed.previousMouseY;
    ed.previousMouseX = in.mouseX;
    ed.previousMouseY = in.mouseY;
    const bool overWindow = WindowHovered(sc.gui);

    if (ed.overToolbar) ed.anchor = {};
    DragToolbar(ed, in, W, H, dx, dy);

    // The wheel zooms the world, unless it turns a list in a window or, with Left Control or Left Shift,
    // turns or scales bodies (below, once the mouse's world point is known).
    const bool wheelShapes = in.down[Key::LeftControl] || in.down[Key::LeftShift];
    if (in.wheel != 0 && !overWindow && !wheelShapes)
        sc.camera.zoom = ClampZoom(sc.camera.zoom + in.wheel / 50.0);

    // The mouse in the world, rounded up to whole units. Movements are measured from the pointer's own
    // world point, which a window under the mouse does not hide.
    Vec2 world =
        ScreenToWorld(MakeView(sc.camera, sc.shell.screenWidth, sc.shell.screenHeight), in.mouseX, in.mouseY);
    world.Set(std::ceil(world.x), std::ceil(world.y));
    const Vec2 lastPointer = ed.pointerKnown ? ed.pointerWorld : world;
    ed.pointerWorld = world;
    ed.pointerKnown = true;
    ed.previousMouseWorld = ed.mouseWorld;
    ed.mouseWorld = world;
    ed.mouseWorldDelta = world - lastPointer;

    if (wheelShapes) TurnOrScaleWheel(sc);

    World& w = sc.world;
    if (!in.right && ed.leftState == 0)
        ed.selected = ParticleUnderMouse(w, world);
    else if (ed.leftState != 0)
        ed.previousSelected = ParticleUnderMouse(w, world);

    RightDrag(sc);

    if (overWindow) {
        ed.mouseWorld = {};
        ed.anchor = {};
    }
    const bool selecting = SelectionInput(sc);
    if (!overWindow && !ed.overToolbar && !selecting) {
        const WorldMakings before = Makings(w);
        ApplyTool(sc);
        if (!(Makings(w) == before)) {
            ed.change = ToolChange(ed.currentTool);
            ed.selection.clear();
        }
    }

    EdgeScroll(sc, W, H);
}
