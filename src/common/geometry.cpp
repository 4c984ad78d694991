#include "common/geometry.h"

#include <algorithm>
#include <cfenv>
#include <climits>

double IntervalDistance(double minA, double maxA, double minB, double maxB) {
    if (minB > minA) return minB - maxA;
    return minA - maxB;
}

bool BoxesOverlap(double ax1, double ay1, double ax2, double ay2, double bx1, double by1, double bx2,
                  double by2) {
    return IntervalDistance(ax1, ax2, bx1, bx2) < 0 && IntervalDistance(ay1, ay2, by1, by2) < 0;
}

bool ClipSegment(double x1, double y1, double x2, double y2, double left, double top, double right,
                 double bottom, double& t0, double& t1) {
    if (!(std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2))) return false;
    const double dx = x2 - x1, dy = y2 - y1;
    t0 = 0;
    t1 = 1;
    // Each side of the box: p * t <= q keeps the point inside.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - left, right - x1, y1 - top, bottom - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

float SignedLineDistance(float x1, float y1, float x2, float y2, float px, float py, int32_t rx, int32_t ry) {
    float nx = -(y2 - y1);
    float ny = x2 - x1;
    float len = std::sqrt(nx * nx + ny * ny);
    if (len == 0.0f) return 0.0f;
    nx /= len;
    ny /= len;
    float d = (px - x1) * nx + (py - y1) * ny;
    if (rx != 0 || ry != 0) {
        float r = (static_cast<float>(rx) - x1) * nx + (static_cast<float>(ry) - y1) * ny;
        if (r < 0) d = -d;
    }
    return d;
}

double PointBearing(double cx, double cy, double px, double py) {
    double dx = px - cx;
    double dy = py - cy;
    double a = (dy == 0) ? kPi / 2 : std::atan(std::fabs(dx) / std::fabs(dy));
    if (dx == 0 && dy == 0) return 0;
    if (dx >= 0 && dy < 0) return a;       // up and to the right
    if (dx > 0 && dy >= 0) return kPi - a; // right and down
    if (dx <= 0 && dy > 0) return kPi + a; // down and to the left
    return 2 * kPi - a;                    // left and up
}

double RoundHalfEven(double v) {
    if (!std::isfinite(v)) return v;
    return std::nearbyint(v); // the default rounding mode rounds halves to even
}

int32_t RoundToInt(double v) {
    double r = RoundHalfEven(v);
    if (!(r == r)) return 0;
    if (r >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    if (r <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    return static_cast<int32_t>(r);
}

Vec2 RotatePoint(double px, double py, double cx, double cy, double deg) {
    double rad = deg * kPi / 180.0;
    double c = std::cos(rad);
    double s = std::sin(rad);
    double dx = px - cx;
    double dy = py - cy;
    return {cx + dx * c - dy * s, cy + dx * s + dy * c};
}

std::vector<Vec2> ConvexHull(std::vector<Vec2> pts) {
    auto cross = [](Vec2 o, Vec2 a, Vec2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
    if (pts.size() < 3) return {};
    std::sort(pts.begin(), pts.end(), [](Vec2 a, Vec2 b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    std::vector<Vec2> hull(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) { // lower chain, then upper chain
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
        hull[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
        hull[k++] = pts[i];
    }
    hull.resize(k > 0 ? k - 1 : 0); // the last corner is the first again
    return hull;
}
