// Entity collision: the pair search, the separating-axis response, contacts and contact friction.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "physics_helpers.h"
#include "world/builders.h"

namespace {

// An axis-aligned box of particles at rest (no acceleration), edges as NewBox makes them, diagonals
// owned by the world entity.
int32_t RestingBox(World& w, float m, float f, double x1, double y1, double x2, double y2) {
    int32_t e = NewEntity(w, m, f);
    int32_t p1 = RestingParticle(w, e, x1, y1), p2 = RestingParticle(w, e, x2, y1);
    int32_t p3 = RestingParticle(w, e, x2, y2), p4 = RestingParticle(w, e, x1, y2);
    NewConstraint(w, e, p4, p3, 1);
    NewConstraint(w, e, p3, p2, 1);
    NewConstraint(w, e, p2, p1, 1);
    NewConstraint(w, e, p1, p4, 1);
    NewConstraint(w, kWorldEntity, p2, p4, 1);
    NewConstraint(w, kWorldEntity, p3, p1, 1);
    return e;
}

Vec2 Corner(World& w, int32_t entity, int k) {
    return w
        .particles[static_cast<size_t>(
            w.entities[static_cast<size_t>(entity)].particles[static_cast<size_t>(k)])]
        .p;
}

} // namespace

TEST(PhysicsPairs, StaticPairsAndBoxesFurtherThanTheMarginAreNotPaired) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t wallA = RestingBox(*w, 0, 1, 0, 0, 50, 50);
    RestingBox(*w, 0, 1, 10, 10, 60, 60); // overlaps wallA, but both are static
    int32_t upper = RestingBox(*w, 1, 1, 0, 100, 50, 150);
    int32_t lower = RestingBox(*w, 1, 1, 0, 153, 50, 203); // a gap of 3: within the margins
    RestingBox(*w, 1, 1, -54, 0, -4, 50);                  // a gap of 4 to wallA: enlarged boxes only touch
    UpdateEntityBounds(*w);
    FindCollisionPairs(*w, scratch);
    ASSERT_EQ(w->collisionPairs.size(), 1u);
    EXPECT_EQ(w->collisionPairs[0].a, upper);
    EXPECT_EQ(w->collisionPairs[0].b, lower);
    (void)wallA;
}

// Entities that cannot touch are never paired: one without particles, or two that list no side. A pile
// with more pairs than the list holds keeps the first ones in slot order, on the plain and the fast search
// alike, and the step is counted.
TEST(PhysicsPairs, EntitiesThatCannotTouchAreNotPairedAndAFullListIsCut) {
    auto w = EmptyWorld();
    int32_t box = RestingBox(*w, 1, 1, 0, 0, 50, 50);
    NewEntity(*w, 1, 1); // no particles
    int32_t dotA = NewEntity(*w, 1, 1), dotB = NewEntity(*w, 1, 1);
    RestingParticle(*w, dotA, 10, 10); // particles, but no side
    int32_t end = RestingParticle(*w, dotB, 20, 20);
    NewConstraint(*w, dotB, end, end, 1); // a side that never has a direction
    UpdateEntityBounds(*w);
    for (bool reference : {true, false}) {
        PhysicsScratch scratch;
        scratch.reference = reference;
        FindCollisionPairs(*w, scratch);
        ASSERT_EQ(w->collisionPairs.size(), 2u);
        EXPECT_EQ(w->collisionPairs[0].a, box);
        EXPECT_EQ(w->collisionPairs[0].b, dotA);
        EXPECT_EQ(w->collisionPairs[1].b, dotB);
    }

    // 2,100 entities of two particles and a side between them, on one spot: 2,203,950 pairs.
    auto pile = EmptyWorld();
    for (int k = 0; k < 2100; ++k) {
        int32_t e = NewEntity(*pile, 1, 1);
        NewConstraint(*pile, e, RestingParticle(*pile, e, 0, 0), RestingParticle(*pile, e, 0, 0), 1);
    }
    UpdateEntityBounds(*pile);
    std::vector<CollisionPair> lists[2];
    for (int reference = 0; reference < 2; ++reference) {
        PhysicsScratch scratch;
        scratch.reference = reference == 1;
        pile->cutPairLists = 0;
        FindCollisionPairs(*pile, scratch);
        EXPECT_EQ(pile->collisionPairs.size(), static_cast<size_t>(kMaxCollisionPairs));
        EXPECT_EQ(pile->cutPairLists, 1);
        lists[reference] = pile->collisionPairs;
    }
    EXPECT_TRUE(std::equal(lists[0].begin(), lists[0].end(), lists[1].begin(),
                           [](CollisionPair x, CollisionPair y) { return x.a == y.a && x.b == y.b; }));
    // Slots 1..31 with every later one (64,604 pairs), then slot 32 with the next 932.
    EXPECT_EQ(lists[0].back().a, 32);
    EXPECT_EQ(lists[0].back().b, 32 + 932);
}

