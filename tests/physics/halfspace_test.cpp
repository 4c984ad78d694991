// Half-spaces: the push-out, its clamp, the one contact per particle and step, and its friction.
#include <gtest/gtest.h>

#include <cmath>

#include "physics_helpers.h"

TEST(PhysicsHalfSpace, BoundaryIsOutsideAndDeepParticlesComeBackTenUnitsAtATime) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    NewHalfSpace(*w, 0, 0, 1, 0); // normal (0, -1): solid below y = 0
    int32_t onLine = RestingParticle(*w, kWorldEntity, 5, 0);
    int32_t deep = RestingParticle(*w, kWorldEntity, 0, 25);
    const double expected[] = {15, 5, 0, 0};
    for (double y : expected) {
        CollideHalfSpaces(*w, scratch);
        EXPECT_EQ(P(*w, deep).p.y, y);
    }
    EXPECT_EQ(P(*w, deep).oldp.y, 25); // the push is outward velocity
    EXPECT_EQ(P(*w, onLine).p, (Vec2{5, 0}));
    EXPECT_EQ(P(*w, onLine).contact, 0);
    EXPECT_EQ(P(*w, deep).contact, 1);

    // One contact for the deep particle, recorded at the first push, none for the one on the line.
    ASSERT_EQ(w->contactCount, 1);
    const Contact& c = w->contacts[1];
    EXPECT_EQ(c.kind, 2);
    EXPECT_EQ(c.vertex, deep);
    EXPECT_EQ(c.push, (Vec2{0, 10})); // normal times the clamped depth -10
    EXPECT_FLOAT_EQ(c.speed, 10);     // p - oldp after the push
    EXPECT_FLOAT_EQ(c.impact, 100);   // |u| * |normal . u|
    EXPECT_EQ(c.serial, 1);
}

TEST(PhysicsHalfSpace, SeveralHalfSpacesPushInListOrderButRecordOneContact) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    NewHalfSpace(*w, 0, 0, 1, 0); // floor: solid below y = 0
    NewHalfSpace(*w, 0, 0, 0, 1); // wall: normal (1, 0), solid left of x = 0
    int32_t p = RestingParticle(*w, kWorldEntity, -3, 4);
    CollideHalfSpaces(*w, scratch);
    EXPECT_EQ(P(*w, p).p, (Vec2{0, 0}));
    EXPECT_EQ(w->contactCount, 1);
    EXPECT_EQ(w->contacts[1].push, (Vec2{0, 4}));
}

TEST(PhysicsHalfSpace, StaticParticlesAndDirectionlessHalfSpacesAreLeftAlone) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    NewHalfSpace(*w, 0, 0, 0, 0); // no direction: bounds nothing
    NewHalfSpace(*w, 0, 0, 1, 0);
    int32_t wall = NewEntity(*w, 0, 1);
    int32_t s = RestingParticle(*w, wall, 0, 20);
    int32_t d = RestingParticle(*w, kWorldEntity, 0, 3);
    CollideHalfSpaces(*w, scratch);
    EXPECT_EQ(P(*w, s).p, (Vec2{0, 20}));
    EXPECT_EQ(P(*w, d).p, (Vec2{0, 0}));
    EXPECT_EQ(w->contactCount, 1);
}

TEST(PhysicsHalfSpace, FrictionSlowsSlidingByTheEntityFrictionOverTheIterations) {
    PhysicsScratch scratch;
    // A particle of an entity with friction 1 sliding along the floor at 2 units per step loses 0.1 per
    // application, whatever its depth; one slower than that stops.
    auto slide = [&](double depth, double speed) {
        auto w = EmptyWorld();
        NewHalfSpace(*w, 0, 0, 1, 0);
        int32_t body = NewEntity(*w, 1, 1);
        int32_t p = RestingParticle(*w, body, 0, depth);
        P(*w, p).oldp = {-speed, depth};
        CollideHalfSpaces(*w, scratch);
        ApplyContactFriction(*w, scratch);
        EXPECT_EQ(w->contacts[1].serial, 0); // consumed
        return P(*w, p).p.x - P(*w, p).oldp.x;
    };
    EXPECT_DOUBLE_EQ(slide(1, 2), 1.9);
    EXPECT_DOUBLE_EQ(slide(5, 2), 1.9);
    EXPECT_EQ(slide(1, 0.0625), 0);
}

TEST(PhysicsHalfSpace, FullContactTableDropsContactsButStillPushes) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    NewHalfSpace(*w, 0, 0, 1, 0);
    int32_t far = RestingParticle(*w, kWorldEntity, 0, -100);
    for (int32_t k = 1; k <= kMaxRecords - 1; ++k) {
        Contact& c = w->contacts[static_cast<size_t>(k)];
        c = Contact{};
        c.kind = 0;
        c.vertex = far;
        c.edge1 = far;
        c.serial = k;
    }
    w->contactCount = kMaxRecords - 1;
    int32_t a = RestingParticle(*w, kWorldEntity, 0, 2);
    int32_t b = RestingParticle(*w, kWorldEntity, 10, 3);
    CollideHalfSpaces(*w, scratch);
    EXPECT_EQ(P(*w, a).p.y, 0);
    EXPECT_EQ(P(*w, b).p.y, 0);
    EXPECT_EQ(w->contactCount, kMaxRecords); // a got the last contact, b none
    EXPECT_EQ(w->contacts[static_cast<size_t>(kMaxRecords)].vertex, a);
    EXPECT_EQ(w->contacts[static_cast<size_t>(kMaxRecords + 1)].serial, 0); // the slot after stays free
    EXPECT_EQ(RecordContact(*w, scratch, 0, 0, b, {0, 1}), 0);
    RecountTables(*w);
    EXPECT_EQ(w->contactCount, kMaxRecords);
}
