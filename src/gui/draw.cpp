// Drawing windows, widgets and animations as textured quads and GUI-font text.
#include <algorithm>

#include "common/geometry.h"
#include "gui/gui.h"
#include "gui/gui_internal.h"

void DrawPanel(Platform& plat, float x, float y, float w, float h, int fill, int corner, int side, float b,
               int alpha) {
    plat.DrawQuad(fill, RectQuad(x, y, w, h), alpha);
    if (b <= 0) return;
    plat.DrawQuad(corner, RectQuad(x - b, y - b, b, b, 0), alpha);
    plat.DrawQuad(corner, RectQuad(x + w, y - b, b, b, 90), alpha);
    plat.DrawQuad(corner, RectQuad(x + w, y + h, b, b, 180), alpha);
    plat.DrawQuad(corner, RectQuad(x - b, y + h, b, b, 270), alpha);
    // Corners of each band: the image's top-left, top-right, bottom-right, bottom-left.
    Quad top, right, bottom, left;
    top.x = {x, x + w, x + w, x};
    top.y = {y - b, y - b, y, y};
    right.x = {x + w + b, x + w + b, x + w, x + w};
    right.y = {y, y + h, y + h, y};
    bottom.x = {x + w, x, x, x + w};
    bottom.y = {y + h + b, y + h + b, y + h, y + h};
    left.x = {x - b, x - b, x, x};
    left.y = {y + h, y, y, y + h};
    plat.DrawQuad(side, top, alpha);
    plat.DrawQuad(side, right, alpha);
    plat.DrawQuad(side, bottom, alpha);
    plat.DrawQuad(side, left, alpha);
}

