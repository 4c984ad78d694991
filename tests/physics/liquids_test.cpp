// Water spaces and liquid boxes.
#include <gtest/gtest.h>

#include <cmath>

#include "physics_helpers.h"
#include "world/builders.h"

TEST(PhysicsWater, DepthLiftsAndDragSlows) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    WaterSpace& water = NewWaterSpace(*w, 0, 0, 1, 0, 0); // water below y = 0
    water.a = {0, -0.5};
    int32_t deep = RestingParticle(*w, kWorldEntity, 3, 10);
    int32_t surface = RestingParticle(*w, kWorldEntity, 7, 0);
    int32_t dry = RestingParticle(*w, kWorldEntity, 9, -4);
    ApplyWaterSpaces(*w, scratch);
    EXPECT_EQ(P(*w, deep).p, (Vec2{3, 5})); // 10 under a = (0, -0.5): lifted by 5
    EXPECT_EQ(P(*w, surface).p, (Vec2{7, 0}));
    EXPECT_EQ(P(*w, dry).p, (Vec2{9, -4}));
    ASSERT_EQ(w->waterContacts.size(), 1u);
    EXPECT_EQ(w->waterContacts[0].particle, deep);
    EXPECT_EQ(w->waterContacts[0].water, 0);

    // Drag: xf 1 cancels the velocity, xf 0 keeps it; the list is rebuilt by every pass.
    water.a = {0, 0};
    int32_t fast = RestingParticle(*w, kWorldEntity, 0, 20);
    P(*w, fast).oldp = {-4, 17};
    ApplyWaterSpaces(*w, scratch);
    EXPECT_EQ(P(*w, fast).p, (Vec2{0, 20}));
    EXPECT_EQ(w->waterContacts.size(), 2u);
    water.xf = 1;
    ApplyWaterSpaces(*w, scratch);
    EXPECT_EQ(P(*w, fast).p, P(*w, fast).oldp);
}

TEST(PhysicsWater, StaticParticlesAndDirectionlessWaterAreLeftAlone) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    NewWaterSpace(*w, 0, 0, 0, 0, 1).a = {0, -1};
    WaterSpace& water = NewWaterSpace(*w, 0, 0, 1, 0, 0.5f);
    water.a = {0, -1};
    int32_t rock = NewEntity(*w, 0, 1);
    int32_t s = RestingParticle(*w, rock, 0, 30);
    P(*w, s).oldp = {1, 31};
    ApplyWaterSpaces(*w, scratch);
    EXPECT_EQ(P(*w, s).p, (Vec2{0, 30}));
    EXPECT_TRUE(w->waterContacts.empty());
}

namespace {

// A liquid box whose container slot is unused, so that only integration and repulsion act.
LiquidBox& LooseLiquid(World& w, double radius) {
    w.liquidBoxCount = 1;
    LiquidBox& box = w.liquidBoxes[1];
    box.radius = radius;
    box.container = -1;
    box.particles.clear();
    return box;
}

LiquidParticle Drop(double x, double y) {
    LiquidParticle p;
    p.p = {x, y};
    p.oldp = {x, y};
    p.a = {0, 0};
    p.type = "water";
    return p;
}

} // namespace

TEST(PhysicsLiquid, RepulsionPushesOverlappingDropsApartTwicePerFrame) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    LiquidBox& box = LooseLiquid(*w, 3);
    box.particles = {Drop(0, 0), Drop(4, 0), Drop(100, 100), Drop(100, 100)};
    StepLiquidBoxes(*w, scratch);
    // First treatment at distance 4: push 2 * 0.2 = 0.4, 0.2 each; second (reversed) at 4.4: 0.16 each.
    EXPECT_DOUBLE_EQ(box.particles[0].p.x, -0.36);
    EXPECT_DOUBLE_EQ(box.particles[1].p.x, 4.36);
    EXPECT_EQ(box.particles[0].p.y, 0);
    // Two drops at one place have no direction to be pushed in.
    EXPECT_EQ(box.particles[2].p, (Vec2{100, 100}));
    EXPECT_EQ(box.particles[3].p, (Vec2{100, 100}));
}

TEST(PhysicsLiquid, LiquidFallsAndIsDampedByFivePercent) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    LiquidBox& box = LooseLiquid(*w, 3);
    box.particles = {Drop(0, 0)};
    box.particles[0].a = {0, 1};
    StepLiquidBoxes(*w, scratch);
    EXPECT_DOUBLE_EQ(box.particles[0].p.y, 0.25 * 0.95);
}

TEST(PhysicsLiquid, ContainmentBringsDropsBackThreeRadiiInside) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    Rng rng(1);
    int32_t tank = NewAquarium(*w, rng, 0, 0); // 50 x 40, radius 3
    ASSERT_NE(tank, 0);
    UpdateEntityBounds(*w);
    LiquidBox& box = w->liquidBoxes[1];
    box.particles.resize(2);
    box.particles[0].p = {100, 20}; // right of the tank
    box.particles[1].p = {25, -30}; // above it
    ContainLiquid(*w, scratch, 1);
    EXPECT_EQ(box.particles[0].p, (Vec2{41, 20}));
    EXPECT_EQ(box.particles[1].p, (Vec2{25, 9}));
}

TEST(PhysicsLiquid, ContainerWithoutTypeLeavesItsLastParticleOutOfTheOutline) {
    PhysicsScratch scratch;
    // A square (0,0)-(40,40) with its last corner (0,40) left out is the triangle (0,0),(40,0),(40,40):
    // a drop near (5,35) is inside the square but outside the triangle.
    auto run = [&](const std::string& type) {
        auto w = EmptyWorld();
        int32_t e = NewEntity(*w, 1, 1);
        for (auto [x, y] : {std::pair{0, 0}, {40, 0}, {40, 40}, {0, 40}}) RestingParticle(*w, e, x, y);
        w->entities[static_cast<size_t>(e)].type = type;
        UpdateEntityBounds(*w);
        LiquidBox& box = LooseLiquid(*w, 1);
        box.container = e;
        box.particles = {Drop(5, 35)};
        ContainLiquid(*w, scratch, 1);
        return box.particles[0].p;
    };
    EXPECT_EQ(run("box"), (Vec2{5, 35}));
    EXPECT_NE(run(""), (Vec2{5, 35}));
}

TEST(PhysicsLiquid, OutlinesWithoutThreeDistinctCornersHoldNothing) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t e = NewEntity(*w, 1, 1);
    RestingParticle(*w, e, 0, 0);
    RestingParticle(*w, e, 0, 0);
    RestingParticle(*w, e, 30, 0);
    w->entities[static_cast<size_t>(e)].type = "box";
    UpdateEntityBounds(*w);
    LiquidBox& box = LooseLiquid(*w, 3);
    box.container = e;
    box.particles = {Drop(10, 10)};
    ContainLiquid(*w, scratch, 1);
    EXPECT_EQ(box.particles[0].p, (Vec2{10, 10}));
}
