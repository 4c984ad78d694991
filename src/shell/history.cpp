#include "shell/history.h"

#include <algorithm>
#include <utility>

#include "editor/editor.h"
#include "gui/gui.h"
#include "platform/platform.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "triggers/triggers.h"

namespace {

// One past the last slot a table uses: its live records, and any record beyond them that still holds an id.
template <typename T, typename Used> size_t UsedSlots(const std::vector<T>& table, int32_t count, Used used) {
    size_t end = table.size();
    while (end > static_cast<size_t>(count) + 1 && !used(table[end - 1])) --end;
    return std::min(end, table.size());
}

bool ParticleUsed(const Particle& p) {
    return p.id != 0;
}
bool ConstraintUsed(const Constraint& c) {
    return c.id != 0;
}
bool EntityUsed(const Entity& e) {
    return e.id != 0 || !e.particles.empty() || !e.constraints.empty();
}
bool ContactUsed(const Contact& c) {
    return c.serial != 0;
}

// The world's four big tables, set aside while the rest is copied.
struct SetAside {
    std::vector<Particle> particles;
    std::vector<Constraint> constraints;
    std::vector<Entity> entities;
    std::vector<Contact> contacts;

    void Swap(World& w) {
        std::swap(particles, w.particles);
        std::swap(constraints, w.constraints);
        std::swap(entities, w.entities);
        std::swap(contacts, w.contacts);
    }
};

// Puts the kept slots of a table into the world's full-size table; the slots after them become free.
template <typename T> void CopyBack(std::vector<T>& full, const std::vector<T>& kept) {
    std::copy(kept.begin(), kept.end(), full.begin());
    for (size_t i = kept.size(); i < full.size(); ++i)
        if (full[i].id != 0) full[i] = T{};
}

template <> void CopyBack(std::vector<Entity>& full, const std::vector<Entity>& kept) {
    std::copy(kept.begin(), kept.end(), full.begin());
    for (size_t i = kept.size(); i < full.size(); ++i)
        if (EntityUsed(full[i])) full[i] = Entity{};
}

template <> void CopyBack(std::vector<Contact>& full, const std::vector<Contact>& kept) {
    std::copy(kept.begin(), kept.end(), full.begin());
    for (size_t i = kept.size(); i < full.size(); ++i)
        if (full[i].serial != 0) full[i] = Contact{};
}

// Heap bytes of a vector, with the allocator's own bookkeeping.
template <typename T> size_t VectorBytes(const std::vector<T>& v) {
    return v.capacity() == 0 ? 0 : v.capacity() * sizeof(T) + 16;
}

size_t TextBytes(const std::string& s) {
    return s.capacity() > 15 ? s.capacity() + 1 : 0;
}

} // namespace

size_t WorldStateBytes(const World& w) {
    size_t bytes = sizeof(World) + VectorBytes(w.particles) + VectorBytes(w.constraints) +
                   VectorBytes(w.entities) + VectorBytes(w.contacts) + VectorBytes(w.liquidBoxes);
    for (const Entity& e : w.entities)
        bytes += VectorBytes(e.particles) + VectorBytes(e.constraints) + TextBytes(e.type);
    for (const LiquidBox& b : w.liquidBoxes) bytes += VectorBytes(b.particles) + b.particles.size() * 8;
    bytes += VectorBytes(w.halfSpaces) + VectorBytes(w.waterSpaces) + VectorBytes(w.portals) +
             VectorBytes(w.regions) + VectorBytes(w.markers) + VectorBytes(w.lights);
    for (const Trigger& t : w.triggers) {
        bytes += sizeof(Trigger);
        for (const std::string& s : t.events) bytes += TextBytes(s);
        for (const std::string& s : t.conditions) bytes += TextBytes(s);
        for (const std::string& s : t.actions) bytes += TextBytes(s);
    }
    for (const Variable& v : w.variables) bytes += sizeof(Variable) + TextBytes(v.name) + TextBytes(v.value);
    bytes += VectorBytes(w.timers) + VectorBytes(w.players);
    for (const Tip& t : w.tips) bytes += sizeof(Tip) + TextBytes(t.text);
    for (const Notice& n : w.notices) bytes += sizeof(Notice) + TextBytes(n.text);
    return bytes;
}

template <typename T, typename Used>
std::vector<T> KeptSlots(const std::vector<T>& table, int32_t count, Used used) {
    return std::vector<T>(table.begin(),
                          table.begin() + static_cast<ptrdiff_t>(UsedSlots(table, count, used)));
}

