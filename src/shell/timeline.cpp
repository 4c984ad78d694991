#include "shell/timeline.h"

#include <algorithm>

#include "editor/editor.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "shell/history.h"
#include "shell/program.h"
#include "triggers/triggers.h"
#include "world/validate.h"

namespace {

// Steps between two keyframes: re-simulating them is what a move along the run costs, so a large world
// keeps them closer together.
int64_t KeyframeInterval(const World& w) {
    return w.particleCount + w.constraintCount > 4000 ? 10 : 30;
}

bool InputIdle(const InputState& in) {
    if (in.left || in.right || in.wheel != 0 || !in.typed.empty()) return false;
    for (size_t k = 0; k < in.down.size(); ++k)
        if (in.down[k] || in.released[k]) return false;
    return true;
}

size_t EffectsBytes(const Effects& fx) {
    size_t bytes = sizeof(Effects) + fx.sprites.capacity() * sizeof(EffectSprite) +
                   fx.debris.capacity() * sizeof(DebrisPiece);
    for (const Buff& b : fx.buffs) bytes += sizeof(Buff) + (b.kind.capacity() > 15 ? b.kind.capacity() : 0);
    return bytes;
}

TimelineKeyframe Capture(Program& prog, int64_t step) {
    TimelineKeyframe k;
    k.step = step;
    k.state = TakeHistoryState(prog);
    k.effects = prog.effects;
    k.rng = prog.rng;
    k.bytes = k.state->bytes + EffectsBytes(k.effects) + sizeof(Rng) + sizeof(TimelineKeyframe);
    return k;
}

void Restore(Program& prog, Platform& plat, const TimelineKeyframe& k) {
    RestoreHistoryState(prog, plat, *k.state, false, true);
    prog.effects = k.effects;
    // The buffs of that moment followed the world it held, which is back (under a new reset count).
    for (Buff& b : prog.effects.buffs)
        if (b.resets == k.state->world.resets) b.resets = prog.world.resets;
    prog.rng = k.rng;
}

// Keeps `k` as the keyframe of its step (replacing one of the same step) and drops the oldest part of
// the run beyond the budget.
void Keep(Timeline& tl, TimelineKeyframe k) {
    if (!tl.keyframes.empty() && tl.keyframes.back().step == k.step) {
        tl.bytes -= tl.keyframes.back().bytes;
        tl.keyframes.pop_back();
    }
    tl.bytes += k.bytes;
    tl.keyframes.push_back(std::move(k));
    while (tl.bytes > kTimelineBudget && tl.keyframes.size() > 1) {
        tl.bytes -= tl.keyframes.front().bytes;
        tl.keyframes.pop_front();
        tl.dropped = true;
    }
    tl.first = tl.keyframes.front().step;
    if (tl.first + 1 > tl.gapsFrom) { // the gaps before the first step kept are never played again
        const int64_t n = std::min<int64_t>(tl.first + 1 - tl.gapsFrom, static_cast<int64_t>(tl.gaps.size()));
        tl.gaps.erase(tl.gaps.begin(), tl.gaps.begin() + static_cast<std::ptrdiff_t>(n));
        tl.gapsFrom = tl.first + 1;
    }
}

void NoteSeen(Program& prog) {
    prog.timeline.resetsSeen = prog.world.resets;
    prog.timeline.versionSeen = prog.history.version;
}

void StartRun(Program& prog) {
    Timeline& tl = prog.timeline;
    tl.keyframes.clear();
    tl.bytes = 0;
    tl.gaps.clear();
    tl.gapsFrom = 1;
    tl.dropped = false;
    tl.first = tl.end = tl.position = 0;
    tl.live = true;
    Keep(tl, Capture(prog, 0));
}

// One frame of the run as it was played, without the user: the frames that ran no step before it (slow
// motion), then the frame of the step.
void ReplayStep(Program& prog, Platform& plat, int gapFrames) {
    const bool triggers = prog.shell.triggersOn;
    for (int g = 0; g < gapFrames; ++g) {
        RefreshPausedWorld(prog);
        EffectsStep(prog.effects, prog.world, prog.rng);
        if (triggers) AgeNotices(prog.world);
    }
    StepWorld(prog, plat);
    EffectsStep(prog.effects, prog.world, prog.rng);
    if (triggers) AgeNotices(prog.world);
}

} // namespace

bool StepsThisFrame(Program& prog) {
    Shell& sh = prog.shell;
    Timeline& tl = prog.timeline;
    if (sh.saving) return false;
    if (!sh.paused) {
        tl.stepOnce = false;
        return tl.phase++ % tl.speed == 0;
    }
    tl.phase = 0; // a world that starts again steps on its first frame
    const bool once = tl.stepOnce;
    tl.stepOnce = false;
    return once;
}

