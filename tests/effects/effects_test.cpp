// Buffs, effect sprites and debris: emission, ageing, the contacts that start them, and anchors that never
// outlive their records.
#include <gtest/gtest.h>

#include "effects/effects.h"

namespace {

struct Scene {
    World w;
    Effects fx;
    Rng rng{7};
    Scene() { ResetWorld(w); } // as at start: entity ids from 2 on

    // A dynamic entity with one particle, its centre at (x, y).
    int32_t Body(double x, double y) {
        int32_t e = NewEntity(w, 1, 1);
        NewParticle(w, e, static_cast<float>(x), static_cast<float>(y));
        UpdateEntityBounds(w);
        return e;
    }
    void Move(int32_t e, double dx, double dy) {
        for (int32_t p : w.entities[static_cast<size_t>(e)].particles)
            w.particles[static_cast<size_t>(p)].p += {dx, dy};
        UpdateEntityBounds(w);
    }
    void AddContact(int32_t vertex, float speed, float impact) {
        Contact& c = w.contacts[static_cast<size_t>(++w.contactCount)];
        c.vertex = vertex;
        c.speed = speed;
        c.impact = impact;
        c.serial = 0; // the friction pass has consumed it; the effects still read it
    }
    int Sprites(int32_t image) const {
        return static_cast<int>(std::count_if(fx.sprites.begin(), fx.sprites.end(),
                                              [&](const EffectSprite& s) { return s.image == image; }));
    }
};

} // namespace

TEST(EffectsBuff, PeriodsAndFirstCountdownsByKind) {
    struct Case {
        const char* kind;
        int32_t period, randomRange;
    };
    for (Case c : {Case{"fire", 4, 4}, Case{"water", 20, 20}, Case{"shock", 20, 20}, Case{"dust", 10, 10},
                   Case{"bubble", 5, 5}, Case{"blink", 2, 5}}) {
        Scene s;
        Rng twin{7};
        ASSERT_TRUE(StartBuff(s.fx, s.w, s.rng, c.kind, EntityAnchor(s.w, s.Body(5, 6)), 9));
        const Buff& b = s.fx.buffs.back();
        EXPECT_EQ(b.period, c.period) << c.kind;
        EXPECT_EQ(b.countdown, Random(twin, c.randomRange)) << c.kind;
        EXPECT_EQ(b.position, (Vec2{5, 6}));
        EXPECT_EQ(b.previous, (Vec2{5, 6}));
    }
}

TEST(EffectsBuff, AmountZeroEmitsAtMostOnceAndMinusOneLivesWithItsAnchor) {
    Scene s;
    int32_t e = s.Body(0, 0);
    for (int i = 0; i < 50; ++i) StartBuff(s.fx, s.w, s.rng, "fire", EntityAnchor(s.w, e), 0);
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_TRUE(s.fx.buffs.empty());
    EXPECT_GT(s.Sprites(kFlameImage), 0);  // countdowns 0 and 1 emit in the first step
    EXPECT_LT(s.Sprites(kFlameImage), 50); // the others never do

    StartBuff(s.fx, s.w, s.rng, "fire", EntityAnchor(s.w, e), -1);
    StartBuff(s.fx, s.w, s.rng, "shock", EntityAnchor(s.w, e), 2);
    StartBuff(s.fx, s.w, s.rng, "shock", EntityAnchor(s.w, e), -7); // negative, not -1: one step only
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_EQ(s.fx.buffs.size(), 2u);
    EffectsStep(s.fx, s.w, s.rng);
    ASSERT_EQ(s.fx.buffs.size(), 1u);
    for (int i = 0; i < 200; ++i) EffectsStep(s.fx, s.w, s.rng);
    ASSERT_EQ(s.fx.buffs.size(), 1u);
    EXPECT_EQ(s.fx.buffs[0].amount, -1);
    EXPECT_GE(s.Sprites(kFlameImage), 4); // a flame every fourth frame, each living 20 frames
}

