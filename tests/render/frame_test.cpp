#include <gtest/gtest.h>

#include "scene.h"
#include "world/builders.h"

using Kind = DrawCall::Kind;

TEST(RenderFrame, DrawsTheWorldInLayersThenTheFlatLayer) {
    RenderFixture f;
    World& w = f.w;
    NewRegion(w, 0, 0, 50, 50);
    NewLiquidBox(w, f.prog->rng, f.Box("aquarium", 300, 300, 350, 340), 3, 2, "water");
    AddLight(w, NewParticle(w, kWorldEntity, 600, 280), 600, 0, "red", 0);
    f.Box("box", 500, 300, 550, 350);
    NewHalfSpace(w, 0, 900, 1, 0);
    NewWaterSpace(w, 0, 800, 1, 0, 0.05f).type = "blue";
    f.prog->effects.sprites.push_back({{100, 100}, {0, 0}, 10, kEffectBase, 0, 1.0f});
    f.prog->effects.debris[1] = {{120, 100}, {0, 0}, kEffectBase + 3, 1};
    f.prog->effects.debrisCount = 1;
    w.markers.push_back({2, w.entities[2].id, kEffectBase + 17, w.NewUid()});
    NewPortal(w, 10, 10, 10, 60);
    const auto& calls = f.Draw();

    EXPECT_EQ(calls.front().kind, Kind::Clear);
    EXPECT_EQ(calls.back().kind, Kind::Flip);
    // Regions, liquids, lights (glow, cast quad), entities, half-space fill and band, water, sprites,
    // debris, markers; liquids and lights add their light, and normal blending is back before the entities.
    std::vector<int> order;
    for (int image : {21, 14, kLightBase + 4, kLightBase + 1, 13, 1, 33, 9, 30, kEffectBase, kEffectBase + 3,
                      kEffectBase + 17})
        order.push_back(f.FirstQuad(image));
    EXPECT_GE(order.front(), 0);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    for (int at : {order[1], order[2], order[4]}) { // add for liquids and lights, normal for entities
        ASSERT_EQ(calls[static_cast<size_t>(at - 1)].kind, Kind::Blend);
        EXPECT_EQ(calls[static_cast<size_t>(at - 1)].blend,
                  at == order[4] ? BlendMode::Alpha : BlendMode::Add);
    }
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(100, 0, 255)).size(), 1u); // the portal, with its id
    EXPECT_NE(f.Text("1"), nullptr);

    // The wireframe view draws no quads, but the flat layer still shows.
    f.prog->shell.texturedView = 0;
    f.Draw();
    EXPECT_TRUE(f.QuadImages().empty());
    EXPECT_NE(f.Text("1"), nullptr);
    EXPECT_NE(f.Text("Paused"), nullptr);
}

TEST(RenderFrame, DoubleDrawsShowExactlyOneWindingAndLightsSkipTheirCarrier) {
    RenderFixture f;
    f.Box("player", 100, -25, 150, 25);
    f.Body("player2", {{750, 0}, {700, 0}, {700, 50}, {750, 50}}); // wound the other way, out of reach
    AddLight(f.w, NewParticle(f.w, kWorldEntity, 0, 0), 600, 0, "blue", 0);
    f.Draw();
    for (int image : {0, 5, kLightBase + 2}) {
        auto quads = f.QuadsOf(image);
        ASSERT_EQ(quads.size(), 2u) << "image " << image;
        EXPECT_TRUE(quads[0].cull && quads[1].cull);
        EXPECT_NE(QuadIsClockwise(quads[0].quad), QuadIsClockwise(quads[1].quad)) << "image " << image;
    }
    // The player on p1 p2 p3 p4, then its mirror image on p2 p1 p4 p3.
    ExpectCorners(f.QuadsOf(0)[0].quad, {{100, -25}, {150, -25}, {150, 25}, {100, 25}});
    ExpectCorners(f.QuadsOf(0)[1].quad, {{150, -25}, {100, -25}, {100, 25}, {150, 25}});
    // The light cast past the player: the quad that shows runs clockwise, its left edge far from the body.
    auto lit = f.QuadsOf(kLightBase + 2);
    const DrawCall& shown = QuadIsClockwise(lit[0].quad) ? lit[0] : lit[1];
    ExpectCorners(shown.quad, {{458, 114}, {100, 25}, {100, -25}, {458, -114}});
    EXPECT_EQ(shown.alpha, 100);

    // A light carried by a box casts nothing from it, nor from kinds that are not lit; its glow sits 10
    // pixels below its centre.
    ResetWorld(f.w);
    int32_t carrier = f.Box("box", -10, -10, 10, 10);
    f.Box("wall", 100, -25, 150, 25);
    f.Box("box2", -150, -25, -100, 25);
    const Entity& c = f.w.entities[static_cast<size_t>(carrier)];
    AddLight(f.w, c.particles[0], 600, 0, "green", c.id);
    f.Draw();
    EXPECT_EQ(f.QuadsOf(kLightBase).size(), 2u); // box2 only
    ExpectCorners(f.QuadsOf(kLightBase + 4).at(0).quad, {{-50, -40}, {50, -40}, {50, 60}, {-50, 60}});
}

