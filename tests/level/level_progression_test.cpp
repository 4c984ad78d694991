// Moving between levels, and the trigger records the reader fills.
#include <gtest/gtest.h>

#include "level_test_util.h"
#include "triggers/records.h"

namespace {

void WriteLevelWithPlayers(const std::string& stored, bool player2) {
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "player");
    if (player2) MakeBox(prog->world, 100, 0, 50, "player2");
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, stored));
}

TEST(LevelProgression, NextWorldPathNumbersTheFileName) {
    EXPECT_EQ(NextWorldPath("levels\\cave_3.lvl"), "levels\\cave_4.lvl");
    EXPECT_EQ(NextWorldPath("levels\\my_levels\\ice_cave_09.lvl"), "levels\\my_levels\\ice_cave_10.lvl");
    EXPECT_EQ(NextWorldPath("levels\\cave_2147483647.lvl"), "levels\\cave_2147483648.lvl");
    EXPECT_EQ(NextWorldPath("levels\\my_levels\\cave.lvl"), "");
}

TEST(LevelProgression, LoadsBindThePlayersAndFailuresKeepTheWorld) {
    ScratchFolder folder;
    TestPlatform plat;
    WriteLevelWithPlayers("levels\\cave_2.lvl", true);
    WriteLevelWithPlayers("levels\\solo.lvl", false);
    auto prog = NewTestProgram();
    const World& w = prog->world;
    prog->shell.levelPath = "levels\\cave_1.lvl";
    ASSERT_TRUE(StartNextWorld(*prog, plat));
    EXPECT_EQ(prog->shell.levelPath, "levels\\cave_2.lvl");
    EXPECT_EQ(w.playerDescriptors[0].entity, 1);
    EXPECT_EQ(w.playerDescriptors[1].entity, 2);
    int32_t constraints = w.constraintCount; // with the two control constraints

    EXPECT_FALSE(StartNextWorld(*prog, plat));
    EXPECT_FALSE(LoadWorld(*prog, plat, "none.lvl"));
    ASSERT_EQ(w.notices.size(), 2u);
    EXPECT_EQ(w.notices[0].text, "levels\\cave_3.lvl not loaded.");
    EXPECT_EQ(w.notices[0].duration, 200);
    EXPECT_EQ(w.notices[1].text, "levels\\none.lvl not loaded...");
    EXPECT_EQ(w.notices[1].duration, 1000);
    EXPECT_EQ(prog->shell.levelPath, "levels\\cave_2.lvl");
    EXPECT_EQ(w.constraintCount, constraints); // the bound players are not bound twice
    EXPECT_TRUE(plat.messages.empty());

    ASSERT_TRUE(RestartLevel(*prog, plat));
    EXPECT_EQ(w.constraintCount, constraints);
    prog->shell.levelPath = "levels\\gone.lvl";
    EXPECT_FALSE(RestartLevel(*prog, plat));

    // A level without a second player: the message, and the program goes on with it unbound.
    ASSERT_TRUE(LoadWorld(*prog, plat, "solo.lvl"));
    ASSERT_EQ(plat.messages.size(), 1u);
    EXPECT_EQ(plat.messages[0].second, "no player2 found !");
    EXPECT_NE(w.playerDescriptors[0].control, 0);
    EXPECT_EQ(w.playerDescriptors[1].control, 0);
}

TEST(LevelProgression, RememberCurrentLevel) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    prog->shell.levelPath = "levels\\cave_3.lvl";
    RememberCurrentLevel(*prog);
    EXPECT_EQ(ReadFileBytes("level.ini"), "Level(levels\\cave_3.lvl)");
    std::filesystem::remove("level.ini");
    std::filesystem::create_directory("level.ini");
    RememberCurrentLevel(*prog); // a notice instead of ending the program
    ASSERT_EQ(prog->world.notices.size(), 1u);
    EXPECT_EQ(prog->world.notices[0].text, "error in the level.ini !");
}

TEST(TriggerRecords, SlotsFillInOrderAndFullListsDrop) {
    World w;
    ResetWorld(w);
    EXPECT_FALSE(AddEvent(w, "orphan()"));
    EXPECT_EQ(NewTrigger(w), 0);
    for (int i = 0; i < 12; ++i) AddEvent(w, "e" + std::to_string(i));
    for (int i = 0; i < 31; ++i) AddAction(w, "a" + std::to_string(i));
    EXPECT_EQ(w.triggers[0].events[10], "e9");
    EXPECT_EQ(w.triggers[0].actions[30], "a29");
    EXPECT_EQ(NewTrigger(w), 1);
    EXPECT_EQ(w.triggers[1].id, 1);
    for (int i = 0; i < kMaxNotices + 5; ++i) PostNotice(w, std::to_string(i), 100, 1, 2, 3);
    ASSERT_EQ(w.notices.size(), static_cast<size_t>(kMaxNotices));
    EXPECT_EQ(w.notices.front().text, "5"); // the oldest made room
}

} // namespace
