// What makes the sandbox explain itself: tooltips on the pop-up icons, the toolbar and the panels' "delete",
// the current tool marked where it was picked, and the help window.
#include <algorithm>
#include <array>

#include "editor/editor.h"
#include "editor/keymap.h"
#include "editor/names.h"
#include "gui/gui.h"
#include "platform/platform.h"
#include "shell/catalogue.h"

namespace {

bool Hot(int state) {
    return state != 0;
}

// What under the mouse has a tip: (key, title, hint); an empty key for nothing.
Tooltip TipUnderMouse(const Editor& ed, Gui& gui, const std::string& levelPath) {
    Tooltip t;
    if (Window* w = FindWindow(gui, HoveredWindow(gui))) {
        for (const ToolGroupWindow& g : ed.groups) {
            if (g.window != w->id) continue;
            for (const GuiImageWidget& img : w->images)
                if (Hot(img.state) && !img.tag.empty())
                    return {"tool " + img.tag, ToolName(img.tag), ToolHint(img.tag)};
        }
        if (w->id == ed.toolsWindow && ed.toolsButtons.size() > kToolGroupCount &&
            Hot(ButtonState(gui, w->id, ed.toolsButtons[kToolGroupCount])))
            return {"edit", "Edit", ToolHint("Edit")};
        for (const Panel& p : ed.panels)
            if (p.window == w->id && Hot(ButtonState(gui, w->id, p.deleteButton)))
                return {"delete " + std::to_string(w->id), "Delete this object",
                        "the Delete key does it too"};
        return t;
    }
    for (const ToolbarButton& b : ed.toolbar) {
        if (b.hover == 0 || b.caption.empty()) continue;
        if (b.caption == "Load") return {"Load", "Load", "open a level from the level browser"};
        if (b.caption == "Save") return {"Save", "Save", "write the level to " + levelPath};
        if (b.caption == "New") return {"New", "New", "start an empty level"};
        if (b.caption == "Rewind") return {"Rewind", "Rewind", "back to where the world started running"};
        if (b.caption == "Save as")
            return {"Save as", "Save as", "write the level under a new name (Ctrl+Shift+S)"};
        if (b.caption == "?") return {"?", "Help", "every key and mouse action (F2)"};
        return {b.caption, b.caption, ""};
    }
    return t;
}

void MarkCurrentTool(const Editor& ed, Gui& gui, const Images& images) {
    const std::string& tool = ed.currentTool;
    for (const ToolGroupWindow& g : ed.groups)
        if (Window* w = FindWindow(gui, g.window))
            for (GuiImageWidget& img : w->images) img.marked = !tool.empty() && img.tag == tool;
    Window* tools = FindWindow(gui, ed.toolsWindow);
    if (!tools) return;
    const int group = ToolGroupOf(images, tool);
    for (size_t i = 0; i < ed.toolsButtons.size(); ++i)
        if (GuiButton* b = FindButton(*tools, ed.toolsButtons[i]))
            b->marked = i < kToolGroupCount ? static_cast<int>(i) == group : tool == "Edit";
}

} // namespace

void UpdateHints(Editor& ed, Gui& gui, const Images& images, const InputState& in,
                 const std::string& levelPath) {
    Tooltip& tip = ed.tooltip;
    Tooltip now = TipUnderMouse(ed, gui, levelPath);
    const bool pressed = in.left || in.right;
    if (now.key.empty() || now.key != tip.key || pressed) {
        now.frames = 0; // a press hides the tip until the mouse rests again
        tip = now;
    } else {
        tip.title = now.title;
        tip.hint = now.hint;
        ++tip.frames;
    }
    MarkCurrentTool(ed, gui, images);
}

