// Working memory of the simulation step. It is kept in the world between steps so that, once the buffers
// have grown to the world's size, a step allocates nothing. None of it is world state: each step rebuilds
// what it needs, and copying or clearing it changes no result.
#pragma once

#include <cstdint>
#include <vector>

struct PhysicsScratch {
    // Take the plain paths: the quadratic entity-pair search, the linear contact search and the bounds
    // update of the world tables. They give exactly the same results as the fast paths, only slower, and
    // are kept as the reference the fast paths are tested against.
    bool reference = false;

    // Per particle slot: 1 when its parent's mass is not 0. Valid while a pass or a step runs.
    std::vector<uint8_t> dynamic;

    // Entity-pair search: the enlarged bounding boxes per entity slot, the entity slots ordered by the
    // lower x of their boxes (kept from step to step, so that re-sorting is cheap), the found pairs.
    std::vector<double> boxLoX, boxLoY, boxHiX, boxHiY;
    std::vector<int32_t> sweepOrder;
    std::vector<int32_t> oddBoxes;  // entities whose boxes are not finite: compared with every entity
    std::vector<uint32_t> pairKeys; // (first slot << 14) | second slot, sorted into the reference order

    // The contacts of the running step, found by the id of their vertex particle: an open-addressed table
    // of ids with the newest contact of each, and per contact slot the previous contact of the same id.
    bool contactIndexLive = false;
    int32_t contactIndexCount = 0; // contact slots 1..this are indexed
    uint32_t contactIndexStamp = 0;
    std::vector<int32_t> contactHashId;
    std::vector<int32_t> contactHashHead;
    std::vector<uint32_t> contactHashStamp;
    std::vector<int32_t> contactPrevious;

    // The separating-axis test: particle positions of the two entities, and per axis the side direction,
    // normal (four lanes each), overlap, usability and side slot. simdLevel: -1 not yet probed, 0 scalar,
    // 1 SSE2, 2 AVX2 (tests set it to compare the variants).
    std::vector<double> gathered;
    std::vector<double> axisData;
    std::vector<float> axisDepth;
    std::vector<uint8_t> axisValid;
    std::vector<int32_t> axisSide;
    int simdLevel = -1;

    // The outline of a liquid container: its vertices and their bearings around its centre.
    std::vector<double> outlineX, outlineY, outlineBearing;
};