std::unique_ptr<HistoryState> TakeHistoryState(Program& prog) {
    World& w = prog.world;
    SetAside full;
    full.Swap(w);
    auto state = std::make_unique<HistoryState>(w); // everything but the tables and the scratch
    full.Swap(w);
    World& s = state->world;
    s.particles = KeptSlots(w.particles, w.particleCount, ParticleUsed);
    s.constraints = KeptSlots(w.constraints, w.constraintCount, ConstraintUsed);
    s.entities = KeptSlots(w.entities, w.entityCount, EntityUsed);
    s.contacts = KeptSlots(w.contacts, w.contactCount, ContactUsed);

    state->camera = prog.camera;
    state->levelPath = prog.shell.levelPath;
    state->currentFolder = prog.shell.currentFolder;
    const TriggerEngine& eng = prog.triggerEngine;
    for (int32_t id : eng.infoWindows) {
        const Window* win = FindWindow(prog.gui, id);
        if (!win) continue;
        state->infoWindows.push_back(
            {win->title, win->labels.empty() ? std::string() : win->labels[0].text, win->x, win->y});
    }
    state->nextInfoWindowY = eng.nextInfoWindowY;
    state->reportedConditionTypes = eng.reportedConditionTypes;
    state->bytes = sizeof(HistoryState) + WorldStateBytes(s);
    return state;
}

void RestoreHistoryState(Program& prog, Platform& plat, const HistoryState& state, bool camera,
                         bool triggerEngine) {
    World& w = prog.world;
    const uint32_t resets = w.resets;
    SetAside full;
    full.Swap(w);
    w = state.world;
    CopyBack(full.particles, w.particles);
    CopyBack(full.constraints, w.constraints);
    CopyBack(full.entities, w.entities);
    CopyBack(full.contacts, w.contacts);
    full.Swap(w);
    // References into the world taken before (buff anchors, panels) must not follow the old slots.
    w.resets = resets + 1;

    if (camera) prog.camera = state.camera;
    if (triggerEngine) {
        // The info windows come back as they stood, with their texts.
        TriggerEngine& eng = prog.triggerEngine;
        for (int32_t id : eng.infoWindows) CloseWindow(prog.gui, plat, id);
        eng.infoWindows.clear();
        eng.events.clear();
        eng.posted.clear();
        for (const InfoWindowState& iw : state.infoWindows) {
            eng.nextInfoWindowY = static_cast<int16_t>(iw.y);
            int32_t id = OpenInfoWindow(eng, prog.gui, prog.world, prog.editor.toolsWindow, iw.title);
            if (Window* win = FindWindow(prog.gui, id)) {
                win->x = iw.x;
                win->y = iw.y;
                if (!win->labels.empty()) win->labels[0].text = iw.text;
            }
        }
        eng.nextInfoWindowY = state.nextInfoWindowY;
        eng.reportedConditionTypes = state.reportedConditionTypes;
    }
}

// ---- Steps ---------------------------------------------------------------------------------------------

void PushUndoStep(History& h, std::string label, std::shared_ptr<const HistoryState> before,
                  uint64_t beforeVersion, bool movesTarget) {
    for (const HistoryStep& r : h.redo) h.bytes -= r.state->bytes;
    h.redo.clear();
    h.bytes += before->bytes;
    h.undo.push_back({std::move(label), std::move(before), beforeVersion, movesTarget});
    size_t drop = 0;
    while (h.bytes > kHistoryBudget && drop + 1 < h.undo.size()) h.bytes -= h.undo[drop++].state->bytes;
    h.undo.erase(h.undo.begin(), h.undo.begin() + static_cast<ptrdiff_t>(drop));
}

void MarkSaved(History& h) {
    h.savedVersion = h.version;
}

bool HasUnsavedChanges(const History& h) {
    return h.version != h.savedVersion;
}

namespace {

bool AnyKeyEdge(const InputState& in) {
    for (bool r : in.released)
        if (r) return true;
    return false;
}

// Replaces the world with a remembered state (undo, redo, rewind) and says so.
void ShowState(Program& prog, Platform& plat, WorldSource source, const HistoryState& state) {
    WorldOrigin origin{source};
    origin.state = &state;
    ReplaceWorld(prog, plat, origin);
}

void ForgetGesture(History& h) {
    h.before.reset();
    h.gestureLabel.clear();
}

} // namespace