namespace {

struct HelpLine {
    std::string text;
    bool heading = false;
};

// The mouse's actions; the keys come from the key table.
constexpr std::array<const char*, 14> kMouseHelp = {{
    "Rest on a group of \"Tools :\", click an icon: pick a tool",
    "Rest on an icon, a toolbar button or \"delete\": its name",
    "Left click or drag in the world: place with the tool",
    "Half-space, water space: press, drag to turn the surface",
    "Bind: press on one body, release on another",
    "Right drag: move a body (whole, when paused or with Shift)",
    "Ctrl + left drag: select the bodies inside; Ctrl + left click: add or remove one",
    "Right drag on a selected body (paused): move the selection",
    "Ctrl + wheel: turn 15 degrees (Ctrl + Shift: 1); Shift + wheel: scale by 1.1",
    "edit, then click an object: its property panel",
    "Mouse wheel: zoom",
    "Screen edges: pan",
    "Ctrl + right drag on the toolbar: move the toolbar",
    "Drag the knob of the time bar over the toolbar: move along the run",
}};

std::vector<HelpLine> HelpLines() {
    std::vector<HelpLine> lines{{"Mouse", true}};
    for (const char* l : kMouseHelp) lines.push_back({l});
    lines.push_back({"Keys", true});
    for (std::string& l : KeyHelpLines()) lines.push_back({std::move(l)});
    lines.push_back({"Scripted levels may answer keys of their own, as R: start again", false});
#ifdef __EMSCRIPTEN__
    lines.push_back({"In the browser Ctrl+N, Ctrl+W and Ctrl+T stay the browser's: use the buttons", false});
#endif
    lines.push_back({"Toolbar", true});
    lines.push_back({"Load: open a level from the level browser"});
    lines.push_back({"The level's path above the buttons is where Save writes"});
    return lines;
}

constexpr int kHelpLeft = 14;
constexpr int kHelpTop = 28;
constexpr int kHelpPitch = 20;

} // namespace

void ToggleHelpWindow(Editor& ed, Gui& gui, Platform& plat) {
    if (FindWindow(gui, ed.helpWindow)) {
        CloseWindow(gui, plat, ed.helpWindow);
        ed.helpWindow = 0;
        return;
    }
    const std::vector<HelpLine> help = HelpLines();
    const int W = gui.settings.screenWidth, H = gui.settings.screenHeight;
    // One column; two, split at a heading, when one would run off a short screen and two fit its width.
    auto columnWidth = [&](size_t from, size_t to) {
        int width = 0;
        for (size_t i = from; i < to; ++i) width = std::max(width, plat.TextWidth(FontId::Gui, help[i].text));
        return width + 2 * kHelpLeft;
    };
    auto heightOf = [](size_t lines) { return kHelpTop + kHelpPitch * static_cast<int>(lines) + 12; };
    size_t split = help.size();
    if (heightOf(help.size()) > H) {
        size_t best = help.size();
        for (size_t i = 1; i < help.size(); ++i)
            if (help[i].heading &&
                (best == help.size() || std::max(i, help.size() - i) < std::max(best, help.size() - best)))
                best = i;
        if (best < help.size() && columnWidth(0, best) + columnWidth(best, help.size()) <= W) split = best;
    }
    const int first = columnWidth(0, split);
    const int width = first + (split < help.size() ? columnWidth(split, help.size()) : 0);
    const int height = heightOf(std::max(split, help.size() - split));
    ed.helpWindow = OpenWindow(gui, std::max(0, (W - width) / 2), std::max(0, (H - height) / 2), width,
                               height, "Help", 100);
    for (size_t i = 0; i < help.size(); ++i) {
        const HelpLine& l = help[i];
        const bool second = i >= split;
        const int x = (second ? first : 0) + (l.heading ? kHelpLeft - 6 : kHelpLeft);
        const int y = kHelpTop + kHelpPitch * static_cast<int>(second ? i - split : i);
        int32_t label = AddLabel(gui, ed.helpWindow, x, y, l.text);
        if (l.heading) SetLabelColour(gui, ed.helpWindow, label, 255, 255, 0);
    }
}
