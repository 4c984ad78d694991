// The fast paths of the step (grid pair search, contact index, vector axis tests, relaxation runs,
// friction notes) must give exactly the results of the plain paths, and a fixed scene must keep giving
// the same positions: any change of behaviour shows up here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "physics/internal.h"
#include "physics/scenes.h"
#include "physics_helpers.h"
#include "world/builders.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSteps = 40; // the sanitizer build is many times slower; the dev build runs them all
#else
constexpr int kSteps = 200;
#endif

// The first particle, entity centre or liquid drop whose position bits differ (or contact that differs),
// or an empty string.
std::string FirstDifference(const World& a, const World& b) {
    if (a.particleCount != b.particleCount) return "particle counts";
    for (int32_t i = 1; i <= a.particleCount; ++i) {
        const Particle& x = a.particles[static_cast<size_t>(i)];
        const Particle& y = b.particles[static_cast<size_t>(i)];
        if (std::memcmp(&x.p, &y.p, sizeof(Vec2)) != 0 || std::memcmp(&x.oldp, &y.oldp, sizeof(Vec2)) != 0 ||
            x.contact != y.contact)
            return "particle " + std::to_string(i);
    }
    if (a.entityCount != b.entityCount) return "entity counts";
    for (int32_t i = 1; i <= a.entityCount; ++i)
        if (std::memcmp(&a.entities[static_cast<size_t>(i)].center,
                        &b.entities[static_cast<size_t>(i)].center, sizeof(Vec2)) != 0)
            return "centre of entity " + std::to_string(i);
    for (int32_t k = 1; k <= a.liquidBoxCount; ++k) {
        const auto& p = a.liquidBoxes[static_cast<size_t>(k)].particles;
        const auto& q = b.liquidBoxes[static_cast<size_t>(k)].particles;
        for (size_t i = 0; i < p.size(); ++i)
            if (std::memcmp(&p[i].p, &q[i].p, sizeof(Vec2)) != 0) return "liquid box " + std::to_string(k);
    }
    if (a.contactCount != b.contactCount) return "contact counts";
    for (int32_t k = 1; k <= a.contactCount; ++k) {
        const Contact& c = a.contacts[static_cast<size_t>(k)];
        const Contact& d = b.contacts[static_cast<size_t>(k)];
        if (c.vertex != d.vertex || c.edge1 != d.edge1 || c.kind != d.kind ||
            std::memcmp(&c.speed, &d.speed, sizeof(float)) != 0)
            return "contact " + std::to_string(k);
    }
    return "";
}

// Steps a plain and a configured copy of the same world side by side and compares them every step. With
// `oneLane` the first copy takes the fast paths on one lane instead of the plain paths (which the other
// tests compare them with).
template <typename Setup>
void ExpectSameSteps(const std::string& scene, int steps, Setup setup, bool oneLane = false) {
    auto plain = std::make_unique<World>();
    auto fast = std::make_unique<World>();
    PhysicsScratch plainScratch, fastScratch;
    Rng r1(99), r2(99);
    ASSERT_TRUE(BuildScene(*plain, r1, scene));
    ASSERT_TRUE(BuildScene(*fast, r2, scene));
    setup(*plain, plainScratch);
    plainScratch.reference = !oneLane;
    if (oneLane) plainScratch.laneMode = 1;
    setup(*fast, fastScratch);
    for (int s = 1; s <= steps; ++s) {
        StepScene(*plain, plainScratch, kTestTasks);
        StepScene(*fast, fastScratch, kTestTasks);
        const std::string difference = FirstDifference(*plain, *fast);
        ASSERT_EQ(difference, "") << scene << " after step " << s;
    }
}

