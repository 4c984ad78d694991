#include <gtest/gtest.h>

#include <cmath>

#include "world/camera.h"

namespace {
View ViewOf(double x, double y, double zoom, double w = 1280, double h = 1024) {
    return MakeView(Camera{x, y, zoom}, w, h);
}
} // namespace

TEST(RenderCamera, WorldToScreenExamples) {
    // 1:1 at the origin: the same pixel, after rounding the world point (halves to even).
    EXPECT_EQ(WorldToScreen(ViewOf(0, 0, 0), {37, -12}), (Vec2{37, -12}));
    EXPECT_EQ(WorldToScreen(ViewOf(0, 0, 0), {2.5, 3.5}), (Vec2{2, 4}));
    EXPECT_EQ(WorldToScreen(ViewOf(100, -40, 0), {150, 10}), (Vec2{50, 50}));
    // Half size: the screen centre stays, 100 units right of it is 50 pixels right; also with a camera.
    EXPECT_EQ(WorldToScreen(ViewOf(0, 0, 0.5), {640, 512}), (Vec2{640, 512}));
    EXPECT_EQ(WorldToScreen(ViewOf(0, 0, 0.5), {740, 412}), (Vec2{690, 462}));
    EXPECT_EQ(WorldToScreen(ViewOf(200, 100, 0.5), {940, 612}), (Vec2{690, 512}));
    EXPECT_EQ(WorldToScreen(ViewOf(0, 0, -0.5), {740, 512}), (Vec2{790, 512}));
    // The camera counts in whole pixels.
    EXPECT_EQ(ViewOf(10.4, 9.6, 0).cx, 10);
    EXPECT_EQ(ViewOf(10.4, 9.6, 0).cy, 10);
}

TEST(RenderCamera, ScreenToWorldGivesTheWorldPointBack) {
    for (double z : {kZoomMin, -0.5, 0.0, 0.5, kZoomMax}) {
        for (Vec2 cam : {Vec2{0, 0}, Vec2{-333, 1200}}) {
            View v = ViewOf(cam.x, cam.y, z, 1024, 768);
            for (Vec2 world : {Vec2{0, 0}, Vec2{-250, 90}, Vec2{5000, -3000}}) {
                Vec2 s = WorldToScreen(v, world);
                Vec2 back = ScreenToWorld(v, s.x, s.y);
                EXPECT_NEAR(back.x, world.x, 1e-6) << "z " << z;
                EXPECT_NEAR(back.y, world.y, 1e-6) << "z " << z;
            }
        }
    }
}

TEST(RenderCamera, ZoomNeverReachesOne) {
    EXPECT_DOUBLE_EQ(ClampZoom(0.3), 0.3);
    EXPECT_DOUBLE_EQ(ClampZoom(1.0), kZoomMax);
    EXPECT_DOUBLE_EQ(ClampZoom(-2.0), kZoomMin); // a 3840-pixel screen would start at 1 - 3840 / 1280
    EXPECT_DOUBLE_EQ(ClampZoom(std::nan("")), 0.0);
    EXPECT_GT(kZoomMin, -1.0); // edge scrolling by (z + 1) * 10 keeps its direction
    // A zoom of exactly 1 (a level's camera line can hold one) gives finite points both ways.
    Vec2 w = ScreenToWorld(100, 100, 640, 512, 1.0, 0, 0);
    ASSERT_TRUE(std::isfinite(w.x) && std::isfinite(w.y));
    Vec2 s = WorldToScreen(ViewOf(0, 0, 1.0), w);
    EXPECT_NEAR(s.x, 100, 1);
}
