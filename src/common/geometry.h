// Small value types and geometric helpers shared by every subsystem.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

struct Vec2 {
    double x = 0;
    double y = 0;

    void Set(double nx, double ny) {
        x = nx;
        y = ny;
    }
    double Dot(const Vec2& o) const { return x * o.x + y * o.y; }
    double Length() const { return std::sqrt(x * x + y * y); }
    // A vector of length 0 stays unchanged.
    void Normalise() {
        double len = Length();
        if (len != 0) {
            x /= len;
            y /= len;
        }
    }
    Vec2 operator+(const Vec2& o) const { return {x + o.x, y + o.y}; }
    Vec2 operator-(const Vec2& o) const { return {x - o.x, y - o.y}; }
    Vec2 operator*(double s) const { return {x * s, y * s}; }
    Vec2 operator/(double s) const { return {x / s, y / s}; }
    Vec2& operator+=(const Vec2& o) {
        x += o.x;
        y += o.y;
        return *this;
    }
    Vec2& operator-=(const Vec2& o) {
        x -= o.x;
        y -= o.y;
        return *this;
    }
    bool operator==(const Vec2& o) const = default;
};

constexpr double kPi = 3.1415926535;

// minB - maxA when minB > minA, else minA - maxB. Negative: the intervals overlap; 0: they touch.
double IntervalDistance(double minA, double maxA, double minB, double maxB);

// Boxes given by lower and upper corners overlap when both interval distances are negative.
bool BoxesOverlap(double ax1, double ay1, double ax2, double ay2, double bx1, double by1, double bx2,
                  double by2);

// The part of the segment from (x1, y1) to (x2, y2) inside the box [left, right] x [top, bottom], as the
// segment's parameters t0 <= t1 within [0, 1]; false when no part is inside or an end is not a number.
bool ClipSegment(double x1, double y1, double x2, double y2, double left, double top, double right,
                 double bottom, double& t0, double& t1);

// Single-precision distance of (px, py) from the line through (x1, y1), (x2, y2), positive on the side of
// the normal (-(y2 - y1), x2 - x1). A reference point other than (0, 0) flips the sign so that its side
// counts as positive.
float SignedLineDistance(float x1, float y1, float x2, float y2, float px, float py, int32_t rx = 0,
                         int32_t ry = 0);

// Angle 0..2pi of (px, py) seen from (cx, cy), from straight up on the screen, clockwise.
double PointBearing(double cx, double cy, double px, double py);

inline double Sign(double x) {
    return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}

// Nearest integer, halves to even (the rounding of level files and of every "rounded" in the program).
double RoundHalfEven(double v);
int32_t RoundToInt(double v);

// Rotates (px, py) about (cx, cy) by deg degrees (screen coordinates: positive turns clockwise on screen).
Vec2 RotatePoint(double px, double py, double cx, double cy, double deg);

// The corners of the convex hull of `points`, counter-clockwise in a frame whose y grows downwards as the
// screen's (clockwise as seen), the first corner not repeated; fewer than three when they enclose no area.
std::vector<Vec2> ConvexHull(std::vector<Vec2> points);
