// The flat layer on top of the world and the windows: portals, wireframe, joints, the selection, the
// editor's toolbar, text fields and labels, the heads-up display with cursor, trail and tool preview, and
// the sparks.
#include <algorithm>
#include <cmath>
#include <string>

#include "editor/kinds.h"
#include "render/passes.h"
#include "render/render.h"
#include "triggers/triggers.h"

namespace {

constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kRed = Rgb(255, 0, 0);
constexpr uint32_t kGreen = Rgb(0, 255, 0);
constexpr uint32_t kBlue = Rgb(0, 0, 255);
constexpr uint32_t kYellow = Rgb(255, 255, 0);
constexpr uint32_t kMagenta = Rgb(255, 0, 255);
constexpr uint32_t kPortalColour = Rgb(100, 0, 255);
constexpr uint32_t kJointColour = Rgb(209, 134, 78);

// The particle in `slot` when it is a live record; nullptr for an empty or out-of-range slot.
const Particle* LiveParticle(const World& w, int32_t slot) {
    if (slot < 1 || slot > w.particleCount || slot >= kTableSlots) return nullptr;
    const Particle& p = w.particles[static_cast<size_t>(slot)];
    return p.id != 0 ? &p : nullptr;
}

std::string WholeNumber(double v) {
    return std::to_string(RoundToInt(v));
}

void DrawTrail(FrameContext& f, int mx, int my) {
    RenderState& rs = f.scene.render;
    if (!rs.trailStarted) {
        // The trail starts where the mouse is, so the first frames show no line from the screen corner.
        for (size_t j = 1; j < rs.trailX.size(); ++j) {
            rs.trailX[j] = static_cast<float>(mx);
            rs.trailY[j] = static_cast<float>(my);
        }
        rs.trailStarted = true;
    }
    rs.trailX[1] = static_cast<float>(mx);
    rs.trailY[1] = static_cast<float>(my);
    for (size_t j = 9; j >= 1; --j) { // slot 0 is never written: slot 1 always ends at (0, 0)
        rs.trailX[j] = rs.trailX[j - 1];
        rs.trailY[j] = rs.trailY[j - 1];
    }
    for (size_t i = 2; i <= 8; ++i) {
        f.Line(rs.trailX[i], rs.trailY[i] + 2, rs.trailX[i + 1], rs.trailY[i + 1] + 2, kRed);
        f.Line(rs.trailX[i], rs.trailY[i] - 2, rs.trailX[i + 1], rs.trailY[i + 1] - 2, kRed);
    }
}

bool PlacesSquare(const std::string& tool) {
    const ObjectKind* kind = KindOfTool(tool);
    return kind != nullptr && kind->squarePreview;
}

void DrawToolPreview(FrameContext& f, int mx, int my) {
    const FrameScene& scene = f.scene;
    const Editor& ed = scene.editor;
    const World& w = scene.world;
    const std::string& tool = ed.currentTool;
    const bool dragging = !(ed.anchor.x == 0 && ed.anchor.y == 0);
    if (PlacesSquare(tool)) {
        double half = 50 * f.view.Scale() / 2;
        double cx = mx, cy = my;
        if (ed.grid) { // where the click will place it
            Vec2 at = f.Pixel(SnapToGrid(ed.mouseWorld));
            cx = at.x, cy = at.y;
        }
        f.Box(cx - half, cy - half, cx + half, cy + half, kMagenta);
    }
    if (tool == "Bind") {
        if (const Particle* p = LiveParticle(w, ed.previousSelected)) {
            Vec2 s = f.Pixel(p->p);
            f.Circle(s.x, s.y, 5, kRed);
        }
    }
    if (const Particle* p = LiveParticle(w, ed.selected)) {
        Vec2 s = f.Pixel(p->p);
        f.Circle(s.x, s.y, 5, kMagenta);
    }
    if (!dragging) return;
    Vec2 a = f.Pixel(ed.anchor);
    if (tool == "Circle") {
        double r = std::hypot(mx - a.x, my - a.y); // the circle the release would make
        f.Circle(a.x, a.y, r, kWhite);
    } else if (tool == "Quad" || tool == "Region") {
        f.Box(a.x, a.y, mx, my, kWhite);
    }
}

} // namespace

