// The fixed interface: status line, level label, toolbar, the "Tools :" window and its tool-group pop-ups.
#include <algorithm>
#include <array>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/kinds.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

struct GroupButton {
    std::string tool;
    int x, y, width, height;
    int image;
};

struct ToolGroup {
    const char* button; // caption in "Tools :"
    const char* title;  // title of the pop-up
    int width, height;
    std::vector<GroupButton> buttons; // the custom group fills its own
};

const std::array<ToolGroup, kToolGroupCount>& ToolGroups() {
    static const std::array<ToolGroup, kToolGroupCount> groups = [] {
        std::array<ToolGroup, kToolGroupCount> g = {{
            {"player", "player", 120, 180, {}},
            {"variable objects", "variables", 240, 220, {}},
            {"liquid filled objects", "liquids", 160, 100, {}},
            {"static objects", "statics", 160, 210, {}},
            {"lights", "lights", 120, 100, {}},
            {"standard objects", "standards", 150, 220, {}},
            {"regions", "regions", 130, 100, {}},
            {"markers", "markers", 130, 100, {}},
            {"custom", "custom", 290, 200, {}},
        }};
        for (const ObjectKind& k : ObjectKinds())
            g[static_cast<size_t>(k.group)].buttons.push_back(
                {std::string(k.tool), k.x, k.y, k.width, k.height, k.image});
        return g;
    }();
    return groups;
}

// The custom group: a grid of 50 x 50 cells, four to a row, as many rows as the images need; each image
// keeps its proportions inside its cell.
constexpr int kCustomCell = 50;
constexpr int kCustomPitch = 60;
constexpr int kCustomColumns = 4;

std::vector<GroupButton> CustomButtons(const EditorScene& sc, Platform& plat) {
    std::vector<GroupButton> out;
    const Images& img = sc.images;
    for (const CustomImage& c : img.custom) {
        if (c.entry < 0 || static_cast<size_t>(c.entry) >= img.catalogue.size()) continue;
        const CatalogueEntry& e = img.catalogue[static_cast<size_t>(c.entry)];
        int n = static_cast<int>(out.size());
        int cellX = 20 + (n % kCustomColumns) * kCustomPitch;
        int cellY = 40 + (n / kCustomColumns) * kCustomPitch;
        int iw = plat.ImageWidth(e.number), ih = plat.ImageHeight(e.number);
        int w = kCustomCell, h = kCustomCell;
        if (iw > 0 && ih > 0) {
            if (iw >= ih)
                h = std::max(1, kCustomCell * ih / iw);
            else
                w = std::max(1, kCustomCell * iw / ih);
        }
        out.push_back({e.name, cellX + (kCustomCell - w) / 2, cellY + (kCustomCell - h) / 2, w, h, e.number});
    }
    return out;
}

} // namespace

void BuildEditorInterface(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    const int W = static_cast<int>(sc.shell.screenWidth);
    const int H = static_cast<int>(sc.shell.screenHeight);

    ed.labels.clear();
    ed.labels.push_back({10, 200, "", 0, 0, 0});
    ed.labels.push_back({10, static_cast<int16_t>(H - 80), sc.shell.levelPath, 255, 255, 255});

    ed.toolbar.clear();
    ed.toolbar.push_back({0, static_cast<int16_t>(H - 101), 290, 100, ""});
    ed.toolbar.push_back({130, static_cast<int16_t>(H - 60), 50, 20, "Load"});
    ed.toolbar.push_back({130, static_cast<int16_t>(H - 30), 50, 20, "Save"});
    ed.toolbar.push_back({30, static_cast<int16_t>(H - 60), 50, 20, "New"});
    ed.toolbar.push_back({95, static_cast<int16_t>(H - 60), 20, 20, "?"}); // help, between "New" and "Load"
    ed.toolbar.push_back({30, static_cast<int16_t>(H - 30), 70, 20, "Rewind"});
    ed.toolbar.push_back({210, static_cast<int16_t>(H - 30), 70, 20, "Save as"});

    Gui& gui = sc.gui;
    // The buttons are wide enough for their captions ("liquid filled objects"). The layout does not follow
    // the font, so scripted sessions find every button in the same place.
    const auto& groups = ToolGroups();
    constexpr int buttonWidth = 160, toolsWidth = 210;
    ed.toolsWindow = OpenWindow(gui, W - toolsWidth - 6, 6, toolsWidth, 370, "Tools :", 100);
    // The tool window holds every tool: it can be moved and minimised, but not closed.
    if (Window* w = FindWindow(gui, ed.toolsWindow)) w->closeState = -1;
    ed.toolsButtons.clear();
    for (int i = 0; i < kToolGroupCount; ++i)
        ed.toolsButtons.push_back(
            AddButton(gui, ed.toolsWindow, 20, 50 + 30 * i, buttonWidth, 20, groups[i].button));
    ed.toolsButtons.push_back(AddButton(gui, ed.toolsWindow, 20, 340, buttonWidth, 20, "edit"));
    SetStatus(ed, "F2: help");
    (void)plat;
}