void BeforeEditing(Program& prog) {
    History& h = prog.history;
    const InputState& in = prog.shell.input;
    // A wheel notch with Left Control or Left Shift turns or scales bodies: a change of its own.
    const bool shaping = in.wheel != 0 && (in.down[Key::LeftControl] || in.down[Key::LeftShift]);
    const bool edge = in.left != h.leftBefore || in.right != h.rightBefore || AnyKeyEdge(in) || shaping;
    // A window reports a click in the frame after the button was let go: that frame may change the
    // world too, so it is remembered afresh as well.
    const bool remember = edge || h.edgeLastFrame;
    h.edgeLastFrame = edge;
    h.leftBefore = in.left;
    h.rightBefore = in.right;
    if (!remember || !h.gestureLabel.empty()) return;
    h.before = TakeHistoryState(prog);
    h.beforeVersion = h.version;
}

void AfterEditing(Program& prog) {
    History& h = prog.history;
    Editor& ed = prog.editor;
    const InputState& in = prog.shell.input;
    if (!ed.change.empty()) {
        if (h.gestureLabel.empty()) h.gestureLabel = ed.change;
        ed.change.clear();
    }
    if (in.left || in.right) return; // the gesture goes on
    if (!h.gestureLabel.empty()) {
        if (h.before) PushUndoStep(h, h.gestureLabel, h.before, h.beforeVersion, ed.changeTarget);
        h.version = h.nextVersion++;
        if (ed.changeLoadedFile) MarkSaved(h); // the world the file holds
    }
    ed.changeLoadedFile = false;
    ed.changeTarget = false;
    ForgetGesture(h);
}

void NoteRunning(Program& prog) {
    History& h = prog.history;
    const bool running = !prog.shell.paused;
    if (running && h.wasPaused) h.started = TakeHistoryState(prog);
    h.wasPaused = !running;
}

namespace {

// Undo and redo: the last step of `from` replaces the world, whose present state goes to `to`.
bool StepThrough(Program& prog, Platform& plat, std::vector<HistoryStep>& from, std::vector<HistoryStep>& to,
                 WorldSource source, const std::string& verb) {
    History& h = prog.history;
    ForgetGesture(h);
    if (from.empty()) {
        SetStatus(prog.editor, "nothing to " + verb);
        return false;
    }
    HistoryStep step = std::move(from.back());
    from.pop_back();
    std::shared_ptr<const HistoryState> now = TakeHistoryState(prog);
    h.bytes += now->bytes;
    h.bytes -= step.state->bytes;
    to.push_back({step.label, std::move(now), h.version, step.movesTarget});
    ShowState(prog, plat, source, *step.state);
    if (step.movesTarget) {
        prog.shell.levelPath = step.state->levelPath;
        prog.shell.currentFolder = step.state->currentFolder;
    }
    h.version = step.version;
    SetStatus(prog.editor, verb + ": " + step.label);
    return true;
}

} // namespace

bool Undo(Program& prog, Platform& plat) {
    History& h = prog.history;
    return StepThrough(prog, plat, h.undo, h.redo, WorldSource::Undo, "undo");
}

bool Redo(Program& prog, Platform& plat) {
    History& h = prog.history;
    return StepThrough(prog, plat, h.redo, h.undo, WorldSource::Redo, "redo");
}

bool Rewind(Program& prog, Platform& plat) {
    History& h = prog.history;
    if (!h.started) {
        SetStatus(prog.editor, "nothing to rewind: the world has not run yet");
        return false;
    }
    std::shared_ptr<const HistoryState> started = h.started; // kept: the user may rewind again
    ShowState(prog, plat, WorldSource::Rewind, *started);
    prog.shell.paused = true;
    h.wasPaused = true;
    prog.editor.change = "rewind";
    SetStatus(prog.editor, "rewound to the start");
    return true;
}

void NewWorld(Program& prog, Platform& plat) {
    ReplaceWorld(prog, plat, {WorldSource::New});
    prog.editor.change = "new";
    prog.editor.changeTarget = true;
    SetStatus(prog.editor, "new level");
}

namespace {
constexpr int64_t kQuitConfirmFrames = 180; // three seconds at 60 frames a second
}

bool MayQuit(Program& prog) {
    History& h = prog.history;
    const int64_t frame = prog.shell.frame;
    if (!HasUnsavedChanges(h) || prog.shell.quit) return true;
    if (h.quitAskedFrame != 0 && frame - h.quitAskedFrame <= kQuitConfirmFrames) return true;
    h.quitAskedFrame = frame;
    SetStatus(prog.editor, "unsaved changes: press Escape again to quit");
    return false;
}
