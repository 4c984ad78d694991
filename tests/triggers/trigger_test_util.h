// Helpers of the trigger tests: bodies that move by a set amount per step, and triggers written in a line.
#pragma once

#include <initializer_list>
#include <string>

#include "level/level_test_util.h"
#include "triggers/records.h"
#include "triggers/triggers.h"

// Shifts every particle of the entity: positions by `now`, previous positions by `before`, then refreshes
// the centres.
inline void Shift(World& w, int32_t slot, Vec2 now, Vec2 before) {
    for (int32_t p : w.entities[static_cast<size_t>(slot)].particles) {
        w.particles[static_cast<size_t>(p)].p += now;
        w.particles[static_cast<size_t>(p)].oldp += before;
    }
    UpdateEntityBounds(w);
}

// A 10 x 10 box whose centre is at `now` and was at `before` one step ago.
inline int32_t BoxMoving(World& w, Vec2 before, Vec2 now, const std::string& type = "box", float mass = 1) {
    int32_t e = MakeBox(w, static_cast<float>(now.x - 5), static_cast<float>(now.y - 5), 10, type);
    w.entities[static_cast<size_t>(e)].m = mass;
    Shift(w, e, {0, 0}, before - now);
    return e;
}

struct TriggerText {
    std::initializer_list<const char*> events;
    std::initializer_list<const char*> conditions;
    std::initializer_list<const char*> actions;
    const char* type = "or";
};

inline int16_t AddTrigger(World& w, const TriggerText& t) {
    NewTrigger(w);
    for (const char* e : t.events) AddEvent(w, e);
    for (const char* c : t.conditions) AddCondition(w, c);
    for (const char* a : t.actions) AddAction(w, a);
    w.triggers.back().conditionType = t.type;
    return w.triggers.back().id;
}

// Makes the trigger with that id current and runs its actions.
inline int RunTrigger(Program& prog, Platform& plat, int16_t id) {
    for (size_t i = 0; i < prog.world.triggers.size(); ++i)
        if (prog.world.triggers[i].id == id) prog.world.currentTrigger = static_cast<int32_t>(i);
    TriggerScene scene = TriggerSceneOf(prog, plat);
    return ExecuteActions(scene);
}

inline std::vector<std::string> NoticeTexts(const World& w) {
    std::vector<std::string> out;
    for (const Notice& n : w.notices) out.push_back(n.text);
    return out;
}
