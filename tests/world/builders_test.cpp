// The object catalogue: shapes, ownership of the constraints, kinds, liquids, lights, players, and what a
// full table does to a builder.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "world/builders.h"

namespace {

std::unique_ptr<World> Fresh() {
    auto w = std::make_unique<World>();
    ResetWorld(*w);
    return w;
}

const Entity& E(const World& w, int32_t slot) {
    return w.entities[static_cast<size_t>(slot)];
}

std::vector<Vec2> Corners(const World& w, int32_t entity) {
    std::vector<Vec2> out;
    for (int32_t s : E(w, entity).particles) out.push_back(w.particles[static_cast<size_t>(s)].p);
    return out;
}

// Constraints owned by the world entity.
int WorldOwned(const World& w) {
    int n = 0;
    for (int32_t c = 1; c <= w.constraintCount; ++c)
        n += w.constraints[static_cast<size_t>(c)].parent == kWorldEntity;
    return n;
}

} // namespace

TEST(Builders, BoxHasFourEdgesAndTwoDiagonals) {
    auto w = Fresh();
    Rng rng(1);
    int32_t box = NewBox(*w, rng, 0, 0, 50, 50, 1, 1, 1, 1);
    ASSERT_EQ(box, 1);
    EXPECT_EQ(Corners(*w, box), (std::vector<Vec2>{{0, 0}, {50, 0}, {50, 50}, {0, 50}}));
    EXPECT_EQ(E(*w, box).constraintcount(), 4);
    EXPECT_EQ(WorldOwned(*w), 2);
    const int32_t p[] = {0, 1, 2, 3, 4};
    const std::pair<int, int> order[] = {{4, 3}, {3, 2}, {2, 1}, {1, 4}, {2, 4}, {3, 1}};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(w->constraints[static_cast<size_t>(c + 1)].p1, p[order[c].first]);
        EXPECT_EQ(w->constraints[static_cast<size_t>(c + 1)].p2, p[order[c].second]);
    }
    EXPECT_FLOAT_EQ(w->constraints[5].length, std::sqrt(5000.0f));
    EXPECT_TRUE(E(*w, box).type == "box" || E(*w, box).type == "box2");

    int32_t own = NewBox(*w, rng, 0, 0, 50, 50, 1, 1, 1, 0);
    EXPECT_EQ(E(*w, own).constraintcount(), 6);
    EXPECT_EQ(WorldOwned(*w), 2);

    // Both looks turn up.
    bool seen[2] = {false, false};
    for (int i = 0; i < 40; ++i) seen[E(*w, NewBox(*w, rng, 0, 0, 10, 10, 1, 1, 1, 1)).type == "box2"] = true;
    EXPECT_TRUE(seen[0] && seen[1]);
}

TEST(Builders, QuadOrdersItsCornersAndRefusesAZeroArea) {
    auto w = Fresh();
    Rng rng(1);
    EXPECT_EQ(NewQuad(*w, rng, 10, 10, 10, 40, 1, 1, 1), 0);
    EXPECT_EQ(NewQuad(*w, rng, 10, 10, 60, 10, 1, 1, 1), 0);
    EXPECT_EQ(w->entityCount, 0);
    EXPECT_EQ(w->refusedCreations, 0); // nothing to build is not a full table
    int32_t q = NewQuad(*w, rng, 60, 40, 10, 10, 2, 0.5, 0.25);
    EXPECT_EQ(Corners(*w, q), (std::vector<Vec2>{{10, 10}, {60, 10}, {60, 40}, {10, 40}}));
    EXPECT_EQ(E(*w, q).type, "quad");
    EXPECT_EQ(E(*w, q).m, 2);
    EXPECT_EQ(E(*w, q).f, 0.5f);
    EXPECT_EQ(w->constraints[1].e, 0.25f);
    EXPECT_EQ(WorldOwned(*w), 2);
}

