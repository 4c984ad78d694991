// Shared pieces of the physics passes. The "Run..." passes assume that the per-particle dynamic flags are
// current (StepSimulation refreshes them once per step; the public passes refresh them before they run).
#pragma once

#include <atomic>
#include <cstdint>

#include "world/world.h"

// One lane's count of finished items in the running two-lane pass, on a cache line of its own.
struct LaneCounter {
    alignas(64) std::atomic<int32_t> done{0};
};
using LaneFn = void (*)(World&, int lane);

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

// Two lanes (see lanes.cpp). LanesAvailable: the machine has a second core and the world's lane worker
// runs (it is started here the first time).
bool LanesAvailable(World& w);
// Runs fn(w, 0) here and fn(w, 1) on the world's lane worker, and returns when both are done.
void RunOnLanes(World& w, LaneFn fn);
LaneCounter* LaneCounters(World& w);
// Waits until `other` has done `need` items; returns the count seen.
int32_t LaneAwait(const LaneCounter& other, int32_t need);
// Splits the moving entities in two halves across x or y, whichever schedules the items (each moving
// the entities first[k] and second[k], 0 for none or a static one) better, and writes that schedule.
// Returns its length in items, every item counted as one.
int32_t SplitEntities(World& w, const int32_t* first, const int32_t* second, int32_t n, LaneSchedule& out);
// Adds items from..n - 1 to the schedule on the entity lanes already chosen (from 0: a new schedule), and
// returns how many rounds of one item per lane the added items take.
int32_t ExtendLanes(World& w, const int32_t* first, const int32_t* second, int32_t from, int32_t n,
                    LaneSchedule& out);

// Runs lane `lane` of `schedule`, calling item(k) for each of its items k in turn, each once the other
// lane has done what it waits for, and counting each done for the other lane.
template <typename Item> void WalkLane(World& w, const LaneSchedule& schedule, int lane, Item item) {
    LaneCounter* counters = LaneCounters(w);
    LaneCounter& mine = counters[lane];
    const LaneCounter& other = counters[1 - lane];
    const std::vector<int32_t>& items = schedule.items[lane];
    const std::vector<int32_t>& wait = schedule.wait[lane];
    int32_t known = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (wait[i] > known) known = LaneAwait(other, wait[i]);
        item(items[i]);
        mine.done.store(static_cast<int32_t>(i) + 1, std::memory_order_release);
    }
}

// What a pair test on a lane does instead of touching what the lanes share: it leaves new contacts and
// the marks on static particles here, to be applied in list order after the pass.
struct LaneSink {
    std::vector<PendingContact>* contacts = nullptr;
    std::vector<PendingMark>* marks = nullptr;
    int32_t item = 0;
};
// The four-by-four pair test on a lane (both entities noted as quads, AVX2 available).
int CollideQuadPair(World& w, int32_t b1, int32_t b2, const LaneSink& sink);
// Applies the contacts and marks the lanes left, in list order.
void FlushLaneSinks(World& w);

} // namespace physics_internal
