// Level scripts: the events of a frame, the conditions and actions of a trigger, the trigger variables and
// timers, the info windows that actions open, and the runner that plays a level's triggers.
//
// A trigger is addressed by its index in the world's trigger list only within one operation; across
// actions, which may remove triggers or replace the whole world, it is found again by its id. Trigger ids
// rise along the list: NewTrigger appends with the next id and nothing reorders the list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "world/world.h"

struct Effects;
struct Gui;
struct InputState;
struct Rng;
class Platform;

// Lists that level scripts grow: creations beyond these limits are refused with a notice (tips make room
// by dropping the oldest, as notices do).
constexpr int kMaxVariables = 9999;
constexpr int kMaxTimers = 9999;
constexpr int kMaxTips = 1000;
constexpr int kMaxInfoWindows = 50;

// Info windows: 150 x 80, stacked down the right edge of the screen from y 16.
constexpr int kFirstInfoWindowY = 16;
constexpr int kInfoWindowWidth = 150;
constexpr int kInfoWindowHeight = 80;

// A body that can enter or leave regions: its centre now and one step ago.
struct MovingBody {
    Vec2 now;
    Vec2 before;
    int32_t slot = 0;
};

// The runner's state beside the world: what belongs to the script of the level now loaded and ends with it.
struct TriggerEngine {
    std::vector<std::string> events;                 // the event texts of this frame, in posting order
    std::unordered_set<std::string_view> posted;     // views of the same, for matching
    int16_t nextInfoWindowY = kFirstInfoWindowY;     // where the next info window opens
    std::vector<int32_t> infoWindows;                // ids of the info windows opened, oldest first
    std::vector<std::string> reportedConditionTypes; // unknown condition types already reported
    std::vector<MovingBody> bodies;                  // working memory of ProcessTriggerEvents
};

// What the actions that end the level ask of the program, which carries them out: load a level, start the
// next level of the progression or restart this one (each true when the world was replaced), and remember
// this level as the one a restart goes back to.
struct TriggerHost {
    void* program = nullptr;
    bool (*loadWorld)(void* program, Platform& plat, const std::string& name) = nullptr;
    bool (*startNextWorld)(void* program, Platform& plat) = nullptr;
    bool (*restartLevel)(void* program, Platform& plat) = nullptr;
    void (*rememberLevel)(void* program) = nullptr;
};

// What the runner works on in a frame, handed to it by the frame loop.
struct TriggerScene {
    World& world;
    TriggerEngine& engine;
    Effects& effects;
    Rng& rng;
    Gui& gui;
    Platform& plat;
    const InputState& input;
    int32_t toolsWindow = 0; // the editor's "Tools :" window: info windows open beside it
    TriggerHost host;
};

// ---- Events --------------------------------------------------------------------------------------------

void PostEvent(TriggerEngine& eng, std::string text);

// Rebuilds the event list of this frame: region enter and leave events (and the regions' entity counts),
// the keys released in the frame's input sample (never taken away from anyone else who reads it),
// levelstart() at level time 1, leveltime(n), and each timer's count after raising it by 1.
void ProcessTriggerEvents(TriggerEngine& eng, World& w, const InputState& in);

// ---- Conditions ----------------------------------------------------------------------------------------

// The number of conditions of the current trigger that hold (0..10). Unknown words post
// "unknown condition : " + word.
int EvaluateConditions(World& w, const Effects& fx);

// ---- Variables and timers ------------------------------------------------------------------------------

// The first variable called `name` (names compared exactly), or nullptr.
const Variable* FindVariable(const World& w, std::string_view name);

// Replaces every var[name] (the "var[" in any case) by the value of the first variable with that name, or
// by VAR(name) NOT FOUND; values that hold references are expanded in turn. A "var[" without a "]" after
// it, a variable whose value refers to itself, and an expansion that keeps growing end the substitution:
// the text is returned as it stands then.
std::string SubstituteVariables(const World& w, std::string_view text);

void NewVariable(World& w, const std::string& name, const std::string& value);
void SetVariable(World& w, std::string_view name, const std::string& value);
// The value read as a 64-bit integer (text that is not a number reads 0) plus `amount`.
void IncreaseVariable(World& w, std::string_view name, int64_t amount);
// kind "all" (any case): the region's entity count of the last ProcessTriggerEvents; otherwise the number
// of entities of that type whose centre lies inside the region now.
void CountInRegion(World& w, std::string_view name, int32_t regionId, std::string_view kind);

void CreateTimer(World& w, int32_t id);
void ResetTimer(World& w, int32_t id);
void DeleteTimer(World& w, int32_t id);

// ---- Actions -------------------------------------------------------------------------------------------

enum class ActionsEnd {
    Completed,      // every slot ran
    TriggerRemoved, // the trigger being run was removed (by itself or by deletetrigger)
    WorldReplaced,  // a progression action loaded another level
};

// Runs the action slots of the current trigger.
ActionsEnd RunTriggerActions(TriggerScene& scene);
// The same as a number: 1 when every slot ran, 0 when an action removed the trigger or replaced the world.
int ExecuteActions(TriggerScene& scene);

// The blast of "explode" around the entity in `entitySlot`.
void Explode(World& w, Effects& fx, Rng& rng, int32_t entitySlot, int32_t strength);

// Opens an info window titled `title` below the previous one, with an empty label; its id, or 0 when too
// many are open (a notice says so).
int32_t OpenInfoWindow(TriggerEngine& eng, Gui& gui, World& w, int32_t toolsWindow, const std::string& title);

// ---- Runner --------------------------------------------------------------------------------------------

// Once per frame in which the world stepped: level time + 1, the events of the frame, then each trigger in
// list order whose events include a posted event and whose conditions allow it runs its actions.
void RunTriggers(TriggerScene& scene);

// The level's script ends (a world reset or load): its info windows close, the next one opens at y 16 again,
// and the events and reported condition types are forgotten.
void ResetTriggerEngine(TriggerEngine& eng, Gui& gui, Platform& plat);

// Notices: each is shown for its duration in frames. AgeNotices counts one frame off every notice and
// removes those whose time is up; DrawNotices shows the newest distinct notices in the upper middle of the
// screen, each in its colour.
void AgeNotices(World& w);
void DrawNotices(const World& w, int screenWidth, Platform& plat);
