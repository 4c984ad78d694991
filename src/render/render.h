// Drawing one frame.
#pragma once

struct Program;
class Platform;

// Draws the whole frame and flips the screen: the textured world and the GUI windows (unless the
// wireframe view is on), then the flat layer with portals, joints, the editor's toolbar, text fields and
// labels, the heads-up display and the sparks. Advances the marker pulse, the mouse trail and the sparks;
// never changes the world.
void DrawFrame(Program& prog, Platform& plat);
