// Deleting an entity by the write-edit-reload round trip.
#include <gtest/gtest.h>

#include "level_test_util.h"
#include "triggers/records.h"
#include "world/builders.h"

namespace {

TEST(LevelDelete, RemovesTheEntityAndEverythingTouchingItsParticles) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    World& w = prog->world;
    int32_t a = MakeBox(w, 0, 0, 50, "aquarium"); // id 2, particles 1..4
    int32_t b = MakeBox(w, 100, 0, 50, "box");    // id 3
    int32_t c = MakeBox(w, 200, 0, 50, "box2");   // id 4
    NewConstraint(w, kWorldEntity, 2, 5, 1);      // a joint between a and b
    NewConstraint(w, c, 9, 3, 1);                 // c's own rope to a particle of a
    NewLiquidBox(w, prog->rng, a, 3, 10, "water");
    w.markers.push_back({a, 2, 0, w.NewUid()});
    w.markers.push_back({b, 3, 5, w.NewUid()});
    AddLight(w, 1, 300, 0, "red", 2);
    w.nextTriggerId = 5;
    NewTrigger(w);
    AddAction(w, "explode(3,10)");
    NewTrigger(w);
    w.variables.push_back({"1", "lives"});
    w.timers.push_back({3, 4});
    prog->camera = {10.6, -2.4, 0.1};
    const std::string before = LevelText(w, prog->camera);

    ASSERT_TRUE(DeleteEntityByRoundTrip(*prog, plat, a));
    ASSERT_EQ(w.entityCount, 2);
    EXPECT_EQ(w.entities[1].id, 3);
    ASSERT_EQ(w.particleCount, 8);
    EXPECT_EQ(w.particles[1].id, 5);
    // Left: the edges and diagonals of b and c. Gone: a's own, its world diagonals, the joint, c's rope.
    EXPECT_EQ(w.constraintCount, 12);
    EXPECT_EQ(w.entities[2].constraintcount(), 4);
    EXPECT_EQ(w.liquidBoxCount, 0);
    ASSERT_EQ(w.markers.size(), 1u);
    EXPECT_EQ(w.markers[0].entityId, 3);
    EXPECT_TRUE(w.lights.empty());
    // Triggers stay, numbered from 0 again; variables and timers, which files do not hold, are gone.
    ASSERT_EQ(w.triggers.size(), 2u);
    EXPECT_EQ(w.triggers[1].id, 1);
    EXPECT_EQ(w.triggers[0].actions[1], "explode(3,10)");
    EXPECT_TRUE(w.variables.empty() && w.timers.empty());
    EXPECT_EQ(prog->camera.x, 11);
    EXPECT_EQ(prog->camera.y, -2);

    // The working copy keeps its length; doomed lines are marked from their third character.
    std::string copy = ReadFileBytes("temp.del");
    EXPECT_EQ(copy.size(), before.size());
    EXPECT_NE(copy.find("\r\nEn--DELETE--000,1.000000,2,aquarium)\r\n"), std::string::npos);
    EXPECT_NE(copy.find("\r\nLi--DELETE--,3.000000,2,water)\r\n"), std::string::npos);

    EXPECT_FALSE(DeleteEntityByRoundTrip(*prog, plat, 0)); // the world entity
    EXPECT_FALSE(DeleteEntityByRoundTrip(*prog, plat, 3));
    // A working copy that cannot be written does not stop the delete.
    std::filesystem::remove("temp.del");
    std::filesystem::create_directory("temp.del");
    ASSERT_TRUE(DeleteEntityByRoundTrip(*prog, plat, 1));
    EXPECT_EQ(w.entityCount, 1);
    EXPECT_EQ(w.entities[1].id, 4);
}

} // namespace
