// Drawing one frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/random.h"
#include "editor/editor.h"
#include "effects/effects.h"
#include "gui/gui.h"
#include "shell/catalogue.h"
#include "world/camera.h"

class Platform;
struct InputState;

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

// The time bar over the toolbar as it is to be drawn: the run, the knob where the world is, the caption.
struct TimeBarPicture {
    bool shown = false;
    int x = 0, y = 0, width = 0, height = 0;
    int knobX = 0;
    bool knobHeld = false;
    bool dropped = false; // the oldest part of the run is gone
    std::string caption;
};

// What a frame draws, as the frame loop hands it over: the world and the editor as they stand, and the
// little the renderer keeps or moves on itself (its scratch, the sparks).
struct FrameScene {
    const World& world;
    const Camera& camera;
    const Editor& editor;
    std::vector<Spark>& sparks; // the editor's sparks, which the frame moves on
    Gui& gui;                   // its windows animate as they are drawn
    const Effects& effects;
    Images& images;
    RenderState& render;
    const InputState& input;
    double screenWidth = 1280;
    double screenHeight = 1024;
    uint32_t fps = 0;
    bool paused = true;
    bool triggersOn = false;
    bool textured = true; // false: the wireframe view
    std::string speed;    // "speed 1/2"; empty at normal speed
    TimeBarPicture timeBar;
};

// The view the frame draws with: the camera on the screen.
View SceneView(const FrameScene& scene);

// Draws the whole frame and flips the screen: the textured world and the GUI windows (unless the
// wireframe view is on), then the flat layer with portals, joints, the editor's toolbar, text fields and
// labels, the heads-up display and the sparks. Advances the marker pulse, the mouse trail and the sparks;
// never changes the world.
void DrawFrame(FrameScene& scene, Platform& plat);