TEST(RenderFrame, EntityKindsPickTheirImages) {
    RenderFixture f;
    f.Box("wall_mudd", 0, 0, 100, 20);
    f.Box("wall_nothing", 0, 40, 100, 60);
    f.Box("quad_pink", 0, 80, 100, 120);
    f.Box("poisonbox", 200, 0, 250, 50);
    f.Box("aquarium", 300, 0, 350, 40);
    f.Body("warning", {{0, -35}, {35, 25}, {-35, 25}});
    f.Body("pin", {{400, 400}});
    f.Draw();
    EXPECT_EQ(f.QuadImages(), (std::vector<int>{35, 48, 33, 48, 34, 49, 13, 16, 13, 23, 2}));
    ExpectCorners(f.QuadsOf(35)[0].quad, {{0, 0}, {100, 0}, {100, 20}, {0, 20}});
    ExpectCorners(f.QuadsOf(48)[0].quad, {{0, 0}, {100, 0}, {100, 20}, {0, 20}});
    EXPECT_EQ(f.QuadsOf(16)[0].alpha, 150);
    EXPECT_EQ(f.QuadsOf(13)[0].alpha, 50);
    EXPECT_EQ(f.QuadsOf(13)[1].alpha, 50); // the aquarium at its catalogue alpha
    ExpectCorners(f.QuadsOf(23)[0].quad, {{0, -35}, {35, 25}, {-35, 25}, {-35, 25}});
    ExpectCorners(f.QuadsOf(2)[0].quad, {{384, 384}, {416, 384}, {416, 416}, {384, 416}});
    EXPECT_EQ(f.QuadsOf(2)[0].alpha, 250);

    // "random" keeps one colour for each object from frame to frame.
    ResetWorld(f.w);
    f.Box("wall_random", 0, 0, 100, 20);
    f.Draw();
    int first = f.QuadImages()[0];
    EXPECT_TRUE(first >= 28 && first <= 42);
    f.Draw();
    EXPECT_EQ(f.QuadImages()[0], first);
}

TEST(RenderFrame, UnknownKindsAndShortBodiesDrawWithinTheirParticles) {
    RenderFixture f;
    // A hexagon of an unknown kind: (centre, 2, 3, 4), (centre, 4, 5, 6), then (centre, 5, 1, 2), alpha 90.
    f.Body("", {{100, 0}, {150, 50}, {150, 100}, {100, 150}, {50, 100}, {50, 50}});
    f.Draw();
    auto fan = f.QuadsOf(3);
    ASSERT_EQ(fan.size(), 3u);
    ExpectCorners(fan[0].quad, {{100, 75}, {150, 50}, {150, 100}, {100, 150}});
    ExpectCorners(fan[1].quad, {{100, 75}, {100, 150}, {50, 100}, {50, 50}});
    ExpectCorners(fan[2].quad, {{100, 75}, {50, 100}, {100, 0}, {150, 50}});
    EXPECT_EQ(fan[2].alpha, 90);

    // Fewer particles than the kind draws (level files can make such bodies): the last one repeats.
    ResetWorld(f.w);
    f.Body("box", {{0, 0}, {50, 0}, {50, 50}});
    f.Body("warning", {{0, 0}, {20, 0}});
    for (const char* type : {"player", "wall_red", "pin", "unknown"}) f.Body(type, {});
    f.Body("unknown", {{5, 5}});
    f.Draw();
    EXPECT_EQ(f.QuadImages(), (std::vector<int>{1, 23}));
    ExpectCorners(f.QuadsOf(1)[0].quad, {{0, 0}, {50, 0}, {50, 50}, {50, 50}});
    ExpectCorners(f.QuadsOf(23)[0].quad, {{0, 0}, {20, 0}, {20, 0}, {20, 0}});
}

