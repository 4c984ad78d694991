// The simulation step and its passes: Verlet integration, constraint relaxation, collision against
// half-spaces and between entities with contact friction, water spaces, portals, and the liquid boxes.
//
// Every pass works on the world tables in slot order and moves particle positions directly; velocities are
// always p - oldp. The passes are public so that tests and tools can run them one at a time; each prepares
// what it needs itself. StepSimulation runs them in their fixed order. The working memory of the passes
// (PhysicsScratch) and the thread of the step's second lane belong to the caller, who hands them in: a
// world holds nothing but its records, and copying one copies no buffer and no thread.
#pragma once

#include <cstdint>

#include "physics/scratch.h"
#include "world/world.h"

// Advances the world by one fixed step: recount, integrate, portals, ten relaxation iterations (bounds,
// constraints, half-spaces, entity pairs in the first iteration, entity collision, friction), water.
// Large scenes may run parts of a pass on a second lane, a task started through `tasks` (see
// PhysicsTasks); the results are the same bit for bit on one lane, on two, or on two taking turns.
void StepSimulation(World& w, PhysicsScratch& s, const PhysicsTasks& tasks);

// Steps the liquid of every liquid box: integration, containment, repulsion (once per frame while the
// world runs).
void StepLiquidBoxes(World& w, PhysicsScratch& s);
// Keeps the liquid of box `box` (1..liquidBoxCount) inside its container's outline.
void ContainLiquid(World& w, PhysicsScratch& s, int32_t box);

// The passes of the step.
void IntegrateParticles(World& w, PhysicsScratch& s);
void RelaxConstraints(World& w, PhysicsScratch& s);
void CollideHalfSpaces(World& w, PhysicsScratch& s);
// Clears every contact mark and collects the pairs of entities whose enlarged boxes overlap.
void FindCollisionPairs(World& w, PhysicsScratch& s);
// Collides every pair still listed; pairs whose boxes have separated are dropped for the rest of the step.
void CollideEntities(World& w, PhysicsScratch& s);
void ApplyContactFriction(World& w, PhysicsScratch& s);
void ApplyWaterSpaces(World& w, PhysicsScratch& s);
void TeleportThroughPortals(World& w);

// Separating-axis collision of two entities (slots). 1 when a collision was resolved, 0 when an axis
// separates them (or they have no usable axis, or an entity has no particles).
int CollideEntityPair(World& w, PhysicsScratch& s, int32_t b1, int32_t b2);
// Least and greatest axis . p over the entity's particles, in single precision. An entity without
// particles gives 0 and 0.
void ProjectEntity(const World& w, const Vec2& axis, int32_t entity, float& min, float& max);

// Appends a contact of kind 0 with the next serial; the caller sets kind, speed and impact. Returns the
// contact slot, or 0 when the contact table is full (the contact is then dropped).
int32_t RecordContact(World& w, PhysicsScratch& s, int32_t edge1, int32_t edge2, int32_t vertex,
                      const Vec2& push);
// True when a contact of slots 1..contactCount matches (particles compared by id): the same vertex when
// either contact has kind 2, else the same vertex and the existing edge1 equal to edge1 or edge2.
bool ContactRecorded(const World& w, const PhysicsScratch& s, int16_t kind, int32_t edge1, int32_t edge2,
                     int32_t vertex);
