#include "world/camera.h"

#include <algorithm>
#include <cmath>

double ClampZoom(double zoom) {
    if (std::isnan(zoom)) return 0;
    return std::clamp(zoom, kZoomMin, kZoomMax);
}

View MakeView(const Camera& cam, double screenWidth, double screenHeight) {
    View v;
    v.cx = RoundToInt(cam.x);
    v.cy = RoundToInt(cam.y);
    v.w = screenWidth;
    v.h = screenHeight;
    v.zx = RoundToInt(screenWidth / 2 + v.cx);
    v.zy = RoundToInt(screenHeight / 2 + v.cy);
    v.z = ClampZoom(cam.zoom);
    return v;
}

Vec2 TransformPoint(double ax, double ay, double bx, double by, double f) {
    return {bx + (ax - bx) * f, by + (ay - by) * f};
}

Vec2 WorldToZoomed(const View& v, Vec2 world) {
    double px = RoundToInt(world.x);
    double py = RoundToInt(world.y);
    return TransformPoint(v.zx, v.zy, px, py, v.z);
}

Vec2 WorldToScreen(const View& v, Vec2 world) {
    Vec2 t = WorldToZoomed(v, world);
    return {t.x - v.cx, t.y - v.cy};
}

Vec2 WorldToScreenRounded(const View& v, Vec2 world) {
    Vec2 s = WorldToScreen(v, world);
    return {static_cast<double>(RoundToInt(s.x)), static_cast<double>(RoundToInt(s.y))};
}

Vec2 ScreenToWorld(double sx, double sy, double zoomCentreX, double zoomCentreY, double zoom, int32_t cx,
                   int32_t cy) {
    double z = ClampZoom(zoom);
    return {(sx + cx - z * zoomCentreX) / (1 - z), (sy + cy - z * zoomCentreY) / (1 - z)};
}

Vec2 ScreenToWorld(const View& v, double sx, double sy) {
    return ScreenToWorld(sx, sy, v.zx, v.zy, v.z, v.cx, v.cy);
}
