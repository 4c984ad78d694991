#include <gtest/gtest.h>

#include <cmath>

#include "render/shapes.h"

namespace {

View ViewOf(double x, double y, double zoom) {
    Camera c;
    c.x = x;
    c.y = y;
    c.zoom = zoom;
    return MakeView(c, 1280, 1024);
}

void ExpectQuad(const Quad& q, std::initializer_list<Vec2> corners, double tol = 1e-3) {
    size_t i = 0;
    for (const Vec2& c : corners) {
        EXPECT_NEAR(q.x[i], c.x, tol) << "corner " << i + 1;
        EXPECT_NEAR(q.y[i], c.y, tol) << "corner " << i + 1;
        ++i;
    }
}

// Particles at the given points, in a world of their own.
struct Shape {
    World w;
    int32_t e = 0;
    Shape(std::initializer_list<Vec2> points) {
        ResetWorld(w);
        e = NewEntity(w, 1, 1);
        for (const Vec2& p : points) NewParticle(w, e, static_cast<float>(p.x), static_cast<float>(p.y));
        UpdateEntityBounds(w);
    }
    const Entity& entity() const { return w.entities[static_cast<size_t>(e)]; }
};

} // namespace

TEST(RenderShapes, ThickLineCorners) {
    // The width is rounded up (4.2 -> 5); the band reaches half of it beyond both ends.
    ExpectQuad(ThickLineQuad(10, 20, 110, 20, 4.2f),
               {{7.5, 22.5}, {7.5, 17.5}, {112.5, 17.5}, {112.5, 22.5}});
    ExpectQuad(ThickLineQuad(50, 0, 50, 40, 2), {{49, -1}, {51, -1}, {51, 41}, {49, 41}});
}

TEST(RenderShapes, HalfPlaneFillReachesTheScreenEdgesOnTheSolidSide) {
    // Mostly horizontal, normal pointing up: from the boundary down to the bottom corners. A slope of one
    // half, with a camera offset and half-size zoom: the boundary passes the screen point of P = (100, 600).
    Vec2 v{2, 1};
    Vec2 n = Vec2{1, -2} / std::sqrt(5.0);
    PlaneFill below = HalfPlaneFill(ViewOf(50, 20, 0.5), {100, 600}, v, n);
    ASSERT_TRUE(below.visible);
    ExpectQuad(below.fill, {{0, 373.5}, {1280, 1013.5}, {1280, 1024}, {0, 1024}});
    ExpectQuad(below.band, {{0, 373.5},
                            {1280, 1013.5},
                            {1280 - 3 / std::sqrt(5.0), 1013.5 + 6 / std::sqrt(5.0)},
                            {-3 / std::sqrt(5.0), 373.5 + 6 / std::sqrt(5.0)}});

    // Normal pointing down (solid above): the top corners.
    PlaneFill above = HalfPlaneFill(ViewOf(0, 0, 0), {0, 300}, {-1, 0}, {0, 1});
    ExpectQuad(above.fill, {{0, 300}, {1280, 300}, {1280, 0}, {0, 0}});
    ExpectQuad(above.band, {{0, 300}, {1280, 300}, {1280, 297}, {0, 297}});

    // Mostly vertical: the fill reaches the left edge when the normal points right, else the right edge.
    PlaneFill left = HalfPlaneFill(ViewOf(0, 0, 0), {400, 0}, {0, 1}, {1, 0});
    ExpectQuad(left.fill, {{400, 0}, {400, 1024}, {0, 1024}, {0, 0}});
    ExpectQuad(left.band, {{400, 0}, {400, 1024}, {397, 1024}, {397, 0}});
    PlaneFill right = HalfPlaneFill(ViewOf(0, 0, 0), {500, 100}, {1, -3}, Vec2{-3, -1} / std::sqrt(10.0));
    ExpectQuad(right.fill, {{500 + 100.0 / 3, 0}, {192, 1024}, {1280, 1024}, {1280, 0}});

    // A direction of (0, 0) has no boundary: nothing to draw, and no division by zero.
    EXPECT_FALSE(HalfPlaneFill(ViewOf(0, 0, 0), {0, 0}, {0, 0}, {0, 0}).visible);
}