int ToolGroupOf(const Images& images, const std::string& tool) {
    if (tool.empty()) return -1;
    const auto& groups = ToolGroups();
    for (int g = 0; g < kToolGroupCount; ++g)
        for (const GroupButton& b : groups[static_cast<size_t>(g)].buttons)
            if (b.tool == tool) return g;
    for (const CustomImage& c : images.custom)
        if (c.entry >= 0 && static_cast<size_t>(c.entry) < images.catalogue.size() &&
            images.catalogue[static_cast<size_t>(c.entry)].name == tool)
            return kToolGroupCount - 1;
    return -1;
}

int32_t OpenToolGroup(const EditorScene& sc, Platform& plat, int group) {
    Editor& ed = sc.editor;
    Gui& gui = sc.gui;
    if (group < 0 || group >= kToolGroupCount) return 0;
    for (const ToolGroupWindow& g : ed.groups) CloseWindow(gui, plat, g.window);
    ed.groups.clear();

    const ToolGroup& def = ToolGroups()[static_cast<size_t>(group)];
    std::vector<GroupButton> buttons = def.buttons;
    int height = def.height;
    const int width = std::max(def.width, TitleRoom(plat, def.title));
    if (group == kToolGroupCount - 1) {
        buttons = CustomButtons(sc, plat);
        int rows = (static_cast<int>(buttons.size()) + kCustomColumns - 1) / kCustomColumns;
        height = std::max(height, 40 + rows * kCustomPitch);
    }

    const Window* tools = FindWindow(gui, ed.toolsWindow);
    const int W = gui.settings.screenWidth, H = gui.settings.screenHeight;
    int tx = tools ? tools->x : W - 216, ty = tools ? tools->y : 6, tw = tools ? tools->width : 210;
    // To the right of "Tools :" when the pop-up fits there, else to its left.
    int x = tx + tw + 11;
    if (x + width > W) x = tx - width - 11;
    x = std::max(x, 0);
    int y = std::clamp(ty, 0, std::max(H - height, 0));

    int32_t id = OpenWindow(gui, x, y, width, height, def.title, 100);
    if (Window* w = FindWindow(gui, id)) w->fitTitle = true;
    for (const GroupButton& b : buttons) AddImage(gui, id, b.x, b.y, b.width, b.height, b.image, b.tool);
    ed.groups.push_back({id, group});
    return id;
}

