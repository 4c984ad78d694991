// The selection, and turning, scaling and moving bodies: Left Control + left click or drag chooses bodies,
// Left Control + wheel turns them and Left Shift + wheel scales them (the body under the mouse when nothing
// is selected).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/names.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

constexpr int kClickPixels = 4;      // a press and release closer than this is a click, not a drag
constexpr int kToolRestFrames = 2;   // the tools rest this long after a selection gesture
constexpr double kTurnNotch = 15;    // degrees a wheel notch turns
constexpr double kFineTurnNotch = 1; // the same with Left Shift
constexpr double kScaleNotch = 1.1;  // factor a wheel notch scales by
constexpr double kReach = 1e9;       // no scale takes a particle further from the origin
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

bool LiveEntity(const World& w, int32_t slot) {
    return slot >= 1 && slot <= w.entityCount && w.entities[static_cast<size_t>(slot)].id != 0;
}

// The slots of the particles of the bodies, each once (a body lists its own).
std::vector<int32_t> ParticlesOf(const World& w, const std::vector<int32_t>& slots) {
    std::vector<int32_t> out;
    for (int32_t s : slots) {
        if (!LiveEntity(w, s)) continue;
        for (int32_t p : w.entities[static_cast<size_t>(s)].particles)
            if (p >= 1 && p <= w.particleCount && w.particles[static_cast<size_t>(p)].id != 0)
                out.push_back(p);
    }
    return out;
}

bool Contains(const std::vector<int32_t>& v, int32_t x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

// Marks by entity slot: whether a slot is one of `slots`.
std::vector<char> Marks(const std::vector<int32_t>& slots) {
    std::vector<char> marks(static_cast<size_t>(kTableSlots), 0);
    for (int32_t s : slots)
        if (s >= 1 && s < kTableSlots) marks[static_cast<size_t>(s)] = 1;
    return marks;
}

// The mean of the bodies' particles: turning or scaling about it leaves it where it was, so notch after
// notch turns about the same point.
Vec2 CentreOf(const World& w, const std::vector<int32_t>& particles) {
    Vec2 sum;
    for (int32_t s : particles) sum += w.particles[static_cast<size_t>(s)].p;
    return particles.empty() ? sum : sum / static_cast<double>(particles.size());
}

// Applies `f` to every position of the bodies and of their liquid.
template <typename F> void MapBodies(World& w, const std::vector<int32_t>& slots, F f) {
    for (int32_t s : ParticlesOf(w, slots)) {
        Particle& p = w.particles[static_cast<size_t>(s)];
        p.p = f(p.p);
        p.oldp = f(p.oldp);
    }
    const std::vector<char> marked = Marks(slots);
    for (int32_t b = 1; b <= w.liquidBoxCount; ++b) {
        LiquidBox& box = w.liquidBoxes[static_cast<size_t>(b)];
        if (box.container < 1 || box.container >= kTableSlots || !marked[static_cast<size_t>(box.container)])
            continue;
        for (LiquidParticle& lp : box.particles) {
            lp.p = f(lp.p);
            lp.oldp = f(lp.oldp);
        }
    }
    UpdateEntityBounds(w);
}

// What the status line and the history call the bodies: "box", or "3 bodies".
std::string BodiesWord(const World& w, const std::vector<int32_t>& slots) {
    if (slots.size() == 1) return KindWord(w.entities[static_cast<size_t>(slots[0])].type);
    return std::to_string(slots.size()) + " bodies";
}

void Toggle(Editor& ed, int32_t id) {
    auto at = std::find(ed.selection.begin(), ed.selection.end(), id);
    if (at == ed.selection.end())
        ed.selection.push_back(id);
    else
        ed.selection.erase(at);
}

void SelectInside(const EditorScene& sc, Vec2 a, Vec2 b) {
    const World& w = sc.world;
    Editor& ed = sc.editor;
    const Vec2 lo{std::min(a.x, b.x), std::min(a.y, b.y)}, hi{std::max(a.x, b.x), std::max(a.y, b.y)};
    ed.selection.clear();
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        if (e.id == 0 || e.particles.empty()) continue;
        if (e.center.x >= lo.x && e.center.x <= hi.x && e.center.y >= lo.y && e.center.y <= hi.y)
            ed.selection.push_back(e.id);
    }
}

} // namespace

std::vector<int32_t> SelectedSlots(const World& w, const std::vector<int32_t>& selection) {
    std::vector<int32_t> out;
    if (selection.empty()) return out;
    std::vector<int32_t> ids = selection;
    std::sort(ids.begin(), ids.end());
    for (int32_t i = 1; i <= w.entityCount; ++i) { // one pass, however large the selection
        const Entity& e = w.entities[static_cast<size_t>(i)];
        if (e.id != 0 && !e.particles.empty() && std::binary_search(ids.begin(), ids.end(), e.id))
            out.push_back(i);
    }
    return out;
}

std::vector<int32_t> ActedBodies(const EditorScene& sc) {
    std::vector<int32_t> slots = SelectedSlots(sc.world, sc.editor.selection);
    if (!slots.empty() || WindowHovered(sc.gui)) return slots;
    const int32_t body = BodyAt(sc.world, sc.editor.mouseWorld);
    if (body != 0) slots.push_back(body);
    return slots;
}