TEST(RenderFrame, RegionsAndTheHoveredHalfSpace) {
    RenderFixture f;
    NewRegion(f.w, 100, 100, 300, 250);
    f.Draw();
    ASSERT_EQ(f.QuadImages(), std::vector<int>{21}); // no colour: the region image, no border
    ExpectCorners(f.QuadsOf(21)[0].quad, {{100, 100}, {300, 100}, {300, 250}, {100, 250}});
    EXPECT_EQ(f.QuadsOf(21)[0].alpha, 100);
    f.w.regions[0].type = "yellow";
    f.Draw();
    auto q = f.QuadsOf(36); // the fill, then 5-pixel edges clockwise from the top, reaching outside
    ASSERT_EQ(q.size(), 5u);
    ExpectCorners(q[1].quad, {{97.5, 102.5}, {97.5, 97.5}, {302.5, 97.5}, {302.5, 102.5}});
    ExpectCorners(q[2].quad, {{297.5, 97.5}, {302.5, 97.5}, {302.5, 252.5}, {297.5, 252.5}});

    // With "Edit", the first half-space under the mouse is filled twice; water spaces likewise.
    ResetWorld(f.w);
    NewHalfSpace(f.w, 0, 500, 1, 0).type = "grass";
    NewHalfSpace(f.w, 0, 700, 1, 0).type = "mudd";
    NewWaterSpace(f.w, 0, 300, 1, 0, 0.05f).type = "blue";
    f.prog->editor.mouseWorld = {10, 800};
    f.Draw();
    EXPECT_EQ(f.QuadsOf(40).size(), 1u);
    f.prog->editor.currentTool = "Edit";
    f.Draw();
    EXPECT_EQ(f.QuadsOf(40).size(), 2u);
    EXPECT_EQ(f.QuadsOf(35).size(), 1u);
    EXPECT_EQ(f.QuadsOf(30).size(), 2u);
    f.prog->editor.mouseWorld = {10, 100};
    f.Draw();
    EXPECT_EQ(f.QuadsOf(40).size(), 1u);
}

TEST(RenderFrame, WireframeAndJointColours) {
    RenderFixture f;
    int32_t a = f.Box("box", 0, 0, 50, 50), b = f.Box("box", 100, 0, 150, 50);
    const auto& pa = f.w.entities[static_cast<size_t>(a)].particles;
    const auto& pb = f.w.entities[static_cast<size_t>(b)].particles;
    NewConstraint(f.w, b, pb[1], pb[0], 1);
    NewConstraint(f.w, a, pa[2], pa[1], 1);
    NewConstraint(f.w, kWorldEntity, pa[1], pa[3], 1); // a brace inside one body
    NewConstraint(f.w, kWorldEntity, pa[1], pb[0], 1); // a joint between two bodies
    f.w.particles[static_cast<size_t>(pb[0])].contact = 1;
    f.w.particles[static_cast<size_t>(pb[1])].contact = 2;
    f.prog->shell.texturedView = 0;
    f.Draw();
    auto at = [&](float x1, float y1) {
        for (const auto& c : f.Calls(Kind::Line))
            if (c.x1 == x1 && c.y1 == y1) return c.rgb;
        return Rgb(1, 2, 3);
    };
    EXPECT_EQ(at(150, 0), Rgb(255, 0, 0));     // both ends touching
    EXPECT_EQ(at(50, 50), Rgb(255, 255, 255)); // an ordinary edge
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(0, 0, 255)).size(), 2u);
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(209, 134, 78)).size(), 1u); // the joint, not the brace
    f.prog->shell.texturedView = 1;
    f.Draw();
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(209, 134, 78)).size(), 1u);
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(0, 0, 255)).size(), 0u);
}