// Bodies the scenes lack, dropped onto the pile of the "boxes" scene: masses other than 0 and 1,
// stiffness below 1, joints between bodies (owned by the world or by one of the two bodies), and rings
// whose particle counts are not powers of two.
void AddMixedBodies(World& w) {
    Rng rng(11);
    const float masses[] = {0.25f, 3, 40, 0, 1.5f};
    int32_t previous = 0;
    for (int k = 0; k < 30; ++k) {
        const int32_t x = -720 + (k % 10) * 145, y = -150 - (k / 10) * 160;
        const int32_t e = k % 3 == 0 ? NewCircle(w, x + 40, y + 40, 40, k % 2 != 0 ? 7 : 12, 0.8, 0.7)
                                     : NewBox(w, rng, x, y, x + 70, y + 50, 1, 0.5, 0.6, k % 2);
        Entity& body = w.entities[static_cast<size_t>(e)];
        body.m = masses[k % 5];
        if (previous != 0 && k % 4 != 0)
            NewConstraint(w, k % 2 != 0 ? kWorldEntity : e,
                          w.entities[static_cast<size_t>(previous)].particles[0], body.particles[1], 0.4f);
        previous = e;
    }
    UpdateEntityBounds(w);
}

// Boxes of many masses and stiffness below 1, joined by joints the world owns, dropped on a pyramid:
// every body stays a four-sided quad, so the pair walk and friction run on two lanes as well.
void AddJoinedBoxes(World& w) {
    Rng rng(12);
    const float masses[] = {0.25f, 3, 40, 0, 1.5f};
    int32_t previous = 0;
    for (int k = 0; k < 24; ++k) {
        const int32_t x = -500 + (k % 8) * 110, y = -900 - (k / 8) * 90;
        const int32_t e = NewBox(w, rng, x, y, x + 70, y + 50, 1, 0.5, k % 3 == 0 ? 1.0 : 0.4, 1);
        w.entities[static_cast<size_t>(e)].m = masses[k % 5];
        if (previous != 0 && k % 3 != 0)
            NewConstraint(w, kWorldEntity, w.entities[static_cast<size_t>(previous)].particles[0],
                          w.entities[static_cast<size_t>(e)].particles[2], 0.3f);
        previous = e;
    }
    UpdateEntityBounds(w);
}

} // namespace

TEST(PhysicsFastPaths, TwoLanesGiveThePlainResultsBitForBit) {
    auto twoLanes = [](World&, PhysicsScratch& s) { s.laneMode = 2; };
    for (const char* scene : {"pyramid28", "boxes", "circles", "liquids", "water"})
        ExpectSameSteps(scene, kSteps / 2, twoLanes, true);
    // A large scene left to choose (it times both ways and switches between them).
    ExpectSameSteps(
        "pyramid28", kSteps / 2, [](World&, PhysicsScratch&) {}, true);
    ExpectSameSteps(
        "pyramid14", kSteps / 2,
        [](World& w, PhysicsScratch& s) {
            AddJoinedBoxes(w);
            s.laneMode = 2;
        },
        true);
    ExpectSameSteps(
        "boxes", kSteps / 2,
        [](World& w, PhysicsScratch& s) {
            AddMixedBodies(w);
            s.laneMode = 2;
        },
        true);

    // The joined boxes did take the two-lane walk and friction (where the machine has two cores).
    PhysicsScratch probe;
    physics_internal::ProbeSimd(probe);
    if (probe.simdLevel < 2) return;
    auto w = std::make_unique<World>();
    PhysicsScratch scratch;
    Rng rng(99);
    BuildScene(*w, rng, "pyramid14");
    AddJoinedBoxes(*w);
    scratch.laneMode = 2;
    for (int s = 0; s < 3; ++s) StepScene(*w, scratch, kTestTasks);
    EXPECT_TRUE(scratch.pairsOnLanes);
    EXPECT_GT(scratch.frictionPlanned, 0);

    // Left to choose, a large scene tries both ways.
    Rng again(99);
    BuildScene(*w, again, "pyramid28");
    scratch.laneMode = 0;
    for (int s = 0; s < 20; ++s) StepScene(*w, scratch, kTestTasks);
    EXPECT_GT(scratch.laneTimed[0], 0u);
    EXPECT_GT(scratch.laneTimed[1], 0u);
}

TEST(PhysicsFastPaths, TwoLanesForgetTheFrictionOfAnEarlierStep) {
    // A box thrown up and sideways out of the ground touches it in its first step only: the steps after,
    // which find no contact, must not apply that step's friction again.
    ExpectSameSteps(
        "boxes", 6,
        [](World& w, PhysicsScratch& s) {
            ResetWorld(w);
            NewHalfSpace(w, 0, 0, 1, 0);
            Rng rng(4);
            const int32_t box = NewBox(w, rng, 0, -5, 50, 45, 1, 1, 1, 1);
            for (int32_t p : w.entities[static_cast<size_t>(box)].particles) {
                w.particles[static_cast<size_t>(p)].oldp.x -= 10;
                w.particles[static_cast<size_t>(p)].oldp.y += 40;
            }
            UpdateEntityBounds(w);
            s.laneMode = 2;
        },
        true);
}