namespace {

// True when P lies on a straight way from S into the rectangle: some point Q of the rectangle has P on the
// segment from S to Q (P is inside the convex hull of S and the rectangle).
bool OnTheWay(double sx, double sy, double px, double py, double x1, double y1, double x2, double y2) {
    if (x1 <= px && px <= x2 && y1 <= py && py <= y2) return true;
    const double dx = px - sx, dy = py - sy;
    if (dx == 0 && dy == 0) return true;
    // The ray S + t (P - S) must meet the rectangle at some t >= 1.
    double t0 = -1e300, t1 = 1e300;
    auto slab = [&](double s, double d, double lo, double hi) {
        if (d == 0) return lo <= s && s <= hi;
        double a = (lo - s) / d, b = (hi - s) / d;
        t0 = std::max(t0, std::min(a, b));
        t1 = std::min(t1, std::max(a, b));
        return true;
    };
    if (!slab(sx, dx, x1, x2) || !slab(sy, dy, y1, y2)) return false;
    return t1 >= std::max(1.0, t0);
}

// Once a frame: how long the mouse has rested, and whether it is on its way to the open pop-up.
bool AimingAtPopUp(const EditorScene& sc) {
    Editor& ed = sc.editor;
    PopUpAim& aim = ed.aim;
    const InputState& in = sc.shell.input;
    aim.restFrames = in.mouseX == aim.lastX && in.mouseY == aim.lastY ? aim.restFrames + 1 : 0;
    aim.lastX = in.mouseX;
    aim.lastY = in.mouseY;
    if (!aim.known || ed.groups.size() != 1 || aim.restFrames >= kAimRestFrames) return false;
    const Window* pop = FindWindow(sc.gui, ed.groups[0].window);
    if (!pop) return false;
    constexpr int kSlack = 4; // a line drawn in whole pixels strays a little
    const int m = sc.gui.settings.hitMargin + kSlack;
    return OnTheWay(aim.fromX, aim.fromY, in.mouseX, in.mouseY, pop->x - m, pop->y - m,
                    pop->x + pop->width + m, pop->y + pop->height + m);
}

} // namespace

void CloseToolGroups(const EditorScene& sc) {
    if (AimingAtPopUp(sc)) return; // between the windows on the way to the pop-up
    sc.editor.closeGroups = true;
}

namespace {

void ToolsWindowInput(const EditorScene& sc, Platform& plat, Window& tools) {
    Editor& ed = sc.editor;
    const bool aiming = AimingAtPopUp(sc);
    if (tools.minimised) return; // its buttons keep stale states
    for (int i = 0; i < kToolGroupCount && i < static_cast<int>(ed.toolsButtons.size()); ++i) {
        if (ButtonState(sc.gui, tools.id, ed.toolsButtons[static_cast<size_t>(i)]) != -1) continue;
        bool open =
            ed.groups.size() == 1 && ed.groups[0].group == i && FindWindow(sc.gui, ed.groups[0].window);
        // Another group's button crossed on the way to the open pop-up leaves it open.
        if (!open && aiming) break;
        if (!open) OpenToolGroup(sc, plat, i);
        ed.aim.fromX = sc.shell.input.mouseX;
        ed.aim.fromY = sc.shell.input.mouseY;
        ed.aim.known = true;
        break;
    }
    if (ed.toolsButtons.size() > kToolGroupCount && ed.currentTool != "locked" &&
        ButtonState(sc.gui, tools.id, ed.toolsButtons[kToolGroupCount]) == 3)
        ed.currentTool = "Edit";
}

} // namespace

void ToolWindowInput(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    Gui& gui = sc.gui;
    // Forget pop-ups the user closed with their own buttons.
    std::erase_if(ed.groups, [&](const ToolGroupWindow& g) { return FindWindow(gui, g.window) == nullptr; });

    Window* hovered = FindWindow(gui, HoveredWindow(gui));
    if (!hovered) return;
    if (hovered->id != ed.toolsWindow) AimingAtPopUp(sc); // keeps the rest count going
    if (hovered->id == ed.toolsWindow) {
        ToolsWindowInput(sc, plat, *hovered);
        return;
    }
    for (const ToolGroupWindow& g : ed.groups) {
        if (g.window != hovered->id) continue;
        for (const GuiImageWidget& img : hovered->images)
            if (img.state == 3 && !img.tag.empty() && ed.currentTool != "locked") ed.currentTool = img.tag;
        return;
    }
    if (hovered->id == ed.browserWindow) LoadLevelWindowHandler(sc, plat);
}
