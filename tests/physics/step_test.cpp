// Integration, the speed limit, static bodies and the constraint relaxation.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "physics_helpers.h"

TEST(PhysicsStep, FreeFallGrowsByAQuarterEachStep) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t p = NewParticle(*w, kWorldEntity, 0, 0); // the world entity has mass 1: its particles move
    double previous = 0;
    const double expectedMoves[] = {0.25, 0.5, 0.75, 1.0};
    for (double move : expectedMoves) {
        StepSimulation(*w, scratch, kTestTasks);
        EXPECT_EQ(P(*w, p).p.y - previous, move);
        previous = P(*w, p).p.y;
    }
    EXPECT_EQ(P(*w, p).p.x, 0);
}

TEST(PhysicsStep, SpeedLimitCutsAStepToFiftyUnitsInTheSameDirection) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t p = RestingParticle(*w, kWorldEntity, 0, 0);
    P(*w, p).oldp = {-80, 0}; // this step would move it 80 units
    StepSimulation(*w, scratch, kTestTasks);
    EXPECT_EQ(P(*w, p).p.x, 50);
    EXPECT_EQ(P(*w, p).oldp.x, 0);
    StepSimulation(*w, scratch, kTestTasks); // the limited displacement is the next step's velocity
    EXPECT_EQ(P(*w, p).p.x, 100);

    int32_t q = RestingParticle(*w, kWorldEntity, 0, 0);
    P(*w, q).oldp = {-48, -64};
    StepSimulation(*w, scratch, kTestTasks);
    const Vec2 moved = P(*w, q).p - P(*w, q).oldp;
    EXPECT_NEAR(moved.Length(), 50, 1e-12);
    EXPECT_NEAR(moved.x / moved.y, 0.75, 1e-12);

    int32_t r = RestingParticle(*w, kWorldEntity, 0, 0);
    P(*w, r).oldp = {-50, 0}; // exactly at the limit: untouched
    StepSimulation(*w, scratch, kTestTasks);
    EXPECT_EQ(P(*w, r).p.x, 50);
}

TEST(PhysicsStep, StaticBodiesKeepTheirPositionsWhateverActsOnThem) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    NewHalfSpace(*w, 0, 0, 1, 0); // solid below y = 0
    int32_t wall = NewEntity(*w, 0, 1);
    int32_t s1 = NewParticle(*w, wall, 0, 5); // inside the half-space
    int32_t s2 = NewParticle(*w, wall, 10, 5);
    P(*w, s1).a = {3, 7};
    P(*w, s1).oldp = {-4, 9}; // a velocity that integration would use
    int32_t free = NewParticle(*w, kWorldEntity, 0, -30);
    NewConstraint(*w, kWorldEntity, s1, free, 1);
    NewConstraint(*w, wall, s1, s2, 1);
    P(*w, free).p = {0, -60}; // stretch the joint
    WaterSpace& water = NewWaterSpace(*w, 0, -100, 1, 0, 0.5f);
    water.a = {0, -1};
    const Particle before1 = P(*w, s1), before2 = P(*w, s2);
    for (int i = 0; i < 20; ++i) StepSimulation(*w, scratch, kTestTasks);
    EXPECT_EQ(P(*w, s1).p, before1.p);
    EXPECT_EQ(P(*w, s1).oldp, before1.oldp);
    EXPECT_EQ(P(*w, s2).p, before2.p);
    EXPECT_EQ(P(*w, s2).oldp, before2.oldp);
    EXPECT_NE(P(*w, free).p.y, -60); // while the joint pulls the free end
}

TEST(PhysicsRelax, StiffnessZeroHoldsNothingAndOneHalvesTheErrorPerPass) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t a = RestingParticle(*w, kWorldEntity, 0, 0);
    int32_t b = RestingParticle(*w, kWorldEntity, 10, 0);
    NewConstraint(*w, kWorldEntity, a, b, 0);
    P(*w, b).p = {17, 3};
    RelaxConstraints(*w, scratch);
    EXPECT_EQ(P(*w, a).p, (Vec2{0, 0}));
    EXPECT_EQ(P(*w, b).p, (Vec2{17, 3}));

    // One end static: the dynamic end closes half of the remaining error in each pass.
    auto v = EmptyWorld();
    int32_t anchor = NewEntity(*v, 0, 0);
    int32_t fixed = RestingParticle(*v, anchor, 0, 0);
    int32_t end = RestingParticle(*v, kWorldEntity, 10, 0);
    NewConstraint(*v, kWorldEntity, fixed, end, 1);
    P(*v, end).p = {14, 0};
    P(*v, end).oldp = {14, 0};
    RelaxConstraints(*v, scratch);
    EXPECT_EQ(P(*v, end).p.x, 12);
    RelaxConstraints(*v, scratch);
    EXPECT_EQ(P(*v, end).p.x, 11);
    P(*v, end).oldp = P(*v, end).p;          // at rest again
    StepSimulation(*v, scratch, kTestTasks); // ten more passes
    EXPECT_NEAR(P(*v, end).p.x, 10 + 1.0 / 1024, 1e-5);
    EXPECT_EQ(P(*v, fixed).p, (Vec2{0, 0}));
    // The correction became velocity: oldp stayed where the particle was before the passes.
    EXPECT_EQ(P(*v, end).oldp.x, 11);
}

TEST(PhysicsRelax, ConstraintsSharingAParticleActInSlotOrder) {
    PhysicsScratch scratch;
    // Chain A - B - C, both links stretched by 2. Slot order decides what the second link sees.
    auto build = [&](bool abFirst) {
        auto w = EmptyWorld();
        int32_t a = RestingParticle(*w, kWorldEntity, 0, 0);
        int32_t b = RestingParticle(*w, kWorldEntity, 10, 0);
        int32_t c = RestingParticle(*w, kWorldEntity, 20, 0);
        if (abFirst) {
            NewConstraint(*w, kWorldEntity, a, b, 1);
            NewConstraint(*w, kWorldEntity, b, c, 1);
        } else {
            NewConstraint(*w, kWorldEntity, b, c, 1);
            NewConstraint(*w, kWorldEntity, a, b, 1);
        }
        P(*w, a).p.x = -2;
        P(*w, c).p.x = 22;
        RelaxConstraints(*w, scratch);
        return std::array<double, 3>{P(*w, a).p.x, P(*w, b).p.x, P(*w, c).p.x};
    };
    const auto ab = build(true), bc = build(false);
    EXPECT_EQ(ab, (std::array<double, 3>{-1, 10.5, 20.5})); // A-B moves each end 1, then B-C sees 13
    EXPECT_EQ(bc, (std::array<double, 3>{-0.5, 9.5, 21}));
}

TEST(PhysicsRelax, CoincidingEndsAreSkippedWithoutDisturbingOthers) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t a = RestingParticle(*w, kWorldEntity, 0, 0);
    int32_t b = RestingParticle(*w, kWorldEntity, 5, 0);
    int32_t c = RestingParticle(*w, kWorldEntity, 10, 0);
    NewConstraint(*w, kWorldEntity, a, b, 1);
    NewConstraint(*w, kWorldEntity, b, c, 1);
    P(*w, b).p = {0, 0}; // b now sits on a: the first constraint has no direction
    for (int i = 0; i < 3; ++i) StepSimulation(*w, scratch, kTestTasks);
    for (int32_t s : {a, b, c}) {
        EXPECT_TRUE(std::isfinite(P(*w, s).p.x) && std::isfinite(P(*w, s).p.y));
    }
    EXPECT_LT(P(*w, c).p.x, 10); // the second constraint still pulled c towards b
}
