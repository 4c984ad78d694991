// The event texts of a frame.
#include <gtest/gtest.h>

#include "trigger_test_util.h"

namespace {

using Texts = std::vector<std::string>;

// The events of one call without the keyboard, level-time and timer events that every call posts.
Texts RegionEvents(const TriggerEngine& eng) {
    Texts out;
    for (const std::string& e : eng.events)
        if (e.rfind("entity", 0) == 0) out.push_back(e);
    return out;
}

TEST(TriggerEvents, EnteringAndLeavingRegions) {
    World w;
    ResetWorld(w);
    TriggerEngine eng;
    InputState in;
    Region& r = NewRegion(w, 100, 0, 200, 100);
    r.id = 3;
    // Two bodies entering in the same frame: three texts each, body by body in index order.
    int32_t a = BoxMoving(w, {90, 50}, {110, 50}, "box");
    int32_t b = BoxMoving(w, {150, 150}, {150, 50}, "crate");
    BoxMoving(w, {90, 20}, {120, 20}, "wall", 0); // static: never an event, never counted
    BoxMoving(w, {300, 50}, {300, 50});           // elsewhere
    ProcessTriggerEvents(eng, w, in);
    EXPECT_EQ(RegionEvents(eng),
              (Texts{"entityentersregion(2,3)", "entityentersregion(Any,3)", "entityentersregion(box,3)",
                     "entityentersregion(3,3)", "entityentersregion(Any,3)", "entityentersregion(crate,3)"}));
    EXPECT_EQ(w.regions[0].entitycount, 2);

    // Resting inside: counted, no events.
    Shift(w, a, {0, 0}, {20, 0});
    Shift(w, b, {0, 0}, {0, -100});
    ProcessTriggerEvents(eng, w, in);
    EXPECT_TRUE(RegionEvents(eng).empty());
    EXPECT_EQ(w.regions[0].entitycount, 2);

    // Leaving ("any" in lower case); a centre exactly on the border is outside.
    Shift(w, a, {-10, 0}, {0, 0}); // centre (100, 50): on the border
    ProcessTriggerEvents(eng, w, in);
    EXPECT_EQ(RegionEvents(eng),
              (Texts{"entityleavesregion(2,3)", "entityleavesregion(any,3)", "entityleavesregion(box,3)"}));
    EXPECT_EQ(w.regions[0].entitycount, 1);
}

TEST(TriggerEvents, KeysLevelTimeAndTimersInOrder) {
    World w;
    ResetWorld(w);
    TriggerEngine eng;
    InputState in;
    in.released[30] = true; // A
    in.released[48] = true; // B
    in.released[Key::Space] = true;
    in.released[Key::Delete] = true; // no character
    w.levelTime = 1;
    CreateTimer(w, 4);
    ProcessTriggerEvents(eng, w, in);
    EXPECT_EQ(eng.events, (Texts{"keyboardreleased(ab )", "levelstart()", "leveltime(1)", "timer(4,1)"}));
    EXPECT_TRUE(in.released[30] && in.released[Key::Space] && in.released[Key::Delete]); // still there

    w.levelTime = 100;
    ProcessTriggerEvents(eng, w, InputState{});
    EXPECT_EQ(eng.events, (Texts{"keyboardreleased()", "leveltime(100)", "timer(4,2)"}));
}

TEST(TriggerTimers, ResetAndDeleteEveryTimerOfAnId) {
    World w;
    ResetWorld(w);
    TriggerEngine eng;
    for (int id : {1, 2, 1, 1}) CreateTimer(w, id);
    ProcessTriggerEvents(eng, w, InputState{});
    ProcessTriggerEvents(eng, w, InputState{});
    ResetTimer(w, 1);
    EXPECT_EQ(w.timers[0].count + w.timers[2].count + w.timers[3].count, 0);
    EXPECT_EQ(w.timers[1].count, 2);
    DeleteTimer(w, 1);
    ASSERT_EQ(w.timers.size(), 1u);
    EXPECT_EQ(w.timers[0].id, 2);
}

} // namespace
