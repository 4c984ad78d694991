// Scripted input: one event a line, replayed frame by frame, and the recorder that writes the same format.
//
//   <frame> mouse <x> <y>
//   <frame> press left|right
//   <frame> release left|right
//   <frame> wheel <notches>
//   <frame> key <name> down|up
//   <frame> type <text>
//
// Frames count from 1; the events of frame k apply before frame k samples its input; a state holds until
// changed; a press and a release in the same frame are a press in that frame and a release in the next.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"

struct ScriptEvent {
    enum class Type { Mouse, Press, Release, Wheel, KeyDown, KeyUp, Type };
    int64_t frame = 0;
    Type type = Type::Mouse;
    int x = 0, y = 0; // mouse
    int button = 0;   // 0 left, 1 right
    int notches = 0;  // wheel
    int scan = 0;     // key
    std::string text; // typed text
};

// The options a recording states in comment lines before its first event ("# --seed 7",
// "# --load levels/tower.lvl", "# --run", "# --triggers"), so that it replays to the same state.
struct RecordedOptions {
    bool seedSet = false;
    uint32_t seed = 0;
    std::string load;
    bool run = false;
    bool triggers = false;
};

// The comment lines stating `o` (only what is set), each ending in a line feed.
std::string RecordedOptionLines(const RecordedOptions& o);

struct InputScript {
    RecordedOptions recorded;
    std::vector<ScriptEvent> events; // in frame order
    size_t next = 0;
    InputState state;
    // Releases deferred to the next frame because the press came in the same frame.
    bool deferredButton[2] = {false, false};
    std::vector<int> deferredKeys;
};

// Parses a whole script; on a malformed line fills `error` with its line number and returns false.
bool ParseInputScript(const std::string& text, InputScript& out, std::string& error);
bool LoadInputScript(const std::string& nativePath, InputScript& out, std::string& error);

// The input of frame `frame` (frames are asked for in order).
InputState ScriptFrameInput(InputScript& script, int64_t frame);

// Writes the changes between successive samples in the script format.
struct InputRecorder {
    std::ofstream out;
    InputState last;
    bool open = false;
};

// Starts a recording whose first lines state `options`.
bool OpenRecorder(InputRecorder& rec, const std::string& nativePath, const InputState& initial,
                  const RecordedOptions& options = {});
void RecordFrame(InputRecorder& rec, int64_t frame, const InputState& in);