TEST(Builders, WallsAndStrapsAreThinRectanglesAlongTheSegment) {
    auto w = Fresh();
    int32_t wall = NewWall(*w, 0, 0, 100, 0, 10, 1);
    EXPECT_EQ(Corners(*w, wall), (std::vector<Vec2>{{0, -10}, {100, -10}, {100, 10}, {0, 10}}));
    EXPECT_EQ(E(*w, wall).m, 0);
    EXPECT_EQ(E(*w, wall).type, "wall");
    EXPECT_EQ(E(*w, wall).constraintcount(), 4);
    EXPECT_EQ(WorldOwned(*w), 0);

    int32_t strap = NewStrap(*w, 0, 0, 0, 30, 2, 0.5);
    EXPECT_EQ(Corners(*w, strap), (std::vector<Vec2>{{2, 0}, {2, 30}, {-2, 30}, {-2, 0}}));
    EXPECT_EQ(E(*w, strap).m, 1);
    EXPECT_EQ(E(*w, strap).type, "strap");
    EXPECT_EQ(WorldOwned(*w), 2);

    int32_t dot = NewWall(*w, 5, 5, 5, 5, 10, 1); // no direction: all four corners at the point
    EXPECT_EQ(Corners(*w, dot), (std::vector<Vec2>(4, Vec2{5, 5})));
}

TEST(Builders, CircleIsARingWithCrossBracingAboveSevenParticles) {
    auto w = Fresh();
    int32_t ring = NewCircle(*w, 100, 200, 40, 16, 1, 1);
    const Entity& e = E(*w, ring);
    ASSERT_EQ(e.particlecount(), 16);
    EXPECT_EQ(w->particles[1].p, (Vec2{140, 200}));
    for (int32_t s : e.particles) {
        const Vec2 d = w->particles[static_cast<size_t>(s)].p - Vec2{100, 200};
        EXPECT_NEAR(d.Length(), 40, 1e-4);
    }
    EXPECT_NEAR(w->particles[5].p.x, 100, 1e-4); // a quarter turn on: straight below the centre
    EXPECT_NEAR(w->particles[5].p.y, 240, 1e-4);
    EXPECT_EQ(e.constraintcount(), 16);
    EXPECT_EQ(WorldOwned(*w), 32);
    EXPECT_EQ(w->constraints[16].p1, 16); // the ring closes from the last particle to the first
    EXPECT_EQ(w->constraints[16].p2, 1);
    EXPECT_EQ(w->constraints[17].p2, 1 + 16 / 3); // braces of particle 1: +5, then +4
    EXPECT_EQ(w->constraints[18].p2, 1 + 16 / 4);
    EXPECT_EQ(w->constraints[48].p1, 16); // braces wrap past the last particle
    EXPECT_EQ(w->constraints[48].p2, 4);
    EXPECT_EQ(e.type, "");

    auto v = Fresh();
    NewCircle(*v, 0, 0, 20, 6, 1, 1);
    EXPECT_EQ(WorldOwned(*v), 0);
    EXPECT_EQ(v->constraintCount, 6);
    int32_t tiny = NewCircle(*v, 0, 0, 20, 2, 1, 1);
    EXPECT_EQ(E(*v, tiny).particlecount(), 3);
    EXPECT_EQ(E(*v, tiny).constraintcount(), 3);
}

TEST(Builders, WarningPinBarrelFirecaveAndCustomObject) {
    auto w = Fresh();
    Rng rng(1);
    int32_t sign = NewWarning(*w, 0, 0);
    EXPECT_EQ(Corners(*w, sign), (std::vector<Vec2>{{0, -35}, {35, 25}, {-35, 25}}));
    EXPECT_EQ(E(*w, sign).constraintcount(), 3);
    EXPECT_EQ(E(*w, sign).type, "warning");

    int32_t pin = NewPin(*w, 7, 8);
    EXPECT_EQ(Corners(*w, pin), (std::vector<Vec2>{{7, 8}}));
    EXPECT_EQ(E(*w, pin).m, 0);
    EXPECT_EQ(E(*w, pin).type, "pin");

    int32_t barrel = NewBarrel(*w, rng, 10, 20);
    EXPECT_EQ(Corners(*w, barrel)[2], (Vec2{70, 120}));
    EXPECT_EQ(E(*w, barrel).type, "barrel");
    EXPECT_EQ(E(*w, barrel).constraintcount(), 4);

    int32_t cave = NewFirecave(*w, rng, 0, 0);
    EXPECT_EQ(Corners(*w, cave)[2], (Vec2{20, 40}));
    EXPECT_EQ(E(*w, cave).constraintcount(), 6); // its diagonals are its own
    EXPECT_EQ(E(*w, cave).type, "firecave");

    // Half height 30 and half width 11, each halved again: 15 along x, 5.5 along y (to whole units).
    int32_t custom = NewCustomObject(*w, rng, 30, 11, "robot", 100, 100);
    EXPECT_EQ(Corners(*w, custom)[0], (Vec2{85, 94}));
    EXPECT_EQ(Corners(*w, custom)[2], (Vec2{115, 106}));
    EXPECT_EQ(E(*w, custom).type, "robot");
}

