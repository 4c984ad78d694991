// The window list, the GUI mouse, the hovered window, moving, resizing, minimising, maximising, closing
// and the window animations.
#include <algorithm>

#include "gui/gui.h"
#include "gui/gui_internal.h"

bool WindowContains(const Gui& gui, const Window& win, int mx, int my) {
    int m = gui.settings.hitMargin;
    return win.x - m < mx && mx < win.x + win.width + m && win.y - m < my && my < win.y + win.height + m;
}

int ButtonImageSize(Platform& plat, int image) {
    int w = plat.ImageWidth(image);
    return w > 0 ? w : kFallbackButtonSize;
}

int TitleRoom(Platform& plat, const std::string& title) {
    if (title.empty()) return 0;
    int buttons = ButtonImageSize(plat, GuiImage::Close) + ButtonImageSize(plat, GuiImage::Maximize) +
                  ButtonImageSize(plat, GuiImage::Minimize);
    return plat.TextWidth(FontId::Gui, title) + 6 + buttons;
}

void KeepTitleRoom(const GuiSettings& s, Platform& plat, Window& w) {
    if (!w.fitTitle || w.maximised) return;
    int need = TitleRoom(plat, w.title);
    if (w.width >= need) return;
    w.width = need;
    if (w.x + w.width > s.screenWidth) w.x = std::max(0, s.screenWidth - w.width);
}

void InitGui(Gui& gui, int screenWidth, int screenHeight) {
    gui.settings = GuiSettings{};
    gui.settings.screenWidth = screenWidth;
    gui.settings.screenHeight = screenHeight;
}

// ---------------------------------------------------------------------------------------------------------
// Window list

int32_t OpenWindow(Gui& gui, int x, int y, int width, int height, const std::string& title, int alpha) {
    Window w;
    w.x = x;
    w.y = y;
    w.width = std::max(width, gui.settings.minWidth);
    w.height = std::max(height, gui.settings.minHeight);
    w.title = title;
    w.alpha = alpha;
    w.id = ++gui.windowCount;
    gui.windows.push_back(std::move(w));
    gui.current = gui.windowCount;
    return gui.windowCount;
}

Window* FindWindow(Gui& gui, int32_t id) {
    if (id == 0) return nullptr;
    for (auto& w : gui.windows)
        if (w.id == id) return &w;
    return nullptr;
}

const Window* FindWindow(const Gui& gui, int32_t id) {
    if (id == 0) return nullptr;
    for (const auto& w : gui.windows)
        if (w.id == id) return &w;
    return nullptr;
}

Window* FindWindowByTitle(Gui& gui, const std::string& title) {
    for (auto& w : gui.windows)
        if (w.title == title) return &w;
    return nullptr;
}

int32_t CurrentWindow(const Gui& gui) {
    return FindWindow(gui, gui.current) ? gui.current : 0;
}

void SetCurrentWindow(Gui& gui, int32_t id) {
    gui.current = FindWindow(gui, id) ? id : 0;
}

int32_t HoveredWindow(const Gui& gui) {
    return gui.hovered;
}

void SetHoveredWindow(Gui& gui, int32_t id) {
    gui.hovered = FindWindow(gui, id) ? id : 0;
}

bool WindowHovered(const Gui& gui) {
    return gui.hovered != 0;
}

void CloseWindow(Gui& gui, Platform& plat, int32_t id) {
    auto it =
        std::find_if(gui.windows.begin(), gui.windows.end(), [&](const Window& w) { return w.id == id; });
    if (it == gui.windows.end()) return;
    if (gui.hovered == id) gui.hovered = 0;
    if (gui.current == id) gui.current = 0;
    if (gui.grabWindow == id) gui.grabWindow = 0;
    StartAnimation(gui, plat, *it, gui.settings.closeStyle);
    gui.windows.erase(it);
}

// ---------------------------------------------------------------------------------------------------------
// Animations

