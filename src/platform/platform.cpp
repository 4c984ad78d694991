#include "platform/platform.h"

#include <cmath>

namespace {

struct KeyName {
    int scan;
    const char* name;
    char ch;
};

// Scan codes of the letter and digit keys of a PC keyboard.
constexpr KeyName kKeys[] = {
    {Key::Escape, "Escape", 0},
    {Key::Space, "Space", ' '},
    {Key::F1, "F1", 0},
    {Key::Delete, "Delete", 0},
    {Key::LeftControl, "LeftControl", 0},
    {Key::LeftShift, "LeftShift", 0},
    {Key::Backspace, "Backspace", 0},
    {Key::F2, "F2", 0},
    {Key::F3, "F3", 0},
    {Key::F4, "F4", 0},
    {Key::Tab, "Tab", 0},
    {Key::Return, "Return", 0},
    {Key::RightShift, "RightShift", 0},
    {Key::RightControl, "RightControl", 0},
    {Key::Home, "Home", 0},
    {Key::Up, "Up", 0},
    {Key::Down, "Down", 0},
    {Key::Left, "Left", 0},
    {Key::Right, "Right", 0},
    {2, "1", '1'},
    {3, "2", '2'},
    {4, "3", '3'},
    {5, "4", '4'},
    {6, "5", '5'},
    {7, "6", '6'},
    {8, "7", '7'},
    {9, "8", '8'},
    {10, "9", '9'},
    {11, "0", '0'},
    {16, "Q", 'q'},
    {17, "W", 'w'},
    {18, "E", 'e'},
    {19, "R", 'r'},
    {20, "T", 't'},
    {21, "Y", 'y'},
    {22, "U", 'u'},
    {23, "I", 'i'},
    {24, "O", 'o'},
    {25, "P", 'p'},
    {30, "A", 'a'},
    {31, "S", 's'},
    {32, "D", 'd'},
    {33, "F", 'f'},
    {34, "G", 'g'},
    {35, "H", 'h'},
    {36, "J", 'j'},
    {37, "K", 'k'},
    {38, "L", 'l'},
    {44, "Z", 'z'},
    {45, "X", 'x'},
    {46, "C", 'c'},
    {47, "V", 'v'},
    {48, "B", 'b'},
    {49, "N", 'n'},
    {50, "M", 'm'},
};

} // namespace

char ScanCodeChar(int scan) {
    for (const auto& k : kKeys)
        if (k.scan == scan) return k.ch;
    return 0;
}

int ScanCodeFromName(const std::string& name) {
    for (const auto& k : kKeys)
        if (name == k.name) return k.scan;
    return -1;
}

std::string ScanCodeName(int scan) {
    for (const auto& k : kKeys)
        if (k.scan == scan) return k.name;
    return {};
}

Quad RectQuad(float x, float y, float w, float h, float deg) {
    Quad q;
    q.x = {x, x + w, x + w, x};
    q.y = {y, y, y + h, y + h};
    if (deg != 0) {
        double cx = x + w / 2.0;
        double cy = y + h / 2.0;
        double rad = deg * 3.1415926535 / 180.0;
        double c = std::cos(rad);
        double s = std::sin(rad);
        for (int i = 0; i < 4; ++i) {
            double dx = q.x[i] - cx;
            double dy = q.y[i] - cy;
            q.x[i] = static_cast<float>(cx + dx * c - dy * s);
            q.y[i] = static_cast<float>(cy + dx * s + dy * c);
        }
    }
    return q;
}

bool QuadIsClockwise(const Quad& q) {
    // Shoelace sum; with y growing downwards a positive sum runs clockwise on the screen.
    double area = 0;
    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) % 4;
        area += static_cast<double>(q.x[i]) * q.y[j] - static_cast<double>(q.x[j]) * q.y[i];
    }
    return area > 0;
}

bool ControlHeld(const InputState& in) {
    return in.down[Key::LeftControl] || in.down[Key::RightControl] || in.released[Key::LeftControl] ||
           in.released[Key::RightControl];
}

bool ShiftHeld(const InputState& in) {
    return in.down[Key::LeftShift] || in.down[Key::RightShift] || in.released[Key::LeftShift] ||
           in.released[Key::RightShift];
}

void WorkOutEdges(InputState& in, std::array<bool, kKeyCount>& before) {
    for (size_t k = 0; k < in.down.size(); ++k) in.pressed[k] = in.down[k] && !before[k];
    before = in.down;
    in.keyboardTaken = false;
}
