// Working memory of the simulation step. Its owner (the program) keeps it between steps and hands it to
// every step, so that once the buffers have grown to the world's size a step allocates nothing. None of
// it is world state: each step rebuilds what it needs, and a fresh scratch changes no result.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct FrictionNote {
    int32_t a = 0, b = 0, v = 0; // particle slots: side ends and vertex
    int16_t kind = 0;
    uint8_t mode = 0; // which of the two bodies are static
    float fv = 0, fa = 0, ka = 0, kv = 0;
    double pushLength = 0;
    double tx = 0, ty = 0, fx = 0, fy = 0, fLength = 0; // half-space contacts: tangent and friction
};

struct World;
struct PhysicsScratch;

// One lane's count of finished items in the running two-lane pass, on a cache line of its own.
struct LaneCounter {
    alignas(64) std::atomic<int32_t> done{0};
};
// One lane of a pass; true once the lane has done all its items (taking turns, a lane returns early,
// false, where it would have to wait for the other).
using LaneFn = bool (*)(World&, PhysicsScratch&, int lane);

// Where the two lanes of a pass meet: the counts of finished items, whether the second lane has ended,
// and what it runs. With no thread of the host's the lanes take turns on the stepping thread.
struct LaneSync {
    LaneCounter counters[2];
    alignas(64) std::atomic<bool> ended{false};
    bool turns = false;
    LaneFn fn = nullptr;
    World* world = nullptr;
    PhysicsScratch* scratch = nullptr;
};

// A task system the host lends the step for its second lane, in the manner of a physics library whose
// host supplies the threads. start(host, task, context) must begin task(context) on a thread other than
// the caller's and return at once with true, or return false having started nothing; the step waits for
// the task to end by itself. Without a start function the two lanes of a pass take turns on the stepping
// thread (the same results, no second thread).
struct PhysicsTasks {
    bool (*start)(void* host, void (*task)(void*), void* context) = nullptr;
    void* host = nullptr;
};

// The lane mode new scratches start with: TUMBLEBOX_LANES=2 in the environment forces two lanes (as the
// thread checks do), TUMBLEBOX_LANES=1 one; otherwise 0, the choice by timing.
int DefaultLaneMode();

// A pass split over two lanes: per lane the items in the order it takes them, and per entry how many of
// the other lane's items must be done before it may start (0: none).
struct LaneSchedule {
    std::vector<int32_t> items[2];
    std::vector<int32_t> wait[2];
    std::vector<int32_t> lane, pos; // per item: its lane and its place there
    std::vector<int32_t> last;      // per entity slot: the last item planned on it
};

// A contact found in a pass whose items run out of list order; it goes into the table in list order.
struct PendingContact {
    int32_t item = 0, edge1 = 0, edge2 = 0, vertex = 0;
    double pushX = 0, pushY = 0;
    float speed = 0, impact = 0;
};
// A contact mark on a static body's particle (static particles are shared by the lanes), set in list
// order after the pass.
struct PendingMark {
    int32_t item = 0, particle = 0;
    uint8_t mark = 0;
};

struct PhysicsScratch {
    // Take the plain paths: the quadratic entity-pair search, the linear contact search, the bounds update
    // of the world tables, one relaxation pass in slot order, the separating-axis test one axis at a
    // time and friction read from the tables. They give exactly the same results as the fast paths, only
    // slower, and are kept as the reference the fast paths are tested against.
    bool reference = false;

    // Per particle slot: 1 when its parent's mass is not 0. Valid while a pass or a step runs.
    std::vector<uint8_t> dynamic;

    // Relaxation: per particle slot the first and last constraint slot using it, the number of particles
    // used on both sides of each slot boundary, and the boundaries of the runs relaxed side by side
    // (run k is slots relaxRuns[k] to relaxRuns[k + 1] - 1; fewer than two runs: one pass in slot order).
    std::vector<int32_t> relaxFirst, relaxLast, relaxCover, relaxRuns;

    // Entity-pair search: the enlarged bounding box and grid cells (x0, y0, x1, y1) per entity slot, the
    // grid (entries sorted by bucket: entity and cell), the boxes compared with everyone, the found
    // pairs as (first slot << 14) | second slot.
    std::vector<double> boxLoX, boxLoY, boxHiX, boxHiY;
    std::vector<int64_t> boxCells;
    std::vector<uint32_t> gridStart, gridFill;
    std::vector<int32_t> gridEntity;
    std::vector<int64_t> gridCellX, gridCellY;
    std::vector<int32_t> oddBoxes;
    std::vector<uint32_t> pairKeys;
    std::vector<uint8_t> toucher; // per entity slot: has particles (1), lists sides (2), moves (4)

