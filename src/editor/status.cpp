#include "editor/editor.h"

int16_t NextLeftButtonState(int16_t current, bool down) {
    switch (current) {
    case 0:
        return down ? 1 : 0;
    case 1:
        return down ? 2 : 0;
    case 2:
        return down ? 2 : 3;
    default:
        return down ? 2 : 0;
    }
}

void SetStatus(Editor& ed, const std::string& text) {
    if (ed.labels.empty()) ed.labels.push_back({10, 200, "", 0, 0, 0});
    EditorLabel& l = ed.labels[0];
    l.text = text;
    l.red = 255;
    l.green = 0;
    l.blue = 0;
}

void FadeStatus(Editor& ed) {
    if (ed.labels.empty()) return;
    EditorLabel& l = ed.labels[0];
    if (l.red > 0) {
        --l.red;
        if (l.red == 0) l.text.clear();
    }
}

const std::string& StatusText(const Editor& ed) {
    static const std::string empty;
    return ed.labels.empty() ? empty : ed.labels[0].text;
}