TEST(EffectsBuff, OneShotsLeaveTheOthersUntouched) {
    Scene s;
    int32_t e = s.Body(10, 20);
    StartBuff(s.fx, s.w, s.rng, "dust", EntityAnchor(s.w, e), 5);
    SpawnExplosion(s.fx, s.w, s.rng, 10, 20, 0);
    StartBuff(s.fx, s.w, s.rng, "lightning", EntityAnchor(s.w, e), 5);
    StartBuff(s.fx, s.w, s.rng, "fire", EntityAnchor(s.w, e), 7);
    EffectsStep(s.fx, s.w, s.rng);
    ASSERT_EQ(s.fx.buffs.size(), 2u);
    EXPECT_EQ(s.fx.buffs[0].kind, "dust");
    EXPECT_EQ(s.fx.buffs[0].amount, 4);
    EXPECT_EQ(s.fx.buffs[1].kind, "fire");
    EXPECT_EQ(s.fx.buffs[1].amount, 6);

    std::vector<EffectSprite> one;
    for (const EffectSprite& sp : s.fx.sprites)
        if (sp.image == kExplosionImage || sp.image == kLightningImage) one.push_back(sp);
    ASSERT_EQ(one.size(), 4u);
    EXPECT_EQ(one[0].scale, 0.0f); // the explosion's scale is set on the next step
    EXPECT_EQ(one[0].life, 19);
    EXPECT_EQ(one[2].position, (Vec2{210, 590}));
    EXPECT_EQ(one[2].rotation, 45);
    EXPECT_EQ(one[3].position, (Vec2{540, 232}));
    EXPECT_EQ(one[3].rotation, -45);
    EXPECT_EQ(one[3].scale, 2.0f);
    EffectsStep(s.fx, s.w, s.rng); // no sprite keeps scale 0 after a step
    for (const EffectSprite& sp : s.fx.sprites) EXPECT_NE(sp.scale, 0.0f);
}

TEST(EffectsSprite, EmissionTableLifeAndMotion) {
    Scene s;
    int32_t e = s.Body(100, 200);
    for (const char* kind : {"fire", "water", "shock", "blink", "dust", "bubble"})
        StartBuff(s.fx, s.w, s.rng, kind, EntityAnchor(s.w, e), -1);
    for (Buff& b : s.fx.buffs) b.period = b.countdown = 1; // every kind emits at every step
    s.fx.buffs[4].amount = 6; // dust spreads by its amount: 3 at the fourth step, +-9
    for (int i = 0; i < 3; ++i) EffectsStep(s.fx, s.w, s.rng);
    s.fx.sprites.clear();
    EffectsStep(s.fx, s.w, s.rng); // sprites are checked as emitted: one move made
    for (const EffectSprite& sp : s.fx.sprites) {
        Vec2 at = sp.position - sp.velocity - Vec2{100, 200};
        double reach = sp.image == kBubbleImage ? 10 : sp.image == kDustImage ? 9 : 20;
        EXPECT_LE(std::abs(at.x), reach);
        EXPECT_LE(std::abs(at.y), reach);
        EXPECT_EQ(sp.life, (sp.image == kBubbleImage ? 50 : 20) - 1);
        const double vy = sp.image == kFlameImage                              ? -3
                          : sp.image == kDropImage                             ? 0.5
                          : sp.image == kDustImage || sp.image == kBubbleImage ? -1
                                                                               : 0;
        EXPECT_EQ(sp.velocity, (Vec2{0, vy})) << sp.image;
        const bool leans = sp.image == kFlameImage || sp.image == kDropImage;
        EXPECT_TRUE(!leans || std::abs(sp.rotation) <= 20) << sp.rotation; // at rest
        const float top = sp.image == kBubbleImage                              ? 0.45f
                          : (sp.image == kBlinkImage || sp.image == kDustImage) ? 0.9f
                                                                                : 1.0f;
        EXPECT_TRUE(sp.scale >= top * 5 / 9 - 1e-6f && sp.scale <= top) << sp.image;
    }
    EXPECT_EQ(s.fx.sprites.size(), 6u);
    // A sprite lives exactly its life in steps.
    s.fx.buffs.clear();
    s.fx.sprites.assign(1, EffectSprite{{0, 0}, {1, 2}, 3, kDustImage, 0, 0.0f});
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_EQ(s.fx.sprites[0].scale, 1.0f);
    EXPECT_EQ(s.fx.sprites[0].position, (Vec2{1, 2}));
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_EQ(s.fx.sprites.size(), 1u);
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_TRUE(s.fx.sprites.empty());
}