    // The contacts of the running step, found by their vertex: by particle slot when the particle ids
    // rise with the slots, else by particle id through an open-addressed table. Per contact slot the
    // previous contact of the same vertex. Entries are valid when their stamp is the step's stamp.
    bool contactIndexLive = false;
    bool contactIndexBySlot = false;
    bool contactIndexById = false; // always index by id (tests use it to check that way too)
    int32_t contactIndexCount = 0; // contact slots 1..this are indexed
    uint32_t contactIndexStamp = 0;
    std::vector<int32_t> contactSlotHead;
    std::vector<uint32_t> contactSlotStamp;
    std::vector<int32_t> contactHashId;
    std::vector<int32_t> contactHashHead;
    std::vector<uint32_t> contactHashStamp;
    std::vector<int32_t> contactPrevious;

    // What stays fixed about each contact for the rest of the step, for the friction pass; contact slots
    // 1..frictionCached are noted.
    std::vector<FrictionNote> frictionNotes;
    int32_t frictionCached = 0;

    // The separating-axis test: particle positions of the two entities, and per axis the side direction,
    // normal (four lanes each), overlap, usability and side slot. simdLevel: -1 not yet probed, 0 scalar,
    // 1 SSE2, 2 AVX2 (tests set it to compare the variants).
    std::vector<double> gathered;
    std::vector<double> axisData;
    std::vector<float> axisDepth;
    std::vector<uint8_t> axisValid;
    std::vector<int32_t> axisSide;
    int simdLevel = -1;
    // Per entity slot: four particles and four sides among them (noted in the step whose contact stamp is
    // quadStamp), the places of the sides' ends in the particle list, and the 32-bit lanes of the sides'
    // first ends (8) and second ends (8) in a register holding the four particles' coordinates.
    std::vector<uint8_t> entityQuad, quadEnds, quadLanes;
    uint32_t quadStamp = 0;

    // Two lanes. Operations on bodies that share no moving particle commute, so a pass may run on two
    // threads when each keeps the order of every pair of items that share a moving body: the step splits
    // the moving bodies in two halves (across x or y, whichever the planned schedules favour), gives each
    // item to the lane of its bodies, and orders each lane as a simulated run of both lanes takes them.
    // laneMode: 0 two lanes for large scenes when they are faster, 1 always one, 2 two whenever the pass
    // allows (tests use it to compare).
    int laneMode = DefaultLaneMode();
    bool lanesOn = false;     // this step uses two lanes
    bool laneRefused = false; // the host's task system could not start a task: one lane from then on
    PhysicsTasks tasks;       // what the running step was handed (empty outside a step)
    std::unique_ptr<LaneSync> laneSync; // made with the first two-lane pass
    // For laneMode 0: the seconds of the last large steps on one lane [0] and on two [1], how many
    // were timed each way, and the count of large steps.
    static constexpr uint32_t kLaneTimes = 9;
    double laneSeconds[2][kLaneTimes] = {};
    uint32_t laneTimed[2] = {0, 0};
    uint32_t laneSteps = 0;
    std::vector<uint8_t> entityLane;                                            // per entity slot
    std::vector<int32_t> itemDep, itemNext, itemPending, itemFirst, itemSecond; // per item (planning)
    std::vector<uint64_t> readyBits;
    int splitAxis = -1, splitAge = 0; // the split chosen last (0 across x, 1 across y) and its age in steps
    int32_t splitEntities = 0;        // entity count it was chosen for
    uint32_t entityLanesStamp = 0;    // entityLane was chosen in the step of this contact stamp
    bool pairsOnLanes = false;        // the pair walk of this step runs on two lanes
    LaneSchedule pairLanes;
    std::vector<uint8_t> pairAlive; // pairs whose boxes still overlap (two-lane walk)
    int32_t frictionPlanned = 0;    // contacts 1..this are in frictionLanes; -1: one lane this step
    LaneSchedule frictionLanes;
    std::vector<PendingContact> pendingContacts[2];
    std::vector<PendingMark> pendingMarks[2];
    std::vector<int32_t> pendingByItem;

    // The outline of a liquid container: its vertices and their bearings around its centre.
    std::vector<double> outlineX, outlineY, outlineBearing;
};
