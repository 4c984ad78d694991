// The editing interface: tools, toolbar, per-frame input, status line and property panels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/geometry.h"

struct Program;
class Platform;

struct EditorLabel {
    int16_t x = 0, y = 0;
    std::string text;
    int16_t red = 255, green = 255, blue = 255;
};

struct ToolbarButton {
    int16_t x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    int16_t hover = 0; // 1 while the mouse is over it
    int16_t state = 0; // 0 idle, 1 pressed, 2 clicked
    int16_t visible = 1;
};

struct TextField {
    int16_t x = 0, y = 0, width = 0, height = 0;
    std::string text;
    int16_t state = 0; // 1 focused
};

// Small squares in screen pixels, made in bursts by the editor and drawn by the overlay.
struct Spark {
    float x = 0, y = 0;   // position
    float cx = 0, cy = 0; // centre point (kinds 2 and 3 orbit it)
    float vx = 0, vy = 0;
    float ax = 0, ay = 0;
    float size = 1;
    int16_t fade = 1;
    int16_t kind = 0; // 0 plain, 1 trail, 2 orbit, 3 orbit and trail, 4 flicker, 5 drag
    float red = 255, green = 255, blue = 255;
    float turn = 0; // degrees per frame of orbiting kinds
};

struct Editor {
    std::string currentTool;
    int16_t leftState = 0; // 0 up, 1 pressed this frame, 2 held, 3 released this frame
    Vec2 anchor;           // (0, 0): no drag under way
    int32_t selected = 1;  // particle slot; starts on an empty slot, never on nothing
    int32_t previousSelected = 0;
    Vec2 mouseWorld;
    Vec2 previousMouseWorld;
    Vec2 mouseWorldDelta;
    int16_t overToolbar = 0;
    std::vector<ToolbarButton> toolbar;
    std::vector<EditorLabel> labels; // label 0 is the status line, label 1 the level path
    std::vector<TextField> textFields;
    std::vector<Spark> sparks;
};

// The left-button state after one frame with the button down or up.
int16_t NextLeftButtonState(int16_t current, bool down);

// The fading one-line message: red at first, fading to black over 255 frames, then emptied.
void SetStatus(Editor& ed, const std::string& text);
void FadeStatus(Editor& ed);
const std::string& StatusText(const Editor& ed);

void BuildEditorInterface(Program& prog, Platform& plat);
void ApplyPanels(Program& prog, Platform& plat);
void ToolbarUpdate(Program& prog, Platform& plat);
void ToolWindowInput(Program& prog, Platform& plat);
void CloseToolGroups(Program& prog);
void EditorInput(Program& prog, Platform& plat);
