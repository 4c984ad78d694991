// Drawing one frame.
#pragma once

struct Program;
class Platform;

// Draws the whole frame and flips the screen.
void DrawFrame(Program& prog, Platform& plat);
