// Replacing the world, and the level operations of the program built on it: the browser's load, the
// command line's load and save, the background save, the delete round trips and the world progression
// that trigger actions call.
//
// Every path that puts another world in place goes through ReplaceWorld; what follows a replacement
// (panels, buffs, the trigger engine, messages, the status line, the current level) is listed once, in
// the steps of its source.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "editor/editor.h"
#include "level/level.h"
#include "triggers/triggers.h"

struct Program;
class Platform;

// Where a new world comes from.
enum class WorldSource {
    Load,        // a level file or text read for a test or tool: the browser's load without its messages
    Browser,     // the Load Level window
    CommandLine, // --load
    Trigger,     // loadworld, restartlevel, start next world
    Delete,      // the delete round trips: the same world, repacked
    Undo,
    Redo,
    Rewind, // back to the world as it was when it last started
    New,    // the toolbar's "New": an empty world
};

// What follows a replacement, by source.
enum class PanelsAfter { Close, Retarget };
struct ReplaceSteps {
    PanelsAfter panels = PanelsAfter::Close; // Close also ends the shaping drag
    bool clearBuffs = false;
    bool resetTriggerEngine = false;   // its events, condition reports and info windows
    bool restoreTriggerEngine = false; // info windows and events as they were at the remembered moment
    bool resetLevelTime = false;       // level time 0 (player abilities come back with the reset world)
    bool missingParticleMessages = false;
    bool loadStatus = false;   // "loading..." then "loading done." or "file not found..."
    bool setLevelPath = false; // the loaded file becomes the current level
    bool setFolder = false;    // and its folder the browser's
    bool restoreCamera = false;
    bool rememberHome = false; // Home brings the camera back to where the new world put it
    bool keepLiquids = false;  // surviving liquid boxes keep their particles as they were
    bool bindPlayers = false;
};
ReplaceSteps StepsAfter(WorldSource source);

struct HistoryState; // shell/history.h

// The new world: a level file (path), a level text (text), a remembered state, or nothing (New).
struct WorldOrigin {
    WorldSource source = WorldSource::Load;
    std::string path;
    std::string text;
    const HistoryState* state = nullptr;
};

// Replaces the world and runs the follow-up steps of its source. False when the level file cannot be
// opened: the world then stays as it was (the browser's status line says "file not found...").
bool ReplaceWorld(Program& prog, Platform& plat, const WorldOrigin& origin, LoadReport* report = nullptr);

// ---- Loading -------------------------------------------------------------------------------------------

// Loads a level file as a plain load (WorldSource::Load). Returns 1 when the file was read to its end,
// 0 when it cannot be opened; then the world is left as it was. Particle ids that name nothing show one
// message box for the first and one summary for the rest.
int LoadLevel(Program& prog, Platform& plat, const std::string& storedPath, LoadReport* report = nullptr);
// The same from text already in memory (always 1).
int LoadLevelText(Program& prog, Platform& plat, std::string_view text, LoadReport* report = nullptr);
// Loads as the level browser does: "loading..." in the status line, then "loading done." (with the number of
// records dropped, if any) or "file not found...". True when loaded.
bool OpenLevel(Program& prog, Platform& plat, const std::string& storedPath, LoadReport* report = nullptr);

// ---- Background save -----------------------------------------------------------------------------------

// A save under way: the worker writes a text snapshot of the world taken when the save started.
struct SaveJob {
    std::thread worker;
    std::atomic<bool> done{false};
    bool ok = false; // written by the worker before `done`
    std::string why;
    std::string savedTool;
    std::string path;
    std::string text;
    ~SaveJob();
};

// The toolbar's "Save": "saving..." in the status line, the tool locked, the current level written on a
// worker thread. Does nothing while a save runs. With a path ("Save as") the level goes there, and that
// file becomes the save target only once it is written: a failed save leaves the target as it was.
void StartSave(Program& prog);
void StartSave(Program& prog, const std::string& storedPath);
// Step 6 of the frame: while a save runs, keeps the tool locked and notices when it has ended ("saving
// done." or "saving failed"). In headless runs it waits for the save, so a save lasts one frame.
void PollSave(Program& prog);
// Blocks until a running save has ended and completes it as PollSave would (before quitting or loading).
void WaitForSave(Program& prog);

// ---- Deleting one entity -------------------------------------------------------------------------------

// Removes the entity in `entitySlot` with its particles, every constraint touching one of its particles
// (whoever owns it) and its liquid box, by writing the world to "temp.del", blanking those records and
// reading the copy back. Every other record keeps its id; surviving liquid boxes keep their liquid. False
// when the slot holds no entity.
bool DeleteEntityByRoundTrip(Program& prog, Platform& plat, int32_t entitySlot);
// The same for several entities at once, in one round trip. False when no slot holds an entity.
bool DeleteEntitiesByRoundTrip(Program& prog, Platform& plat, const std::vector<int32_t>& entitySlots);
// Removes a particle of the world entity and the constraints that touch it the same way. False when the
// slot holds no such particle.
bool DeleteFreeParticleByRoundTrip(Program& prog, Platform& plat, int32_t particleSlot);

// ---- World progression (the trigger actions call these) -----------------------------------------------

// Loads current folder + name; true when loaded. A missing file posts path + " not loaded...".
bool LoadWorld(Program& prog, Platform& plat, const std::string& name);
// Loads the next numbered world; true when loaded. A missing file posts next path + " not loaded.".
bool StartNextWorld(Program& prog, Platform& plat);
// Reloads the current level if it can be opened; true when loaded.
bool RestartLevel(Program& prog, Platform& plat);
// Writes "Level(" + current level path + ")" to "level.ini"; a failure posts "error in the level.ini !".
void RememberCurrentLevel(Program& prog);
// Binds "player" and "player2" to the two player descriptors (those not bound already). A missing player
// shows "no player found !" / "no player2 found !" and leaves that descriptor unbound.
void BindPlayers(Program& prog, Platform& plat);
// What the trigger runner works on this frame, with the progression above as its host.
TriggerScene TriggerSceneOf(Program& prog, Platform& plat);

// What the editor works on this frame, with the file operations and the delete round trips above as its host.
EditorScene EditorSceneOf(Program& prog);

// ---- Command line ----------------------------------------------------------------------------------------

// --load: sets the current level path and folder as the level browser does and loads; false after printing
// "file not found..." on standard error.
bool LoadLevelAtStart(Program& prog, Platform& plat, const std::string& path);
// --save: writes the level without changing the current level path; false after printing why.
bool SaveLevelAtEnd(Program& prog, const std::string& path);