TEST(RenderShapes, MarkerCirclesOnScreenAndPinsToTheEdgeOffScreen) {
    View v = ViewOf(0, 0, 0);
    // On screen: above the entity at pulse 0, pointing down at it; a quarter turn later to its right,
    // pointing left.
    Vec2 c0 = MarkerCentre(v, {600, 500}, 32, 32, 0);
    EXPECT_NEAR(c0.x, 600, 1e-9);
    EXPECT_NEAR(c0.y, 434, 1e-9); // 16 + 50 above
    EXPECT_NEAR(MarkerBearing(c0, {600, 500}), kPi, 1e-12);
    Vec2 c90 = MarkerCentre(v, {600, 500}, 32, 32, 90);
    EXPECT_NEAR(c90.x, 666, 1e-6);
    EXPECT_NEAR(c90.y, 500, 1e-6);
    EXPECT_NEAR(MarkerBearing(c90, {600, 500}), 1.5 * kPi, 1e-12);
    // The circle shrinks with the zoom.
    EXPECT_NEAR(MarkerCentre(ViewOf(0, 0, 0.5), {600, 500}, 32, 32, 0).y, 459, 1e-9);

    // Off screen: the nearest place where the whole image is visible, turned towards the entity.
    Vec2 corner = MarkerCentre(v, {-300, 2000}, 32, 32, 45);
    EXPECT_EQ(corner, (Vec2{16, 1008}));
    EXPECT_NEAR(MarkerBearing(corner, {-300, 2000}), kPi + std::atan(316.0 / 992.0), 1e-12);
    EXPECT_EQ(MarkerCentre(v, {5000, 300}, 20, 40, 0), (Vec2{1270, 300}));
    // Below the entity the image is not turned; the bearing's remaining quadrants.
    EXPECT_DOUBLE_EQ(MarkerBearing({0, 10}, {0, 0}), 0);
    EXPECT_NEAR(MarkerBearing({10, 10}, {0, 0}), 2 * kPi - std::atan(1.0), 1e-12);
    EXPECT_NEAR(MarkerBearing({-10, -10}, {0, 0}), kPi - std::atan(1.0), 1e-12);
    EXPECT_NEAR(MarkerBearing({-10, 0}, {0, 0}), kPi / 2, 1e-12);
}

TEST(RenderShapes, LightQuadOfABoxBesideALantern) {
    // Light at the origin, range 600, a 50 x 50 box to its right: the quad spans from the box's left
    // corners (the outline's ends seen from the light) out to the far line x = 125 + 475 * 0.7.
    Shape box({{100, -25}, {150, -25}, {150, 25}, {100, 25}});
    std::array<Vec2, 4> c;
    ASSERT_TRUE(LightQuadCorners(box.w, box.entity(), {0, 0}, 600, c));
    EXPECT_NEAR(c[0].x, 457.5, 1e-9);
    EXPECT_NEAR(c[0].y, -114.375, 1e-9);
    EXPECT_EQ(c[1], (Vec2{100, -25}));
    EXPECT_EQ(c[2], (Vec2{100, 25}));
    EXPECT_NEAR(c[3].x, 457.5, 1e-9);
    EXPECT_NEAR(c[3].y, 114.375, 1e-9);

    // Out of range (strictly), or the centre exactly at the light: nothing.
    EXPECT_FALSE(LightQuadCorners(box.w, box.entity(), {0, 0}, 125, c));
    EXPECT_FALSE(LightQuadCorners(box.w, box.entity(), {125, 0}, 600, c));
    // The first particle exactly level with, or in line with, the light: nothing.
    EXPECT_FALSE(LightQuadCorners(box.w, box.entity(), {0, -25}, 600, c));
    EXPECT_FALSE(LightQuadCorners(box.w, box.entity(), {100, -300}, 600, c));
    // An entity without particles.
    Shape empty({});
    EXPECT_FALSE(LightQuadCorners(empty.w, empty.entity(), {0, 0}, 600, c));
}

TEST(RenderShapes, LightQuadNeverUsesARayThatMissesTheFarLine) {
    // The second particle lies straight beside the light (its ray runs parallel to the far line), the
    // fourth behind it: neither is chosen, and every corner stays finite.
    Shape s({{100, -30}, {0, 50}, {140, -20}, {-20, -40}});
    s.w.entities[static_cast<size_t>(s.e)].center = {80, 0};
    std::array<Vec2, 4> c;
    ASSERT_TRUE(LightQuadCorners(s.w, s.entity(), {0, 0}, 600, c));
    double reach = 80 + 520 * 0.7;
    EXPECT_EQ(c[1], (Vec2{100, -30}));
    EXPECT_EQ(c[2], (Vec2{140, -20}));
    EXPECT_NEAR(c[0].x, reach, 1e-9);
    EXPECT_NEAR(c[0].y, -30 * reach / 100, 1e-9);
    EXPECT_NEAR(c[3].y, -20 * reach / 140, 1e-9);

    // Light straight above the centre: the far line is horizontal and its points are told apart by x.
    Shape below({{-25, 100}, {25, 100}, {25, 150}, {-25, 150}});
    ASSERT_TRUE(LightQuadCorners(below.w, below.entity(), {0, 0}, 600, c));
    EXPECT_EQ(c[1], (Vec2{-25, 100}));
    EXPECT_EQ(c[2], (Vec2{25, 100}));
    EXPECT_NEAR(c[0].x, -114.375, 1e-9);
    EXPECT_NEAR(c[3].x, 114.375, 1e-9);
    EXPECT_NEAR(c[3].y, 457.5, 1e-9);
}
