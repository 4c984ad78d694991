#include <gtest/gtest.h>

#include <cmath>

#include "render/camera.h"

namespace {

View ViewOf(double x, double y, double zoom, double w = 1280, double h = 1024) {
    Camera c;
    c.x = x;
    c.y = y;
    c.zoom = zoom;
    return MakeView(c, w, h);
}

} // namespace

TEST(RenderCamera, WorldToScreenExamples) {
    // 1:1 with the camera at the origin: a world point lands on the same pixel, after rounding to whole
    // units (halves to even).
    View v = ViewOf(0, 0, 0);
    EXPECT_EQ(WorldToScreen(v, {37, -12}), (Vec2{37, -12}));
    EXPECT_EQ(WorldToScreen(v, {2.5, 3.5}), (Vec2{2, 4}));
    // The camera moves the picture the other way.
    EXPECT_EQ(WorldToScreen(ViewOf(100, -40, 0), {150, 10}), (Vec2{50, 50}));

    // Half size: the point at the screen centre stays, a point 100 units right of it moves 50 pixels right.
    View half = ViewOf(0, 0, 0.5);
    EXPECT_EQ(WorldToScreen(half, {640, 512}), (Vec2{640, 512}));
    EXPECT_EQ(WorldToScreen(half, {740, 512}), (Vec2{690, 512}));
    EXPECT_EQ(WorldToScreen(half, {640, 412}), (Vec2{640, 462}));
    // With a camera offset the centre is the world point (W/2 + cx, H/2 + cy).
    View moved = ViewOf(200, 100, 0.5);
    EXPECT_EQ(moved.zx, 840);
    EXPECT_EQ(moved.zy, 612);
    EXPECT_EQ(WorldToScreen(moved, {840, 612}), (Vec2{640, 512}));
    EXPECT_EQ(WorldToScreen(moved, {940, 612}), (Vec2{690, 512}));
    // Enlarged (z < 0): distances from the centre grow.
    EXPECT_EQ(WorldToScreen(ViewOf(0, 0, -0.5), {740, 512}), (Vec2{790, 512}));
    // The camera is used in whole pixels.
    View frac = ViewOf(10.4, 9.6, 0);
    EXPECT_EQ(frac.cx, 10);
    EXPECT_EQ(frac.cy, 10);
}

TEST(RenderCamera, ScreenToWorldGivesTheWorldPointBack) {
    const double zooms[] = {kZoomMin, -0.5, 0, 0.25, 0.5, kZoomMax};
    const double cams[][2] = {{0, 0}, {-333, 1200}, {4321, -77}};
    for (double z : zooms) {
        for (const auto& cam : cams) {
            View v = ViewOf(cam[0], cam[1], z, 1024, 768);
            for (Vec2 world :
                 {Vec2{0, 0}, Vec2{-250, 90}, Vec2{5000, -3000}, Vec2{cam[0] + 512, cam[1] + 384}}) {
                Vec2 s = WorldToScreen(v, world);
                Vec2 back = ScreenToWorld(v, s.x, s.y);
                EXPECT_NEAR(back.x, world.x, 1e-6) << "z " << z;
                EXPECT_NEAR(back.y, world.y, 1e-6) << "z " << z;
            }
        }
    }
    // The explicit form takes the zoom centre and the camera as the frame uses them.
    Vec2 w = ScreenToWorld(690, 512, 640, 512, 0.5, 0, 0);
    EXPECT_DOUBLE_EQ(w.x, 740);
    EXPECT_DOUBLE_EQ(w.y, 512);
}

TEST(RenderCamera, ZoomNeverReachesOne) {
    EXPECT_DOUBLE_EQ(ClampZoom(0.3), 0.3);
    EXPECT_DOUBLE_EQ(ClampZoom(1.0), kZoomMax);
    EXPECT_DOUBLE_EQ(ClampZoom(7.5), kZoomMax);
    EXPECT_DOUBLE_EQ(ClampZoom(-3.0), kZoomMin); // a 3840-pixel screen starts at 1 - 3840 / 1280 = -2
    EXPECT_DOUBLE_EQ(ClampZoom(std::nan("")), 0.0);
    EXPECT_DOUBLE_EQ(ClampZoom(INFINITY), kZoomMax);
    EXPECT_LT(kZoomMax, 1.0);
    EXPECT_GT(kZoomMin, -1.0); // edge scrolling by (z + 1) * 10 keeps moving the right way

    // A zoom of exactly 1 (a level file can hold one) is drawn and inverted at the bound: finite numbers.
    View v = ViewOf(0, 0, 1.0);
    EXPECT_DOUBLE_EQ(v.z, kZoomMax);
    Vec2 w = ScreenToWorld(100, 100, 640, 512, 1.0, 0, 0);
    EXPECT_TRUE(std::isfinite(w.x) && std::isfinite(w.y));
    Vec2 s = WorldToScreen(v, w);
    EXPECT_NEAR(s.x, 100, 1);
    EXPECT_NEAR(s.y, 100, 1);
}
