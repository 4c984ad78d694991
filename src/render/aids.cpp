// Drawing that helps the user: the grid behind the world and the tooltip on top of everything.
#include <algorithm>
#include <cmath>

#include "render/passes.h"
#include "render/render.h"

void DrawGrid(FrameContext& f) {
    const FrameScene& scene = f.scene;
    if (!scene.editor.grid) return;
    const View& v = f.view;
    // Lines at least 8 pixels apart: far out, every fourth line of the one below.
    double step = kGridStep;
    while (step * v.Scale() < 8) step *= 4;
    const Vec2 a = ScreenToWorld(v, 0, 0), b = ScreenToWorld(v, v.w, v.h);
    const double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    const double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    auto colour = [&](double at) {
        return std::fmod(std::fabs(at), step * 4) < 0.5 ? Rgb(58, 58, 72) : Rgb(36, 36, 46);
    };
    for (double x = std::ceil(x0 / step) * step; x <= x1; x += step) {
        double sx = f.Screen({x, 0}).x;
        f.Line(sx, 0, sx, v.h, colour(x));
    }
    for (double y = std::ceil(y0 / step) * step; y <= y1; y += step) {
        double sy = f.Screen({0, y}).y;
        f.Line(0, sy, v.w, sy, colour(y));
    }
}

void DrawTooltip(FrameContext& f) {
    const Tooltip& tip = f.scene.editor.tooltip;
    if (tip.key.empty() || tip.frames < kTooltipDelay) return;
    Platform& plat = f.plat;
    const int mx = f.scene.input.mouseX, my = f.scene.input.mouseY;
    const int th = plat.TextHeight(FontId::Hud, tip.title);
    const int w = std::max(plat.TextWidth(FontId::Hud, tip.title),
                           tip.hint.empty() ? 0 : plat.TextWidth(FontId::Hud, tip.hint)) +
                  12;
    const int h = (tip.hint.empty() ? th : 2 * th + 2) + 8;
    const int W = static_cast<int>(f.view.w), H = static_cast<int>(f.view.h);
    int x = std::clamp(mx + 14, 0, std::max(W - w, 0));
    int y = my + 20;
    if (y + h > H) y = std::max(my - h - 4, 0);
    plat.DrawBox(static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + w),
                 static_cast<float>(y + h), Rgb(24, 24, 34), true);
    f.Box(x, y, x + w, y + h, Rgb(255, 220, 0));
    plat.DrawText(FontId::Hud, x + 6, y + 4, tip.title, Rgb(255, 255, 255), 0, false);
    if (!tip.hint.empty())
        plat.DrawText(FontId::Hud, x + 6, y + 6 + th, tip.hint, Rgb(180, 180, 190), 0, false);
}