namespace {

constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kBlack = Rgb(0, 0, 0);
constexpr uint32_t kMarkColour = Rgb(255, 220, 0);

float F(int v) {
    return static_cast<float>(v);
}

// A widget rectangle (relative to the window) that lies inside the window's current rectangle.
bool InsideWindow(const Window& win, int x, int y, int w, int h) {
    return x >= 0 && y >= 0 && x + w <= win.width && y + h <= win.height;
}

int TitleButtonAlpha(int state) {
    switch (state) {
    case 1:
        return 200;
    case 3:
        return 100;
    case -1:
        return 50;
    default:
        return 150;
    }
}

// The longest start of `text` that, followed by "...", fits into `room` pixels (the whole text when it
// fits). Cuts only between UTF-8 characters.
std::string FitText(Platform& plat, const std::string& text, int room) {
    if (plat.TextWidth(FontId::Gui, text) <= room) return text;
    auto cutAt = [&](size_t n) {
        while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        return n;
    };
    size_t lo = 0, hi = text.size();
    while (lo < hi) {
        size_t mid = cutAt((lo + hi + 1) / 2);
        if (mid <= lo) break;
        if (plat.TextWidth(FontId::Gui, text.substr(0, mid) + "...") <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.substr(0, cutAt(lo)) + "...";
}

// The outline of a marked widget: a yellow frame a few pixels outside it.
void DrawMark(Platform& plat, float x, float y, float w, float h) {
    constexpr float kOut = 4;
    plat.DrawBox(x - kOut, y - kOut, x + w + kOut, y + h + kOut, kMarkColour, false);
    plat.DrawBox(x - kOut + 1, y - kOut + 1, x + w + kOut - 1, y + h + kOut - 1, kMarkColour, false);
}

void DrawButtons(const Gui& gui, const Window& win, bool hovered, Platform& plat) {
    const float b = F(gui.settings.widgetMargin);
    for (const auto& bt : win.buttons) {
        if (bt.id == 0) break;
        if (!InsideWindow(win, bt.x, bt.y, bt.width, bt.height)) continue;
        int alpha = !hovered ? 50 : bt.state == 2 ? 100 : bt.state == -1 ? 250 : 150;
        float x = F(win.x + bt.x), y = F(win.y + bt.y);
        DrawPanel(plat, x, y, F(bt.width), F(bt.height), GuiImage::ButtonFill, GuiImage::ButtonEdge,
                  GuiImage::ButtonVertex, b, alpha);
        if (bt.picture != GuiImage::Blank)
            plat.DrawQuad(bt.picture, RectQuad(x, y, F(bt.width), F(bt.height)), 255);
        if (bt.marked) DrawMark(plat, x, y, F(bt.width), F(bt.height));
        if (!bt.text.empty()) {
            int tw = plat.TextWidth(FontId::Gui, bt.text);
            int th = plat.TextHeight(FontId::Gui, bt.text);
            plat.DrawText(FontId::Gui, win.x + bt.x + (bt.width - tw) / 2,
                          win.y + bt.y + (bt.height - th) / 2, bt.text, kWhite, 0, false);
        }
    }
}

void DrawImages(const Gui& gui, const Window& win, bool hovered, Platform& plat) {
    const float b = F(gui.settings.widgetMargin);
    for (const auto& im : win.images) {
        if (im.id == 0) break;
        if (!InsideWindow(win, im.x, im.y, im.width, im.height)) continue;
        float x = F(win.x + im.x), y = F(win.y + im.y);
        // Under the mouse, an image button sits on a lit button panel.
        if (hovered && im.state != 0)
            DrawPanel(plat, x, y, F(im.width), F(im.height), GuiImage::ButtonFill, GuiImage::ButtonEdge,
                      GuiImage::ButtonVertex, b, im.state == 2 ? 100 : 250);
        plat.DrawQuad(im.quad, RectQuad(x, y, F(im.width), F(im.height)), 255);
        if (im.marked) DrawMark(plat, x, y, F(im.width), F(im.height));
    }
}

void DrawTrackbars(const Gui& gui, const Window& win, bool hovered, Platform& plat) {
    const float b = F(gui.settings.widgetMargin);
    for (const auto& t : win.trackbars) {
        if (t.id == 0) break;
        if (!InsideWindow(win, t.x, t.y, t.width, t.height)) continue;
        int alpha = !hovered ? 100 : t.state == 2 ? 150 : t.state == -1 ? 250 : 200;
        float left = F(win.x + t.x), top = F(win.y + t.y), w = F(t.width), h = F(t.height);
        DrawPanel(plat, left, top, w, h, GuiImage::TrackbarFill, GuiImage::TrackbarEdge,
                  GuiImage::TrackbarVertex, b, alpha);
        plat.DrawQuad(GuiImage::TrackbarLine, RectQuad(left + 5, top, w - 10, h), alpha);
        float c = left + 6 + (w - 12) * t.value / 100.0f;
        plat.DrawQuad(GuiImage::TrackbarBar, RectQuad(c - 5, top, 10, h), alpha);
    }
}

int LabelComponent(int c, bool hovered) {
    return c >= 255 ? (hovered ? 200 : 100) : 0;
}

void DrawLabels(const Window& win, bool hovered, Platform& plat) {
    for (const auto& l : win.labels) {
        if (l.id == 0) break;
        if (l.text.empty()) continue;
        int tw = plat.TextWidth(FontId::Gui, l.text);
        int th = plat.TextHeight(FontId::Gui, l.text);
        if (!InsideWindow(win, l.x, l.y, tw, th)) continue;
        uint32_t colour = Rgb(LabelComponent(l.red, hovered), LabelComponent(l.green, hovered),
                              LabelComponent(l.blue, hovered));
        plat.DrawText(FontId::Gui, win.x + l.x, win.y + l.y, l.text, colour, 0, false);
    }
}

void DrawScrollAreas(const Gui& gui, const Window& win, bool hovered, Platform& plat) {
    const float b = F(gui.settings.scrollMargin);
    for (const auto& a : win.scrollAreas) {
        if (a.id == 0) break;
        if (!InsideWindow(win, a.x, a.y, a.width, a.height)) continue;
        int alpha = hovered ? 200 : 120;
        float left = F(win.x + a.x), top = F(win.y + a.y), w = F(a.width), h = F(a.height);
        DrawPanel(plat, left, top, w, h, GuiImage::ScrollFill, GuiImage::ScrollEdge, GuiImage::ScrollVertex,
                  b, alpha);
        plat.DrawQuad(GuiImage::ScrollLine, RectQuad(left + w - 10, top, 10, h), alpha);
        float barY = top + 6 + (h - 12) * a.scroll / 100.0f;
        plat.DrawQuad(GuiImage::ScrollBar, RectQuad(left + w - 10, barY - 6, 10, 12), hovered ? 250 : 150);

        int count = ScrollItemCount(a);
        int hidden = std::max(count * kScrollItemHeight - a.height + 3, 0);
        int shift = RoundToInt(hidden * static_cast<double>(a.scroll) / 100.0);
        auto rowTop = [&](int k) { return (k - 1) * kScrollItemHeight - shift + 1; };
        auto visible = [&](int t) { return 0 < t && t < a.height - kScrollItemHeight; };
        if (a.selected >= 1 && a.selected <= count && visible(rowTop(a.selected)))
            plat.DrawQuad(GuiImage::ScrollSelected,
                          RectQuad(left, top + F(rowTop(a.selected)), w - 10, F(kScrollItemHeight)), 125);
        int room = a.width - 12;
        for (int k = std::max(1, shift / kScrollItemHeight); k <= count; ++k) {
            int t = rowTop(k);
            if (t >= a.height - kScrollItemHeight) break;
            if (!visible(t)) continue;
            const ScrollItem& item = a.items[static_cast<size_t>(k - 1)];
            if (item.text.empty()) continue;
            uint32_t colour = k == a.selected ? kBlack : Rgb(item.red, item.green, item.blue);
            plat.DrawText(FontId::Gui, win.x + a.x, win.y + a.y + t, FitText(plat, item.text, room), colour,
                          0, false);
        }
    }
}

void DrawWindow(const Gui& gui, const Window& win, bool hovered, Platform& plat) {
    const float x = F(win.x), y = F(win.y), w = F(win.width), h = F(win.height);
    DrawPanel(plat, x, y, w, h, GuiImage::Fill, GuiImage::Edge, GuiImage::Vertex, F(gui.settings.hitMargin),
              hovered ? 200 : 100);

    int sc = ButtonImageSize(plat, GuiImage::Close);
    int sm = ButtonImageSize(plat, GuiImage::Maximize);
    int sn = ButtonImageSize(plat, GuiImage::Minimize);
    float right = x + w;
    plat.DrawQuad(GuiImage::Close, RectQuad(right - F(sc), y, F(sc), F(sc)),
                  TitleButtonAlpha(win.closeState));
    plat.DrawQuad(GuiImage::Maximize, RectQuad(right - F(sc + sm), y, F(sm), F(sm)),
                  TitleButtonAlpha(win.maximiseState));
    plat.DrawQuad(GuiImage::Minimize, RectQuad(right - F(sc + sm + sn), y, F(sn), F(sn)),
                  TitleButtonAlpha(win.minimiseState));

    // The title, or "..." when it does not fit beside the buttons.
    int tw = plat.TextWidth(FontId::Gui, win.title);
    bool fits = tw + 5 < win.width - (sc + sm + sn);
    if (!win.title.empty())
        plat.DrawText(FontId::Gui, win.x + 5, win.y, fits ? win.title : std::string("..."), kWhite, 0, false);

    if (!win.minimised) {
        int rs = ButtonImageSize(plat, GuiImage::Resize);
        plat.DrawQuad(GuiImage::Resize, RectQuad(right - F(rs), y + h - F(rs), F(rs), F(rs)), 255);
    }
    DrawWidgets(gui, win, hovered, plat);
}

} // namespace

void DrawWidgets(const Gui& gui, const Window& win, bool hovered, Platform& plat) {
    DrawButtons(gui, win, hovered, plat);
    DrawImages(gui, win, hovered, plat);
    DrawTrackbars(gui, win, hovered, plat);
    DrawLabels(win, hovered, plat);
    DrawScrollAreas(gui, win, hovered, plat);
}

void DrawWindows(Gui& gui, Platform& plat) {
    plat.SetBlend(BlendMode::Alpha);
    for (auto& w : gui.windows) KeepTitleRoom(gui.settings, plat, w); // opened since the last update
    const Window* top = nullptr;
    for (const auto& w : gui.windows) {
        if (w.id == gui.hovered) {
            top = &w;
            continue;
        }
        if (w.animation == 0) DrawWindow(gui, w, false, plat);
    }
    if (top && top->animation == 0) DrawWindow(gui, *top, true, plat);
    if (!gui.settings.animationsOn) return;
    for (const auto& a : gui.animations)
        plat.DrawQuad(a.quad, RectQuad(a.x, a.y, a.width, a.height, a.angle),
                      std::max(0, static_cast<int>(a.alpha)));
}
