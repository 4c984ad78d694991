// The host's lane thread: it waits for a task (spinning first, as the passes of a step follow one another
// within microseconds, then asleep), runs it, and waits again.
#include "physics/worker.h"

#include <atomic>
#include <exception>
#include <thread>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

struct LaneThreadState {
    alignas(64) std::atomic<uint32_t> job{0};
    std::atomic<bool> stop{false};
    void (*task)(void*) = nullptr;
    void* context = nullptr;
    std::thread thread;
};

namespace {

// Waits for `value` to leave `seen`.
uint32_t AwaitChange(const std::atomic<uint32_t>& value, uint32_t seen) {
    for (int spin = 0; spin < 20000; ++spin) {
        const uint32_t now = value.load(std::memory_order_acquire);
        if (now != seen) return now;
#if defined(__x86_64__)
        _mm_pause();
#endif
    }
    value.wait(seen, std::memory_order_acquire);
    return value.load(std::memory_order_acquire);
}

void ThreadLoop(LaneThreadState* st) {
    uint32_t seen = 0;
    for (;;) {
        seen = AwaitChange(st->job, seen);
        if (st->stop.load(std::memory_order_acquire)) return;
        st->task(st->context);
    }
}

// A task is handed over only once the previous one has ended (the step waits for each), so the thread
// has read `task` and `context` before they are written again.
bool StartTask(void* host, void (*task)(void*), void* context) {
    LaneThread& lt = *static_cast<LaneThread*>(host);
    if (lt.failed) return false;
    if (!lt.state) {
        try {
            auto st = std::make_unique<LaneThreadState>();
            st->thread = std::thread(ThreadLoop, st.get());
            lt.state = std::move(st);
        } catch (const std::exception&) { // no thread to be had (a process limit)
            lt.failed = true;
            return false;
        }
    }
    LaneThreadState& st = *lt.state;
    st.task = task;
    st.context = context;
    st.job.fetch_add(1, std::memory_order_release);
    st.job.notify_one();
    return true;
}

} // namespace

LaneThread::LaneThread() = default;

LaneThread::~LaneThread() {
    if (!state) return;
    state->stop.store(true, std::memory_order_release);
    state->job.fetch_add(1, std::memory_order_release);
    state->job.notify_one();
    state->thread.join();
}

PhysicsTasks LaneThreadTasks(LaneThread& thread) {
    return PhysicsTasks{StartTask, &thread};
}
