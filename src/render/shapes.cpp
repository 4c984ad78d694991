#include "render/shapes.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

Quad QuadOf(const std::array<Vec2, 4>& c) {
    Quad q;
    for (size_t i = 0; i < 4; ++i) {
        q.x[i] = static_cast<float>(c[i].x);
        q.y[i] = static_cast<float>(c[i].y);
    }
    return q;
}

// A ray from the light that meets the far line this many times further out than its particle is not
// followed any further: such a particle sits almost beside the light, and the quad would otherwise
// reach out to coordinates no surface can draw.
constexpr double kMaxRayStretch = 1000;

} // namespace

Quad ThickLineQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width) {
    Vec2 a{static_cast<double>(x1), static_cast<double>(y1)};
    Vec2 b{static_cast<double>(x2), static_cast<double>(y2)};
    Vec2 n{a.y - b.y, b.x - a.x};
    n.Normalise();
    double half = std::ceil(static_cast<double>(width)) / 2;
    Vec2 h = n * half;
    Vec2 t{-h.y, h.x};
    return QuadOf({a + h + t, a - h + t, b - h - t, b + h - t});
}

void DrawThickLine(Platform& plat, int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width, int image,
                   int alpha) {
    plat.DrawQuad(image, ThickLineQuad(x1, y1, x2, y2, width), alpha);
}

PlaneFill HalfPlaneFill(const View& view, Vec2 p, Vec2 v, Vec2 normal) {
    PlaneFill out;
    if (!(std::isfinite(v.x) && std::isfinite(v.y)) || (v.x == 0 && v.y == 0)) return out;
    Vec2 q = WorldToZoomed(view, p);
    const double w = view.w, h = view.h;
    const double cx = view.cx, cy = view.cy;
    Vec2 e1, e2;             // the boundary's points on the two screen edges it crosses
    std::array<Vec2, 2> far; // the two screen corners on the solid side, in drawing order
    if (std::fabs(v.y) < std::fabs(v.x)) {
        double yl = q.y + (cx - q.x) / v.x * v.y;
        double yr = q.y + (w + cx - q.x) / v.x * v.y;
        e1 = {0, yl - cy};
        e2 = {w, yr - cy};
        double edge = normal.y < 0 ? h : 0;
        far = {Vec2{w, edge}, Vec2{0, edge}};
    } else {
        double xt = q.x + (cy - q.y) / v.y * v.x;
        double xb = q.x + (h + cy - q.y) / v.y * v.x;
        e1 = {xt - cx, 0};
        e2 = {xb - cx, h};
        double edge = normal.x > 0 ? 0 : w;
        far = {Vec2{edge, h}, Vec2{edge, 0}};
    }
    out.visible = true;
    out.fill = QuadOf({e1, e2, far[0], far[1]});
    Vec2 inward = normal * 3.0;
    out.band = QuadOf({e1, e2, e2 - inward, e1 - inward});
    return out;
}

double MarkerBearing(Vec2 a, Vec2 b) {
    double dx = a.x - b.x;
    double dy = a.y - b.y;
    double t = dy == 0 ? kPi / 2 : std::atan(std::fabs(dx) / std::fabs(dy));
    if (dy > 0 && dx <= 0) return t;
    if (dy > 0 && dx > 0) return 2 * kPi - t;
    if (dy < 0 && dx < 0) return kPi - t;
    if (dy <= 0 && dx >= 0) return kPi + t;
    return t; // dy = 0, dx < 0: pi / 2
}

Vec2 MarkerCentre(const View& view, Vec2 s, int w, int h, float pulseDegrees) {
    const double sw = view.w, sh = view.h;
    if (s.x >= 0 && s.x <= sw && s.y >= 0 && s.y <= sh) {
        double lift = w / 2.0 + 50 * view.Scale();
        return RotatePoint(s.x, s.y - lift, s.x, s.y, pulseDegrees);
    }
    auto clampInto = [](double value, double lo, double hi) {
        if (lo > hi) return (lo + hi) / 2; // an image wider than the screen: keep it centred
        return std::clamp(value, lo, hi);
    };
    return {clampInto(s.x, w / 2.0, sw - w / 2.0), clampInto(s.y, h / 2.0, sh - h / 2.0)};
}

bool CastsLight(const std::string& type) {
    static constexpr std::string_view kKinds[] = {"barrel", "box",     "icebox", "poisonbox",
                                                  "player", "player2", "box2",   "warning"};
    for (std::string_view k : kKinds)
        if (type == k) return true;
    return false;
}

bool LightQuadCorners(const World& w, const Entity& e, Vec2 light, double range, std::array<Vec2, 4>& out) {
    const Vec2 centre = e.center;
    Vec2 toEntity = centre - light;
    double d2 = toEntity.Dot(toEntity);
    if (!(d2 < range * range)) return false;
    if (d2 == 0) return false; // the centre is exactly at the light: no direction to cast in
    if (e.particlecount() == 0) return false;
    const Vec2& first = w.particles[static_cast<size_t>(e.particles[0])].p;
    if (first.x == light.x || first.y == light.y) return false;

    double d = std::sqrt(d2);
    Vec2 u = toEntity / d;
    Vec2 farPoint = centre + u * ((range - d) * 0.7);
    Vec2 dir{centre.y - light.y, light.x - centre.x}; // direction of the far line
    double reach = (farPoint - light).Dot(u);         // distance from the light to the far line

    // Compare the far-line points by y; a far line that runs exactly horizontally (the light straight
    // above or below the centre) is compared by x instead.
    const bool byY = dir.y != 0;
    bool found = false;
    Vec2 lowHit, highHit, lowParticle, highParticle;
    double low = 0, high = 0;
    for (int32_t slot : e.particles) {
        const Vec2& pos = w.particles[static_cast<size_t>(slot)].p;
        Vec2 ray = pos - light;
        double ahead = ray.Dot(u);
        if (!(ahead > 0)) continue; // parallel to the far line, or behind the light
        double stretch = std::min(reach / ahead, kMaxRayStretch);
        Vec2 hit = light + ray * stretch;
        double key = byY ? hit.y : hit.x;
        if (!found) {
            found = true;
            low = high = key;
            lowHit = highHit = hit;
            lowParticle = highParticle = pos;
            continue;
        }
        if (key < low) {
            low = key;
            lowHit = hit;
            lowParticle = pos;
        }
        if (key > high) {
            high = key;
            highHit = hit;
            highParticle = pos;
        }
    }
    if (!found) return false;
    out = {lowHit, lowParticle, highParticle, highHit};
    return true;
}
