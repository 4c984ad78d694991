// The camera: position and zoom, the world-to-screen transform and its inverse.
#pragma once

#include <array>

struct Camera {
    double x = 0;
    double y = 0;
    double zoom = 0; // magnification is 1 - zoom
};

// Scratch the frame keeps from one frame to the next.
struct RenderState {
    std::array<float, 10> trailX{}; // mouse trail, slots 0..9
    std::array<float, 10> trailY{};
    float markerPulse = 0; // degrees
};