void StepWorld(Program& prog, Platform& plat) {
    StepSimulation(prog.world, prog.physics.scratch, LaneThreadTasks(prog.physics.thread));
    WorldEffectsStep(prog.effects, prog.world, prog.rng);
    StepLiquidBoxes(prog.world, prog.physics.scratch);
    if (prog.shell.triggersOn) RunTriggers(prog, plat);
    AssertWorldSound(prog.world, "after a step");
}

void RefreshPausedWorld(Program& prog) {
    UpdateEntityBounds(prog.world);
    for (int32_t i = 1; i <= prog.world.liquidBoxCount; ++i)
        ContainLiquid(prog.world, prog.physics.scratch, i);
}

bool BeginTimelineStep(Program& prog) {
    Timeline& tl = prog.timeline;
    if (!tl.live || tl.end < 0) {
        StartRun(prog);
        return false;
    }
    if (tl.position >= tl.end) return false;
    // Going on from a step before the end: the rest of the run is dropped.
    while (!tl.keyframes.empty() && tl.keyframes.back().step > tl.position) {
        tl.bytes -= tl.keyframes.back().bytes;
        tl.keyframes.pop_back();
    }
    tl.end = tl.position;
    tl.gaps.resize(static_cast<size_t>(std::max<int64_t>(0, tl.end + 1 - tl.gapsFrom)));
    return true;
}

void EndTimelineFrame(Program& prog, bool stepped) {
    Timeline& tl = prog.timeline;
    const InputState& in = prog.shell.input;
    const bool idleNow = InputIdle(in);
    const bool busy = !idleNow || tl.busyBefore || !prog.editor.panels.empty();
    tl.busyBefore = !idleNow;
    const bool changed = prog.world.resets != tl.resetsSeen || prog.history.version != tl.versionSeen;
    NoteSeen(prog);
    if (!tl.live) return;

    if (stepped) {
        const bool kept = busy || changed || tl.touched || tl.gapFrames > kMaxReplayedGap;
        tl.gaps.push_back(static_cast<uint8_t>(std::min(tl.gapFrames, kMaxReplayedGap)));
        tl.end = tl.position = tl.end + 1;
        tl.gapFrames = 0;
        tl.touched = false;
        if (kept || tl.end - tl.keyframes.back().step >= KeyframeInterval(prog.world))
            Keep(tl, Capture(prog, tl.end));
        return;
    }
    if (prog.shell.paused) {
        // A paused world that was edited, loaded, undone or rewound has left the run.
        if (changed) tl.live = false;
        ++tl.gapFrames;
        return;
    }
    // A running world between two steps (slow motion, or a save under way).
    if ((busy || changed) && tl.position == tl.end) {
        // The world at the run's last step is what it is now.
        Keep(tl, Capture(prog, tl.end));
        tl.gapFrames = 0;
        return;
    }
    ++tl.gapFrames;
}

void CycleSpeed(Program& prog) {
    Timeline& tl = prog.timeline;
    tl.speed = tl.speed == 1 ? 2 : tl.speed == 2 ? 4 : 1;
    tl.phase = 0;
    SetStatus(prog.editor, tl.speed == 1 ? "normal speed" : SpeedText(tl));
}

void RequestSingleStep(Program& prog) {
    if (!prog.shell.paused || prog.shell.saving) return;
    prog.timeline.stepOnce = true;
}

bool CanScrub(const Program& prog) {
    const Timeline& tl = prog.timeline;
    return prog.shell.paused && !prog.shell.saving && tl.live && tl.end > tl.first;
}

bool ScrubTo(Program& prog, Platform& plat, int64_t step) {
    Timeline& tl = prog.timeline;
    if (!CanScrub(prog)) {
        SetStatus(prog.editor, prog.shell.paused ? "nothing to scrub: run the world, then pause it"
                                                 : "pause the world to move along its run");
        return false;
    }
    step = std::clamp(step, tl.first, tl.end);
    auto it = std::upper_bound(tl.keyframes.begin(), tl.keyframes.end(), step,
                               [](int64_t s, const TimelineKeyframe& k) { return s < k.step; });
    const TimelineKeyframe& k = *std::prev(it);
    Restore(prog, plat, k);
    Shell& sh = prog.shell;
    const InputState played = sh.input;
    InputState idle; // the steps between keyframes ran with nobody at the keys
    idle.mouseX = played.mouseX;
    idle.mouseY = played.mouseY;
    sh.input = idle;
    for (int64_t i = k.step + 1; i <= step; ++i)
        ReplayStep(prog, plat, tl.gaps[static_cast<size_t>(i - tl.gapsFrom)]);
    sh.input = played;
    tl.position = step;
    tl.gapFrames = 0;
    tl.touched = false;
    NoteSeen(prog);
    SetStatus(prog.editor, "step " + std::to_string(step) + " of " + std::to_string(tl.end));
    return true;
}

bool ScrubBy(Program& prog, Platform& plat, int64_t delta) {
    return ScrubTo(prog, plat, prog.timeline.position + delta);
}

std::string SpeedText(const Timeline& tl) {
    return tl.speed == 1 ? std::string() : "speed 1/" + std::to_string(tl.speed);
}
