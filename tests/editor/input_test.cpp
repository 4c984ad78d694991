// Selection, dragging bodies, Delete, zoom, edge scrolling and the toolbar drag.
#include "editor_fixture.h"
#include "shell/levels.h"
#include "world/builders.h"

TEST_F(EditorTest, RightDragMovesWholeBodyWhilePausedAndOneParticleWhileRunning) {
    int32_t box = NewBox(world(), prog->rng, 300, 300, 350, 350, 1, 1, 1, 1);
    Drag(301, 301, 341, 331, true);
    const Entity& e = world().entities[static_cast<size_t>(box)];
    for (int k = 0; k < 4; ++k) {
        const Particle& p = world().particles[static_cast<size_t>(e.particles[static_cast<size_t>(k)])];
        EXPECT_EQ(p.p - p.oldp, (Vec2{})) << k; // moved without speed
    }
    EXPECT_EQ(ParticleOf(e, 0), (Vec2{340, 330}));
    EXPECT_EQ(ParticleOf(e, 2), (Vec2{390, 380}));

    // Running: only the grabbed particle follows, and a wall's particle gains no speed.
    int32_t wall = NewWall(world(), 600, 600, 800, 600, 10, 1);
    prog->shell.paused = false;
    Rest(600, 590);
    Frame(600, 590, false, true);
    Frame(650, 560, false, true);
    const Entity& we = world().entities[static_cast<size_t>(wall)];
    const Particle& grabbed = world().particles[static_cast<size_t>(we.particles[0])];
    EXPECT_EQ(grabbed.p, (Vec2{650, 560}));
    EXPECT_EQ(grabbed.oldp, grabbed.p);
    EXPECT_EQ(ParticleOf(we, 1), (Vec2{800, 590}));
    Frame(650, 560);
}

TEST_F(EditorTest, DeleteRemovesTheSelectedEntityAndOnlyAFreeParticle) {
    NewBox(world(), prog->rng, 100, 100, 150, 150, 1, 1, 1, 1);
    int32_t lantern = NewLatern(world(), prog->rng, 400, 400);
    int32_t lanternId = world().entities[static_cast<size_t>(lantern)].id;
    NewPin(world(), 700, 700);
    Rest(101, 101);
    Key(Key::Delete);
    EXPECT_EQ(world().entityCount, 2);
    EXPECT_EQ(EntitiesOfType("latern"), 1);

    // The lantern's hanging point belongs to the world entity: Delete takes it and its two ropes only.
    const int32_t particles = world().particleCount, constraints = world().constraintCount;
    Rest(400, 390);
    ASSERT_EQ(world()
                  .entities[static_cast<size_t>(world().particles[static_cast<size_t>(ed().selected)].parent)]
                  .id,
              1);
    Key(Key::Delete);
    EXPECT_EQ(world().entityCount, 2);
    EXPECT_EQ(world().particleCount, particles - 1);
    EXPECT_EQ(world().constraintCount, constraints - 2);
    EXPECT_GE(FindEntityById(world(), lanternId), 1);

    Rest(1000, 900); // far from everything, but the pin is still the nearest particle
    Key(Key::Delete);
    EXPECT_EQ(EntitiesOfType("pin"), 0);
    Key(Key::Delete); // only the lantern is left: it goes too
    Key(Key::Delete); // nothing left: nothing happens
    EXPECT_EQ(world().entityCount, 0);
}

TEST_F(EditorTest, InsideABodyTheMousePicksThatBodyNotACloserCornerOfItsNeighbour) {
    // The upper box's corner lies on the lower box's top edge, 25 units from its centre; the lower box's
    // own corners are 35 units away. On the upper box, then in the gap beside both, the old rule holds.
    const int32_t lower = NewBox(world(), prog->rng, 300, 300, 350, 350, 1, 1, 1, 1);
    const int32_t upper = NewBox(world(), prog->rng, 325, 250, 375, 300, 1, 1, 1, 1);
    const int32_t upperId = world().entities[static_cast<size_t>(upper)].id;
    auto pickedEntity = [&] { return world().particles[static_cast<size_t>(ed().selected)].parent; };
    Rest(325, 325);
    EXPECT_EQ(pickedEntity(), lower);
    Rest(365, 290);
    EXPECT_EQ(pickedEntity(), upper);
    Rest(325, 325);
    Key(Key::Delete);
    ASSERT_EQ(world().entityCount, 1);
    EXPECT_EQ(world().entities[1].id, upperId);
    Rest(390, 320); // outside every outline: the nearest particle, the upper box's corner (375, 300)
    EXPECT_EQ(world().particles[static_cast<size_t>(ed().selected)].p, (Vec2{375, 300}));
}

TEST_F(EditorTest, DeleteWithHalfSpaceOrRegionToolTakesTheOneUnderTheMouse) {
    NewHalfSpace(world(), 0, 800, 1, 0);  // solid below y 800
    NewHalfSpace(world(), 900, 0, 0, -1); // solid right of x 900
    NewRegion(world(), 100, 100, 200, 200);
    NewRegion(world(), 300, 100, 400, 200);
    Pick(kStatics, "HalfSpace");
    Rest(950, 100);
    Key(Key::Delete);
    ASSERT_EQ(world().halfSpaces.size(), 1u);
    EXPECT_EQ(world().halfSpaces[0].p.y, 800);
    Rest(500, 500); // in no half-space: nothing
    Key(Key::Delete);
    EXPECT_EQ(world().halfSpaces.size(), 1u);

    Pick(kRegions, "Region");
    Rest(350, 150);
    Key(Key::Delete);
    ASSERT_EQ(world().regions.size(), 1u);
    EXPECT_EQ(world().regions[0].minx, 100);
}

// While a save runs nothing the editor does changes the world: a Delete waits for the save to end, and
// the right drag does not move anything.
TEST_F(EditorTest, SaveRunningHoldsEditsBack) {
    NewBox(world(), prog->rng, 100, 100, 150, 150, 1, 1, 1, 1);
    Rest(101, 101);
    StartSave(*prog);
    ASSERT_TRUE(prog->shell.saving);
    plat.input.right = true;
    plat.input.mouseX = 200;
    prog->shell.input = plat.SampleInput();
    EditorInput(EditorSceneOf(*prog), plat);
    EXPECT_EQ(ParticleOf(world().entities[1], 0), (Vec2{100, 100}));
    plat.input.right = false;

    ASSERT_TRUE(DeleteEntity(EditorSceneOf(*prog), plat, 1));
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_EQ(world().entityCount, 0);
    std::string saved = TempWorkDir::Read("levels/new.lvl");
    EXPECT_NE(saved.find("Entity("), std::string::npos); // written as it was when the save began
}
