#include "physics/scenes.h"

#include "physics/physics.h"
#include "world/builders.h"

namespace {

constexpr int kBoxSize = 50;
constexpr int kBoxPitch = 56;

void Ground(World& w, int32_t y) {
    NewHalfSpace(w, 0, y, 1, 0).type = "ground";
}

// Walls of a container whose floor is the ground at y = 0.
void Container(World& w, int32_t left, int32_t right, int32_t height) {
    Ground(w, 0);
    NewWall(w, left, -height, left, 0, 10, 1);
    NewWall(w, right, 0, right, -height, 10, 1);
}

void BoxesScene(World& w, Rng& rng) {
    Container(w, -800, 800, 3000);
    // A jittered grid, so that no two boxes start inside each other.
    for (int k = 0; k < 500; ++k) {
        int col = k % 25, row = k / 25;
        int32_t x = -760 + col * 60 + Random(rng, 14);
        int32_t y = -2900 + row * 60 + Random(rng, 14);
        NewBox(w, rng, x, y, x + 40, y + 40, 1, 1, 1, 1);
    }
}

void CirclesScene(World& w) {
    Container(w, -800, 800, 2000);
    for (int k = 0; k < 100; ++k) {
        int col = k % 20, row = k / 20;
        NewCircle(w, -700 + col * 74 + (row % 2) * 20, -1800 + row * 90, 30, 16, 1, 1);
    }
}

void LiquidsScene(World& w, Rng& rng) {
    Ground(w, 0);
    for (int k = 0; k < 100; ++k) {
        int col = k % 50, row = k / 50;
        int32_t x = -1700 + col * 70;
        int32_t y = row == 0 ? -50 : -140;
        if (k % 5 < 3)
            NewAquarium(w, rng, x, y + 10);
        else
            NewPoisonBox(w, rng, x, y);
    }
}

void WaterScene(World& w, Rng& rng) {
    Ground(w, 2000);
    WaterSpace& water = NewWaterSpace(w, 0, 0, 1, 0, 0.1f);
    water.a = {0, -0.02};
    water.type = "water";
    for (int k = 0; k < 300; ++k) {
        int col = k % 30, row = k / 30;
        int32_t x = -900 + col * 60 + Random(rng, 14);
        int32_t y = -800 + row * 60 + Random(rng, 14);
        NewBox(w, rng, x, y, x + 40, y + 40, 1, 1, 1, 1);
    }
}

} // namespace

void BuildPyramid(World& w, Rng& rng, int base) {
    Ground(w, 0);
    for (int row = 0; row < base; ++row) {
        const int boxes = base - row;
        const int32_t y = -(row + 1) * kBoxSize;
        const int32_t x0 = -base * kBoxPitch / 2 + row * kBoxPitch / 2;
        for (int i = 0; i < boxes; ++i) {
            const int32_t x = x0 + i * kBoxPitch;
            NewBox(w, rng, x, y, x + kBoxSize, y + kBoxSize, 1, 1, 1, 1);
        }
    }
}

std::vector<std::string> SceneNames() {
    return {"pyramid14", "pyramid28", "pyramid57", "boxes", "circles", "liquids", "water"};
}

bool BuildScene(World& w, Rng& rng, const std::string& name) {
    ResetWorld(w);
    if (name == "pyramid14")
        BuildPyramid(w, rng, 14);
    else if (name == "pyramid28")
        BuildPyramid(w, rng, 28);
    else if (name == "pyramid57")
        BuildPyramid(w, rng, 57);
    else if (name == "boxes")
        BoxesScene(w, rng);
    else if (name == "circles")
        CirclesScene(w);
    else if (name == "liquids")
        LiquidsScene(w, rng);
    else if (name == "water")
        WaterScene(w, rng);
    else
        return false;
    UpdateEntityBounds(w);
    return true;
}

void StepScene(World& w, PhysicsScratch& s, const PhysicsTasks& tasks) {
    StepSimulation(w, s, tasks);
    StepLiquidBoxes(w, s);
}
