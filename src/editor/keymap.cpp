#include "editor/keymap.h"

#include <algorithm>

namespace {

constexpr int kKeyD = 32;
constexpr int kKeyG = 34;
constexpr int kKeyS = 31;
constexpr int kKeyC = 46;
constexpr int kKeyV = 47;
constexpr int kKeyX = 45;

using E = KeyEdge;
using A = KeyAction;

const std::vector<KeyBinding> kTable = {
    {Key::Space, Mod::Either, Mod::Either, E::Released, A::Pause, "", "start or pause the world"},
    {Key::Left, Mod::Refused, Mod::Either, E::Held, A::Pan, "Arrow keys", "pan"},
    {Key::Right, Mod::Refused, Mod::Either, E::Held, A::Pan, "Arrow keys", "pan"},
    {Key::Up, Mod::Either, Mod::Either, E::Held, A::Pan, "Arrow keys", "pan"},
    {Key::Down, Mod::Either, Mod::Either, E::Held, A::Pan, "Arrow keys", "pan"},
    {Key::Home, Mod::Either, Mod::Either, E::Released, A::Home, "", "back to the level's view"},
    {Key::F1, Mod::Either, Mod::Either, E::Released, A::Wireframe, "", "wireframe view"},
    {Key::F2, Mod::Either, Mod::Either, E::Released, A::Help, "F2 or ?", "this help"},
    {Key::F3, Mod::Either, Mod::Either, E::Released, A::StepOnce, "", "one step of the paused world"},
    {Key::F4, Mod::Either, Mod::Either, E::Released, A::Speed, "", "speed: normal, 1/2, 1/4"},
    {Key::Left, Mod::Needed, Mod::Refused, E::Released, A::ScrubBack, "",
     "paused after a run: 60 steps back"},
    {Key::Right, Mod::Needed, Mod::Refused, E::Released, A::ScrubForward, "",
     "paused after a run: 60 steps on"},
    {Key::Left, Mod::Needed, Mod::Needed, E::Released, A::ScrubBackStep, "", "one step back along the run"},
    {Key::Right, Mod::Needed, Mod::Needed, E::Released, A::ScrubForwardStep, "", "one step on along the run"},
    {Key::Delete, Mod::Either, Mod::Either, E::Released, A::Delete, "",
     "remove the selection, or the object under the mouse"},
    {kKeyD, Mod::Needed, Mod::Either, E::Released, A::Duplicate, "",
     "duplicate the selection or the body under the mouse"},
    {kKeyC, Mod::Needed, Mod::Refused, E::Released, A::Copy, "",
     "copy the selection or the body under the mouse"},
    {kKeyX, Mod::Needed, Mod::Refused, E::Released, A::Cut, "",
     "cut the selection or the body under the mouse"},
    {kKeyV, Mod::Needed, Mod::Refused, E::Released, A::Paste, "",
     "paste at the mouse (the pasted bodies are selected)"},
    {kKeyG, Mod::Refused, Mod::Either, E::Released, A::Grid, "", "grid on or off (placements snap to it)"},
    {Key::Z, Mod::Needed, Mod::Refused, E::Released, A::Undo, "", "undo"},
    {Key::Y, Mod::Needed, Mod::Either, E::Released, A::Redo, "", "redo"},
    {Key::Z, Mod::Needed, Mod::Needed, E::Released, A::Redo, "", "redo"},
    {Key::R, Mod::Needed, Mod::Either, E::Released, A::Rewind, "Ctrl+R or Rewind", "rewind the world"},
    {Key::N, Mod::Needed, Mod::Either, E::Released, A::New, "Ctrl+N or New", "start an empty level"},
    {kKeyS, Mod::Needed, Mod::Refused, E::Released, A::Save, "Ctrl+S or Save", "save the level"},
    {kKeyS, Mod::Needed, Mod::Needed, E::Released, A::SaveAs, "", "save the level as"},
    {Key::Escape, Mod::Either, Mod::Either, E::Pressed, A::Quit, "",
     "clear the selection, or quit (press twice when changes are unsaved)"},
};

bool Fits(Mod m, bool held) {
    return m == Mod::Either || (m == Mod::Needed) == held;
}

std::string LabelOf(const KeyBinding& b) {
    if (b.label[0] != '\0') return b.label;
    std::string name = ScanCodeName(b.key);
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return std::string(b.control == Mod::Needed ? "Ctrl+" : "") + (b.shift == Mod::Needed ? "Shift+" : "") +
           name;
}

} // namespace

const std::vector<KeyBinding>& KeyTable() {
    return kTable;
}

std::vector<KeyAction> KeyActionsOf(const InputState& in) {
    std::vector<KeyAction> out;
    if (in.keyboardTaken) return out;
    const bool control = ControlHeld(in), shift = ShiftHeld(in);
    for (const KeyBinding& b : kTable) {
        const auto k = static_cast<size_t>(b.key);
        const bool edge = b.edge == E::Released  ? in.released[k]
                          : b.edge == E::Pressed ? in.pressed[k]
                                                 : in.down[k];
        if (!edge || !Fits(b.control, control) || !Fits(b.shift, shift)) continue;
        if (std::find(out.begin(), out.end(), b.action) == out.end()) out.push_back(b.action);
    }
    return out;
}

std::vector<std::string> KeyHelpLines() {
    std::vector<std::string> lines;
    std::vector<KeyAction> done;
    for (const KeyBinding& b : kTable) {
        if (std::find(done.begin(), done.end(), b.action) != done.end()) continue;
        done.push_back(b.action);
        std::vector<std::string> labels;
        for (const KeyBinding& o : kTable) {
            if (o.action != b.action) continue;
            std::string l = LabelOf(o);
            if (std::find(labels.begin(), labels.end(), l) == labels.end()) labels.push_back(l);
        }
        std::string line;
        for (const std::string& l : labels) line += (line.empty() ? "" : " or ") + l;
        lines.push_back(line + ": " + b.help);
    }
    return lines;
}
