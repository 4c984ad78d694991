// Level files: writing, reading, background saving, deletion by round trip, world progression.
#pragma once

#include <atomic>
#include <string>
#include <thread>

struct Program;

// The background save: a worker thread writing the current level.
struct SaveJob {
    std::thread worker;
    std::atomic<bool> done{false};
    bool ok = true;
    std::string savedTool;
};

// Step 6 of the frame: while a save runs, keeps the tool locked and notices when it has ended.
void PollSave(Program& prog);
// Blocks until a running save has ended (used before the program quits).
void WaitForSave(Program& prog);

class Platform;

// The batch steps of the command line. LoadLevelAtStart sets the current level path and folder as the
// level browser does; both return false after printing why on standard error.
bool LoadLevelAtStart(Program& prog, Platform& plat, const std::string& path);
bool SaveLevelAtEnd(Program& prog, const std::string& path);
