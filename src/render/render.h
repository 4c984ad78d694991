// Drawing one frame.
#pragma once

#include <array>

#include "common/random.h"
#include "world/camera.h"

struct Program;
class Platform;

// Scratch the frame keeps from one frame to the next.
struct RenderState {
    std::array<float, 10> trailX{}; // mouse trail, slots 0..9
    std::array<float, 10> trailY{};
    bool trailStarted = false; // the trail is filled with the mouse position on the first frame
    float markerPulse = 0;     // degrees
    // The frame's own generator (sparks): drawing never takes numbers from the world's random sequence,
    // so what is on the screen cannot change what the simulation does.
    Rng rng{20240601u};
};

// The view the frame draws with: the program's camera on its screen. The editor turns the mouse into a
// world point with it: ScreenToWorld (ProgramView (prog), mouse x, mouse y), each coordinate rounded up.
View ProgramView(const Program& prog);

// Draws the whole frame and flips the screen: the textured world and the GUI windows (unless the
// wireframe view is on), then the flat layer with portals, joints, the editor's toolbar, text fields and
// labels, the heads-up display and the sparks. Advances the marker pulse, the mouse trail and the sparks;
// never changes the world.
void DrawFrame(Program& prog, Platform& plat);
