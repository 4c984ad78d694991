// Level files: writing, reading, background saving, deletion by round trip, world progression, and the
// batch steps of the command line.
//
// Paths are given in their stored form ('\' separators, as the level browser and the level files keep
// them); files are opened through NativePath.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

struct Program;
struct World;
struct Camera;
class Platform;

// ---- Writing -------------------------------------------------------------------------------------------

// The whole world as the text of a level file (CR LF line ends).
std::string LevelText(const World& w, const Camera& cam);

// Writes `contents` beside `storedPath` and renames it into place once it is complete, so the file is
// either the old one or the whole new one. A read-only or non-regular target, a missing folder or a failed
// write leaves the old file untouched and returns false with the reason in `why`. A durable write also
// reaches the disk before it returns (not needed for working copies).
bool WriteFileAtomically(const std::string& storedPath, std::string_view contents, std::string* why = nullptr,
                         bool durable = true);

// Writes the level to `storedPath` (atomically, as above).
bool WriteLevel(const World& w, const Camera& cam, const std::string& storedPath, std::string* why = nullptr);

// ---- Reading -------------------------------------------------------------------------------------------

// What a load left out.
struct LoadReport {
    int32_t dropped = 0; // records not loaded: full tables or lists, ids of 0 or less, owners that do
                         // not exist, unusable values, over-long lines, texts for full triggers
    int32_t missingParticles = 0; // constraint ends that named no particle (also counted in `dropped`)
    // The first line of a trigger file left out because its text would read back as a record once
    // written in a level (also counted in `dropped`).
    std::string unwritableTriggerText;
};

// The status line after a load: "loading done." with the number of records dropped, if any, and the first
// trigger text left out.
std::string LoadDoneStatus(const LoadReport& report);

// Loads a level file. Returns 1 when the file was read to its end, 0 when it cannot be opened; then the
// world is left as it was. A running save is finished first. Particle ids that name nothing show one
// message box for the first and one summary for the rest.
int LoadLevel(Program& prog, Platform& plat, const std::string& storedPath, LoadReport* report = nullptr);
// The same from text already in memory (always 1).
int LoadLevelText(Program& prog, Platform& plat, std::string_view text, LoadReport* report = nullptr);
// Reads the trigger lines of a file into the trigger list; a missing file posts the notice path + "not
// found".
void LoadTriggerFile(World& w, const std::string& storedPath);

// Loads as the level browser does: "loading..." in the status line, then "loading done." (with the number of
// records dropped, if any) or "file not found...". True when loaded.
bool OpenLevel(Program& prog, Platform& plat, const std::string& storedPath, LoadReport* report = nullptr);

// True when `storedPath` names a regular file that can be opened for reading.
bool LevelFileReadable(const std::string& storedPath);

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
// worker thread. Does nothing while a save runs.
void StartSave(Program& prog);
// Step 6 of the frame: while a save runs, keeps the tool locked and notices when it has ended ("saving
// done." or "saving failed"). In headless runs it waits for the save, so a save lasts one frame.
void PollSave(Program& prog);
// Blocks until a running save has ended and completes it as PollSave would (before quitting or loading).
void WaitForSave(Program& prog);

// ---- Deleting one entity -------------------------------------------------------------------------------

// Removes the entity in `entitySlot` with its particles, every constraint touching one of its particles
// (whoever owns it) and its liquid box, by writing the world to "temp.del", blanking those records and
// reading the copy back. Every other record keeps its id. False when the slot holds no entity.
bool DeleteEntityByRoundTrip(Program& prog, Platform& plat, int32_t entitySlot);

// ---- World progression (the trigger actions call these) -----------------------------------------------

// Loads current folder + name; true when loaded. A missing file posts path + " not loaded...".
bool LoadWorld(Program& prog, Platform& plat, const std::string& name);
// levels\cave_3.lvl -> levels\cave_4.lvl; empty when the file name has no "_".
std::string NextWorldPath(const std::string& levelPath);
// Loads the next numbered world; true when loaded. A missing file posts next path + " not loaded.".
bool StartNextWorld(Program& prog, Platform& plat);
// Reloads the current level if it can be opened; true when loaded.
bool RestartLevel(Program& prog, Platform& plat);
// Writes "Level(" + current level path + ")" to "level.ini"; a failure posts "error in the level.ini !".
void RememberCurrentLevel(Program& prog);
// Binds "player" and "player2" to the two player descriptors (those not bound already). A missing player
// shows "no player found !" / "no player2 found !" and leaves that descriptor unbound.
void BindPlayers(Program& prog, Platform& plat);

// ---- Command line ----------------------------------------------------------------------------------------

// --load: sets the current level path and folder as the level browser does and loads; false after printing
// "file not found..." on standard error.
bool LoadLevelAtStart(Program& prog, Platform& plat, const std::string& path);
// --save: writes the level without changing the current level path; false after printing why.
bool SaveLevelAtEnd(Program& prog, const std::string& path);