TEST(Builders, AquariumAndPoisonBoxCarryTheirLiquid) {
    auto w = Fresh();
    Rng rng(3);
    int32_t tank = NewAquarium(*w, rng, 0, 0);
    EXPECT_EQ(E(*w, tank).type, "aquarium");
    EXPECT_EQ(E(*w, tank).f, 8);
    ASSERT_EQ(w->liquidBoxCount, 1);
    const LiquidBox& water = w->liquidBoxes[1];
    EXPECT_EQ(water.container, tank);
    EXPECT_EQ(water.radius, 3);
    ASSERT_EQ(water.particles.size(), 35u);
    EXPECT_EQ(water.particles[0].type, "water");
    EXPECT_EQ(water.particles[34].type, "fisch");
    for (const LiquidParticle& p : water.particles) { // the centre (25, 20) plus 0..1 per axis
        EXPECT_TRUE(p.p.x >= 25 && p.p.x <= 26 && p.p.y >= 20 && p.p.y <= 21);
        EXPECT_TRUE(p.oldp.x >= 25 && p.oldp.x <= 26 && p.oldp.y >= 20 && p.oldp.y <= 21);
        EXPECT_EQ(p.a, (Vec2{0, 1}));
    }

    int32_t poison = NewPoisonBox(*w, rng, 100, 0);
    EXPECT_EQ(E(*w, poison).type, "poisonbox");
    ASSERT_EQ(w->liquidBoxCount, 2);
    EXPECT_EQ(w->liquidBoxes[2].particles.back().type, "poison");
}

TEST(Builders, LanternHangsFromAWorldParticleAndCarriesABlueLight) {
    auto w = Fresh();
    Rng rng(1);
    int32_t lamp = NewLatern(*w, rng, 100, 100);
    EXPECT_EQ(E(*w, lamp).type, "latern");
    EXPECT_EQ(E(*w, lamp).f, 0.5f);
    EXPECT_EQ(Corners(*w, lamp), (std::vector<Vec2>{{88, 100}, {112, 100}, {112, 150}, {88, 150}}));
    const int32_t hook = w->particleCount;
    EXPECT_EQ(w->particles[static_cast<size_t>(hook)].p, (Vec2{100, 90}));
    EXPECT_EQ(w->particles[static_cast<size_t>(hook)].parent, kWorldEntity);
    EXPECT_EQ(WorldOwned(*w), 4); // the quad's diagonals and the two hanging constraints
    EXPECT_EQ(w->constraints[7].p1, hook);
    EXPECT_EQ(w->constraints[7].p2, E(*w, lamp).particles[0]);
    EXPECT_EQ(w->constraints[8].p2, E(*w, lamp).particles[1]);

    ASSERT_EQ(w->lights.size(), 1u);
    const Light& light = w->lights[0];
    EXPECT_EQ(light.range, 600);
    EXPECT_EQ(light.rad, 0);
    EXPECT_EQ(light.image, 102); // the blue light image
    EXPECT_EQ(light.owner, lamp);
    UpdateEntityBounds(*w);
    EXPECT_EQ(LightPosition(*w, light), (Vec2{100, 125}));
    EXPECT_EQ(AddLight(*w, 0, 100, 0, "red", 0), 0);
    EXPECT_EQ(w->lights.size(), 1u);
}

