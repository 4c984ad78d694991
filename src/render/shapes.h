// The geometry of what the frame draws, apart from the drawing itself: thick lines, the screen-clipped
// fill of half-planes, marker placement and the outline of a cast light.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"
#include "world/camera.h"
#include "world/world.h"

// A band `width` wide (rounded up) along the segment A-B, reaching half its width beyond both ends. Corners
// in drawing order: A + h + t, A - h + t, B - h - t, B + h - t.
Quad ThickLineQuad(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width);
// Draws `image` on that band with `alpha`.
void DrawThickLine(Platform& plat, int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width, int image,
                   int alpha);

// The screen part of a half-plane through `p` with direction `v`, solid on the side away from `normal`:
// one quad from the boundary to the screen edges on the solid side, and the 3-pixel boundary band on
// that side. `visible` is false for a direction of (0, 0), which has no boundary to draw.
struct PlaneFill {
    bool visible = false;
    Quad fill;
    Quad band;
};
PlaneFill HalfPlaneFill(const View& view, Vec2 p, Vec2 v, Vec2 normal);

// The bearing, in radians, of point a seen from point b, as markers turn: 0 when a lies straight below b,
// growing clockwise on the screen, so that an image drawn pointing up and turned by it points from a to b.
double MarkerBearing(Vec2 a, Vec2 b);

// Where a marker image of w x h pixels is centred for an entity whose centre is on screen at `s`: circling
// it at the pulse angle while `s` is on the screen, else pinned to the nearest screen edge, fully visible.
Vec2 MarkerCentre(const View& view, Vec2 s, int w, int h, float pulseDegrees);

// True for the kinds of objects that lights cast a quad from.
bool CastsLight(const std::string& type);

// The world corners (A', A, B, B') of the light quad cast from the light at `light` past `e`: A and B are
// the particles at the two ends of the entity's outline seen from the light, A' and B' the points where
// the rays from the light through them meet the far line. False when the entity gets no quad: out of range,
// its centre exactly at the light, its first particle exactly level with or in line with the light, or no
// particle in front of the light. Particles beside or behind the light (whose rays never reach the far
// line) are never chosen.
bool LightQuadCorners(const World& w, const Entity& e, Vec2 light, double range, std::array<Vec2, 4>& out);