TEST(EffectsSprite, FlamesAndDropsLeanWithTheMotion) {
    Scene s;
    int32_t e = s.Body(0, 0);
    StartBuff(s.fx, s.w, s.rng, "fire", EntityAnchor(s.w, e), -1);
    StartBuff(s.fx, s.w, s.rng, "water", EntityAnchor(s.w, e), -1);
    for (int i = 0; i < 100; ++i) {
        s.Move(e, 10, 0); // rightwards: the flame points up-left (315), the drop up-right (45)
        EffectsStep(s.fx, s.w, s.rng);
    }
    ASSERT_GT(s.Sprites(kFlameImage), 0);
    ASSERT_GT(s.Sprites(kDropImage), 0);
    for (const EffectSprite& sp : s.fx.sprites) {
        int32_t centre = sp.image == kFlameImage ? 315 : 45;
        EXPECT_LE(std::abs(sp.rotation - centre), 20) << sp.image;
    }
}

TEST(EffectsWorld, ContactsStartDustSparksAndBubbles) {
    Scene s;
    int32_t e = s.Body(40.4, 60.6);
    int32_t v = s.w.entities[static_cast<size_t>(e)].particles[0];
    s.AddContact(v, 6.0f, 300.0f); // at the thresholds: nothing
    s.AddContact(v, 9.0f, 0);
    s.AddContact(0, 50.0f, 900.0f);    // no particle: ignored
    s.AddContact(v, 0, 349.0f);        // sparks of round(3.49) = 3 pieces
    s.w.contacts[5] = s.w.contacts[2]; // beyond the contact count: not read
    WorldEffectsStep(s.fx, s.w, s.rng);
    ASSERT_EQ(s.fx.buffs.size(), 4u);
    EXPECT_EQ(s.fx.buffs[0].kind, "dust");
    EXPECT_EQ(s.fx.buffs[0].amount, 3);
    EXPECT_EQ(s.fx.buffs[0].anchor.kind, BuffAnchor::Kind::Particle);
    EXPECT_EQ(s.fx.debrisCount, 3);
    for (int i = 1; i <= 3; ++i) {
        const DebrisPiece& d = s.fx.debris[static_cast<size_t>(i)];
        EXPECT_EQ(d.position, (Vec2{40, 61}));
        EXPECT_EQ(d.image, kMetalImage);
        EXPECT_EQ(d.velocity.x, std::round(d.velocity.x));
        EXPECT_TRUE(std::abs(d.velocity.x) <= 6 && d.velocity.y >= -12 && d.velocity.y <= 0);
        EXPECT_EQ(s.fx.buffs[static_cast<size_t>(i)].amount, 30);
        EXPECT_EQ(s.fx.buffs[static_cast<size_t>(i)].anchor.slot, i);
    }

    Scene b;
    int32_t p = b.w.entities[static_cast<size_t>(b.Body(0, 0))].particles[0];
    b.w.waterContacts.assign(20000, WaterContact{p, 0});
    Rng twin{7};
    size_t expected = 0;
    for (int i = 0; i < 20000; ++i)
        if (Random(twin, 1000) == 1) {
            ++expected;
            Random(twin, 5); // the bubble's first countdown
        }
    WorldEffectsStep(b.fx, b.w, b.rng);
    EXPECT_EQ(b.fx.buffs.size(), expected);
    EXPECT_GT(expected, 0u);
    for (const Buff& bb : b.fx.buffs) EXPECT_TRUE(bb.kind == "bubble" && bb.amount == 10);
}

TEST(EffectsWorld, SparksPauseAbove200SpritesAndBurstAtMostTen) {
    Scene s;
    s.fx.sprites.resize(201);
    SpawnSparks(s.fx, s.w, s.rng, 0, 0, 5);
    EXPECT_EQ(s.fx.debrisCount, 0);
    EXPECT_TRUE(s.fx.buffs.empty());
    s.fx.sprites.resize(200);
    SpawnSparks(s.fx, s.w, s.rng, 0, 0, 25);
    EXPECT_EQ(s.fx.debrisCount, 10);
    EXPECT_EQ(s.fx.buffs.size(), 10u);
}