TEST(Builders, PlayersFillTheirOwnDescriptors) {
    auto w = Fresh();
    Rng rng(1);
    int32_t one = NewPlayer(*w, rng, 0, 0);
    const PlayerDescriptor first = w->playerDescriptors[0];
    EXPECT_EQ(E(*w, one).type, "player");
    EXPECT_EQ(first.entity, one);
    EXPECT_EQ(first.diagonal1, 6);
    EXPECT_EQ(first.diagonal2, 5);
    EXPECT_EQ(first.listIndex, 0);
    int32_t two = NewPlayer2(*w, rng, 100, 0);
    EXPECT_EQ(E(*w, two).type, "player2");
    EXPECT_EQ(w->playerDescriptors[1].entity, two);
    EXPECT_EQ(w->playerDescriptors[1].diagonal1, 12);
    EXPECT_EQ(w->playerDescriptors[1].listIndex, 1);
    EXPECT_EQ(w->playerDescriptors[0].entity, first.entity);
    EXPECT_EQ(w->playerDescriptors[0].diagonal1, first.diagonal1);
    ASSERT_EQ(w->players.size(), 2u);
    EXPECT_EQ(w->players[1].entity, two);
}

TEST(Builders, FindPlayerBindsAControlConstraintOnlyWhenThePlayerExists) {
    auto w = Fresh();
    Rng rng(1);
    NewBox(*w, rng, 0, 0, 10, 10, 1, 1, 1, 1);
    const int32_t constraints = w->constraintCount;
    EXPECT_EQ(FindPlayer(*w), 0);
    EXPECT_EQ(w->constraintCount, constraints);
    EXPECT_EQ(w->playerDescriptors[0].entity, 0);
    EXPECT_TRUE(w->players.empty());

    int32_t hero = NewPlayer(*w, rng, 50, 0);
    w->playerDescriptors[0] = {};
    ASSERT_EQ(FindPlayer(*w), 1);
    const PlayerDescriptor& d = w->playerDescriptors[0];
    EXPECT_EQ(d.entity, hero);
    EXPECT_EQ(d.diagonal1, 11); // found in slot order: (P2, P4) then (P3, P1)
    EXPECT_EQ(d.diagonal2, 12);
    ASSERT_NE(d.control, 0);
    const Constraint& control = w->constraints[static_cast<size_t>(d.control)];
    EXPECT_EQ(control.parent, kWorldEntity);
    EXPECT_EQ(control.p1, E(*w, hero).particles[0]);
    EXPECT_EQ(control.p2, E(*w, hero).particles[1]);
    EXPECT_EQ(control.e, 0);
    EXPECT_EQ(FindPlayer2(*w), 0);
}

TEST(Builders, AFullTableRefusesTheWholeObject) {
    auto w = Fresh();
    Rng rng(1);
    // Leave room for three more particles: a box (four) must not be started.
    for (int i = 0; i < kMaxRecords - 3; ++i) NewParticle(*w, kWorldEntity, 0, 0);
    const int32_t entities = w->entityCount, constraints = w->constraintCount;
    EXPECT_EQ(NewBox(*w, rng, 0, 0, 10, 10, 1, 1, 1, 1), 0);
    EXPECT_EQ(NewPlayer(*w, rng, 0, 0), 0);
    EXPECT_EQ(NewCircle(*w, 0, 0, 10, 8, 1, 1), 0);
    EXPECT_EQ(NewLatern(*w, rng, 0, 0), 0);
    EXPECT_EQ(w->entityCount, entities);
    EXPECT_EQ(w->constraintCount, constraints);
    EXPECT_EQ(w->particleCount, kMaxRecords - 3);
    EXPECT_TRUE(w->players.empty());
    EXPECT_TRUE(w->lights.empty());
    EXPECT_EQ(w->refusedCreations, 4);
    EXPECT_NE(NewWarning(*w, 0, 0), 0); // three particles still fit
    EXPECT_EQ(w->particleCount, kMaxRecords);

    // A full liquid-box table refuses an aquarium, box and all.
    auto v = Fresh();
    v->liquidBoxCount = kMaxLiquidBoxes;
    EXPECT_EQ(NewAquarium(*v, rng, 0, 0), 0);
    EXPECT_EQ(v->entityCount, 0);

    // A ring the entity's lists cannot hold.
    EXPECT_EQ(NewCircle(*v, 0, 0, 100, 1000, 1, 1), 0);
    EXPECT_EQ(v->particleCount, 0);
}
