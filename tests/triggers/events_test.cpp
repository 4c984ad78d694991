// The event texts of a frame.
#include <gtest/gtest.h>

#include "trigger_test_util.h"

namespace {

using Texts = std::vector<std::string>;

TEST(TriggerEvents, RegionsKeysLevelTimeAndTimers) {
    World w;
    ResetWorld(w);
    TriggerEngine eng;
    NewRegion(w, 100, 0, 200, 100).id = 3;
    // Two bodies entering in the same frame, a static one and one elsewhere.
    int32_t a = BoxMoving(w, {90, 50}, {110, 50}, "box");
    int32_t b = BoxMoving(w, {150, 150}, {150, 50}, "crate");
    BoxMoving(w, {90, 20}, {120, 20}, "wall", 0);
    BoxMoving(w, {300, 50}, {300, 50});
    CreateTimer(w, 4);
    InputState in;
    for (int scan : {30, 48, Key::Space, Key::Delete}) in.released[static_cast<size_t>(scan)] = true; // A B
    w.levelTime = 1;
    ProcessTriggerEvents(eng, w, in);
    EXPECT_EQ(eng.events,
              (Texts{"entityentersregion(2,3)", "entityentersregion(Any,3)", "entityentersregion(box,3)",
                     "entityentersregion(3,3)", "entityentersregion(Any,3)", "entityentersregion(crate,3)",
                     "keyboardreleased(ab )", "levelstart()", "leveltime(1)", "timer(4,1)"}));
    EXPECT_EQ(w.regions[0].entitycount, 2);
    EXPECT_TRUE(in.released[30] && in.released[Key::Space]); // the sample is read, not consumed

    // At rest inside: counted, no events. Then out onto the border, which is outside ("any" in lower case).
    Shift(w, a, {0, 0}, {20, 0});
    Shift(w, b, {0, 0}, {0, -100});
    w.levelTime = 100;
    ProcessTriggerEvents(eng, w, InputState{});
    EXPECT_EQ(eng.events, (Texts{"keyboardreleased()", "leveltime(100)", "timer(4,2)"}));
    Shift(w, a, {-10, 0}, {0, 0});
    ProcessTriggerEvents(eng, w, InputState{});
    EXPECT_EQ(Texts(eng.events.begin(), eng.events.begin() + 3),
              (Texts{"entityleavesregion(2,3)", "entityleavesregion(any,3)", "entityleavesregion(box,3)"}));
    EXPECT_EQ(w.regions[0].entitycount, 1);

    // Reset and delete reach every timer of an id.
    for (int id : {2, 4, 4}) CreateTimer(w, id);
    ResetTimer(w, 4);
    EXPECT_EQ(w.timers[0].count + w.timers[1].count + w.timers[2].count + w.timers[3].count, 0);
    DeleteTimer(w, 4);
    ASSERT_EQ(w.timers.size(), 1u);
    EXPECT_EQ(w.timers[0].id, 2);
}

} // namespace