TEST(PhysicsFastPaths, EverySceneGivesThePlainResultsBitForBit) {
    for (const char* scene : {"pyramid14", "boxes", "circles", "liquids", "water"})
        ExpectSameSteps(scene, kSteps, [](World&, PhysicsScratch&) {});
}

TEST(PhysicsFastPaths, EveryVectorLevelAndContactIndexAgrees) {
    for (int level : {0, 1, 2}) {
        if (level == 2) {
            PhysicsScratch probe;
            physics_internal::ProbeSimd(probe);
            if (probe.simdLevel < 2) continue; // the processor has no AVX2
        }
        ExpectSameSteps("pyramid14", kSteps / 2, [level](World&, PhysicsScratch& s) { s.simdLevel = level; });
    }
    ExpectSameSteps("circles", kSteps / 2, [](World&, PhysicsScratch& s) { s.contactIndexById = true; });
}

TEST(PhysicsFastPaths, MixedMassesStiffnessJointsAndRingsAgreeAtEveryVectorLevel) {
    PhysicsScratch probe;
    physics_internal::ProbeSimd(probe);
    for (int level = 0; level <= probe.simdLevel; ++level)
        ExpectSameSteps("boxes", kSteps / 2, [level](World& w, PhysicsScratch& s) {
            AddMixedBodies(w);
            s.simdLevel = level;
        });
}

TEST(PhysicsFastPaths, UnusualWorldsAgreeToo) {
    // Particle ids that do not rise with the slots (as a hand-edited level may have), a body far beyond
    // the grid, a wall spanning a great many cells, and bodies without constraints or particles.
    auto setup = [](World& w, PhysicsScratch&) {
        std::swap(w.particles[3].id, w.particles[40].id);
        Rng rng(5);
        NewBox(w, rng, 0, 0, 50, 50, 1, 1, 1, 1);
        for (int32_t s : w.entities[static_cast<size_t>(w.entityCount)].particles) {
            w.particles[static_cast<size_t>(s)].p.x += 1e290;
            w.particles[static_cast<size_t>(s)].oldp.x += 1e290;
        }
        NewWall(w, -3000, -20, 3000, -20, 10, 1);
        int32_t dots = NewEntity(w, 1, 1);
        NewParticle(w, dots, 0, -100);
        NewParticle(w, dots, 30, -100);
        NewEntity(w, 1, 1);
        UpdateEntityBounds(w);
    };
    ExpectSameSteps("pyramid14", kSteps / 3, setup);

    // The pair lists themselves, with a body whose box is not a number.
    auto a = std::make_unique<World>(), b = std::make_unique<World>();
    PhysicsScratch sa, sb;
    for (World* w : {a.get(), b.get()}) {
        Rng rng(3);
        BuildScene(*w, rng, "boxes");
        setup(*w, sa);
        w->particles[7].p.y = std::nan("");
        UpdateEntityBounds(*w);
        RecountTables(*w);
    }
    sa.reference = true;
    StepSimulation(*a, sa, kTestTasks); // the fast path keeps its index only within a step
    StepSimulation(*b, sb, kTestTasks);
    EXPECT_EQ(FirstDifference(*a, *b), "");
}

TEST(PhysicsDeterminism, AFixedSceneKeepsItsStoredResult) {
    auto run = [](int laneMode) {
        auto w = std::make_unique<World>();
        PhysicsScratch scratch;
        Rng rng(2024);
        BuildScene(*w, rng, "pyramid14");
        scratch.laneMode = laneMode;
        for (int s = 0; s < 150; ++s) StepScene(*w, scratch, kTestTasks);
        return PositionHash(*w);
    };
    const uint64_t first = run(1);
    EXPECT_EQ(first, run(1));
    EXPECT_EQ(first, run(2));
    EXPECT_EQ(first, 6292195991794158785ull) << "behaviour changed: new hash " << first;
}
