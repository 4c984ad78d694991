#include "shell/timeline.h"

#include <algorithm>
#include <chrono>
#include <iterator>

#include "editor/editor.h"
#include "gui/gui.h"
#include "physics/physics.h"
#include "platform/platform.h"
#include "shell/history.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "triggers/triggers.h"
#include "world/validate.h"

namespace {

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
    tl.stepSeconds = 0;
    while (tl.bytes > tl.budget && tl.keyframes.size() > 1) {
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
    tl.gapFrames = 0; // taken right before the first step: whatever came before is in it
    tl.pausedSinceStep = false;
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
    const auto start = std::chrono::steady_clock::now();
    StepSimulation(prog.world, prog.physics.scratch, LaneThreadTasks(prog.physics.thread));
    WorldEffectsStep(prog.effects, prog.world, prog.rng);
    StepLiquidBoxes(prog.world, prog.physics.scratch);
    if (prog.shell.triggersOn) {
        TriggerScene scene = TriggerSceneOf(prog, plat);
        RunTriggers(scene);
    }
    AssertWorldSound(prog.world, "after a step");
    prog.timeline.stepSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    const bool back = tl.position < tl.end;
    if (back) { // going on from a step before the end: the rest of the run is dropped
        while (!tl.keyframes.empty() && tl.keyframes.back().step > tl.position) {
            tl.bytes -= tl.keyframes.back().bytes;
            tl.keyframes.pop_back();
        }
        tl.end = tl.position;
        tl.gaps.resize(static_cast<size_t>(std::max<int64_t>(0, tl.end + 1 - tl.gapsFrom)));
    }
    if (tl.pausedSinceStep) {
        // The paused frames (and any move along the run) since the last step are kept as they ended,
        // so the step is simulated again from exactly the world it started from.
        Keep(tl, Capture(prog, tl.position));
        tl.gapFrames = 0;
        tl.pausedSinceStep = false;
    }
    return back;
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
        const bool kept = busy || changed || tl.gapFrames > kMaxReplayedGap;
        tl.gaps.push_back(static_cast<uint8_t>(std::min(tl.gapFrames, kMaxReplayedGap)));
        tl.end = tl.position = tl.end + 1;
        tl.gapFrames = 0;
        // Re-simulating the steps since the last keyframe is what a move along the run costs.
        if (kept || tl.end - tl.keyframes.back().step >= kMaxKeyframeSteps ||
            tl.stepSeconds >= kResimulationSeconds)
            Keep(tl, Capture(prog, tl.end));
        return;
    }
    if (prog.shell.paused) {
        // A paused world that was edited, loaded, undone or rewound has left the run.
        if (changed) tl.live = false;
        tl.pausedSinceStep = true;
        tl.gapFrames = std::min(tl.gapFrames + 1, 1 << 20);
        return;
    }
    // A running world between two steps (slow motion, or a save under way).
    if ((busy || changed) && tl.position == tl.end) {
        // The world at the run's last step is what it is now.
        Keep(tl, Capture(prog, tl.end));
        tl.gapFrames = 0;
        return;
    }
    tl.gapFrames = std::min(tl.gapFrames + 1, 1 << 20);
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
    const double seconds = tl.stepSeconds;
    for (int64_t i = k.step + 1; i <= step; ++i)
        ReplayStep(prog, plat, tl.gaps[static_cast<size_t>(i - tl.gapsFrom)]);
    tl.stepSeconds = seconds;
    sh.input = played;
    tl.pausedSinceStep = true;
    tl.position = step;
    tl.gapFrames = 0;
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

TimeBarBox TimeBarRect(const Program& prog) {
    const Timeline& tl = prog.timeline;
    TimeBarBox b;
    if (!tl.live || tl.end <= tl.first || prog.editor.toolbar.empty()) return b;
    const ToolbarButton& frame = prog.editor.toolbar[0]; // the toolbar's outline
    b.shown = true;
    b.x = frame.x;
    b.width = std::max<int>(frame.width, 20);
    b.height = 12;
    b.y = frame.y - b.height - 6;
    return b;
}

int TimeBarKnobX(const Timeline& tl, const TimeBarBox& b) {
    const int64_t span = std::max<int64_t>(tl.end - tl.first, 1);
    return b.x + static_cast<int>((tl.position - tl.first) * (b.width - 1) / span);
}

int64_t TimeBarStepAt(const Timeline& tl, const TimeBarBox& b, int x) {
    const int64_t span = tl.end - tl.first;
    const int64_t along = std::clamp<int64_t>(x - b.x, 0, b.width - 1);
    return tl.first + (along * span + (b.width - 1) / 2) / std::max(b.width - 1, 1);
}

std::string TimeBarCaption(const Timeline& tl) {
    std::string s = "step " + std::to_string(tl.position) + " of " + std::to_string(tl.end);
    if (tl.dropped) s += " (steps before " + std::to_string(tl.first) + " dropped: memory)";
    return s;
}

void TimeBarInput(Program& prog, Platform& plat) {
    Timeline& tl = prog.timeline;
    Editor& ed = prog.editor;
    const InputState& in = prog.shell.input;
    const TimeBarBox b = TimeBarRect(prog);
    if (tl.knobHeld && !in.left) { // let go: the release belongs to the knob, not to a tool
        tl.knobHeld = false;
        ed.overToolbar = 1;
        return;
    }
    if (!b.shown || WindowHovered(prog.gui)) {
        tl.knobHeld = false;
        return;
    }
    const bool over = in.mouseX >= b.x && in.mouseX < b.x + b.width && in.mouseY >= b.y - 4 &&
                      in.mouseY < b.y + b.height + 4;
    // The editor's left-button state still holds last frame's value here: 0 means the button was up.
    if (over && in.left && ed.leftState == 0 && CanScrub(prog)) tl.knobHeld = true;
    if (over || tl.knobHeld) ed.overToolbar = 1; // no tool acts under the bar or while the knob moves
    if (!tl.knobHeld) return;
    const int64_t step = TimeBarStepAt(tl, b, in.mouseX);
    if (step != tl.position) ScrubTo(prog, plat, step);
}
