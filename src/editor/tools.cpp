// What each tool does with the mouse in the world, and the spark burst after a placement.
#include <algorithm>
#include <cmath>
#include <string>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/kinds.h"
#include "editor/tools.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/builders.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

// Tools build within a billion units of the origin, so a far camera cannot make a coordinate outside the
// range of int, nor can the builders' offsets (a box is 50 units wide) carry one past it.
constexpr double kToolReach = 1e9;

int32_t ToolCoordinate(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::clamp(v, -kToolReach, kToolReach));
}

// Runs a builder; a refusal by a full table is said in the status line. True when something was built.
template <typename Build> bool Place(const EditorScene& sc, Build build) {
    World& w = sc.world;
    const int32_t refusedBefore = w.refusedCreations;
    const bool built = build() != 0;
    if (!built && w.refusedCreations != refusedBefore)
        SetStatus(sc.editor, "the world is full: nothing placed.");
    return built;
}

int32_t CustomImageIndex(const EditorScene& sc, const std::string& name) {
    const Images& img = sc.images;
    for (size_t i = 0; i < img.custom.size(); ++i) {
        int32_t e = img.custom[i].entry;
        if (e >= 0 && static_cast<size_t>(e) < img.catalogue.size() &&
            img.catalogue[static_cast<size_t>(e)].name == name)
            return static_cast<int32_t>(i);
    }
    return -1;
}

bool LiveParticle(const World& w, int32_t slot) {
    return slot >= 1 && slot <= w.particleCount && w.particles[static_cast<size_t>(slot)].id != 0;
}

// Half-spaces and water spaces are shaped while the button is held: their direction follows the mouse.
void Shape(Vec2& p, Vec2& v, Vec2& normal, Vec2 mouse, bool snap) {
    if (mouse == p) return;
    v = mouse - p;
    if (snap) { // on the grid the surface turns in steps of 15 degrees
        const double step = kPi / 12, length = v.Length();
        const double angle = std::round(std::atan2(v.y, v.x) / step) * step;
        v.Set(length * std::cos(angle), length * std::sin(angle));
    }
    normal.Set(v.y, -v.x);
    normal.Normalise();
}

bool ReleaseTool(const EditorScene& sc, const std::string& tool, int32_t mx, int32_t my) {
    World& w = sc.world;
    Rng& rng = sc.rng;
    Editor& ed = sc.editor;
    const ObjectKind* kind = KindOfTool(tool);
    if (kind != nullptr && kind->gesture == Gesture::Click && kind->build != nullptr)
        return Place(sc, [&] { return kind->build(w, rng, mx, my); });
    if (tool == "Bind") {
        if (!LiveParticle(w, ed.selected) || !LiveParticle(w, ed.previousSelected)) return false;
        if (w.particles[static_cast<size_t>(ed.selected)].id ==
            w.particles[static_cast<size_t>(ed.previousSelected)].id)
            return false;
        return Place(sc, [&] { return NewConstraint(w, kWorldEntity, ed.selected, ed.previousSelected, 1); });
    }
    return false;
}

// Drag tools act at the release, from the anchor to the mouse.
void DragTool(const EditorScene& sc, const std::string& tool, Vec2 a, int32_t mx, int32_t my) {
    World& w = sc.world;
    Rng& rng = sc.rng;
    const int32_t ax = ToolCoordinate(a.x), ay = ToolCoordinate(a.y);
    if (tool == "Circle") {
        int32_t r = RoundToInt(std::hypot(mx - a.x, my - a.y));
        Place(sc, [&] { return NewCircle(w, ax, ay, r, 16, 1, 1); });
    } else if (tool == "Wall" || tool == "Icewall") {
        Place(sc, [&] {
            int32_t e = NewWall(w, ax, ay, mx, my, 10, 1);
            if (e != 0 && tool == "Icewall") w.entities[static_cast<size_t>(e)].type = "icewall";
            return e;
        });
    } else if (tool == "Quad") {
        Place(sc, [&] { return NewQuad(w, rng, ax, ay, mx, my, 1, 1, 1); });
    } else if (tool == "Strap") {
        Place(sc, [&] { return NewStrap(w, ax, ay, mx, my, 20, 1); });
    } else if (tool == "Region") {
        NewRegion(w, ax, ay, mx, my);
    } else if (tool == "Portal") {
        Portal& p = NewPortal(w, ax, ay, mx, my);
        p.connected = p.uid; // a new portal sends back through itself until it is connected elsewhere
    }
}

bool IsDragTool(const std::string& tool) {
    const ObjectKind* kind = KindOfTool(tool);
    return kind != nullptr && kind->gesture == Gesture::Drag;
}

bool SparksAfter(const std::string& tool) {
    const ObjectKind* kind = KindOfTool(tool);
    return kind != nullptr && kind->sparks;
}

} // namespace