bool IsSelected(const Editor& ed, int32_t entityId) {
    return Contains(ed.selection, entityId);
}

bool SelectionInput(const EditorScene& sc) {
    Editor& ed = sc.editor;
    const InputState& in = sc.shell.input;
    if (ed.toolRest > 0) --ed.toolRest;
    if (!ed.selecting) {
        const bool start =
            ed.leftState == 1 && in.down[Key::LeftControl] && !WindowHovered(sc.gui) && !ed.overToolbar;
        if (!start) return ed.toolRest > 0;
        ed.selecting = true;
        ed.selectFrom = ed.mouseWorld;
        ed.selectFromX = in.mouseX;
        ed.selectFromY = in.mouseY;
        ed.anchor = {}; // no drag tool takes this press
        return true;
    }
    if (ed.leftState != 3 && ed.leftState != 0) return true;
    ed.selecting = false;
    ed.toolRest = kToolRestFrames;
    if (std::abs(in.mouseX - ed.selectFromX) < kClickPixels &&
        std::abs(in.mouseY - ed.selectFromY) < kClickPixels) {
        const int32_t body = BodyAt(sc.world, ed.selectFrom);
        if (body != 0) Toggle(ed, sc.world.entities[static_cast<size_t>(body)].id);
    } else {
        SelectInside(sc, ed.selectFrom, ed.pointerWorld);
    }
    const size_t n = ed.selection.size();
    SetStatus(ed, n == 0 ? "nothing selected."
                         : std::to_string(n) + (n == 1 ? " body selected." : " bodies selected."));
    return true;
}

bool TurnOrScaleWheel(const EditorScene& sc) {
    const InputState& in = sc.shell.input;
    const bool control = in.down[Key::LeftControl], shift = in.down[Key::LeftShift];
    if (in.wheel == 0 || (!control && !shift) || WindowHovered(sc.gui)) return false;
    Editor& ed = sc.editor;
    World& w = sc.world;
    const std::vector<int32_t> slots = ActedBodies(sc);
    if (slots.empty() || sc.shell.saving) return false; // nothing changes the world while a save runs
    const std::string what = BodiesWord(w, slots);
    if (control) {
        TurnBodies(w, slots, in.wheel * (shift ? kFineTurnNotch : kTurnNotch));
        ed.change = "turn " + what;
        return true;
    }
    std::string why;
    if (!ScaleBodies(w, slots, std::pow(kScaleNotch, in.wheel), why)) {
        SetStatus(ed, "not scaled: " + why);
        return false;
    }
    ed.change = "scale " + what;
    return true;
}

bool ClearSelectionKey(Editor& ed) {
    if (ed.selection.empty()) return false;
    ed.selection.clear();
    SetStatus(ed, "selection cleared.");
    return true;
}

void TurnBodies(World& w, const std::vector<int32_t>& slots, double degrees) {
    const Vec2 c = CentreOf(w, ParticlesOf(w, slots));
    const double a = degrees * kRadiansPerDegree, cs = std::cos(a), sn = std::sin(a);
    MapBodies(w, slots, [&](Vec2 p) {
        const Vec2 d = p - c;
        return Vec2{c.x + d.x * cs - d.y * sn, c.y + d.x * sn + d.y * cs};
    });
}

bool ScaleBodies(World& w, const std::vector<int32_t>& slots, double factor, std::string& why) {
    const std::vector<int32_t> particles = ParticlesOf(w, slots);
    if (particles.empty()) return false;
    // The sides are the bodies' own constraints (a box's braces, owned by the world, are its diagonals).
    for (int32_t s : slots) {
        for (int32_t k : w.entities[static_cast<size_t>(s)].constraints) {
            const double length = w.constraints[static_cast<size_t>(k)].length * factor;
            if (length < kMinSide) {
                why = "a side would be shorter than 2 units.";
                return false;
            }
            if (length > kMaxSide) {
                why = "a side would be longer than 10,000 units.";
                return false;
            }
        }
    }
    // Bodies without sides (pins) are kept inside the reach of the tools.
    const Vec2 c = CentreOf(w, particles);
    for (int32_t s : particles) {
        const Vec2 p = c + (w.particles[static_cast<size_t>(s)].p - c) * factor;
        if (!(std::abs(p.x) <= kReach && std::abs(p.y) <= kReach)) {
            why = "the bodies would leave the world.";
            return false;
        }
    }
    const std::vector<char> marked = Marks(slots);
    auto inside = [&](int32_t p) {
        return p >= 1 && p <= w.particleCount &&
               marked[static_cast<size_t>(w.particles[static_cast<size_t>(p)].parent)];
    };
    for (int32_t k = 1; k <= w.constraintCount; ++k) {
        Constraint& con = w.constraints[static_cast<size_t>(k)];
        if (con.id != 0 && inside(con.p1) && inside(con.p2))
            con.length = static_cast<float>(con.length * factor);
    }
    MapBodies(w, slots, [&](Vec2 p) { return c + (p - c) * factor; });
    return true;
}

void MoveBodies(World& w, const std::vector<int32_t>& slots, Vec2 d) {
    for (int32_t s : ParticlesOf(w, slots)) {
        Particle& p = w.particles[static_cast<size_t>(s)];
        p.p += d;
        p.oldp += d;
    }
}
