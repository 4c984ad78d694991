// Buttons, images, trackbars, labels and scroll areas: adding, finding, and the input of the hovered
// window's widgets.
#include <algorithm>
#include <cmath>

#include "common/geometry.h"
#include "gui/gui.h"
#include "gui/gui_internal.h"

// ---------------------------------------------------------------------------------------------------------
// Adding

namespace {

// Appends a widget to a table unless it is full; the new id, or the counter unchanged when refused.
template <typename T> int32_t AddTo(std::vector<T>& table, int32_t& counter, T widget) {
    if (table.size() >= static_cast<size_t>(kMaxWidgetsPerKind)) return counter;
    widget.id = ++counter;
    table.push_back(std::move(widget));
    return counter;
}

template <typename T> T* FindIn(std::vector<T>& table, int32_t id) {
    if (id == 0) return nullptr;
    for (auto& w : table)
        if (w.id == id) return &w;
    return nullptr;
}

} // namespace

int32_t AddButton(Gui& gui, int32_t window, int x, int y, int width, int height, const std::string& text,
                  int picture) {
    Window* win = FindWindow(gui, window);
    if (!win) return 0;
    GuiButton b;
    b.picture = picture == -1 ? GuiImage::Blank : picture;
    b.x = x, b.y = y, b.width = width, b.height = height;
    b.text = text;
    return AddTo(win->buttons, gui.buttonCount, std::move(b));
}

int32_t AddImage(Gui& gui, int32_t window, int x, int y, int width, int height, int quad,
                 const std::string& tag) {
    Window* win = FindWindow(gui, window);
    if (!win) return 0;
    GuiImageWidget i;
    i.quad = quad == -1 ? GuiImage::NoBmp : quad;
    i.x = x, i.y = y, i.width = width, i.height = height;
    i.tag = tag;
    return AddTo(win->images, gui.imageCount, std::move(i));
}

int32_t AddTrackbar(Gui& gui, int32_t window, int x, int y, int width, int height, float value) {
    Window* win = FindWindow(gui, window);
    if (!win) return 0;
    GuiTrackbar t;
    t.x = x, t.y = y, t.width = width, t.height = height;
    t.value = value;
    return AddTo(win->trackbars, gui.trackbarCount, t);
}

int32_t AddLabel(Gui& gui, int32_t window, int x, int y, const std::string& text) {
    Window* win = FindWindow(gui, window);
    if (!win) return 0;
    GuiLabel l;
    l.x = x, l.y = y;
    l.text = text;
    return AddTo(win->labels, gui.labelCount, std::move(l));
}

int32_t AddScrollArea(Gui& gui, int32_t window, int x, int y, int width, int height) {
    Window* win = FindWindow(gui, window);
    if (!win) return 0;
    GuiScrollArea a;
    a.x = x, a.y = y, a.width = width, a.height = height;
    return AddTo(win->scrollAreas, gui.scrollAreaCount, std::move(a));
}

GuiButton* FindButton(Window& win, int32_t id) {
    return FindIn(win.buttons, id);
}
GuiImageWidget* FindImageWidget(Window& win, int32_t id) {
    return FindIn(win.images, id);
}
GuiTrackbar* FindTrackbar(Window& win, int32_t id) {
    return FindIn(win.trackbars, id);
}
GuiLabel* FindLabel(Window& win, int32_t id) {
    return FindIn(win.labels, id);
}
GuiScrollArea* FindScrollArea(Window& win, int32_t id) {
    return FindIn(win.scrollAreas, id);
}

// ---------------------------------------------------------------------------------------------------------
// Reading and setting

int ButtonState(Gui& gui, int32_t window, int32_t button) {
    Window* w = FindWindow(gui, window);
    GuiButton* b = w ? FindButton(*w, button) : nullptr;
    return b ? b->state : 0;
}

int ImageState(Gui& gui, int32_t window, int32_t image) {
    Window* w = FindWindow(gui, window);
    GuiImageWidget* i = w ? FindImageWidget(*w, image) : nullptr;
    return i ? i->state : 0;
}

float TrackbarValue(Gui& gui, int32_t window, int32_t trackbar) {
    Window* w = FindWindow(gui, window);
    GuiTrackbar* t = w ? FindTrackbar(*w, trackbar) : nullptr;
    return t ? t->value : 0.0f;
}

void SetTrackbarValue(Gui& gui, int32_t window, int32_t trackbar, float value) {
    Window* w = FindWindow(gui, window);
    if (GuiTrackbar* t = w ? FindTrackbar(*w, trackbar) : nullptr) t->value = std::clamp(value, 0.0f, 100.0f);
}

void SetLabelText(Gui& gui, int32_t window, int32_t label, const std::string& text) {
    Window* w = FindWindow(gui, window);
    if (GuiLabel* l = w ? FindLabel(*w, label) : nullptr) l->text = text;
}