TEST(PhysicsCollision, EqualMassesShareTheCorrection) {
    PhysicsScratch scratch;
    // A 100x50 box with a 40x50 box sinking 1 unit into its top. The shallowest axis is the big box's
    // bottom side, which belongs to the first entity, so the small box gives the vertex (its first lowest
    // corner) and the big box's top side is the touched side.
    auto w = EmptyWorld();
    int32_t big = RestingBox(*w, 1, 1, 0, 0, 100, 50);
    int32_t small = RestingBox(*w, 1, 1, 20, -49, 60, 1);
    UpdateEntityBounds(*w);
    ASSERT_EQ(CollideEntityPair(*w, scratch, big, small), 1);
    const float t = 0.4f, rest = 1 - t;
    EXPECT_EQ(Corner(*w, small, 2), (Vec2{60, 1 - 0.5}));         // the vertex moves half of CV against it
    EXPECT_EQ(Corner(*w, big, 1), (Vec2{100, 1.0 * rest * 0.5})); // side ends: CV (1 - t) / 2 and CV t / 2
    EXPECT_EQ(Corner(*w, big, 0), (Vec2{0, 1.0 * t * 0.5}));
    EXPECT_EQ(Corner(*w, small, 3), (Vec2{20, 1})); // the rest stays
    EXPECT_EQ(P(*w, w->entities[static_cast<size_t>(small)].particles[2]).contact, 1);
    EXPECT_EQ(P(*w, w->entities[static_cast<size_t>(big)].particles[0]).contact, 2);

    ASSERT_EQ(w->contactCount, 1);
    const Contact& c = w->contacts[1];
    EXPECT_EQ(c.kind, 0);
    EXPECT_EQ(c.vertex, w->entities[static_cast<size_t>(small)].particles[2]);
    EXPECT_EQ(c.edge1, w->entities[static_cast<size_t>(big)].particles[1]); // the top side runs P2 -> P1
    EXPECT_EQ(c.edge2, w->entities[static_cast<size_t>(big)].particles[0]);
    EXPECT_EQ(c.push, (Vec2{0, 1}));

    // The same vertex against the same side again in this step: corrected, but no second contact.
    for (int32_t i = 1; i <= w->particleCount; ++i) P(*w, i).p = P(*w, i).oldp; // back to the start
    CollideEntityPair(*w, scratch, big, small);
    EXPECT_EQ(w->contactCount, 1);
    EXPECT_EQ(Corner(*w, small, 2), (Vec2{60, 1 - 0.5}));
}

TEST(PhysicsCollision, AgainstAStaticBodyTheDynamicOneTakesTheWholeCorrection) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t floor = RestingBox(*w, 0, 1, 0, 0, 100, 50);
    int32_t box = RestingBox(*w, 1, 1, 20, -49, 60, 1);
    UpdateEntityBounds(*w);
    ASSERT_EQ(CollideEntityPair(*w, scratch, floor, box), 1);
    EXPECT_EQ(Corner(*w, box, 2), (Vec2{60, 0}));
    EXPECT_EQ(Corner(*w, floor, 0), (Vec2{0, 0}));
    EXPECT_EQ(Corner(*w, floor, 1), (Vec2{100, 0}));
}

