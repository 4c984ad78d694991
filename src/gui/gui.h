// Sprite-drawn windows and their widgets.
#pragma once

#include "platform/platform.h"

struct Gui {};

// Step 5 of the frame: the window under the mouse.
void FindHoveredWindow(Gui& gui, const InputState& in);
// Step 7 of the frame: mouse state, window moves and resizes, title-bar buttons, widgets, animations.
void GuiUpdate(Gui& gui, Platform& plat, const InputState& in);
// True while a window lies under the mouse.
bool WindowHovered(const Gui& gui);
// Draws every window and running animation (inside the frame's quad pass).
void DrawWindows(Gui& gui, Platform& plat);
