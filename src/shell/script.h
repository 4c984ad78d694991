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

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "level/files.h"
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

// Longer script lines are refused.
constexpr size_t kMaxScriptLineLength = 4096;
// Typed text a frame takes (the rest of that frame's text is dropped), and the wheel notches it adds up to:
// a recorded frame always reads back.
constexpr size_t kMaxTypedPerFrame = 1024;
constexpr int kMaxWheelPerFrame = 1000;

struct ScriptSource; // where the events come from (a file read a second time, or text in memory)

// A script is checked whole before it plays, then read again event by event as the frames ask for them,
// so a script of any length plays in the same small memory.
struct InputScript {
    InputScript();
    InputScript(InputScript&&) noexcept;
    InputScript& operator=(InputScript&&) noexcept;
    ~InputScript();

    RecordedOptions recorded;
    std::unique_ptr<ScriptSource> source; // none: no events
    ScriptEvent pending;                  // the next event, read but not yet due
    bool hasPending = false;
    InputState state;
    // Releases deferred to the next frame because the press came in the same frame.
    bool deferredButton[2] = {false, false};
    std::array<bool, kKeyCount> deferredKeys{};
};

// Checks a whole script and makes it ready to play. Events go in frame order. On a malformed line fills
// `error` with its line number and returns false.
bool ParseInputScript(const std::string& text, InputScript& out, std::string& error);
// The same for a file, which must be a regular file; it stays open while the script plays.
bool LoadInputScript(const std::string& nativePath, InputScript& out, std::string& error);

// The input of frame `frame` (frames are asked for in order).
InputState ScriptFrameInput(InputScript& script, int64_t frame);

// Writes the changes between successive samples in the script format, into a file that replaces its
// target only when the recording is finished whole.
struct InputRecorder {
    AtomicFile file;
    InputState last;
    bool open = false;
    std::string error; // why the recording failed, once it has
};

// Starts a recording whose first lines state `options`. False (with `rec.error`) when it cannot be written.
bool OpenRecorder(InputRecorder& rec, const std::string& nativePath, const InputState& initial,
                  const RecordedOptions& options = {});
// False (with `rec.error`) when the frame could not be written: the recording is then abandoned.
bool RecordFrame(InputRecorder& rec, int64_t frame, const InputState& in);
// Puts the finished recording in place. False (with `rec.error`) when it could not be written whole; an
// earlier file of that name is then left as it was.
bool CloseRecorder(InputRecorder& rec);
