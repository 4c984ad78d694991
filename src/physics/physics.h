// The simulation step and its passes.
#pragma once

#include "world/world.h"

// Advances the world by one fixed step.
void StepSimulation(World& w);
// Steps the liquid of every liquid box (once per frame while the world runs).
void StepLiquidBoxes(World& w);
// Keeps the liquid of box `box` (1..liquidBoxCount) inside its container's outline.
void ContainLiquid(World& w, int32_t box);
