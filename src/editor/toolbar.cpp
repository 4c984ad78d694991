// The toolbar in the lower-left corner ("Load", "Save", "New", "Rewind"), its text fields, the status line
// fade, and the "Load Level" browser window.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/random.h"
#include "common/text.h"
#include "editor/editor.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

constexpr size_t kLoadButton = 1;
constexpr size_t kSaveButton = 2;
constexpr size_t kNewButton = 3;
constexpr size_t kRewindButton = 5;

bool Clicked(const Editor& ed, size_t button) {
    return ed.toolbar.size() > button && ed.toolbar[button].state == 2;
}

void UpdateTextFields(Editor& ed, const InputState& in, bool pressed) {
    for (TextField& t : ed.textFields) {
        if (pressed) {
            bool inside =
                t.x < in.mouseX && in.mouseX < t.x + t.width && t.y < in.mouseY && in.mouseY < t.y + t.height;
            t.state = inside ? 1 : 0;
        }
        if (t.state != 1 || in.keyboardTaken) continue;
        t.text += in.typed;
        if (in.released[Key::Backspace] && !t.text.empty()) t.text.pop_back();
    }
}

} // namespace

void ToolbarUpdate(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    const InputState& in = sc.shell.input;
    SaveAsWindowUpdate(sc, plat);

    ed.overToolbar = 0;
    for (ToolbarButton& b : ed.toolbar) {
        bool inside =
            b.x < in.mouseX && in.mouseX < b.x + b.width && b.y < in.mouseY && in.mouseY < b.y + b.height;
        if (inside) {
            b.hover = 1;
            ed.overToolbar = 1;
            if (in.left)
                b.state = 1;
            else
                b.state = b.state == 1 ? 2 : 0;
        } else {
            b.hover = 0;
            b.state = 0;
        }
    }

    if (Clicked(ed, kLoadButton)) OpenLoadLevelWindow(sc, plat);
    if (Clicked(ed, kSaveButton)) ed.requests.push_back({EditorRequestKind::Save, {}});
    if (Clicked(ed, kNewButton)) ed.requests.push_back({EditorRequestKind::New, {}});
    if (Clicked(ed, kRewindButton)) ed.requests.push_back({EditorRequestKind::Rewind, {}});
}

void ToolbarFinish(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    const InputState& in = sc.shell.input;
    for (const ToolbarButton& b : ed.toolbar)
        if (b.caption == "Save as" && b.state == 2) OpenSaveAsWindow(sc, plat);
    BrowserPreviewUpdate(sc, plat);

    for (const ToolbarButton& b : ed.toolbar)
        if (b.caption == "?" && b.state == 2) ToggleHelpWindow(sc.editor, sc.gui, plat);

    // The buttons act and leave the current tool alone: the over-toolbar flag already keeps the tools from
    // acting under them.
    // The editor's own left-button state still holds last frame's value here: 0 means the button was up.
    UpdateTextFields(ed, in, in.left && ed.leftState == 0);

    FadeStatus(ed);
}

// ---------------------------------------------------------------------------------------------------------
// The level browser

namespace {

// Folders of `folder` (with "..\" first) and its level files, each sorted by name.
void ListFolder(const std::string& folder, std::vector<std::string>& folders,
                std::vector<std::string>& files) {
    namespace fs = std::filesystem;
    folders.assign(1, "..\\");
    files.clear();
    std::error_code ec;
    const std::string native = folder.empty() ? "." : NativePath(folder); // "": the working folder
    fs::directory_iterator it(native, ec), end;
    std::vector<std::string> dirs;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        std::string name = it->path().filename().string();
        if (name == "." || name == "..") continue;
        if (it->is_directory(ignored))
            dirs.push_back(name + "\\");
        else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".lvl") == 0)
            files.push_back(name);
    }
    std::sort(dirs.begin(), dirs.end());
    std::sort(files.begin(), files.end());
    folders.insert(folders.end(), dirs.begin(), dirs.end());
}

GuiScrollArea* BrowserList(const EditorScene& sc) {
    Window* w = FindWindow(sc.gui, sc.editor.browserWindow);
    return w && !w->scrollAreas.empty() ? &w->scrollAreas[0] : nullptr;
}

void ReopenBrowser(const EditorScene& sc, Platform& plat) {
    CloseWindow(sc.gui, plat, sc.editor.browserWindow);
    sc.editor.browserWindow = 0;
    OpenLoadLevelWindow(sc, plat);
    SetHoveredWindow(sc.gui, sc.editor.browserWindow);
}

} // namespace

void OpenLoadLevelWindow(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    Gui& gui = sc.gui;
    if (ed.browserWindow != 0) CloseWindow(gui, plat, ed.browserWindow); // one browser at a time
    const int W = static_cast<int>(sc.shell.screenWidth);
    const int H = static_cast<int>(sc.shell.screenHeight);
    ed.browserWindow = OpenWindow(gui, W / 2 - 200, H / 2 - 200, 400, 400, "Load Level", 100);
    AddScrollArea(gui, ed.browserWindow, 10, 50, 250, 320);
    AddButton(gui, ed.browserWindow, 300, 50, 50, 20, "Go !", -1);

    std::vector<std::string> folders, files;
    ListFolder(sc.shell.currentFolder, folders, files);
    GuiScrollArea* list = BrowserList(sc);
    if (!list) return;
    for (const std::string& f : folders) AddScrollItem(*list, f, 200, 200, 255);
    for (const std::string& f : files) AddScrollItem(*list, f, 200, 255, 200);
    SetScrollSelected(*list, 1);
}

void LoadLevelWindowHandler(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    const EditorShell& sh = sc.shell;
    Window* win = FindWindow(sc.gui, ed.browserWindow);
    GuiScrollArea* list = BrowserList(sc);
    if (!win || !list || win->buttons.empty()) return;

    const std::string item = ScrollItemText(*list, list->selected);
    const std::string path = sh.currentFolder + item;
    // Choosing a level makes it the target of "Save"; a folder never does.
    bool level = path.find(".lvl") != std::string::npos;
    if (level) sh.levelPath = path;

    if (win->buttons[0].state != 3 && list->state != 4) return;
    if (level) {
        CloseWindow(sc.gui, plat, ed.browserWindow);
        ed.browserWindow = 0;
        ed.requests.push_back({EditorRequestKind::Load, path, item});
        return;
    }
    if (item == "..\\") {
        size_t cut = sh.currentFolder.find('\\');
        if (cut != std::string::npos) sh.currentFolder = sh.currentFolder.substr(0, cut + 1);
    } else {
        sh.currentFolder += item;
        if (sh.currentFolder.empty() || sh.currentFolder.back() != '\\') sh.currentFolder += '\\';
    }
    ReopenBrowser(sc, plat);
}