namespace {

// Length of the part of a segment within a pixel of the screen (0 when none, or when an end is not a
// number); a dot still costs a pixel.
double LengthOnScreen(double x1, double y1, double x2, double y2, double w, double h) {
    double t0 = 0, t1 = 1;
    if (!ClipSegment(x1, y1, x2, y2, -1, -1, w + 1, h + 1, t0, t1)) return 0;
    return std::max((t1 - t0) * std::hypot(x2 - x1, y2 - y1), 1.0);
}

} // namespace

void FrameContext::Line(double x1, double y1, double x2, double y2, uint32_t rgb) {
    ink.front = rgb;
    plat.DrawLine(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                  static_cast<float>(y2), rgb);
}

void FrameContext::WorldLine(double x1, double y1, double x2, double y2, uint32_t rgb) {
    ink.front = rgb;
    if (lineBudget < 0) lineBudget = kLineScreens * (view.w + view.h);
    const double length = LengthOnScreen(x1, y1, x2, y2, view.w, view.h);
    if (length == 0 || length > lineBudget) return; // beside the screen, or the frame's lines are spent
    lineBudget -= length;
    plat.DrawLine(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                  static_cast<float>(y2), rgb);
}

void FrameContext::Box(double x1, double y1, double x2, double y2, uint32_t rgb) {
    ink.front = rgb;
    plat.DrawBox(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                 static_cast<float>(y2), rgb, false);
}

void FrameContext::Circle(double x, double y, double radius, uint32_t rgb) {
    ink.front = rgb;
    plat.DrawCircle(static_cast<float>(x), static_cast<float>(y), static_cast<float>(radius), rgb);
}

bool FrameContext::Affords(double x1, double y1, double x2, double y2) {
    if (fillBudget < 0) fillBudget = kFillScreens * view.w * view.h;
    const double w = std::min(std::max(x1, x2), view.w) - std::max(std::min(x1, x2), 0.0);
    const double h = std::min(std::max(y1, y2), view.h) - std::max(std::min(y1, y2), 0.0);
    const double area = w > 0 && h > 0 ? w * h : 0; // off the screen, or not a number: free
    if (area > fillBudget) return false;
    fillBudget -= area;
    return true;
}

bool FrameContext::Affords(const Quad& q) {
    auto [xlo, xhi] = std::minmax({q.x[0], q.x[1], q.x[2], q.x[3]});
    auto [ylo, yhi] = std::minmax({q.y[0], q.y[1], q.y[2], q.y[3]});
    return Affords(xlo, ylo, xhi, yhi);
}

void FrameContext::Text(int x, int y, const std::string& text) {
    if (!text.empty()) plat.DrawText(FontId::Hud, x, y, text, ink.front, ink.back, true);
}

void FrameContext::Text(int x, int y, const std::string& text, uint32_t front) {
    ink.front = front;
    Text(x, y, text);
}

void DrawPortals(FrameContext& f) {
    for (const Portal& p : f.scene.world.portals) {
        Vec2 a = f.Pixel({p.x1, p.y1});
        Vec2 b = f.Pixel({p.x2, p.y2});
        f.WorldLine(a.x, a.y, b.x, b.y, kPortalColour);
        // Summed in 64 bits: the ends of a far portal are pixels near the ends of the int range.
        auto middle = [](double u, double v) {
            return static_cast<int32_t>((int64_t{RoundToInt(u)} + RoundToInt(v)) / 2);
        };
        int32_t mx = middle(a.x, b.x);
        int32_t my = middle(a.y, b.y);
        f.Text(mx, my, std::to_string(p.id), kWhite);
    }
}

void DrawWireframe(FrameContext& f) {
    const World& w = f.scene.world;
    const int32_t count = std::clamp(w.constraintCount, 0, kMaxRecords);
    for (int32_t i = 1; i <= count; ++i) {
        const Constraint& c = w.constraints[static_cast<size_t>(i)];
        const Particle& p1 = w.particles[static_cast<size_t>(c.p1)];
        const Particle& p2 = w.particles[static_cast<size_t>(c.p2)];
        uint32_t colour = kWhite;
        if (w.entities[static_cast<size_t>(c.parent)].id == 1)
            colour = kBlue;
        else if (p1.contact != 0 && p2.contact != 0)
            colour = kRed;
        Vec2 a = f.Pixel(p1.p), b = f.Pixel(p2.p);
        f.WorldLine(a.x, a.y, b.x, b.y, colour);
    }
}