namespace {

bool KnownStyle(const std::string& s) {
    return s == "close_rotate" || s == "close_fade" || s == "maximize_a" || s == "maximize_rotate" ||
           s == "minimize_shackle";
}

void EndAnimation(Gui& gui, Platform& plat, size_t index) {
    Animation& a = gui.animations[index];
    plat.FreeImage(a.quad);
    if (Window* w = FindWindow(gui, a.window); w && w->animation == a.id) w->animation = 0;
    gui.animations.erase(gui.animations.begin() + static_cast<std::ptrdiff_t>(index));
}

// One frame of an animation; true when it has ended.
bool AdvanceAnimation(const GuiSettings& s, Animation& a) {
    if (a.style == "close_rotate") {
        float ow = a.width, oh = a.height;
        a.angle += 10;
        a.width = ow * 4 / 5;
        a.height = oh * 4 / 5;
        a.x += ow / 10;
        a.y += oh / 10;
        a.alpha -= 15;
        return a.width <= 0 || a.height <= 0 || a.alpha <= 0;
    }
    if (a.style == "close_fade") {
        a.alpha -= 15;
        return a.alpha <= 0;
    }
    if (a.style == "maximize_a") {
        if (a.width < static_cast<float>(s.screenWidth)) {
            if (a.x > 0) a.x -= 20;
            a.width += 40;
        }
        if (a.height < static_cast<float>(s.screenHeight)) {
            if (a.y > 0) a.y -= 20;
            a.height += 40;
        }
        return a.width >= static_cast<float>(s.screenWidth) && a.height >= static_cast<float>(s.screenHeight);
    }
    if (a.style == "maximize_rotate") {
        a.angle += 20;
        return a.angle >= 360;
    }
    if (a.style == "minimize_shackle") {
        a.speed += a.step;
        if (a.speed > 2) {
            a.speed = 2;
            a.step = -a.step;
        } else if (a.speed < -2) {
            a.speed = -2;
            a.step = -a.step;
        }
        a.x += a.speed;
        a.counter -= 1;
        return a.counter < 1;
    }
    return true;
}

void AdvanceAnimations(Gui& gui, Platform& plat) {
    for (size_t i = 0; i < gui.animations.size();) {
        // Switching animations off ends the running ones, so that no window stays hidden.
        if (!gui.settings.animationsOn || AdvanceAnimation(gui.settings, gui.animations[i]))
            EndAnimation(gui, plat, i);
        else
            ++i;
    }
}

// Starts an animation on a window that stays open; the window is hidden until it ends.
void AnimateWindow(Gui& gui, Platform& plat, Window& win, const std::string& style) {
    int32_t id = StartAnimation(gui, plat, win, style);
    if (id != 0) win.animation = id;
}

} // namespace

int32_t StartAnimation(Gui& gui, Platform& plat, const Window& win, const std::string& style) {
    const GuiSettings& s = gui.settings;
    if (!s.animationsOn || style.empty() || !KnownStyle(style) ||
        gui.animations.size() >= static_cast<size_t>(kMaxAnimations))
        return 0;
    // The window with its frame, clamped to the screen.
    int m = s.hitMargin;
    int x1 = std::max(win.x - m, 0);
    int y1 = std::max(win.y - m, 0);
    int x2 = std::min(win.x + win.width + m, s.screenWidth);
    int y2 = std::min(win.y + win.height + m, s.screenHeight);
    if (x2 <= x1 || y2 <= y1) return 0;
    int quad = gui.nextAnimationImage;
    if (!plat.GrabScreen(quad, x1, y1, x2 - x1, y2 - y1)) return 0;
    ++gui.nextAnimationImage;

    Animation a;
    a.id = ++gui.animationCount;
    a.quad = quad;
    a.x = static_cast<float>(x1);
    a.y = static_cast<float>(y1);
    a.width = static_cast<float>(x2 - x1);
    a.height = static_cast<float>(y2 - y1);
    a.style = style;
    a.window = win.id;
    if (style == "close_rotate" || style == "close_fade") {
        a.alpha = 200;
    } else if (style == "maximize_a" || style == "maximize_rotate") {
        a.alpha = 250;
    } else {
        a.alpha = 250;
        a.counter = 20;
        a.step = 1;
    }
    gui.animations.push_back(a);
    return a.id;
}

// ---------------------------------------------------------------------------------------------------------
// Per-frame work

