// Shared pieces of the physics passes. The "Run..." passes assume that the per-particle dynamic flags are
// current (StepSimulation refreshes them once per step; the public passes refresh them before they run).
#pragma once

#include <atomic>
#include <cstdint>

#include "physics/scratch.h"
#include "world/world.h"

namespace physics_internal {

// Fills the dynamic flag of particle slots 0..particleCount (slot 0: never dynamic).
void RefreshDynamic(World& w, PhysicsScratch& s);
inline bool Dynamic(const PhysicsScratch& s, int32_t particle) {
    return s.dynamic[static_cast<size_t>(particle)] != 0;
}

// Finds which vector instructions the processor has (once; tests may preset simdLevel).
void ProbeSimd(PhysicsScratch& s);

void RunIntegrate(World& w, PhysicsScratch& s);
// UpdateEntityBounds of the step (the same results, faster outside the plain path).
void RunBounds(World& w, PhysicsScratch& s);
// Plans the runs the relaxation takes side by side (once per step, before RunRelax).
void PlanRelax(World& w, PhysicsScratch& s);
void RunRelax(World& w, PhysicsScratch& s);
void RunHalfSpaces(World& w, PhysicsScratch& s);
void RunFindPairs(World& w, PhysicsScratch& s);
void RunCollideEntities(World& w, PhysicsScratch& s);
void RunFriction(World& w, PhysicsScratch& s);
void RunWater(World& w, PhysicsScratch& s);
void RunPortals(World& w);

// The contact index lives from the start of a step (after the recount) to its end; outside a step the
// contact search scans the table.
void OpenContactIndex(World& w, PhysicsScratch& s);
void CloseContactIndex(PhysicsScratch& s);

// Two lanes (see lanes.cpp). LanesAvailable: the step may take two lanes (the host's task system has not
// refused, and the machine has a second core for the host's thread).
bool LanesAvailable(const PhysicsScratch& s);
// Runs fn(w, s, 0) here and fn(w, s, 1) as a task of the host's (or both in turns here), and returns when
// both are done.
void RunOnLanes(World& w, PhysicsScratch& s, LaneFn fn);
// Waits until `other` has done `need` items; returns the count seen.
int32_t LaneAwait(const LaneCounter& other, int32_t need);
// Splits the moving entities in two halves across x or y, whichever schedules the items (each moving
// the entities first[k] and second[k], 0 for none or a static one) better, and writes that schedule.
// Returns its length in items, every item counted as one.
int32_t SplitEntities(World& w, PhysicsScratch& s, const int32_t* first, const int32_t* second, int32_t n,
                      LaneSchedule& out);
// Adds items from..n - 1 to the schedule on the entity lanes already chosen (from 0: a new schedule), and
// returns how many rounds of one item per lane the added items take.
int32_t ExtendLanes(World& w, PhysicsScratch& s, const int32_t* first, const int32_t* second, int32_t from,
                    int32_t n, LaneSchedule& out);

// Runs lane `lane` of `schedule`, calling item(k) for each of its items k in turn, each once the other
// lane has done what it waits for, and counting each done for the other lane. Taking turns, the lane
// stops (false) where it would wait and goes on from there when called again.
template <typename Item> bool WalkLane(PhysicsScratch& s, const LaneSchedule& schedule, int lane, Item item) {
    LaneSync& sync = *s.laneSync;
    LaneCounter& mine = sync.counters[lane];
    const LaneCounter& other = sync.counters[1 - lane];
    const std::vector<int32_t>& items = schedule.items[lane];
    const std::vector<int32_t>& wait = schedule.wait[lane];
    int32_t known = 0;
    for (size_t i = static_cast<size_t>(mine.done.load(std::memory_order_relaxed)); i < items.size(); ++i) {
        if (wait[i] > known) {
            if (sync.turns) {
                known = other.done.load(std::memory_order_relaxed);
                if (wait[i] > known) return false;
            } else {
                known = LaneAwait(other, wait[i]);
            }
        }
        item(items[i]);
        mine.done.store(static_cast<int32_t>(i) + 1, std::memory_order_release);
    }
    return true;
}

// What a pair test on a lane does instead of touching what the lanes share: it leaves new contacts and
// the marks on static particles here, to be applied in list order after the pass.
struct LaneSink {
    std::vector<PendingContact>* contacts = nullptr;
    std::vector<PendingMark>* marks = nullptr;
    int32_t item = 0;
};
// The four-by-four pair test on a lane (both entities noted as quads, AVX2 available).
int CollideQuadPair(World& w, PhysicsScratch& s, int32_t b1, int32_t b2, const LaneSink& sink);
// Applies the contacts and marks the lanes left, in list order.
void FlushLaneSinks(World& w, PhysicsScratch& s);

} // namespace physics_internal
