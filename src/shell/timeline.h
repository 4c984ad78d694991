// Time: single steps of a paused world, slow motion, and scrubbing back and forth along the last run.
//
// The step of the world is deterministic given the world, the effects and the random generator (the
// physics scratch holds no state from one step to the next), so a run is kept as keyframes and the steps
// between them are simulated again on demand. A keyframe is taken every few steps, after every frame in
// which something other than the step may have changed the world (the user's input, a world replaced by
// a trigger), and before a step that follows a pause, so that the steps between two keyframes depend on
// nothing but the keyframe. Reaching step k restores the latest keyframe at or before k and steps on
// from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/random.h"
#include "effects/effects.h"

struct Program;
class Platform;
struct HistoryState;
struct InputState;

// A remembered moment of a run: the state at the end of the frame of step `step` (or, for the first, the
// state the run started from).
struct TimelineKeyframe {
    int64_t step = 0;
    std::shared_ptr<const HistoryState> state; // world and trigger engine
    Effects effects;
    Rng rng;
    size_t bytes = 0;
};

constexpr size_t kTimelineBudget = size_t{256} << 20; // bytes of all keyframes of a run
// A keyframe is taken once the steps since the last one took this long to run (or after 30 steps), so
// that reaching any step simulates at most about this much again.
constexpr double kResimulationSeconds = 0.04;
constexpr int64_t kMaxKeyframeSteps = 30;
// Frames of a running world between two steps that re-simulation plays again (slow motion); a longer
// gap (a save under way) makes a keyframe after the step.
constexpr int kMaxReplayedGap = 3;

struct Timeline {
    // Speed: the running world steps on every `speed`-th frame (1, 2 or 4).
    int speed = 1;
    int64_t phase = 0;     // running frames since the world started or the speed changed
    bool stepOnce = false; // F3: the next frame runs one step of the paused world

    // The run: keyframes oldest first; steps `first` to `end` can be reached.
    std::deque<TimelineKeyframe> keyframes;
    std::vector<uint8_t> gaps; // per step (index step - gapsFrom): non-stepping frames played before it
    int64_t gapsFrom = 1;
    int64_t first = 0;
    int64_t end = -1;     // the last step recorded; -1: no run
    int64_t position = 0; // the step the world is at
    bool live = false;    // the world is the run's at `position`: nothing but the run changed it since
    bool dropped = false; // the oldest part of the run went to keep within the budget
    size_t bytes = 0;
    size_t budget = kTimelineBudget;

    // Bookkeeping of the frames since the last step.
    int gapFrames = 0;            // frames since the last step that ran no step
    double stepSeconds = 0;       // time the steps since the last keyframe took
    bool pausedSinceStep = false; // the world was paused (or moved along the run) since the last step
    bool busyBefore = false; // the previous frame's input was not idle (windows report clicks a frame late)
    uint32_t resetsSeen = 0;
    uint64_t versionSeen = 0;

    bool knobHeld = false; // the time bar's knob is being dragged
};

// Whether this frame steps the world: a running world on every speed-th frame, a paused one after F3.
bool StepsThisFrame(Program& prog);
// The world's step as the frame runs it: simulation, effect emission, liquids and triggers.
void StepWorld(Program& prog, Platform& plat);
// What a frame that does not step does to the world: entity bounds and liquid containment.
void RefreshPausedWorld(Program& prog);

// Called before the step of a stepping frame: starts a run, or continues the one the world is on (a
// scrubbed-back run drops the part after the world's step). True when it continued a run from a step
// before its end (the moment the world started stays where the run started).
bool BeginTimelineStep(Program& prog);
// Called at the very end of every frame (after drawing): records the step or notes what changed.
void EndTimelineFrame(Program& prog, bool stepped);

// F4: normal, 1/2, 1/4, normal...
void CycleSpeed(Program& prog);
// F3: one step on the next frame (paused worlds only).
void RequestSingleStep(Program& prog);
// Moves a paused world `delta` steps along its run (clamped to what is kept). False with a status
// message when there is no run to move along.
bool ScrubBy(Program& prog, Platform& plat, int64_t delta);
// Puts the world at step `step` of the run exactly as it was then. False when there is no run.
bool ScrubTo(Program& prog, Platform& plat, int64_t step);
// Whether the run can be scrubbed now (paused, a live run, no save under way).
bool CanScrub(const Program& prog);

// The time bar over the toolbar: the run from its first kept step to its end, and a knob where the world
// is. Shown while the world is on a run.
struct TimeBarBox {
    bool shown = false;
    int x = 0, y = 0, width = 0, height = 0;
};
TimeBarBox TimeBarRect(const Program& prog);
// The knob's centre, and the step under screen column `x`.
int TimeBarKnobX(const Timeline& tl, const TimeBarBox& b);
int64_t TimeBarStepAt(const Timeline& tl, const TimeBarBox& b, int x);
// The bar's caption: "step 120 of 240", and when the budget dropped the oldest part, that it did.
std::string TimeBarCaption(const Timeline& tl);
// After the toolbar's update: a press on the bar takes the knob, which scrubs the paused world while the
// button is held; the tools leave the world alone under the bar.
void TimeBarInput(Program& prog, Platform& plat);

// "speed 1/2", or empty at normal speed.
std::string SpeedText(const Timeline& tl);