void ApplyTool(const EditorScene& sc) {
    Editor& ed = sc.editor;
    World& w = sc.world;
    const std::string& tool = ed.currentTool;
    const InputState& in = sc.shell.input;
    // With the grid on, clicks and drag ends land on it (a marker, a bind and an edit go where they point).
    const bool snap = ed.grid && tool != "Marker" && tool != "Bind" && tool != "Edit";
    const Vec2 at = snap ? SnapToGrid(ed.mouseWorld) : ed.mouseWorld;
    const int32_t mx = ToolCoordinate(at.x), my = ToolCoordinate(at.y);
    const Vec2 m{static_cast<double>(mx), static_cast<double>(my)};
    const int16_t left = ed.leftState;
    const int click = sc.gui.mouse.state; // the GUI's click state

    if (tool == "HalfSpace" || tool == "WaterSpace") {
        if (left == 1) {
            if (tool == "HalfSpace") {
                ed.shaping = NewHalfSpace(w, mx, my, 1, 1).uid;
            } else {
                WaterSpace& s = NewWaterSpace(w, mx, my, 1, 1, 0.05f);
                ed.shaping = s.uid;
            }
            ed.anchor = m;
            ed.requests.push_back({EditorRequestKind::Pause, {}});
            SetStatus(ed, "paused.");
        } else if (left == 2) {
            for (HalfSpace& h : w.halfSpaces)
                if (h.uid == ed.shaping) Shape(h.p, h.v, h.normal, m, snap);
            for (WaterSpace& s : w.waterSpaces)
                if (s.uid == ed.shaping) Shape(s.p, s.v, s.normal, m, snap);
        } else if (left == 3) {
            ed.shaping = 0;
            ed.anchor = {};
        }
        return;
    }

    if (IsDragTool(tool)) {
        if (left == 1) ed.anchor = m;
        if (left == 3) {
            Vec2 a = ed.anchor;
            ed.anchor = {};
            if (!(a.x == 0 && a.y == 0) && !(a == m)) DragTool(sc, tool, a, mx, my);
        }
        return;
    }

    if (tool == "Marker") {
        if (click != 3) return;
        for (int32_t i = 1; i <= w.entityCount; ++i) {
            const Entity& e = w.entities[static_cast<size_t>(i)];
            if (e.id == 0 || e.particles.empty()) continue;
            if (e.bmin.x <= m.x && m.x <= e.bmax.x && e.bmin.y <= m.y && m.y <= e.bmax.y) {
                Marker mk;
                mk.entity = i;
                mk.entityId = e.id;
                mk.image = KindOfTool("Marker")->image;
                mk.uid = w.NewUid();
                w.markers.push_back(mk);
                break;
            }
        }
        return;
    }

    if (tool == "Edit") {
        // A quick second click is still a click: it opens the panels of what lies under it.
        if (click == 1 || click == 4) OpenPanelsAt(sc, ed.mouseWorld, in.mouseX, in.mouseY);
        return;
    }

    if (left == 3 && ReleaseTool(sc, tool, mx, my)) {
        if (SparksAfter(tool)) SparkBurst(sc, static_cast<float>(in.mouseX), static_cast<float>(in.mouseY));
        return;
    }

    if (click == 3) {
        int32_t c = CustomImageIndex(sc, tool);
        if (c < 0) return;
        const CustomImage& img = sc.images.custom[static_cast<size_t>(c)];
        Place(sc, [&] { return NewCustomObject(w, sc.rng, img.halfHeight, img.halfWidth, tool, m.x, m.y); });
    }
}

void SparkBurst(const EditorScene& sc, float x, float y) {
    Rng& rng = sc.drawingRng; // drawing's own generator: sparks never change the world's random sequence
    // One bright colour for the burst: a random hue, lightened a little.
    const float h = static_cast<float>(Random(rng, 359)) / 60.0f;
    auto channel = [](float c) { return 255.0f * (0.3f + 0.7f * std::clamp(c, 0.0f, 1.0f)); };
    const float red = channel(std::fabs(h - 3) - 1), green = channel(2 - std::fabs(h - 2)),
                blue = channel(2 - std::fabs(h - 4));
    for (int i = 0; i < 10; ++i) {
        Spark s;
        const double angle = Random(rng, 359) * kPi / 180;
        const double speed = 2.5 + Random(rng, 20) / 10.0; // 2.5 to 4.5 pixels a frame
        s.x = s.cx = x;
        s.y = s.cy = y;
        s.vx = static_cast<float>(std::sin(angle) * speed);
        s.vy = static_cast<float>(-std::cos(angle) * speed);
        s.ay = 0.08f; // a little gravity: the burst falls as it fades
        s.red = red, s.green = green, s.blue = blue;
        if (i % 3 == 0) {
            s.kind = 1; // a trail
            s.size = 2;
            s.fade = 16;
        } else {
            s.kind = 5; // drag: they slow down and settle 50 to 90 pixels out
            s.size = 4;
            s.fade = 7;
        }
        sc.editor.sparks.push_back(s);
    }
}