void SetLabelColour(Gui& gui, int32_t window, int32_t label, int red, int green, int blue) {
    Window* w = FindWindow(gui, window);
    if (GuiLabel* l = w ? FindLabel(*w, label) : nullptr) {
        l->red = red;
        l->green = green;
        l->blue = blue;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Scroll-area items

namespace {
uint8_t Component(int c) {
    return static_cast<uint8_t>(std::clamp(c, 0, 255));
}
} // namespace

int AddScrollItem(GuiScrollArea& area, const std::string& text, int red, int green, int blue) {
    if (area.items.size() >= static_cast<size_t>(kMaxScrollItems)) return 0;
    area.items.push_back({text, Component(red), Component(green), Component(blue)});
    return static_cast<int>(area.items.size());
}

bool SetScrollItem(GuiScrollArea& area, int k, const std::string& text, int red, int green, int blue) {
    if (k < 1 || k > kMaxScrollItems) return false;
    if (area.items.size() < static_cast<size_t>(k)) area.items.resize(static_cast<size_t>(k));
    area.items[static_cast<size_t>(k - 1)] = {text, Component(red), Component(green), Component(blue)};
    return true;
}

void SetScrollItemCount(GuiScrollArea& area, int count) {
    count = std::clamp(count, 0, kMaxScrollItems);
    area.items.resize(static_cast<size_t>(count));
    if (area.selected > count) area.selected = 0;
}

int ScrollItemCount(const GuiScrollArea& area) {
    return static_cast<int>(area.items.size());
}

const std::string& ScrollItemText(const GuiScrollArea& area, int k) {
    static const std::string kEmpty;
    if (k < 1 || k > ScrollItemCount(area)) return kEmpty;
    return area.items[static_cast<size_t>(k - 1)].text;
}

void SetScrollSelected(GuiScrollArea& area, int k) {
    area.selected = (k >= 0 && k <= ScrollItemCount(area)) ? k : 0;
}

// ---------------------------------------------------------------------------------------------------------
// Input of the hovered window's widgets

namespace {

// Strictly inside the rectangle grown by `margin` on every side.
bool InGrownBox(int mx, int my, int x, int y, int w, int h, int margin) {
    return x - margin < mx && mx < x + w + margin && y - margin < my && my < y + h + margin;
}

// The state of a widget from the GUI button state. A press marks the widget it lands on; holding and
// releasing count only for that widget, so a press that starts elsewhere and ends here is no click.
int PointerState(Gui& gui, int kind, int32_t id, bool inside) {
    if (!inside) return 0;
    int s = gui.mouse.state;
    if (s == 0) return -1;
    if (s == 1 || s == 4) {
        gui.pressKind = kind;
        gui.pressId = id;
        return s;
    }
    return (gui.pressKind == kind && gui.pressId == id) ? s : -1;
}

void ButtonInput(Gui& gui, Window& win) {
    const int m = gui.settings.widgetMargin;
    for (auto& b : win.buttons) {
        if (b.id == 0) break;
        bool in = InGrownBox(gui.mouse.x, gui.mouse.y, win.x + b.x, win.y + b.y, b.width, b.height, m);
        b.state = PointerState(gui, kPressButton, b.id, in);
    }
    for (auto& i : win.images) {
        if (i.id == 0) break;
        bool in = InGrownBox(gui.mouse.x, gui.mouse.y, win.x + i.x, win.y + i.y, i.width, i.height, m);
        i.state = PointerState(gui, kPressImage, i.id, in);
    }
}

void TrackbarInput(Gui& gui, Window& win) {
    const int m = gui.settings.widgetMargin;
    for (auto& t : win.trackbars) {
        if (t.id == 0) break;
        bool in = InGrownBox(gui.mouse.x, gui.mouse.y, win.x + t.x, win.y + t.y, t.width, t.height, m);
        t.state = PointerState(gui, kPressTrackbar, t.id, in);
        std::string mine = "trackbar_" + std::to_string(t.id);
        if (t.state == 2 && gui.capture.empty()) gui.capture = mine;
        if (gui.capture == mine) {
            float travel = static_cast<float>(std::max(t.width - 12, 1));
            t.value = static_cast<float>(gui.mouse.x - win.x - t.x - 5) / travel * 100.0f;
        }
        t.value = std::clamp(t.value, 0.0f, 100.0f);
    }
}

void ScrollAreaInput(Gui& gui, Window& win) {
    const int m = gui.settings.scrollMargin;
    const int mx = gui.mouse.x, my = gui.mouse.y;
    for (auto& a : win.scrollAreas) {
        if (a.id == 0) break;
        int left = win.x + a.x, top = win.y + a.y;
        int count = ScrollItemCount(a);
        if (InGrownBox(mx, my, left, top, a.width, a.height, m)) {
            a.state = PointerState(gui, kPressScrollArea, a.id, true);
            bool inList = mx < left + a.width - 10;
            if (a.state == 1 || a.state == 4) {
                int hidden = std::max(count * kScrollItemHeight - a.height + 3, 0);
                int offset = RoundToInt(hidden * static_cast<double>(a.scroll) / 100.0) + 1;
                int k =
                    static_cast<int>(std::ceil((my - top + offset) / static_cast<double>(kScrollItemHeight)));
                if (k < 0 || k > count) k = 0;
                // A double press counts only as the second press on the selected item; a quick press on
                // another item or on the strip is a plain press.
                bool again = gui.previousPressKind == kPressScrollArea && gui.previousPressId == a.id;
                if (a.state == 4 && !(inList && again && k == a.selected)) a.state = 1;
                if (a.state == 1 && inList) a.selected = k;
            }
            a.scroll -= static_cast<float>(gui.mouse.wheel) * 100.0f / static_cast<float>(count + 1);
        } else {
            a.state = 0;
        }
        std::string mine = "scrollarea_" + std::to_string(a.id);
        bool inStrip = InGrownBox(mx, my, left + a.width - 10, top, 10, a.height, m);
        if (inStrip && a.state == 2 && gui.capture.empty()) gui.capture = mine;
        if (gui.capture == mine) {
            float travel = static_cast<float>(std::max(a.height - 12, 1));
            a.scroll = static_cast<float>(my - top - 5) / travel * 100.0f;
        }
        a.scroll = std::clamp(a.scroll, 0.0f, 100.0f);
    }
}

} // namespace

void WidgetInput(Gui& gui, Window& win) {
    ButtonInput(gui, win);
    TrackbarInput(gui, win);
    ScrollAreaInput(gui, win);
}
