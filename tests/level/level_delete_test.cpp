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
    int32_t a = MakeBox(w, 0, 0, 50, "aquarium");
    int32_t b = MakeBox(w, 100, 0, 50, "box");
    int32_t c = MakeBox(w, 200, 0, 50, "box2");
    const Entity& ea = w.entities[static_cast<size_t>(a)];
    NewConstraint(w, kWorldEntity, ea.particles[1], w.entities[static_cast<size_t>(b)].particles[0], 1);
    NewConstraint(w, c, w.entities[static_cast<size_t>(c)].particles[0], ea.particles[2],
                  1); // c's own rope to a
    NewLiquidBox(w, prog->rng, a, 3, 10, "water");
    w.markers.push_back({a, 2, 0, w.NewUid()});
    w.markers.push_back({b, 3, 5, w.NewUid()});
    AddLight(w, ea.particles[0], 300, 0, "red", 2);
    w.nextTriggerId = 5;
    NewTrigger(w);
    AddAction(w, "explode(3,10)");
    NewTrigger(w);
    w.variables.push_back({"1", "lives"});
    w.timers.push_back({3, 4});
    prog->camera = {10.6, -2.4, 0.1};
    std::string before = LevelText(w, prog->camera);

    ASSERT_TRUE(DeleteEntityByRoundTrip(*prog, plat, a));

    ASSERT_EQ(w.entityCount, 2);
    EXPECT_EQ(w.entities[1].id, 3);
    EXPECT_EQ(w.entities[2].id, 4);
    ASSERT_EQ(w.particleCount, 8);
    EXPECT_EQ(w.particles[1].id, 5);
    EXPECT_EQ(w.particles[8].id, 12);
    // Left: the edges and diagonals of b and c; gone: a's own, its world diagonals, the joint and c's rope.
    ASSERT_EQ(w.constraintCount, 12);
    EXPECT_EQ(w.entities[2].constraintcount(), 4);
    for (int32_t i = 1; i <= w.constraintCount; ++i) {
        const Constraint& k = w.constraints[static_cast<size_t>(i)];
        EXPECT_GT(w.particles[static_cast<size_t>(k.p1)].id, 4);
        EXPECT_GT(w.particles[static_cast<size_t>(k.p2)].id, 4);
    }
    EXPECT_EQ(w.liquidBoxCount, 0);
    ASSERT_EQ(w.markers.size(), 1u);
    EXPECT_EQ(w.markers[0].entityId, 3);
    EXPECT_TRUE(w.lights.empty());
    // The triggers stay, numbered from 0 again; variables and timers, which files do not hold, are gone.
    ASSERT_EQ(w.triggers.size(), 2u);
    EXPECT_EQ(w.triggers[0].id, 0);
    EXPECT_EQ(w.triggers[1].id, 1);
    EXPECT_EQ(w.triggers[0].actions[1], "explode(3,10)");
    EXPECT_TRUE(w.variables.empty());
    EXPECT_TRUE(w.timers.empty());
    EXPECT_EQ(prog->camera.x, 11);
    EXPECT_EQ(prog->camera.y, -2);

    // The working copy: the same length, the doomed lines marked from their third character.
    std::string copy = ReadFileBytes("temp.del");
    EXPECT_EQ(copy.size(), before.size());
    EXPECT_NE(copy.find("\r\nEn--DELETE--000,1.000000,2,aquarium)\r\n"), std::string::npos);
    EXPECT_NE(copy.find("\r\nLi--DELETE--,3.000000,2,water)\r\n"), std::string::npos);
    size_t marks = 0;
    for (size_t at = copy.find("--DELETE--"); at != std::string::npos; at = copy.find("--DELETE--", at + 1))
        ++marks;
    EXPECT_EQ(marks, 1u + 4u + 8u + 1u);

    EXPECT_FALSE(DeleteEntityByRoundTrip(*prog, plat, 0)); // the world entity is not an entity to delete
    EXPECT_FALSE(DeleteEntityByRoundTrip(*prog, plat, 3));
    EXPECT_EQ(w.entityCount, 2);
}

TEST(LevelDelete, WorksWhenTheWorkingCopyCannotBeWritten) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "box");
    MakeBox(prog->world, 100, 0, 50, "box");
    std::filesystem::create_directory("temp.del"); // in the way of the working copy
    ASSERT_TRUE(DeleteEntityByRoundTrip(*prog, plat, 1));
    EXPECT_EQ(prog->world.entityCount, 1);
    EXPECT_EQ(prog->world.entities[1].id, 3);
}

} // namespace
