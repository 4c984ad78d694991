// Two lanes for the passes of a step: running them, the split of the moving bodies and the schedule of a
// pass over them.
//
// A pass is a list of items (entity pairs, contacts), each moving particles of at most two bodies. Two
// items on different moving bodies commute, so the result stays that of the list order when every two
// items that share a moving body keep their order. Each item goes to the lane of its bodies; each lane
// takes its items in the order of a simulated run of both lanes, and an item whose last predecessor on
// one of its bodies runs on the other lane waits until the other lane has done that one.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "physics/internal.h"

int DefaultLaneMode() {
    const char* forced = std::getenv("TUMBLEBOX_LANES");
    if (forced != nullptr && forced[0] == '2' && forced[1] == 0) return 2;
    if (forced != nullptr && forced[0] == '1' && forced[1] == 0) return 1;
    return 0;
}

namespace physics_internal {
namespace {

inline void Pause() {
#if defined(__x86_64__)
    _mm_pause();
#endif
}

// Waits until `flag` is set: spinning, and now and then giving way (the other thread may not be running).
void AwaitSet(const std::atomic<bool>& flag) {
    for (int spin = 0; !flag.load(std::memory_order_acquire); ++spin) {
        if (spin >= 4096) {
            std::this_thread::yield();
            spin = 0;
        } else {
            Pause();
        }
    }
}

// The second lane, as a task of the host's.
void SecondLane(void* context) {
    LaneSync* sync = static_cast<LaneSync*>(context);
    sync->fn(*sync->world, *sync->scratch, 1);
    sync->ended.store(true, std::memory_order_release); // the last the task touches of the step's memory
}

} // namespace

bool LanesAvailable(const PhysicsScratch& s) {
    static const bool cores = std::thread::hardware_concurrency() >= 2;
    if (s.laneRefused) return false;
    return s.tasks.start == nullptr || cores;
}

int32_t LaneAwait(const LaneCounter& other, int32_t need) {
    int32_t known = other.done.load(std::memory_order_acquire);
    for (int spin = 0; known < need; ++spin) {
        if (spin >= 4096) {
            std::this_thread::yield(); // the other lane's thread may not be running
            spin = 0;
        } else {
            Pause();
        }
        known = other.done.load(std::memory_order_acquire);
    }
    return known;
}

void RunOnLanes(World& w, PhysicsScratch& s, LaneFn fn) {
    if (!s.laneSync) s.laneSync = std::make_unique<LaneSync>();
    LaneSync& sync = *s.laneSync;
    sync.counters[0].done.store(0, std::memory_order_relaxed);
    sync.counters[1].done.store(0, std::memory_order_relaxed);
    sync.ended.store(false, std::memory_order_relaxed);
    sync.fn = fn;
    sync.world = &w;
    sync.scratch = &s;
    sync.turns = s.tasks.start == nullptr;
    if (!sync.turns && !s.tasks.start(s.tasks.host, SecondLane, &sync)) {
        s.laneRefused = true; // this pass takes turns; later steps take one lane
        sync.turns = true;
    }
    if (!sync.turns) {
        fn(w, s, 0);
        AwaitSet(sync.ended);
        return;
    }
    // In turns: each lane goes as far as it can before it would wait for the other.
    bool done[2] = {false, false};
    while (!done[0] || !done[1]) {
        const int32_t before = sync.counters[0].done.load(std::memory_order_relaxed) +
                               sync.counters[1].done.load(std::memory_order_relaxed);
        for (int lane = 0; lane < 2; ++lane)
            if (!done[lane]) done[lane] = fn(w, s, lane);
        const int32_t after = sync.counters[0].done.load(std::memory_order_relaxed) +
                              sync.counters[1].done.load(std::memory_order_relaxed);
        if (after == before && (!done[0] || !done[1])) std::abort(); // each lane waits for the other
    }
}

int32_t ExtendLanes(World& w, PhysicsScratch& s, const int32_t* first, const int32_t* second, int32_t from,
                    int32_t n, LaneSchedule& out) {
    if (out.last.size() != static_cast<size_t>(kTableSlots))
        out.last.assign(static_cast<size_t>(kTableSlots), -1);
    int32_t* last = out.last.data();
    if (from == 0) { // every entity, also those that only later items will name
        std::fill(last, last + w.entityCount + 1, -1);
        for (int l = 0; l < 2; ++l) {
            out.items[l].clear();
            out.wait[l].clear();
        }
    }
    if (from >= n) return 0;
    const size_t count = static_cast<size_t>(n);
    out.lane.resize(count);
    out.pos.resize(count);
    s.itemDep.resize(2 * count);
    const uint8_t* lane = s.entityLane.data();
    for (int32_t k = from; k < n; ++k) {
        const int32_t a = first[k];
        const int32_t b = second[k] == a ? 0 : second[k];
        s.itemDep[2 * static_cast<size_t>(k)] = a != 0 ? last[a] : -1;
        s.itemDep[2 * static_cast<size_t>(k) + 1] = b != 0 ? last[b] : -1;
        if (a != 0) last[a] = k;
        if (b != 0) last[b] = k;
        out.lane[static_cast<size_t>(k)] = a != 0 ? lane[a] : (b != 0 ? lane[b] : 0);
    }
    auto place = [&](int32_t k) {
        const int l = out.lane[static_cast<size_t>(k)];
        int32_t need = 0;
        for (int d = 0; d < 2; ++d) {
            const int32_t dep = s.itemDep[2 * static_cast<size_t>(k) + static_cast<size_t>(d)];
            if (dep >= 0 && out.lane[static_cast<size_t>(dep)] != l)
                need = std::max(need, out.pos[static_cast<size_t>(dep)] + 1);
        }
        out.pos[static_cast<size_t>(k)] = static_cast<int32_t>(out.items[l].size());
        out.items[l].push_back(k);
        out.wait[l].push_back(need);
    };
    // The new items go after each lane's earlier ones, in the order of a round-by-round simulation (every
    // item costing one unit): in each round, each lane takes its earliest item in list order whose
    // predecessors are done; predecessors planned earlier count as done.
    std::vector<int32_t>& next = s.itemNext;
    std::vector<int32_t>& pending = s.itemPending;
    next.assign(2 * count, -1);
    pending.assign(count, 0);
    for (int32_t k = from; k < n; ++k) {
        for (int d = 0; d < 2; ++d) {
            const int32_t dep = s.itemDep[2 * static_cast<size_t>(k) + static_cast<size_t>(d)];
            if (dep < from) continue;
            if (d == 1 && dep == s.itemDep[2 * static_cast<size_t>(k)]) continue; // the same item twice
            ++pending[static_cast<size_t>(k)];
            // k follows dep on the entity they share
            const int32_t e = d == 0 ? first[k] : second[k];
            next[2 * static_cast<size_t>(dep) + (first[dep] == e ? 0 : 1)] = k;
        }
    }
    // Each lane's ready items as bits by list place, with the lowest place that may be set.
    const size_t fresh = count - static_cast<size_t>(from);
    const size_t words = (fresh + 63) / 64;
    std::vector<uint64_t>& bits = s.readyBits;
    bits.assign(2 * words, 0);
    size_t lowest[2] = {fresh, fresh};
    int32_t readyCount[2] = {0, 0};
    auto push = [&](int32_t k) {
        const int l = out.lane[static_cast<size_t>(k)];
        const size_t at = static_cast<size_t>(k - from);
        bits[static_cast<size_t>(l) * words + at / 64] |= uint64_t{1} << (at % 64);
        lowest[l] = std::min(lowest[l], at);
        ++readyCount[l];
    };
    auto pop = [&](int l) {
        uint64_t* mine = bits.data() + static_cast<size_t>(l) * words;
        size_t word = lowest[l] / 64;
        while (mine[word] == 0) ++word;
        const size_t at = word * 64 + static_cast<size_t>(__builtin_ctzll(mine[word]));
        mine[word] &= mine[word] - 1;
        lowest[l] = at;
        --readyCount[l];
        return from + static_cast<int32_t>(at);
    };
    for (int32_t k = from; k < n; ++k)
        if (pending[static_cast<size_t>(k)] == 0) push(k);
    int32_t rounds = 0;
    int32_t done[2];
    for (int32_t left = n - from; left > 0; ++rounds) {
        for (int l = 0; l < 2; ++l) {
            done[l] = -1;
            if (readyCount[l] == 0) continue;
            const int32_t k = pop(l);
            place(k);
            done[l] = k;
            --left;
        }
        for (int l = 0; l < 2; ++l) {
            if (done[l] < 0) continue;
            for (int d = 0; d < 2; ++d) {
                const int32_t succ = next[2 * static_cast<size_t>(done[l]) + static_cast<size_t>(d)];
                if (succ >= 0 && --pending[static_cast<size_t>(succ)] == 0) push(succ);
            }
        }
    }
    return rounds;
}

int32_t SplitEntities(World& w, PhysicsScratch& s, const int32_t* first, const int32_t* second, int32_t n,
                      LaneSchedule& out) {
    const size_t slots = static_cast<size_t>(kTableSlots);
    if (s.entityLane.size() != slots) s.entityLane.assign(slots, 0);
    std::vector<std::pair<double, int32_t>> places;
    // The lower half of the moving bodies along the axis on the first lane, the rest on the second.
    auto split = [&](int axis) {
        places.clear();
        for (int32_t e = 1; e <= w.entityCount; ++e) {
            const Entity& ent = w.entities[static_cast<size_t>(e)];
            if (ent.m != 0) places.push_back({axis == 0 ? ent.center.x : ent.center.y, e});
        }
        const size_t half = places.size() / 2;
        std::nth_element(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(half), places.end());
        for (size_t k = 0; k < places.size(); ++k)
            s.entityLane[static_cast<size_t>(places[k].second)] = k < half ? 0 : 1;
    };
    // The choice is kept for a while: scenes change slowly, and choosing costs two more plans.
    if (s.splitAxis < 0 || s.splitEntities != w.entityCount || ++s.splitAge >= 120) {
        split(0);
        const int32_t acrossX = ExtendLanes(w, s, first, second, 0, n, out);
        split(1);
        const int32_t acrossY = ExtendLanes(w, s, first, second, 0, n, out);
        s.splitAxis = acrossY < acrossX ? 1 : 0;
        s.splitEntities = w.entityCount;
        s.splitAge = 0;
        if (s.splitAxis == 1) return acrossY; // the last plan is the chosen one
    }
    split(s.splitAxis);
    return ExtendLanes(w, s, first, second, 0, n, out);
}

} // namespace physics_internal
