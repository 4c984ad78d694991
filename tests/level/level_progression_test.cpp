// Moving between levels, and the trigger records the reader fills.
#include <gtest/gtest.h>

#include "level_test_util.h"
#include "triggers/records.h"

namespace {

void WriteLevelWithPlayers(const std::string& stored, bool player2, const std::string& extra = "box") {
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "player");
    if (player2) MakeBox(prog->world, 100, 0, 50, "player2");
    MakeBox(prog->world, 200, 0, 50, extra);
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, stored));
}

TEST(LevelProgression, NextWorldPathTakesTheNumberAfterTheLastUnderscoreOfTheName) {
    EXPECT_EQ(NextWorldPath("levels\\cave_3.lvl"), "levels\\cave_4.lvl");
    EXPECT_EQ(NextWorldPath("levels\\my_levels\\cave_9.lvl"), "levels\\my_levels\\cave_10.lvl");
    EXPECT_EQ(NextWorldPath("levels\\ice_cave_07.lvl"), "levels\\ice_cave_8.lvl");
    EXPECT_EQ(NextWorldPath("levels\\cave_2147483647.lvl"), "levels\\cave_2147483648.lvl");
    EXPECT_EQ(NextWorldPath("levels\\my_levels\\cave.lvl"), "");
}

TEST(LevelProgression, StartNextWorldLoadsAndBindsThePlayers) {
    ScratchFolder folder;
    TestPlatform plat;
    WriteLevelWithPlayers("levels\\cave_2.lvl", true, "barrel");
    auto prog = NewTestProgram();
    prog->shell.levelPath = "levels\\cave_1.lvl";
    ASSERT_TRUE(StartNextWorld(*prog, plat));
    EXPECT_EQ(prog->shell.levelPath, "levels\\cave_2.lvl");
    const World& w = prog->world;
    EXPECT_EQ(w.entityCount, 3);
    EXPECT_EQ(w.playerDescriptors[0].entity, 1);
    EXPECT_EQ(w.playerDescriptors[1].entity, 2);
    EXPECT_NE(w.playerDescriptors[0].control, 0);
    EXPECT_TRUE(plat.messages.empty());

    // There is no cave_3: a notice, and nothing else changes.
    EXPECT_FALSE(StartNextWorld(*prog, plat));
    EXPECT_EQ(prog->shell.levelPath, "levels\\cave_2.lvl");
    ASSERT_EQ(w.notices.size(), 1u);
    EXPECT_EQ(w.notices[0].text, "levels\\cave_3.lvl not loaded.");
    EXPECT_EQ(w.notices[0].duration, 200);
    EXPECT_EQ(w.entityCount, 3);
}

TEST(LevelProgression, LoadWorldAndRestart) {
    ScratchFolder folder;
    TestPlatform plat;
    WriteLevelWithPlayers("levels\\two.lvl", true);
    auto prog = NewTestProgram();
    EXPECT_FALSE(LoadWorld(*prog, plat, "none.lvl"));
    ASSERT_EQ(prog->world.notices.size(), 1u);
    EXPECT_EQ(prog->world.notices[0].text, "levels\\none.lvl not loaded...");
    EXPECT_EQ(prog->world.notices[0].duration, 1000);

    plat.messages.clear();
    ASSERT_TRUE(LoadWorld(*prog, plat, "two.lvl"));
    EXPECT_EQ(prog->shell.levelPath, "levels\\two.lvl");
    int32_t constraints = prog->world.constraintCount;
    // A failed load of another world keeps the world and its players' binding as they are.
    EXPECT_FALSE(LoadWorld(*prog, plat, "none.lvl"));
    EXPECT_EQ(prog->world.constraintCount, constraints);

    MakeBox(prog->world, 500, 0, 50, "box");
    ASSERT_TRUE(RestartLevel(*prog, plat));
    EXPECT_EQ(prog->world.entityCount, 3);
    prog->shell.levelPath = "levels\\gone.lvl";
    EXPECT_FALSE(RestartLevel(*prog, plat));
    EXPECT_EQ(prog->world.entityCount, 3);
    EXPECT_TRUE(plat.messages.empty());
}

TEST(LevelProgression, AMissingPlayerIsReportedAndTheProgramGoesOn) {
    ScratchFolder folder;
    TestPlatform plat;
    WriteLevelWithPlayers("levels\\solo.lvl", false);
    auto prog = NewTestProgram();
    ASSERT_TRUE(LoadWorld(*prog, plat, "solo.lvl"));
    ASSERT_EQ(plat.messages.size(), 1u);
    EXPECT_EQ(plat.messages[0].first, "Error");
    EXPECT_EQ(plat.messages[0].second, "no player2 found !");
    EXPECT_NE(prog->world.playerDescriptors[0].control, 0);
    EXPECT_EQ(prog->world.playerDescriptors[1].control, 0);
}

TEST(LevelProgression, RememberCurrentLevel) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    prog->shell.levelPath = "levels\\cave_3.lvl";
    RememberCurrentLevel(*prog);
    EXPECT_EQ(ReadFileBytes("level.ini"), "Level(levels\\cave_3.lvl)");
    EXPECT_TRUE(prog->world.notices.empty());

    std::filesystem::remove("level.ini");
    std::filesystem::create_directory("level.ini");
    RememberCurrentLevel(*prog);
    ASSERT_EQ(prog->world.notices.size(), 1u);
    EXPECT_EQ(prog->world.notices[0].text, "error in the level.ini !");
}

TEST(TriggerRecords, SlotsFillInOrderAndFullTriggersDropTexts) {
    World w;
    ResetWorld(w);
    EXPECT_FALSE(AddEvent(w, "orphan()")); // no trigger yet
    EXPECT_EQ(NewTrigger(w), 0);
    for (int i = 0; i < 12; ++i) AddEvent(w, "e" + std::to_string(i));
    for (int i = 0; i < 31; ++i) AddAction(w, "a" + std::to_string(i));
    AddCondition(w, "c");
    const Trigger& t = w.triggers[0];
    EXPECT_EQ(t.conditionType, "or");
    EXPECT_EQ(t.events[10], "e9");
    EXPECT_EQ(t.actions[30], "a29");
    EXPECT_EQ(t.conditions[1], "c");
    EXPECT_FALSE(AddAction(w, "more"));
    EXPECT_EQ(NewTrigger(w), 1);
    EXPECT_EQ(w.triggers[1].id, 1);
    EXPECT_EQ(w.currentTrigger, 1);

    for (int i = 0; i < kMaxNotices + 5; ++i) PostNotice(w, std::to_string(i), 100, 1, 2, 3);
    ASSERT_EQ(w.notices.size(), static_cast<size_t>(kMaxNotices));
    EXPECT_EQ(w.notices.front().text, "5"); // the oldest made room
    EXPECT_EQ(w.notices.back().blue, 3);
}

} // namespace
