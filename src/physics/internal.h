// Shared pieces of the physics passes. The "Run..." passes assume that the per-particle dynamic flags are
// current (StepSimulation refreshes them once per step; the public passes refresh them before they run).
#pragma once

#include <cstdint>

#include "world/world.h"

namespace physics_internal {

// Fills the dynamic flag of particle slots 0..particleCount (slot 0: never dynamic).
void RefreshDynamic(World& w);
inline bool Dynamic(const World& w, int32_t particle) {
    return w.physics.dynamic[static_cast<size_t>(particle)] != 0;
}

// Finds which vector instructions the processor has (once; tests may preset simdLevel).
void ProbeSimd(PhysicsScratch& s);

void RunIntegrate(World& w);
// UpdateEntityBounds of the step (the same results, faster outside the plain path).
void RunBounds(World& w);
// Plans the runs the relaxation takes side by side (once per step, before RunRelax).
void PlanRelax(World& w);
void RunRelax(World& w);
void RunHalfSpaces(World& w);
void RunFindPairs(World& w);
void RunCollideEntities(World& w);
void RunFriction(World& w);
void RunWater(World& w);
void RunPortals(World& w);

// The contact index lives from the start of a step (after the recount) to its end; outside a step the
// contact search scans the table.
void OpenContactIndex(World& w);
void CloseContactIndex(World& w);

} // namespace physics_internal
