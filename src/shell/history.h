// The world's history: undo and redo of the user's changes, the world as it was when it last started
// (rewind), and whether there are changes that no save holds.
//
// A step keeps the world's state as a value, not as level text: the text drops liquids, speeds and trigger
// state. The tables are kept up to their last live record only, and the physics scratch not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "world/camera.h"
#include "world/world.h"

struct Program;
class Platform;
struct InputState;

// An info window a trigger opened, as it stood.
struct InfoWindowState {
    std::string title;
    std::string text;
    int x = 0, y = 0;
};

// A remembered moment.
struct HistoryState {
    explicit HistoryState(const World& w) : world(w) {}
    World world; // tables cut after their last live record; no physics scratch
    Camera camera;
    std::string levelPath; // the save target of that moment (put back only by steps that move it)
    std::string currentFolder;
    // The trigger engine beside the world (kept for rewinds).
    std::vector<InfoWindowState> infoWindows;
    int16_t nextInfoWindowY = 0;
    std::vector<std::string> reportedConditionTypes;
    size_t bytes = 0; // about what it holds in memory
};

// The world's state as a value, and back. Taking it leaves the world as it was (the tables are set aside
// for the copy and put back); restoring keeps the world's own table storage and scratch, and leaves the
// save target alone.
std::unique_ptr<HistoryState> TakeHistoryState(Program& prog);
void RestoreHistoryState(Program& prog, Platform& plat, const HistoryState& state, bool camera,
                         bool triggerEngine);
// Bytes of memory a world state holds, about.
size_t WorldStateBytes(const World& w);

struct HistoryStep {
    std::string label; // "delete box", "place wall", ...
    std::shared_ptr<const HistoryState> state;
    uint64_t version = 0;     // the version of the world `state` holds
    bool movesTarget = false; // a load or New: undo and redo put back the save target of that moment
};

constexpr size_t kHistoryMinSteps = 100;
constexpr size_t kHistoryBudget = size_t{256} << 20; // bytes of all kept steps

struct History {
    std::vector<HistoryStep> undo; // oldest first
    std::vector<HistoryStep> redo; // the next redo last
    size_t bytes = 0;

    // The world before the gesture under way (a button held over a change), taken before the editor acts.
    std::shared_ptr<const HistoryState> before;
    uint64_t beforeVersion = 0;
    std::string gestureLabel; // what the gesture has changed so far; empty: nothing yet

    // Versions: each change makes a new one; a save or a load marks the one the file holds.
    uint64_t version = 1;
    uint64_t nextVersion = 2;
    uint64_t savedVersion = 1;

    std::shared_ptr<const HistoryState> started; // the world when it last started running
    bool wasPaused = true;

    // Safe quit: the frame of the first Escape (or close) with unsaved changes, 0 for none.
    int64_t quitAskedFrame = 0;
    // Input edges are measured against the previous frame's buttons and keys.
    bool leftBefore = false, rightBefore = false;
    bool edgeLastFrame = false;
};

// A new change replaces what could have been redone; the oldest steps go beyond the budget.
void PushUndoStep(History& h, std::string label, std::shared_ptr<const HistoryState> before,
                  uint64_t beforeVersion, bool movesTarget = false);
// The current world is the one in the level file.
void MarkSaved(History& h);
bool HasUnsavedChanges(const History& h);

// The frame's hooks. BeforeEditing runs before the frame's panels, toolbar, windows and editor input:
// when this frame's input could change the world, it remembers the world as it is. AfterEditing runs
// after them and makes the editor's change of this frame (Editor::change) an undo step; a change made
// while a button is held is one step with the rest of the gesture, finished when the buttons are up.
void BeforeEditing(Program& prog);
void AfterEditing(Program& prog);
// Space: remembers the world each time it starts running.
void NoteRunning(Program& prog);

// Ctrl+Z, Ctrl+Y / Ctrl+Shift+Z, Ctrl+R, Ctrl+N and the toolbar's "New" and "Rewind". Each says in the
// status line what it did; false when there was nothing to do.
bool Undo(Program& prog, Platform& plat);
bool Redo(Program& prog, Platform& plat);
bool Rewind(Program& prog, Platform& plat);
void NewWorld(Program& prog, Platform& plat);

// Escape or the window's close: true when the program may end now. With unsaved changes the first asks
// ("unsaved changes: press Escape again to quit") and only a second within three seconds ends it.
bool MayQuit(Program& prog);
