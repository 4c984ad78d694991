// The simulation step and its passes: Verlet integration, constraint relaxation, collision against
// half-spaces and between entities with contact friction, water spaces, portals, and the liquid boxes.
//
// Every pass works on the world tables in slot order and moves particle positions directly; velocities are
// always p - oldp. The passes are public so that tests and tools can run them one at a time; each prepares
// what it needs itself. StepSimulation runs them in their fixed order.
#pragma once

#include <cstdint>

#include "world/world.h"

// Advances the world by one fixed step: recount, integrate, portals, ten relaxation iterations (bounds,
// constraints, half-spaces, entity pairs in the first iteration, entity collision, friction), water.
void StepSimulation(World& w);

// Steps the liquid of every liquid box: integration, containment, repulsion (once per frame while the
// world runs).
void StepLiquidBoxes(World& w);
// Keeps the liquid of box `box` (1..liquidBoxCount) inside its container's outline.
void ContainLiquid(World& w, int32_t box);

// The passes of the step.
void IntegrateParticles(World& w);
void RelaxConstraints(World& w);
void CollideHalfSpaces(World& w);
// Clears every contact mark and collects the pairs of entities whose enlarged boxes overlap.
void FindCollisionPairs(World& w);
// Collides every pair still listed; pairs whose boxes have separated are dropped for the rest of the step.
void CollideEntities(World& w);
void ApplyContactFriction(World& w);
void ApplyWaterSpaces(World& w);
void TeleportThroughPortals(World& w);

// Separating-axis collision of two entities (slots). 1 when a collision was resolved, 0 when an axis
// separates them (or they have no usable axis, or an entity has no particles).
int CollideEntityPair(World& w, int32_t b1, int32_t b2);
// Least and greatest axis . p over the entity's particles, in single precision. An entity without
// particles gives 0 and 0.
void ProjectEntity(const World& w, const Vec2& axis, int32_t entity, float& min, float& max);

// Appends a contact of kind 0 with the next serial; the caller sets kind, speed and impact. Returns the
// contact slot, or 0 when the contact table is full (the contact is then dropped).
int32_t RecordContact(World& w, int32_t edge1, int32_t edge2, int32_t vertex, const Vec2& push);
// True when a contact of slots 1..contactCount matches (particles compared by id): the same vertex when
// either contact has kind 2, else the same vertex and the existing edge1 equal to edge1 or edge2.
bool ContactRecorded(const World& w, int16_t kind, int32_t edge1, int32_t edge2, int32_t vertex);
