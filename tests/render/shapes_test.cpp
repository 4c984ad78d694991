#include <gtest/gtest.h>

#include <cmath>

#include "render/shapes.h"
#include "scene.h"

namespace {
View ViewOf(double x, double y, double zoom) {
    return MakeView(Camera{x, y, zoom}, 1280, 1024);
}
} // namespace

TEST(RenderShapes, ThickLineCorners) {
    // The width is rounded up (4.2 -> 5); the band reaches half of it beyond both ends.
    ExpectCorners(ThickLineQuad(10, 20, 110, 20, 4.2f),
                  {{7.5, 22.5}, {7.5, 17.5}, {112.5, 17.5}, {112.5, 22.5}});
    ExpectCorners(ThickLineQuad(50, 0, 50, 40, 2), {{49, -1}, {51, -1}, {51, 41}, {49, 41}});
}

TEST(RenderShapes, HalfPlaneFillReachesTheScreenEdgesOnTheSolidSide) {
    // Mostly horizontal, normal up: boundary to the bottom corners. Slope 1/2 through the screen point of
    // (100, 600), with a camera offset and half-size zoom; the band lies 3 pixels into the solid side.
    const double r5 = std::sqrt(5.0);
    PlaneFill below = HalfPlaneFill(ViewOf(50, 20, 0.5), {100, 600}, {2, 1}, Vec2{1, -2} / r5);
    ASSERT_TRUE(below.visible);
    ExpectCorners(below.fill, {{0, 373.5}, {1280, 1013.5}, {1280, 1024}, {0, 1024}});
    ExpectCorners(below.band,
                  {{0, 373.5}, {1280, 1013.5}, {1280 - 3 / r5, 1013.5 + 6 / r5}, {-3 / r5, 373.5 + 6 / r5}});
    // Normal down (solid above): the top corners.
    ExpectCorners(HalfPlaneFill(ViewOf(0, 0, 0), {0, 300}, {-1, 0}, {0, 1}).fill,
                  {{0, 300}, {1280, 300}, {1280, 0}, {0, 0}});
    // Mostly vertical: to the left edge when the normal points right, else to the right edge.
    PlaneFill left = HalfPlaneFill(ViewOf(0, 0, 0), {400, 0}, {0, 1}, {1, 0});
    ExpectCorners(left.fill, {{400, 0}, {400, 1024}, {0, 1024}, {0, 0}});
    ExpectCorners(left.band, {{400, 0}, {400, 1024}, {397, 1024}, {397, 0}});
    ExpectCorners(HalfPlaneFill(ViewOf(0, 0, 0), {500, 100}, {1, -3}, Vec2{-3, -1} / std::sqrt(10.0)).fill,
                  {{500 + 100.0 / 3, 0}, {192, 1024}, {1280, 1024}, {1280, 0}});
    // A direction of (0, 0) has no boundary: nothing to draw, no division by zero.
    EXPECT_FALSE(HalfPlaneFill(ViewOf(0, 0, 0), {0, 0}, {0, 0}, {0, 0}).visible);
}

TEST(RenderShapes, MarkerCirclesOnScreenAndPinsToTheEdgeOffScreen) {
    View v = ViewOf(0, 0, 0);
    // On screen: above the entity at pulse 0 (half the image and 50 pixels), pointing down at it; a
    // quarter turn later to its right, pointing left. The circle shrinks with the zoom.
    Vec2 c0 = MarkerCentre(v, {600, 500}, 32, 32, 0);
    EXPECT_NEAR(c0.y, 434, 1e-9);
    EXPECT_NEAR(MarkerBearing(c0, {600, 500}), kPi, 1e-12);
    Vec2 c90 = MarkerCentre(v, {600, 500}, 32, 32, 90);
    EXPECT_NEAR(c90.x, 666, 1e-6);
    EXPECT_NEAR(c90.y, 500, 1e-6);
    EXPECT_NEAR(MarkerBearing(c90, {600, 500}), 1.5 * kPi, 1e-12);
    EXPECT_NEAR(MarkerCentre(ViewOf(0, 0, 0.5), {600, 500}, 32, 32, 0).y, 459, 1e-9);
    // Off screen: at the nearest place where the whole image shows, turned towards the entity.
    Vec2 corner = MarkerCentre(v, {-300, 2000}, 32, 32, 45);
    EXPECT_EQ(corner, (Vec2{16, 1008}));
    EXPECT_NEAR(MarkerBearing(corner, {-300, 2000}), kPi + std::atan(316.0 / 992.0), 1e-12);
    EXPECT_EQ(MarkerCentre(v, {5000, 300}, 20, 40, 0), (Vec2{1270, 300}));
    EXPECT_DOUBLE_EQ(MarkerBearing({0, 10}, {0, 0}), 0);
    EXPECT_NEAR(MarkerBearing({10, 10}, {0, 0}), 2 * kPi - std::atan(1.0), 1e-12);
}

TEST(RenderShapes, LightQuadOfABoxBesideALantern) {
    // Light at the origin, range 600, a 50 x 50 box to its right: from the box's left corners (the ends
    // of its outline seen from the light) out to the far line x = 125 + 475 * 0.7.
    RenderFixture f;
    const Entity& box = f.w.entities[static_cast<size_t>(f.Box("box", 100, -25, 150, 25))];
    UpdateEntityBounds(f.w);
    std::array<Vec2, 4> c;
    ASSERT_TRUE(LightQuadCorners(f.w, box, {0, 0}, 600, c));
    ExpectCorners(QuadOf(c), {{457.5, -114.375}, {100, -25}, {100, 25}, {457.5, 114.375}}, 1e-9);
    // Out of range (strictly), centre exactly at the light, first particle level or in line: nothing.
    EXPECT_FALSE(LightQuadCorners(f.w, box, {0, 0}, 125, c));
    EXPECT_FALSE(LightQuadCorners(f.w, box, {125, 0}, 600, c));
    EXPECT_FALSE(LightQuadCorners(f.w, box, {0, -25}, 600, c));
    EXPECT_FALSE(LightQuadCorners(f.w, box, {100, -300}, 600, c));

    // A particle straight beside the light (its ray parallel to the far line) or behind it is never
    // chosen, and the corners stay finite.
    const Entity& odd =
        f.w.entities[static_cast<size_t>(f.Body("box", {{100, -30}, {0, 50}, {140, -20}, {-20, -40}}))];
    f.w.entities[static_cast<size_t>(f.w.entityCount)].center = {80, 0};
    ASSERT_TRUE(LightQuadCorners(f.w, odd, {0, 0}, 600, c));
    const double reach = 80 + 520 * 0.7;
    ExpectCorners(QuadOf(c), {{reach, -0.3 * reach}, {100, -30}, {140, -20}, {reach, -20 * reach / 140}},
                  1e-4);

    // Light straight above the centre: the far line is horizontal, its points told apart by x.
    const Entity& below = f.w.entities[static_cast<size_t>(f.Box("box", -25, 100, 25, 150))];
    UpdateEntityBounds(f.w);
    ASSERT_TRUE(LightQuadCorners(f.w, below, {0, 0}, 600, c));
    ExpectCorners(QuadOf(c), {{-114.375, 457.5}, {-25, 100}, {25, 100}, {114.375, 457.5}}, 1e-9);
}
