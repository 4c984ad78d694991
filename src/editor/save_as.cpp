// "Save as": a small window holding the name of the level file, the folder it goes to, and "Save" /
// "Cancel". While it is open it takes the keyboard: typed text edits the name, Enter saves, Escape cancels.
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/random.h"
#include "common/text.h"
#include "editor/editor.h"
#include "gui/gui.h"
#include "level/files.h"
#include "level/level.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

namespace {

constexpr const char* kLevelsFolder = "levels\\";
constexpr int kWidth = 420;
constexpr int kHeight = 150;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The folder part of a stored path, with its final '\'.
std::string FolderOf(const std::string& stored) {
    size_t cut = stored.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : stored.substr(0, cut + 1);
}

std::string FileOf(const std::string& stored) {
    size_t cut = stored.find_last_of("\\/");
    return cut == std::string::npos ? stored : stored.substr(cut + 1);
}

// The folder the window saves into: the current level's, when it lies in the levels folder tree.
std::string SaveAsFolder(const std::string& levelPath) {
    std::string why;
    std::string folder = FolderOf(levelPath);
    if (!SaveAsPath(folder, "x.lvl", why).empty()) return folder;
    return kLevelsFolder;
}

void Refresh(const EditorScene& sc) {
    SaveAsState& s = sc.editor.saveAs;
    SetLabelText(sc.gui, s.window, s.nameLabel, "Name: " + s.name + "_");
}

void Say(const EditorScene& sc, const std::string& text) {
    SaveAsState& s = sc.editor.saveAs;
    SetLabelText(sc.gui, s.window, s.messageLabel, text);
}

void Close(const EditorScene& sc, Platform& plat) {
    SaveAsState& s = sc.editor.saveAs;
    CloseWindow(sc.gui, plat, s.window);
    s.window = 0;
}

void TrySave(const EditorScene& sc, Platform& plat) {
    const EditorShell& sh = sc.shell;
    SaveAsState& s = sc.editor.saveAs;
    std::string why;
    std::string path = SaveAsPath(s.folder, s.name, why);
    if (path.empty()) return Say(sc, why);
    const std::string folder = FolderOf(path);
    std::error_code error;
    if (!std::filesystem::is_directory(NativePath(folder), error))
        return Say(sc, "the folder " + folder + " does not exist");
    if (sh.saving) return Say(sc, "a save is under way: try again");
    if (MustAskBeforeSaving(sh.overwrite, path, sh.frame)) return Say(sc, OverwriteQuestion(path));
    Close(sc, plat);
    sc.editor.requests.push_back({EditorRequestKind::SaveAs, path}); // the target once it is written
}

} // namespace

std::string SaveAsPath(const std::string& folder, const std::string& name, std::string& why) {
    if (name.empty()) {
        why = "type a name";
        return {};
    }
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos) {
            why = "a file name cannot hold \"" +
                  std::string(u < 32 || u == 127 ? "control characters" : std::string(1, c)) + "\"";
            return {};
        }
    }
    if (IsSeparator(name.front()) || IsSeparator(name.back())) {
        why = "the name must end in a file name inside the levels folder";
        return {};
    }
    // Resolve the folders by their names alone; the result must stay inside the levels folder tree.
    std::vector<std::string> parts;
    std::string whole = folder + name, part;
    for (size_t i = 0; i <= whole.size(); ++i) {
        if (i < whole.size() && !IsSeparator(whole[i])) {
            part += whole[i];
            continue;
        }
        if (part == "..") {
            if (parts.empty())
                parts.push_back(part); // leaves the working folder: refused below
            else
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    if (parts.size() < 2 || parts.front() != "levels" || parts.back() == "..") {
        why = "levels are saved inside the levels folder";
        return {};
    }
    std::string path;
    for (const std::string& p : parts) path += (path.empty() ? "" : "\\") + p;
    std::string file = FileOf(path);
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        path += ".lvl";
    } else if (file.substr(dot) != ".lvl") {
        why = "a level file name ends in .lvl";
        return {};
    }
    return path;
}

void OpenSaveAsWindow(const EditorScene& sc, Platform& plat) {
    SaveAsState& s = sc.editor.saveAs;
    Gui& gui = sc.gui;
    if (s.window != 0) Close(sc, plat); // one at a time
    const int W = static_cast<int>(sc.shell.screenWidth);
    const int H = static_cast<int>(sc.shell.screenHeight);
    s.folder = SaveAsFolder(sc.shell.levelPath);
    s.name = FileOf(sc.shell.levelPath);
    s.window = OpenWindow(gui, W / 2 - kWidth / 2, H / 2 - kHeight / 2, kWidth, kHeight, "Save as", 100);
    AddLabel(gui, s.window, 10, 30, "Folder: " + s.folder);
    s.nameLabel = AddLabel(gui, s.window, 10, 55, "");
    s.messageLabel = AddLabel(gui, s.window, 10, 80, "");
    SetLabelColour(gui, s.window, s.messageLabel, 255, 80, 80);
    s.saveButton = AddButton(gui, s.window, kWidth - 170, kHeight - 35, 70, 20, "Save");
    s.cancelButton = AddButton(gui, s.window, kWidth - 90, kHeight - 35, 70, 20, "Cancel");
    Refresh(sc);
}

void SaveAsWindowUpdate(const EditorScene& sc, Platform& plat) {
    Editor& ed = sc.editor;
    SaveAsState& s = ed.saveAs;
    InputState& in = sc.shell.input;
    if (s.window != 0 && FindWindow(sc.gui, s.window) == nullptr) s.window = 0; // closed by its title bar
    if (s.window == 0) return;

    in.keyboardTaken = true; // the frame's keys are this window's
    if (in.pressed[Key::Escape]) return Close(sc, plat);
    bool enter = in.released[Key::Return];
    bool edited = !in.typed.empty() || in.released[Key::Backspace];
    if (in.released[Key::Backspace] && !s.name.empty()) s.name.pop_back();
    for (char c : in.typed)
        if (c != '\r' && c != '\n' && s.name.size() < 200) s.name += c;
    if (edited) {
        Refresh(sc);
        Say(sc, "");
    }
    if (ButtonState(sc.gui, s.window, s.cancelButton) == 3) return Close(sc, plat);
    if (enter || ButtonState(sc.gui, s.window, s.saveButton) == 3) TrySave(sc, plat);
}
