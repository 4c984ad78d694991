// Standard scenes of the simulation, used by the benchmark program and by the tests that check that the
// fast paths of the step give exactly the results of the plain ones.
#pragma once

#include <string>
#include <vector>

#include "common/random.h"
#include "physics/scratch.h"
#include "world/world.h"

// Names: "pyramid14", "pyramid28", "pyramid57" (the largest pyramid of 50x50 boxes the tables hold, on a
// ground half-space), "boxes" (500 boxes scattered into a walled container), "circles" (100 rings of 16
// particles), "liquids" (60 aquariums and 40 poison boxes on the ground), "water" (300 boxes falling into
// a water space). Resets the world first; false for an unknown name.
bool BuildScene(World& w, Rng& rng, const std::string& name);
std::vector<std::string> SceneNames();

// A pyramid of 50x50 boxes with `base` boxes in its bottom row, standing on a ground half-space at y = 0.
// Rows are 56 units apart horizontally (a gap of 6) and stacked without gaps.
void BuildPyramid(World& w, Rng& rng, int base);

// One frame of a running world as the main loop steps it: the simulation step, then the liquid boxes.
void StepScene(World& w, PhysicsScratch& s, const PhysicsTasks& tasks);
