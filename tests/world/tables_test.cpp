// The particle, constraint and entity tables: creation, lookup, recount, reset, bounds, full tables.
#include <gtest/gtest.h>

#include <memory>

#include "world/world.h"

namespace {
std::unique_ptr<World> FreshWorld() {
    auto w = std::make_unique<World>();
    ResetWorld(*w);
    return w;
}
} // namespace

TEST(Tables, ResetLeavesOnlyTheWorldEntity) {
    auto w = FreshWorld();
    int32_t e = NewEntity(*w, 1, 1);
    NewParticle(*w, e, 1, 2);
    NewParticle(*w, kWorldEntity, 5, 5);
    w->halfSpaces.push_back({});
    ResetWorld(*w);
    EXPECT_EQ(w->particleCount, 0);
    EXPECT_EQ(w->constraintCount, 0);
    EXPECT_EQ(w->entityCount, 0);
    EXPECT_EQ(w->contactCount, 0);
    EXPECT_EQ(w->nextEntityId, 2);
    EXPECT_EQ(w->nextParticleId, 1);
    EXPECT_TRUE(w->halfSpaces.empty());
    EXPECT_EQ(FindEntityById(*w, 1), kWorldEntity);
    EXPECT_EQ(w->entities[0].m, 1.0f);
}

TEST(Tables, ADefaultWorldIsAValidEmptyWorld) {
    auto w = std::make_unique<World>(); // no ResetWorld
    int32_t e = NewEntity(*w, 1, 1);
    EXPECT_EQ(w->entities[static_cast<size_t>(e)].id, 2);
    NewParticle(*w, e, 0, 0);
    EXPECT_EQ(w->entities[static_cast<size_t>(e)].particlecount(), 1);
    EXPECT_EQ(FindEntityById(*w, 1), kWorldEntity);
}

TEST(Tables, NewParticleAndConstraint) {
    auto w = FreshWorld();
    int32_t p = NewParticle(*w, kWorldEntity, 3.5f, 4.25f);
    ASSERT_EQ(p, 1);
    const Particle& q = w->particles[1];
    EXPECT_EQ(q.p, (Vec2{3.5, 4.25}));
    EXPECT_EQ(q.oldp, (Vec2{3.5, 4.25}));
    EXPECT_EQ(q.a, (Vec2{0, 1}));
    EXPECT_EQ(q.id, 1);
    EXPECT_EQ(w->entities[0].particlecount(), 0); // the world entity lists nothing

    int32_t e = NewEntity(*w, 1, 1);
    ASSERT_EQ(e, 1);
    EXPECT_EQ(w->entities[1].id, 2);
    int32_t a = NewParticle(*w, e, 0, 0);
    int32_t b = NewParticle(*w, e, 3, 4);
    int32_t c = NewConstraint(*w, e, a, b, 0.75f);
    ASSERT_EQ(c, 1);
    EXPECT_EQ(w->constraints[1].length, 5.0f);
    EXPECT_EQ(w->constraints[1].e, 0.75f);
    EXPECT_EQ(w->entities[1].constraintcount(), 1);
    EXPECT_EQ(NewConstraint(*w, e, a, a, 1), 0); // a particle with itself makes nothing
    EXPECT_EQ(w->constraintCount, 1);
    EXPECT_EQ(FindParticleById(*w, 3), b);
    EXPECT_EQ(FindParticleById(*w, 99), 0);
    EXPECT_EQ(FindEntityById(*w, 99), -1);
}

TEST(Tables, RecountStopsAtTheFirstFreeSlot) {
    auto w = FreshWorld();
    for (int i = 0; i < 8; ++i) NewParticle(*w, kWorldEntity, 0, 0);
    w->particles[5].id = 0;
    RecountTables(*w);
    EXPECT_EQ(w->particleCount, 4);
    // A reset also clears the records that the early end hid, so a refilled table ends where it should.
    ResetWorld(*w);
    for (int i = 0; i < 5; ++i) NewParticle(*w, kWorldEntity, 0, 0);
    RecountTables(*w);
    EXPECT_EQ(w->particleCount, 5);
}

TEST(Tables, BoundsOfAUnitSquare) {
    auto w = FreshWorld();
    int32_t e = NewEntity(*w, 1, 1);
    NewParticle(*w, e, 0, 0);
    NewParticle(*w, e, 1, 0);
    NewParticle(*w, e, 1, 1);
    NewParticle(*w, e, 0, 1);
    int32_t empty = NewEntity(*w, 1, 1);
    w->entities[static_cast<size_t>(empty)].center = {7, 7};
    UpdateEntityBounds(*w);
    EXPECT_EQ(w->entities[1].center, (Vec2{0.5, 0.5}));
    EXPECT_EQ(w->entities[1].bmin, (Vec2{0, 0}));
    EXPECT_EQ(w->entities[1].bmax, (Vec2{1, 1}));
    EXPECT_EQ(w->entities[static_cast<size_t>(empty)].center, (Vec2{7, 7})); // no particles: unchanged
}

TEST(Tables, FullTablesRefuseWithoutWritingPastTheEnd) {
    auto w = FreshWorld();
    int32_t e = NewEntity(*w, 1, 1);
    for (int i = 0; i < kMaxEntityParticles; ++i) ASSERT_NE(NewParticle(*w, e, 0, static_cast<float>(i)), 0);
    EXPECT_EQ(NewParticle(*w, e, 0, 0), 0); // the entity's list is full
    EXPECT_EQ(w->entities[1].particlecount(), kMaxEntityParticles);
    while (w->particleCount < kMaxRecords) ASSERT_NE(NewParticle(*w, kWorldEntity, 1, 1), 0);
    EXPECT_EQ(NewParticle(*w, kWorldEntity, 1, 1), 0);
    EXPECT_EQ(w->particleCount, kMaxRecords);
    EXPECT_EQ(w->particles[kTableSlots - 1].id, 0); // the last slot stays free
    RecountTables(*w);
    EXPECT_EQ(w->particleCount, kMaxRecords);
    while (w->entityCount < kMaxRecords) ASSERT_NE(NewEntity(*w, 1, 1), 0);
    EXPECT_EQ(NewEntity(*w, 1, 1), 0);
    EXPECT_GT(w->refusedCreations, 0);
    EXPECT_FALSE(HasRoomFor(*w, 1, 0, 0));
}

TEST(Tables, ListObjects) {
    auto w = FreshWorld();
    HalfSpace& h = NewHalfSpace(*w, 0, 100, 1, 0);
    EXPECT_EQ(h.normal, (Vec2{0, -1})); // solid below the line
    int32_t first = NewPortal(*w, 0, 0, 10, 0).id;
    int32_t second = NewPortal(*w, 0, 50, 10, 50).id;
    EXPECT_EQ(second, first + 1);
    int32_t portalId = w->nextPortalId;
    ResetWorld(*w);
    EXPECT_EQ(w->nextPortalId, portalId); // portal ids stay unique until the program ends
    Region& r = NewRegion(*w, 10, 20, 0, 5);
    EXPECT_EQ(r.minx, 0);
    EXPECT_EQ(r.maxy, 20);
}
