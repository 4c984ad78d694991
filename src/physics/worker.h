// The thread a host lends the simulation step for its second lane: it runs the tasks handed to it one at
// a time. It starts with the first task and stops when it is destroyed; it cannot be copied, so whoever
// holds it owns the thread.
#pragma once

#include <memory>

#include "physics/scratch.h"

struct LaneThreadState;

struct LaneThread {
    LaneThread();
    ~LaneThread();
    LaneThread(const LaneThread&) = delete;
    LaneThread& operator=(const LaneThread&) = delete;

    std::unique_ptr<LaneThreadState> state;
    bool failed = false; // the thread could not be started: every task is refused
};

// The task system of the step that starts tasks on `thread`.
PhysicsTasks LaneThreadTasks(LaneThread& thread);

// What a host keeps for stepping worlds: the step's working memory and the thread of its second lane.
struct PhysicsHost {
    PhysicsScratch scratch;
    LaneThread thread;
};
