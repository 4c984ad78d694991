// Sprite-drawn windows and their widgets.
//
// The window list is the stacking order (last on top). Windows and animations are referred to by id, never
// by position. Each window keeps its widgets in per-kind tables of at most 100 entries that grow as widgets
// are added; there are no callbacks: the GUI update recomputes every widget's state each frame and the
// window's owner reads it (a button or image was clicked when its state is 3).
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "platform/image_numbers.h"
#include "platform/platform.h"

// Image numbers of the toolkit (kGuiBase + offset).
namespace GuiImage {
constexpr int Fill = kGuiBase + 0;
constexpr int Close = kGuiBase + 1;
constexpr int Minimize = kGuiBase + 2;
constexpr int Edge = kGuiBase + 3;
constexpr int Vertex = kGuiBase + 4;
constexpr int Resize = kGuiBase + 5;
constexpr int Blank = kGuiBase + 6;
constexpr int ButtonFill = kGuiBase + 7;
constexpr int ButtonEdge = kGuiBase + 8;
constexpr int ButtonVertex = kGuiBase + 9;
constexpr int Maximize = kGuiBase + 10;
constexpr int NoBmp = kGuiBase + 11;
constexpr int TrackbarFill = kGuiBase + 12;
constexpr int TrackbarEdge = kGuiBase + 13;
constexpr int TrackbarVertex = kGuiBase + 14;
constexpr int TrackbarLine = kGuiBase + 15;
constexpr int TrackbarBar = kGuiBase + 16;
constexpr int ScrollFill = kGuiBase + 17;
constexpr int ScrollEdge = kGuiBase + 18;
constexpr int ScrollVertex = kGuiBase + 19;
constexpr int ScrollLine = kGuiBase + 20;
constexpr int ScrollBar = kGuiBase + 21;
constexpr int ScrollSelected = kGuiBase + 22;
} // namespace GuiImage

constexpr int kMaxWidgetsPerKind = 100;
constexpr int kMaxScrollItems = 1000;
constexpr int kMaxAnimations = 10;
constexpr int kScrollItemHeight = 16;
constexpr int kDoubleClickFrames = 15;
// Size used for a title-bar or resize image that is missing.
constexpr int kFallbackButtonSize = 19;

// Widget state, recomputed each frame for the hovered window's widgets: 0 the mouse is elsewhere, -1 over it
// with the button up, 1 pressed over it this frame, 2 held, 3 released over it (a click), 4 pressed again
// within the double-click time. States 2 and 3 belong only to the widget the press started on; any other
// widget under the mouse reads -1 meanwhile.
struct GuiButton {
    int picture = GuiImage::Blank;
    int x = 0, y = 0, width = 0, height = 0;
    std::string text;
    int state = 0;
    int32_t id = 0;
    bool marked = false; // drawn with an outline (the owner's current choice)
};

struct GuiImageWidget {
    int quad = GuiImage::NoBmp;
    int x = 0, y = 0, width = 0, height = 0;
    int state = 0;
    int32_t id = 0;
    std::string tag;     // what the image stands for (the editor keeps a tool name here)
    bool marked = false; // drawn with an outline (the owner's current choice)
};

struct GuiTrackbar {
    int x = 0, y = 0, width = 0, height = 0;
    int state = 0;
    int32_t id = 0;
    float value = 0; // 0 to 100
};

struct GuiLabel {
    int x = 0, y = 0;
    int red = 255, green = 255, blue = 255;
    std::string text;
    int32_t id = 0;
};

struct ScrollItem {
    std::string text;
    uint8_t red = 0, green = 0, blue = 0;
};

struct GuiScrollArea {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<ScrollItem> items; // item k (1-based) is items[k - 1]; the item count is items.size()
    int selected = 0;              // 1 to the item count, 0 for none
    float scroll = 0;              // 0 to 100
    int state = 0;
    int32_t id = 0;
};

