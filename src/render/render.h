// Drawing one frame.
#pragma once

#include "render/camera.h"

struct Program;
class Platform;

// The view the frame draws with: the program's camera on its screen. The editor turns the mouse into a
// world point with it: ScreenToWorld (ProgramView (prog), mouse x, mouse y), each coordinate rounded up.
View ProgramView(const Program& prog);

// Draws the whole frame and flips the screen: the textured world and the GUI windows (unless the
// wireframe view is on), then the flat layer with portals, joints, the editor's toolbar, text fields and
// labels, the heads-up display and the sparks. Advances the marker pulse, the mouse trail and the sparks;
// never changes the world.
void DrawFrame(Program& prog, Platform& plat);