TEST(EffectsDebris, FallsAndCompactsKeepingEachPieceItsBuff) {
    Scene s;
    SpawnExplosion(s.fx, s.w, s.rng, 0, 0, 3);
    ASSERT_EQ(s.fx.debrisCount, 3);
    // Give the pieces distinct motions and the first one the shortest fire.
    for (int i = 1; i <= 3; ++i) s.fx.debris[static_cast<size_t>(i)].velocity = {10.0 * i, 0};
    s.fx.buffs[1].amount = 1;
    EffectsStep(s.fx, s.w, s.rng);
    ASSERT_EQ(s.fx.debrisCount, 2);
    EXPECT_EQ(s.fx.debris[3].image, 0);
    EXPECT_EQ(s.fx.debris[1].velocity, (Vec2{20, 1})); // the second piece moved down a slot, whole
    EXPECT_EQ(s.fx.debris[1].position, (Vec2{20, 0}));
    for (int k = 0; k < 5; ++k) EffectsStep(s.fx, s.w, s.rng);
    ASSERT_EQ(s.fx.buffs.size(), 2u);
    for (const Buff& b : s.fx.buffs) {
        Vec2 at;
        ASSERT_TRUE(AnchorPosition(s.fx, s.w, b.anchor, at));
        EXPECT_EQ(at.x / 10.0, static_cast<double>(b.anchor.slot + 1) * 6); // its own piece, 6 moves
    }
    // The fires burn out after 30 steps, and the rocks go with them.
    for (int k = 0; k < 24; ++k) EffectsStep(s.fx, s.w, s.rng);
    EXPECT_TRUE(s.fx.buffs.empty());
    EXPECT_EQ(s.fx.debrisCount, 0);
}

TEST(EffectsDebris, TableHoldsAThousandPieces) {
    Scene s;
    SpawnExplosion(s.fx, s.w, s.rng, 0, 0, 1500);
    EXPECT_EQ(s.fx.debrisCount, 1000);
    EXPECT_EQ(s.fx.buffs.size(), 1001u); // the blast and one fire a piece
    SpawnSparks(s.fx, s.w, s.rng, 0, 0, 10);
    EXPECT_EQ(s.fx.debrisCount, 1000);
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_EQ(s.fx.debrisCount, 1000);
}

TEST(EffectsAnchor, BuffsEndWhenTheirRecordsGo) {
    Scene s;
    int32_t e = s.Body(0, 0);
    StartBuff(s.fx, s.w, s.rng, "fire", EntityAnchor(s.w, e), -1);
    StartBuff(s.fx, s.w, s.rng, "dust",
              ParticleAnchor(s.w, s.w.entities[static_cast<size_t>(e)].particles[0]), -1);
    SpawnExplosion(s.fx, s.w, s.rng, 0, 0, 2);
    EXPECT_TRUE(EntityHasBuff(s.fx, s.w, s.w.entities[static_cast<size_t>(e)].id, "fire"));
    EXPECT_FALSE(EntityHasBuff(s.fx, s.w, s.w.entities[static_cast<size_t>(e)].id, "water"));

    // A reset, then a new body in the same slot with the same ids: no buff follows it.
    ResetWorld(s.w);
    int32_t again = s.Body(500, 500);
    ASSERT_EQ(again, e);
    EXPECT_FALSE(EntityHasBuff(s.fx, s.w, s.w.entities[static_cast<size_t>(e)].id, "fire"));
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_TRUE(s.fx.buffs.empty());
    EXPECT_EQ(s.Sprites(kExplosionImage), 0);
    EXPECT_EQ(s.fx.debrisCount, 0); // their fires gone, the rocks go too

    // An entity deleted from the table ends its buff; a stale anchor is never started.
    StartBuff(s.fx, s.w, s.rng, "shock", EntityAnchor(s.w, again), -1);
    s.w.entities[static_cast<size_t>(again)].id = 0;
    RecountTables(s.w);
    EXPECT_FALSE(StartBuff(s.fx, s.w, s.rng, "shock", BuffAnchor{BuffAnchor::Kind::Entity, again, 2}, -1));
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_TRUE(s.fx.buffs.empty());
    EXPECT_EQ(s.Sprites(kShockImage), 0);

    SpawnExplosion(s.fx, s.w, s.rng, 0, 0, 4);
    ClearBuffs(s.fx);
    EffectsStep(s.fx, s.w, s.rng);
    EXPECT_EQ(s.fx.debrisCount, 0);
}