// Title-bar button state: -1 disabled; otherwise, while the mouse is over the button of the hovered window,
// the GUI button state + 1 (1 hovering, 2 pressed, 3 held, 4 released over it: a click, 5 pressed again
// quickly), and 0 when it is not.
struct Window {
    int x = 0, y = 0;
    int savedX = 0, savedY = 0;          // position before maximising
    int width = 0, height = 0;           // including the title bar
    int savedWidth = 0, savedHeight = 0; // size before maximising; savedHeight also before minimising
    std::string title;
    int minimiseState = 0;
    bool minimised = false;
    int maximiseState = 0;
    bool maximised = false;
    int closeState = 0;
    // Widget tables, slot 1 first; at most 100 of each kind.
    std::vector<GuiButton> buttons;
    std::vector<GuiImageWidget> images;
    std::vector<GuiTrackbar> trackbars;
    std::vector<GuiLabel> labels;
    std::vector<GuiScrollArea> scrollAreas;
    int32_t id = 0;           // 1, 2, ... in opening order; never reused
    bool selfClosing = false; // closes itself when its first button is clicked
    bool fitTitle = false;    // never narrower than its title needs (TitleRoom)
    int alpha = 0;            // kept for the owner; the drawing does not use it
    int32_t animation = 0;    // id of the animation that hides the window, 0 for none
};

struct Animation {
    int32_t id = 0;
    int quad = 0; // the screen grab
    float x = 0, y = 0;
    float speed = 0; // horizontal speed
    float step = 0;
    float width = 0, height = 0;
    float angle = 0; // degrees
    std::string style;
    float alpha = 0;
    int counter = 0;
    int32_t window = 0; // id of the window it belongs to
};

struct GuiSettings {
    int minWidth = 65;
    int minHeight = 19; // also the height of a minimised window
    int hitMargin = 6;  // grows window hit rectangles; border width of the window frame
    int widgetMargin = 2;
    int scrollMargin = 2;
    bool animationsOn = true;
    std::string closeStyle; // empty: windows close without animation
    std::string maximiseStyle = "maximize_rotate";
    std::string minimiseStyle = "minimize_shackle";
    int screenWidth = 1280;
    int screenHeight = 1024;
};

// The GUI mouse, refreshed once per frame. state: 0 up, 1 pressed this frame, 2 held, 3 released this
// frame, 4 pressed again within 15 frames of the previous press.
struct GuiMouse {
    int x = 0, y = 0;
    int dx = 0, dy = 0;
    int wheel = 0;
    int state = 0;
    int countdown = 0; // frames in which a new press counts as a double press
};

struct Gui {
    GuiSettings settings;
    GuiMouse mouse;
    // Drag in progress: "pos" (window move), "resize", "trackbar_<id>", "scrollarea_<id>"; empty when none.
    std::string capture;
    int32_t hovered = 0; // window under the mouse, 0 for none
    // The windows are not drawn (the wireframe view): none is hovered, so none takes the mouse.
    bool hidden = false;
    int32_t current = 0; // window that widgets are added to: the one opened last, unless set
    std::list<Window> windows;
    std::vector<Animation> animations;

    // Counters kept across all windows.
    int32_t windowCount = 0;
    int32_t buttonCount = 0, imageCount = 0, trackbarCount = 0, labelCount = 0, scrollAreaCount = 0;
    int32_t animationCount = 0;
    int nextAnimationImage = kGuiOwnBase; // only grows; each grab is freed when its animation ends

    // The press under way: the window it started on (kept hovered until the button is released) and the
    // widget it started on (kind 1 button, 2 image, 3 trackbar, 4 scroll area; 0 none).
    int32_t grabWindow = 0;
    int pressKind = 0;
    int32_t pressId = 0;
    int previousPressKind = 0; // the widget the press before this one started on
    int32_t previousPressId = 0;
};

// Settings and screen size; call once the screen is open.
void InitGui(Gui& gui, int screenWidth, int screenHeight);

// Step 5 of the frame: the window under the mouse.
void FindHoveredWindow(Gui& gui, const InputState& in);
// Step 7 of the frame: mouse state, window moves and resizes, title-bar buttons, widgets, animations.
void GuiUpdate(Gui& gui, Platform& plat, const InputState& in);
// True while a window lies under the mouse (or holds a press that started on it).
bool WindowHovered(const Gui& gui);
// Draws every window and running animation (inside the frame's quad pass).
void DrawWindows(Gui& gui, Platform& plat);

