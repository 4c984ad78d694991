// The camera: position and zoom, the world-to-screen transform and its inverse.
#pragma once

#include <array>
#include <cstdint>

#include "common/geometry.h"

struct Camera {
    double x = 0;
    double y = 0;
    double zoom = 0; // magnification is 1 - zoom
};

// The zoom value is kept inside [kZoomMin, kZoomMax]: from 1.8x magnification down to a tenth of the
// world's size. It never reaches 1, where every point would land on the screen centre and the inverse
// transform would divide by zero, and it stays above -1, where edge scrolling (which moves the camera by
// (zoom + 1) * 10 units) would stop and then run backwards.
constexpr double kZoomMin = -0.8;
constexpr double kZoomMax = 0.9;

// The zoom brought inside the bound; a value that is not a number becomes 0 (1:1).
double ClampZoom(double zoom);

// One frame's view of the world: the camera in whole pixels, the world point at the screen centre, the
// zoom and the screen size. Every world-to-screen and screen-to-world conversion of a frame uses the same
// view, so the mouse and the picture agree.
struct View {
    int32_t cx = 0; // camera position rounded to whole pixels
    int32_t cy = 0;
    int32_t zx = 640; // Z: the world point at the screen centre, (W / 2 + cx, H / 2 + cy) rounded
    int32_t zy = 512;
    double z = 0; // zoom value, inside the bound
    double w = 1280;
    double h = 1024;

    double Scale() const { return 1 - z; } // magnification
};

View MakeView(const Camera& cam, double screenWidth, double screenHeight);

// b + (a - b) * f, in doubles.
Vec2 TransformPoint(double ax, double ay, double bx, double by, double f);

// The world point (first rounded to whole units) zoomed about Z, before the camera is subtracted.
Vec2 WorldToZoomed(const View& v, Vec2 world);
// Screen position of a world point (not rounded: quad corners keep the fraction as single floats).
Vec2 WorldToScreen(const View& v, Vec2 world);
// The same, rounded to whole pixels.
Vec2 WorldToScreenRounded(const View& v, Vec2 world);

// Inverse transform: world = (S + (cx, cy) - z * Z) / (1 - z). The zoom is brought inside the bound first,
// so the division is never by zero. The editor rounds the result up (ceil) to get the mouse world position.
Vec2 ScreenToWorld(double sx, double sy, double zoomCentreX, double zoomCentreY, double zoom, int32_t cx,
                   int32_t cy);
Vec2 ScreenToWorld(const View& v, double sx, double sy);