TEST(PhysicsCollision, HalfSpaceContactBlocksAnEntityContactOfTheSameVertex) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t big = RestingBox(*w, 1, 1, 0, 0, 100, 50);
    int32_t small = RestingBox(*w, 1, 1, 20, -49, 60, 1);
    const int32_t vertex = w->entities[static_cast<size_t>(small)].particles[2];
    int32_t slot = RecordContact(*w, scratch, 0, 0, vertex, {0, 1});
    w->contacts[static_cast<size_t>(slot)].kind = 2;
    UpdateEntityBounds(*w);
    CollideEntityPair(*w, scratch, big, small);
    EXPECT_EQ(w->contactCount, 1);
    EXPECT_TRUE(ContactRecorded(*w, scratch, 0, 0, 0, vertex));
    EXPECT_FALSE(ContactRecorded(*w, scratch, 0, 0, 0, w->entities[static_cast<size_t>(small)].particles[3]));
}

TEST(PhysicsCollision, PairsThatSeparateAreDroppedForTheRestOfTheStep) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t a = RestingBox(*w, 1, 1, 0, 0, 50, 50);
    int32_t b = RestingBox(*w, 1, 1, 0, 49, 50, 99);
    UpdateEntityBounds(*w);
    FindCollisionPairs(*w, scratch);
    ASSERT_EQ(w->collisionPairs.size(), 1u);
    for (int32_t s : w->entities[static_cast<size_t>(b)].particles) P(*w, s).p.y += 500;
    UpdateEntityBounds(*w);
    CollideEntities(*w, scratch);
    EXPECT_TRUE(w->collisionPairs.empty());
    for (int32_t s : w->entities[static_cast<size_t>(b)].particles) P(*w, s).p.y -= 500;
    UpdateEntityBounds(*w);
    CollideEntities(*w, scratch); // back in contact, but no longer listed
    EXPECT_EQ(w->contactCount, 0);
    EXPECT_EQ(Corner(*w, b, 0), (Vec2{0, 49}));
    (void)a;
}

TEST(PhysicsCollision, DegenerateEntitiesNeverProduceNaNs) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    // No constraints on either side: no axis, nothing happens.
    int32_t dotsA = NewEntity(*w, 1, 1);
    RestingParticle(*w, dotsA, 0, 0);
    RestingParticle(*w, dotsA, 10, 10);
    int32_t dotsB = NewEntity(*w, 1, 1);
    RestingParticle(*w, dotsB, 5, 5);
    RestingParticle(*w, dotsB, 6, 4);
    // No particles at all.
    int32_t empty = NewEntity(*w, 1, 1);
    // A box whose right side has collapsed to a point (zero length), overlapping a normal box.
    int32_t squashed = RestingBox(*w, 1, 1, 100, 0, 150, 50);
    P(*w, w->entities[static_cast<size_t>(squashed)].particles[2]).p = {150, 0};
    int32_t other = RestingBox(*w, 1, 1, 120, -45, 170, 5);
    UpdateEntityBounds(*w);
    EXPECT_EQ(CollideEntityPair(*w, scratch, dotsA, dotsB), 0);
    EXPECT_EQ(CollideEntityPair(*w, scratch, dotsA, empty), 0);
    EXPECT_EQ(CollideEntityPair(*w, scratch, empty, squashed), 0);
    EXPECT_EQ(P(*w, w->entities[static_cast<size_t>(dotsB)].particles[0]).p, (Vec2{5, 5}));
    CollideEntityPair(*w, scratch, squashed, other);
    for (int i = 0; i < 30; ++i) StepSimulation(*w, scratch, kTestTasks);
    for (int32_t i = 1; i <= w->particleCount; ++i)
        EXPECT_TRUE(std::isfinite(P(*w, i).p.x) && std::isfinite(P(*w, i).p.y)) << "particle " << i;
}