void FindHoveredWindow(Gui& gui, const InputState& in) {
    // A press that started on a window keeps it hovered until the button is released (this frame's release
    // included), so a fast drag never drops its window and the release never reaches the world.
    if (gui.hidden) {
        gui.hovered = 0;
        return;
    }
    int last = gui.mouse.state;
    bool buttonDown = in.left || last == 1 || last == 2 || last == 4;
    if (gui.grabWindow != 0 && buttonDown && FindWindow(gui, gui.grabWindow)) {
        gui.hovered = gui.grabWindow;
        return;
    }
    const Window* old = FindWindow(gui, gui.hovered);
    if (old && WindowContains(gui, *old, in.mouseX, in.mouseY)) return;
    gui.hovered = 0;
    for (const auto& w : gui.windows)
        if (WindowContains(gui, w, in.mouseX, in.mouseY)) gui.hovered = w.id;
}

namespace {

void UpdateMouse(Gui& gui, const InputState& in) {
    GuiMouse& m = gui.mouse;
    if (m.countdown > 0) --m.countdown;
    if (in.left && m.state == 0) {
        m.state = m.countdown > 0 ? 4 : 1;
        m.countdown = kDoubleClickFrames;
    } else if (in.left) {
        m.state = 2;
    }
    if (!in.left && m.state == 2)
        m.state = 3;
    else if (!in.left)
        m.state = 0;
    m.dx = in.mouseX - m.x;
    m.dy = in.mouseY - m.y;
    m.x = in.mouseX;
    m.y = in.mouseY;
    if (m.state == 0) gui.capture.clear();
    m.wheel = in.wheel;
}

void RepickOnPress(Gui& gui) {
    const GuiMouse& m = gui.mouse;
    if (m.state != 1 || gui.hidden) return;
    const Window* h = FindWindow(gui, gui.hovered);
    if (h && WindowContains(gui, *h, m.x, m.y)) return;
    gui.hovered = 0;
    for (const auto& w : gui.windows)
        if (WindowContains(gui, w, m.x, m.y)) gui.hovered = w.id;
}

void TrackPress(Gui& gui) {
    int s = gui.mouse.state;
    if (s == 1 || s == 4) {
        gui.grabWindow = gui.hovered;
        gui.previousPressKind = gui.pressKind;
        gui.previousPressId = gui.pressId;
        gui.pressKind = kPressNone;
        gui.pressId = 0;
    } else if (s == 0) {
        gui.grabWindow = 0;
    }
}

// Keeps a moved window's title bar on the screen, so that it can always be grabbed again.
void KeepTitleBarReachable(const GuiSettings& s, Window& w, int titleHeight) {
    constexpr int kKeep = 20;
    w.x = std::clamp(w.x, kKeep - w.width, std::max(s.screenWidth - kKeep, kKeep - w.width));
    w.y = std::clamp(w.y, 0, std::max(s.screenHeight - titleHeight, 0));
}

void Maximise(Gui& gui, Platform& plat, Window& w) {
    const GuiSettings& s = gui.settings;
    if (!w.maximised) {
        if (w.minimised) {
            w.minimised = false;
            w.height = w.savedHeight;
        }
        AnimateWindow(gui, plat, w, s.maximiseStyle);
        w.maximised = true;
        w.savedWidth = w.width;
        w.savedHeight = w.height;
        w.savedX = w.x;
        w.savedY = w.y;
        w.x = 0;
        w.y = 0;
        w.width = s.screenWidth;
        w.height = s.screenHeight;
    } else {
        w.maximised = false;
        w.width = w.savedWidth;
        w.height = w.savedHeight;
        w.x = w.savedX;
        w.y = w.savedY;
        AnimateWindow(gui, plat, w, s.maximiseStyle);
    }
}

void Minimise(Gui& gui, Platform& plat, Window& w) {
    const GuiSettings& s = gui.settings;
    if (!w.minimised) {
        if (w.maximised) {
            w.width = w.savedWidth;
            w.height = w.savedHeight;
            w.x = w.savedX;
            w.y = w.savedY;
            w.maximised = false;
        }
        AnimateWindow(gui, plat, w, s.minimiseStyle);
        w.minimised = true;
        w.savedHeight = w.height;
        w.height = s.minHeight;
    } else {
        w.minimised = false;
        w.height = w.savedHeight;
        AnimateWindow(gui, plat, w, s.minimiseStyle);
    }
}

void HoveredWindowInput(Gui& gui, Platform& plat) {
    Window* w = FindWindow(gui, gui.hovered);
    if (!w) return;
    const GuiMouse& m = gui.mouse;
    const GuiSettings& s = gui.settings;
    int hm = s.hitMargin;
    int titleHeight = ButtonImageSize(plat, GuiImage::Close);
    int px = m.x - m.dx; // where the mouse was before this frame's movement
    int py = m.y - m.dy;

    // Move by the title bar; a press that starts on a title-bar button does not move.
    if (m.state == 1 && gui.capture.empty() && w->closeState != 1 && w->maximiseState != 1 &&
        w->minimiseState != 1 && !w->maximised && w->x - hm < px && px < w->x + w->width + hm &&
        w->y - hm < py && py < w->y + titleHeight)
        gui.capture = "pos";
    if (gui.capture == "pos" && !w->maximised && (m.dx != 0 || m.dy != 0)) {
        w->x += m.dx;
        w->y += m.dy;
        KeepTitleBarReachable(s, *w, titleHeight);
    }

    if (w->closeState == 4) {
        CloseWindow(gui, plat, w->id);
        return;
    }
    if (w->maximiseState == 4) Maximise(gui, plat, *w);
    if (w->minimiseState == 4) Minimise(gui, plat, *w);
    if (w->minimised) return;

    // Resize by the handle in the lower-right corner.
    int rs = ButtonImageSize(plat, GuiImage::Resize);
    if (m.state == 1 && gui.capture.empty() && !w->maximised && w->x + w->width - rs < px &&
        px < w->x + w->width + hm && w->y + w->height - rs < py && py < w->y + w->height + hm)
        gui.capture = "resize";
    if (gui.capture == "resize" && !w->maximised) {
        w->width += m.dx;
        w->height += m.dy;
    }

    WidgetInput(gui, *w);
}

int TitleButtonState(int current, bool inside, int mouseState) {
    if (current == -1) return -1;
    return inside ? mouseState + 1 : 0;
}

// Sizes are clamped for every window; only the hovered window's buttons follow the mouse, so a button
// hidden under another window is never pressed through it.
void UpdateTitleBars(Gui& gui, Platform& plat) {
    const GuiSettings& s = gui.settings;
    int sc = ButtonImageSize(plat, GuiImage::Close);
    int sm = ButtonImageSize(plat, GuiImage::Maximize);
    int sn = ButtonImageSize(plat, GuiImage::Minimize);
    int mx = gui.mouse.x, my = gui.mouse.y;
    for (auto& w : gui.windows) {
        w.width = std::max(w.width, s.minWidth);
        w.height = std::max(w.height, s.minHeight);
        KeepTitleRoom(s, plat, w);
        bool hovered = w.id == gui.hovered;
        auto inBox = [&](int left, int size) {
            return hovered && left <= mx && mx < left + size && w.y <= my && my < w.y + size;
        };
        int right = w.x + w.width;
        w.closeState = TitleButtonState(w.closeState, inBox(right - sc, sc), gui.mouse.state);
        w.maximiseState = TitleButtonState(w.maximiseState, inBox(right - sc - sm, sm), gui.mouse.state);
        w.minimiseState = TitleButtonState(w.minimiseState, inBox(right - sc - sm - sn, sn), gui.mouse.state);
    }
}

void CloseSelfClosingWindows(Gui& gui, Platform& plat) {
    std::vector<int32_t> doomed;
    for (const auto& w : gui.windows)
        if (w.selfClosing && !w.buttons.empty() && w.buttons[0].state == 3) doomed.push_back(w.id);
    for (int32_t id : doomed) CloseWindow(gui, plat, id);
}

} // namespace

void GuiUpdate(Gui& gui, Platform& plat, const InputState& in) {
    UpdateMouse(gui, in);
    RepickOnPress(gui);
    TrackPress(gui);
    HoveredWindowInput(gui, plat);
    UpdateTitleBars(gui, plat);
    CloseSelfClosingWindows(gui, plat);
    AdvanceAnimations(gui, plat);
}