// The width a window needs to show its whole title beside its title-bar buttons. A window marked
// `fitTitle` is never narrower: the GUI update and the drawing widen it (keeping it on the screen).
int TitleRoom(Platform& plat, const std::string& title);

// Windows. OpenWindow puts the window on top, makes it the current one and returns its id.
int32_t OpenWindow(Gui& gui, int x, int y, int width, int height, const std::string& title, int alpha);
// Starts the close animation (if any) and removes the window; an unknown id does nothing.
void CloseWindow(Gui& gui, Platform& plat, int32_t id);
Window* FindWindow(Gui& gui, int32_t id);
const Window* FindWindow(const Gui& gui, int32_t id);
// The first window in stacking order with this title, or nullptr.
Window* FindWindowByTitle(Gui& gui, const std::string& title);
int32_t CurrentWindow(const Gui& gui);
void SetCurrentWindow(Gui& gui, int32_t id);
int32_t HoveredWindow(const Gui& gui);
// Makes a window the hovered one until the mouse leaves it (a reopened window that should take the input
// of this frame); an unknown id clears it.
void SetHoveredWindow(Gui& gui, int32_t id);
// Starts an animation of `win` in `style`; its id, or 0 when animations are off, the style is empty or
// unknown, ten are running, or the window lies off screen.
int32_t StartAnimation(Gui& gui, Platform& plat, const Window& win, const std::string& style);

// Widgets. Each returns the new widget's id; a window that already holds 100 of the kind gets nothing and
// the call returns the kind's counter unchanged; an unknown window gives 0. Positions are relative to the
// window's top-left corner.
int32_t AddButton(Gui& gui, int32_t window, int x, int y, int width, int height, const std::string& text,
                  int picture = -1);
int32_t AddImage(Gui& gui, int32_t window, int x, int y, int width, int height, int quad,
                 const std::string& tag = "");
int32_t AddTrackbar(Gui& gui, int32_t window, int x, int y, int width, int height, float value);
int32_t AddLabel(Gui& gui, int32_t window, int x, int y, const std::string& text);
int32_t AddScrollArea(Gui& gui, int32_t window, int x, int y, int width, int height);

GuiButton* FindButton(Window& win, int32_t id);
GuiImageWidget* FindImageWidget(Window& win, int32_t id);
GuiTrackbar* FindTrackbar(Window& win, int32_t id);
GuiLabel* FindLabel(Window& win, int32_t id);
GuiScrollArea* FindScrollArea(Window& win, int32_t id);

// Reading and setting by window and widget id; unknown windows or widgets read 0 / empty and ignore sets.
int ButtonState(Gui& gui, int32_t window, int32_t button);
int ImageState(Gui& gui, int32_t window, int32_t image);
float TrackbarValue(Gui& gui, int32_t window, int32_t trackbar);
void SetTrackbarValue(Gui& gui, int32_t window, int32_t trackbar, float value); // clamped to 0..100
void SetLabelText(Gui& gui, int32_t window, int32_t label, const std::string& text);
void SetLabelColour(Gui& gui, int32_t window, int32_t label, int red, int green, int blue);

// Scroll-area items (numbered from 1, at most 1000).
// Appends an item; its number, or 0 when the area is full.
int AddScrollItem(GuiScrollArea& area, const std::string& text, int red, int green, int blue);
// Sets item k, growing the list up to k with empty items; false when k is outside 1..1000.
bool SetScrollItem(GuiScrollArea& area, int k, const std::string& text, int red, int green, int blue);
// Sets the item count (0..1000); items beyond it are dropped, new ones are empty. Keeps the selection only
// while it is within the count.
void SetScrollItemCount(GuiScrollArea& area, int count);
int ScrollItemCount(const GuiScrollArea& area);
// Text of item k, empty outside 1..count.
const std::string& ScrollItemText(const GuiScrollArea& area, int k);
// Selects item k (0 for none); a number outside 0..count selects nothing.
void SetScrollSelected(GuiScrollArea& area, int k);