TEST(PhysicsCollision, ExtremeLevelValuesKeepEveryPositionFinite) {
    PhysicsScratch scratch;
    // Values a level file may hold: huge masses and frictions, stiffness below 1, bodies thrown at
    // billions of units a step into a walled pit and into each other, some of them through water.
    auto w = EmptyWorld();
    Rng rng(7);
    NewHalfSpace(*w, 0, 0, 1, 0);
    NewWaterSpace(*w, 0, -300, 1, 0, 0.5f).a = {0, -0.1};
    NewWall(*w, -600, -900, -600, 0, 10, 1);
    NewWall(*w, 600, 0, 600, -900, 10, 1);
    const float masses[] = {1, 1e6f, 3e38f, 0.5f};
    const float frictions[] = {1, 1e10f, 3e38f};
    for (int k = 0; k < 24; ++k) {
        const int32_t x = -500 + (k % 8) * 120, y = -100 - (k / 8) * 150;
        const int32_t e = NewBox(*w, rng, x, y, x + 60, y + 60, 1, 1, 1, k % 2);
        Entity& box = w->entities[static_cast<size_t>(e)];
        box.m = masses[k % 4];
        box.f = frictions[k % 3];
        for (int32_t c : box.constraints) w->constraints[static_cast<size_t>(c)].e = 0.25f;
        const double speed = k % 3 == 0 ? 2e9 : -7e8;
        for (int32_t p : box.particles) P(*w, p).oldp += Vec2{speed, speed * (k % 5 - 2)};
    }
    UpdateEntityBounds(*w);
    for (int frame = 1; frame <= 1000; ++frame) {
        StepSimulation(*w, scratch, kTestTasks);
        for (int32_t i = 1; i <= w->particleCount; ++i) {
            const Particle& p = P(*w, i);
            ASSERT_TRUE(std::isfinite(p.p.x) && std::isfinite(p.p.y) && std::isfinite(p.oldp.x) &&
                        std::isfinite(p.oldp.y))
                << "particle " << i << " in frame " << frame;
        }
    }
}

TEST(PhysicsFriction, EntityContactFrictionNeverReversesTheSliding) {
    PhysicsScratch scratch;
    // A vertex sliding along a side (tangent +x), contact push 2.5, both frictions 1: the friction vector
    // has length 1 * 1 * 2.5 / 10 = 0.25.
    auto slide = [&](float sideMass, double vertexSpeed) {
        auto w = EmptyWorld();
        int32_t side = NewEntity(*w, sideMass, 1);
        int32_t a = RestingParticle(*w, side, 0, 0);
        int32_t b = RestingParticle(*w, side, 100, 0);
        int32_t mover = NewEntity(*w, 1, 1);
        int32_t v = RestingParticle(*w, mover, 50, 0);
        P(*w, v).oldp.x = 50 - vertexSpeed;
        RecordContact(*w, scratch, a, b, v, {0, 2.5});
        ApplyContactFriction(*w, scratch);
        EXPECT_EQ(w->contacts[1].serial, 0);
        const double sideVelocity = P(*w, a).p.x - P(*w, a).oldp.x;
        EXPECT_EQ(P(*w, b).p.x - P(*w, b).oldp.x, sideVelocity);
        return std::array<double, 2>{sideVelocity, P(*w, v).p.x - P(*w, v).oldp.x};
    };
    // Static side: the vertex loses 0.25, or all of its speed when slower than that.
    EXPECT_EQ(slide(0, 0.5), (std::array<double, 2>{0, 0.25}));
    EXPECT_EQ(slide(0, 0.0625), (std::array<double, 2>{0, 0}));
    // Equal masses: the side gains F and the vertex loses 2F; a third of the sliding stops it exactly.
    EXPECT_EQ(slide(1, 0.1875), (std::array<double, 2>{0.0625, 0.0625}));
    EXPECT_EQ(slide(1, 3), (std::array<double, 2>{0.25, 2.5}));
}

TEST(PhysicsFriction, NoFrictionWhenEitherEntityHasNone) {
    PhysicsScratch scratch;
    auto w = EmptyWorld();
    int32_t side = NewEntity(*w, 0, 0);
    int32_t a = RestingParticle(*w, side, 0, 0);
    int32_t b = RestingParticle(*w, side, 100, 0);
    int32_t mover = NewEntity(*w, 1, 1);
    int32_t v = RestingParticle(*w, mover, 50, 0);
    P(*w, v).oldp.x = 49;
    RecordContact(*w, scratch, a, b, v, {0, 5});
    ApplyContactFriction(*w, scratch);
    EXPECT_EQ(P(*w, v).p.x, 50);
}