void DrawJoints(FrameContext& f) {
    const World& w = f.scene.world;
    const int32_t count = std::clamp(w.constraintCount, 0, kMaxRecords);
    for (int32_t i = 1; i <= count; ++i) {
        const Constraint& c = w.constraints[static_cast<size_t>(i)];
        if (w.entities[static_cast<size_t>(c.parent)].id != 1) continue;
        const Particle& p1 = w.particles[static_cast<size_t>(c.p1)];
        const Particle& p2 = w.particles[static_cast<size_t>(c.p2)];
        if (w.entities[static_cast<size_t>(p1.parent)].id == w.entities[static_cast<size_t>(p2.parent)].id)
            continue; // a brace inside one body
        Vec2 a = f.Pixel(p1.p), b = f.Pixel(p2.p);
        f.WorldLine(a.x, a.y, b.x, b.y, kJointColour);
    }
}

void DrawSelection(FrameContext& f) {
    const World& w = f.scene.world;
    const Editor& ed = f.scene.editor;
    constexpr double kPad = 4; // pixels between a body and its outline
    constexpr uint32_t kOutline = Rgb(0, 255, 255);
    std::vector<Vec2> corners;
    for (int32_t slot : SelectedSlots(w, ed.selection)) {
        const Entity& e = w.entities[static_cast<size_t>(slot)];
        // The body's own outline (the hull of its particles on the screen), a few pixels out from it; a
        // body of fewer than three corners gets its bounds.
        corners.clear();
        for (int32_t p : e.particles)
            if (p >= 1 && p <= w.particleCount)
                corners.push_back(f.Screen(w.particles[static_cast<size_t>(p)].p));
        std::vector<Vec2> hull = ConvexHull(corners);
        if (hull.size() < 3) {
            const Vec2 a = f.Pixel(e.bmin), b = f.Pixel(e.bmax);
            hull = {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
        }
        Vec2 c{0, 0};
        for (const Vec2& h : hull) c = c + h / static_cast<double>(hull.size());
        for (Vec2& h : hull) {
            const Vec2 d = h - c;
            const double len = std::sqrt(d.x * d.x + d.y * d.y);
            if (len > 0) h = h + d * (kPad / len);
        }
        for (size_t i = 0; i < hull.size(); ++i) {
            const Vec2 a = hull[i], b = hull[(i + 1) % hull.size()];
            f.WorldLine(a.x, a.y, b.x, b.y, kOutline);
        }
    }
    if (ed.selecting) {
        const Vec2 a = f.Pixel(ed.selectFrom), b = f.Pixel(ed.pointerWorld);
        f.Box(a.x, a.y, b.x, b.y, kOutline);
    }
}

void DrawToolbar(FrameContext& f) {
    for (const ToolbarButton& b : f.scene.editor.toolbar) {
        uint32_t colour = Rgb(100, 100, 100);
        if (b.hover == 0 && b.visible == 1)
            colour = Rgb(150, 150, 150);
        else if (b.state == 0 && b.visible == 1)
            colour = kWhite;
        const double x = b.x, y = b.y, w = b.width, h = b.height;
        if (b.caption.empty()) {
            f.Box(x, y, x + w, y + h, colour);
            continue;
        }
        f.Line(x - 5, y, x + w - 5, y, colour);
        f.Line(x - 5, y, x + 5, y + h, colour);
        f.Line(x + 5, y + h, x + w + 5, y + h, colour);
        f.Line(x + w - 5, y, x + w + 5, y + h, colour);
        int tw = f.plat.TextWidth(FontId::Hud, b.caption);
        int th = f.plat.TextHeight(FontId::Hud, b.caption);
        f.ink.back = kBlack;
        f.Text(b.x + (b.width - tw) / 2, b.y + (b.height - th) / 2, b.caption,
               b.visible == 1 ? kWhite : Rgb(100, 100, 100));
    }
}

void DrawTextFields(FrameContext& f) {
    for (const TextField& t : f.scene.editor.textFields) {
        f.Box(t.x, t.y, t.x + t.width, t.y + t.height, t.state == 1 ? kWhite : Rgb(200, 200, 200));
        f.Text(t.x + 5, t.y + t.height / 2 - 8, t.text); // in the outline's colour
    }
}

void DrawLabels(FrameContext& f) {
    for (const EditorLabel& l : f.scene.editor.labels) f.Text(l.x, l.y, l.text, Rgb(l.red, l.green, l.blue));
}

void DrawHud(FrameContext& f) {
    FrameScene& scene = f.scene;
    const Editor& ed = scene.editor;
    const World& w = scene.world;
    const int mx = scene.input.mouseX, my = scene.input.mouseY;

    f.ink.back = kBlack;
    f.Text(0, 0, std::to_string(scene.fps), kWhite);
    f.Box(mx - 2, my - 2, mx + 3, my + 3, kRed); // cursor
    DrawTrail(f, mx, my);
    if (!(ed.anchor.x == 0 && ed.anchor.y == 0)) {
        Vec2 a = f.Pixel(ed.anchor);
        f.Line(mx, my, a.x, a.y, kYellow);
        f.Box(a.x - 2, a.y - 2, a.x + 3, a.y + 3, kYellow);
        if (ed.currentTool == "HalfSpace") // the normal of the half-space about to be made
            f.Line(a.x, a.y, a.x - (my - a.y) / 3, a.y + (mx - a.x) / 3, kYellow);
    }
    f.Text(0, 30, "Tool : " + ed.currentTool);
    f.Text(0, 50, "c+p : " + std::to_string(static_cast<int64_t>(w.particleCount) + w.constraintCount));
    f.Text(0, 70, "e : " + std::to_string(w.entityCount));
    f.Text(0, 110, WholeNumber(ed.mouseWorld.x) + "/" + WholeNumber(ed.mouseWorld.y));
    DrawToolPreview(f, mx, my);
    // The message line is the status label (drawn with the labels), shown once.
    if (scene.paused)
        f.Text(0, 150, "Paused", kRed);
    else
        f.Text(0, 150, "Running", kGreen);
    if (!scene.speed.empty()) f.Text(0, 170, scene.speed, kYellow);
    if (scene.triggersOn)
        DrawNotices(scene.world, static_cast<int>(scene.screenWidth),
                    f.plat); // the notices of the level's script
}

void DrawSparks(FrameContext& f) {
    auto& sparks = f.scene.sparks;
    Rng& rng = f.scene.render.rng;
    const size_t count = sparks.size(); // trails made this frame start moving next frame
    std::vector<char> gone(count, 0);
    auto channel = [](float c) { return std::clamp(RoundToInt(c), 0, 255); };
    for (size_t i = 0; i < count; ++i) {
        Spark s = sparks[i]; // a copy: trails are appended to the list below
        const bool orbits = s.kind == 2 || s.kind == 3;
        const float px = orbits ? s.cx : s.x;
        const float py = orbits ? s.cy : s.y;
        int divisor = s.kind == 4 ? 1 + Random(rng, 9) : 1; // flicker
        uint32_t colour =
            Rgb(channel(s.red) / divisor, channel(s.green) / divisor, channel(s.blue) / divisor);
        const float half = s.size / 2;
        f.Box(RoundToInt(px - half), RoundToInt(py - half), RoundToInt(px + half), RoundToInt(py + half),
              colour);
        if (orbits) {
            Vec2 c = RotatePoint(s.cx, s.cy, s.x, s.y, s.turn);
            s.cx = static_cast<float>(c.x);
            s.cy = static_cast<float>(c.y);
        }
        if (s.kind == 1 || s.kind == 3) {
            Spark t;
            t.x = t.cx = px;
            t.y = t.cy = py;
            t.vx = static_cast<float>(Random(rng, 2) - 1) / 4;
            t.vy = static_cast<float>(Random(rng, 2) - 1) / 4;
            t.size = s.size;
            t.fade = s.fade;
            t.kind = 0;
            t.red = s.red, t.green = s.green, t.blue = s.blue;
            sparks.push_back(t);
        }
        if (s.kind == 5) {
            s.vx *= 0.95f;
            s.vy *= 0.95f;
        }
        s.vx += s.ax;
        s.vy += s.ay;
        s.x += s.vx;
        s.y += s.vy;
        if (s.red > 0 || s.green > 0 || s.blue > 0) {
            const int32_t step = std::max<int32_t>(s.fade, 1); // a fade of 0 would never end
            s.red = std::max(0.0f, s.red - static_cast<float>(Random(rng, step)));
            s.green = std::max(0.0f, s.green - static_cast<float>(Random(rng, step)));
            s.blue = std::max(0.0f, s.blue - static_cast<float>(Random(rng, step)));
        } else {
            gone[i] = 1;
        }
        sparks[i] = s;
    }
    size_t out = 0;
    for (size_t i = 0; i < sparks.size(); ++i)
        if (i >= count || !gone[i]) sparks[out++] = sparks[i];
    sparks.resize(out);
}
