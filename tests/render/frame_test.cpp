#include <gtest/gtest.h>

#include <algorithm>

#include "scene.h"
#include "world/builders.h"

namespace {

using Kind = DrawCall::Kind;

struct Frame : RenderFixture {
    Frame() {
        LoadAllImages(prog->images, plat, 1280, 1024); // no files here: the catalogue's names and numbers
        for (int image : {2, kLightBase + 4, kEffectBase, kEffectBase + 3, kEffectBase + 17})
            plat.SetImageSize(image, 32, 32);
    }
    World& w() { return prog->world; }
    // Index in the last frame of the first call matching `pred`, or -1.
    template <typename Pred> int IndexOf(Pred pred) const {
        const auto& f = plat.lastFrame;
        auto it = std::find_if(f.begin(), f.end(), pred);
        return it == f.end() ? -1 : static_cast<int>(it - f.begin());
    }
    int FirstQuad(int image) const {
        return IndexOf([&](const DrawCall& c) { return c.kind == Kind::Quad && c.image == image; });
    }
    std::vector<int> QuadImages() const {
        std::vector<int> out;
        for (const auto& c : plat.lastFrame)
            if (c.kind == Kind::Quad) out.push_back(c.image);
        return out;
    }
};

void ExpectCorners(const DrawCall& c, std::initializer_list<Vec2> corners) {
    int i = 0;
    for (const Vec2& v : corners) {
        EXPECT_NEAR(Corner(c, i).x, v.x, 1e-3) << "corner " << i + 1;
        EXPECT_NEAR(Corner(c, i).y, v.y, 1e-3) << "corner " << i + 1;
        ++i;
    }
}

} // namespace

TEST(RenderFrame, DrawsTheWorldInLayersThenTheFlatLayer) {
    Frame f;
    World& w = f.w();
    Region& r = NewRegion(w, 0, 0, 50, 50);
    (void)r;
    int32_t aquarium = BoxBody(w, "aquarium", 300, 300, 350, 340);
    NewLiquidBox(w, f.prog->rng, aquarium, 3, 2, "water");
    int32_t hang = NewParticle(w, kWorldEntity, 600, 280);
    AddLight(w, hang, 600, 0, "red", 0);
    BoxBody(w, "box", 500, 300, 550, 350);
    NewHalfSpace(w, 0, 900, 1, 0);
    NewWaterSpace(w, 0, 800, 1, 0, 0.05f).type = "blue";
    f.prog->effects.sprites.push_back({{100, 100}, {0, 0}, 10, kEffectBase, 0, 1.0f});
    f.prog->effects.debris[1] = {{120, 100}, {0, 0}, kEffectBase + 3, 1};
    f.prog->effects.debrisCount = 1;
    w.markers.push_back({2, w.entities[2].id, kEffectBase + 17, w.NewUid()});
    NewPortal(w, 10, 10, 10, 60);
    f.Draw();

    const auto& calls = f.plat.lastFrame;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().kind, Kind::Clear);
    EXPECT_EQ(calls.back().kind, Kind::Flip);
    // Regions, liquids, lights (glow, then cast quads), entities, half-spaces, water spaces, effect
    // sprites, debris, markers.
    std::vector<int> order = {f.FirstQuad(21),
                              f.FirstQuad(14),
                              f.FirstQuad(kLightBase + 4),
                              f.FirstQuad(kLightBase + 1),
                              f.FirstQuad(13),
                              f.FirstQuad(1),
                              f.FirstQuad(33),
                              f.FirstQuad(9),
                              f.FirstQuad(30),
                              f.FirstQuad(kEffectBase),
                              f.FirstQuad(kEffectBase + 3),
                              f.FirstQuad(kEffectBase + 17)};
    for (size_t i = 0; i < order.size(); ++i) ASSERT_GE(order[i], 0) << "layer " << i;
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    // Liquids and lights add their light; blending is back to normal before the entities.
    int addAt =
        f.IndexOf([](const DrawCall& c) { return c.kind == Kind::Blend && c.blend == BlendMode::Add; });
    EXPECT_LT(addAt, f.FirstQuad(14));
    int lastBlend = -1;
    for (int i = 0; i < static_cast<int>(calls.size()); ++i)
        if (calls[static_cast<size_t>(i)].kind == Kind::Blend) lastBlend = i;
    EXPECT_EQ(calls[static_cast<size_t>(lastBlend)].blend, BlendMode::Alpha);
    EXPECT_LT(lastBlend, f.FirstQuad(13));
    // The flat layer lies on top: the portal's line and id after every quad, the status of the world last
    // among the texts.
    int portal =
        f.IndexOf([](const DrawCall& c) { return c.kind == Kind::Line && c.rgb == Rgb(100, 0, 255); });
    int lastQuad = -1;
    for (int i = 0; i < static_cast<int>(calls.size()); ++i)
        if (calls[static_cast<size_t>(i)].kind == Kind::Quad) lastQuad = i;
    EXPECT_GT(portal, lastQuad);
    ASSERT_NE(f.TextCall("1"), nullptr);
    const DrawCall* paused = f.TextCall("Paused");
    ASSERT_NE(paused, nullptr);
    EXPECT_EQ(paused->rgb, Rgb(255, 0, 0));
    EXPECT_EQ(paused->y1, 150);

    // The wireframe view draws no quads at all, but the flat layer still shows.
    f.prog->shell.texturedView = 0;
    f.Draw();
    EXPECT_TRUE(f.QuadImages().empty());
    EXPECT_NE(f.TextCall("Paused"), nullptr);
    EXPECT_NE(f.TextCall("1"), nullptr);
}

TEST(RenderFrame, DoubleDrawsShowExactlyOneWinding) {
    Frame f;
    World& w = f.w();
    BoxBody(w, "player", 100, -25, 150, 25);
    int32_t mirrored = Body(w, "player2", {{300, 0}, {250, 0}, {250, 50}, {300, 50}});
    (void)mirrored;
    int32_t light = NewParticle(w, kWorldEntity, 0, 0);
    AddLight(w, light, 600, 0, "blue", 0);
    f.Draw();

    for (int image : {0, 5, kLightBase + 2}) {
        auto quads = f.QuadsOf(image);
        ASSERT_EQ(quads.size(), 2u) << "image " << image;
        EXPECT_TRUE(quads[0].cull && quads[1].cull);
        EXPECT_NE(QuadIsClockwise(quads[0].quad), QuadIsClockwise(quads[1].quad)) << "image " << image;
    }
    // The player: p1 p2 p3 p4, then the mirror image p2 p1 p4 p3.
    auto player = f.QuadsOf(0);
    ExpectCorners(player[0], {{100, -25}, {150, -25}, {150, 25}, {100, 25}});
    ExpectCorners(player[1], {{150, -25}, {100, -25}, {100, 25}, {150, 25}});
    // The light of the box beside it: the quad that shows runs clockwise, its left edge far from the box.
    auto lit = f.QuadsOf(kLightBase + 2);
    const DrawCall& shown = QuadIsClockwise(lit[0].quad) ? lit[0] : lit[1];
    ExpectCorners(shown, {{458, 114}, {100, 25}, {100, -25}, {458, -114}});
    EXPECT_EQ(shown.alpha, 100);
}

TEST(RenderFrame, LightsSkipTheirCarrierAndUnlitKinds) {
    Frame f;
    World& w = f.w();
    int32_t carrier = BoxBody(w, "box", -10, -10, 10, 10);
    BoxBody(w, "wall", 100, -25, 150, 25);
    BoxBody(w, "box2", -150, -25, -100, 25);
    UpdateEntityBounds(w);
    AddLight(w, w.entities[static_cast<size_t>(carrier)].particles[0], 600, 0, "green",
             w.entities[static_cast<size_t>(carrier)].id);
    f.Draw();
    // Only the box2 gets light; the glow sits 10 pixels below the carrier's centre.
    EXPECT_EQ(f.QuadsOf(kLightBase).size(), 2u);
    auto glow = f.QuadsOf(kLightBase + 4);
    ASSERT_EQ(glow.size(), 1u);
    ExpectCorners(glow[0], {{-50, -40}, {50, -40}, {50, 60}, {-50, 60}});
}

TEST(RenderFrame, EntityKindsPickTheirImages) {
    Frame f;
    World& w = f.w();
    BoxBody(w, "wall_mudd", 0, 0, 100, 20);
    BoxBody(w, "wall_nothing", 0, 40, 100, 60);
    BoxBody(w, "quad_pink", 0, 80, 100, 120);
    BoxBody(w, "poisonbox", 200, 0, 250, 50);
    BoxBody(w, "aquarium", 300, 0, 350, 40);
    Body(w, "warning", {{0, -35}, {35, 25}, {-35, 25}});
    Body(w, "pin", {{400, 400}}, 0);
    f.Draw();
    std::vector<int> expected = {35, 48, 33, 48, 34, 49, 13, 16, 13, 23, 2};
    EXPECT_EQ(f.QuadImages(), expected);
    auto walls = f.QuadsOf(48);
    ExpectCorners(walls[0], {{0, 0}, {100, 0}, {100, 20}, {0, 20}});
    ExpectCorners(f.QuadsOf(35)[0], {{0, 0}, {100, 0}, {100, 20}, {0, 20}});
    // Poison box: the tank at 50, then the poison at 150; the aquarium at its catalogue alpha.
    EXPECT_EQ(f.QuadsOf(13)[0].alpha, 50);
    EXPECT_EQ(f.QuadsOf(16)[0].alpha, 150);
    EXPECT_EQ(f.QuadsOf(13)[1].alpha, 50);
    // The warning sign is a triangle: its fourth corner repeats the third.
    ExpectCorners(f.QuadsOf(23)[0], {{0, -35}, {35, 25}, {-35, 25}, {-35, 25}});
    // The pin: its image at its own size, centred on the particle, alpha 250.
    ExpectCorners(f.QuadsOf(2)[0], {{384, 384}, {416, 384}, {416, 416}, {384, 416}});
    EXPECT_EQ(f.QuadsOf(2)[0].alpha, 250);

    // "random" keeps one colour per object from frame to frame.
    ResetWorld(w);
    BoxBody(w, "wall_random", 0, 0, 100, 20);
    f.Draw();
    int first = f.QuadImages()[0];
    EXPECT_GE(first, 28);
    EXPECT_LE(first, 42);
    for (int i = 0; i < 5; ++i) {
        f.Draw();
        EXPECT_EQ(f.QuadImages()[0], first);
    }
}

TEST(RenderFrame, UnknownKindsAndShortBodiesDrawWithinTheirParticles) {
    Frame f;
    World& w = f.w();
    // A hexagon of an unknown kind: the fan (centre, 2, 3, 4), (centre, 4, 5, 6), then (centre, 5, 1, 2).
    Body(w, "", {{100, 0}, {150, 50}, {150, 100}, {100, 150}, {50, 100}, {50, 50}});
    f.Draw();
    auto fan = f.QuadsOf(3);
    ASSERT_EQ(fan.size(), 3u);
    ExpectCorners(fan[0], {{100, 75}, {150, 50}, {150, 100}, {100, 150}});
    ExpectCorners(fan[1], {{100, 75}, {100, 150}, {50, 100}, {50, 50}});
    ExpectCorners(fan[2], {{100, 75}, {50, 100}, {100, 0}, {150, 50}});
    for (const auto& q : fan) EXPECT_EQ(q.alpha, 90);

    // Bodies with fewer particles than their kind draws (level files can make them) repeat their last
    // particle instead of reading beyond their list.
    ResetWorld(w);
    Body(w, "box", {{0, 0}, {50, 0}, {50, 50}});
    Body(w, "player", {{10, 10}});
    Body(w, "warning", {{0, 0}, {20, 0}});
    Body(w, "wall_red", {});
    Body(w, "pin", {});
    Body(w, "unknown", {{5, 5}});
    f.Draw();
    ExpectCorners(f.QuadsOf(1)[0], {{0, 0}, {50, 0}, {50, 50}, {50, 50}});
    ExpectCorners(f.QuadsOf(0)[0], {{10, 10}, {10, 10}, {10, 10}, {10, 10}});
    ExpectCorners(f.QuadsOf(23)[0], {{0, 0}, {20, 0}, {20, 0}, {20, 0}});
    EXPECT_TRUE(f.QuadsOf(28).empty());
    EXPECT_TRUE(f.QuadsOf(2).empty());
    EXPECT_TRUE(f.QuadsOf(3).empty());
}

TEST(RenderFrame, RegionsWithAndWithoutColour) {
    Frame f;
    World& w = f.w();
    NewRegion(w, 100, 100, 300, 250);
    f.Draw();
    ASSERT_EQ(f.QuadImages(), std::vector<int>{21});
    ExpectCorners(f.QuadsOf(21)[0], {{100, 100}, {300, 100}, {300, 250}, {100, 250}});
    EXPECT_EQ(f.QuadsOf(21)[0].alpha, 100);

    w.regions[0].type = "yellow";
    f.Draw();
    auto q = f.QuadsOf(36);
    ASSERT_EQ(q.size(), 5u); // the fill and four 5-pixel edges, clockwise from the top
    ExpectCorners(q[0], {{100, 100}, {300, 100}, {300, 250}, {100, 250}});
    ExpectCorners(q[1], {{97.5, 102.5}, {97.5, 97.5}, {302.5, 97.5}, {302.5, 102.5}});
    ExpectCorners(q[2], {{297.5, 97.5}, {302.5, 97.5}, {302.5, 252.5}, {297.5, 252.5}});
    for (const auto& c : q) EXPECT_EQ(c.alpha, 100);
}

TEST(RenderFrame, HoveredHalfSpaceIsFilledTwiceWhileEditing) {
    Frame f;
    World& w = f.w();
    NewHalfSpace(w, 0, 500, 1, 0).type = "grass";
    NewHalfSpace(w, 0, 700, 1, 0).type = "mudd";
    NewWaterSpace(w, 0, 300, 1, 0, 0.05f).type = "blue";
    f.prog->editor.mouseWorld = {10, 800}; // inside both ground half-spaces and under the water
    f.Draw();
    EXPECT_EQ(f.QuadsOf(40).size(), 1u);
    f.prog->editor.currentTool = "Edit";
    f.Draw();
    EXPECT_EQ(f.QuadsOf(40).size(), 2u); // only the first one under the mouse
    EXPECT_EQ(f.QuadsOf(35).size(), 1u);
    EXPECT_EQ(f.QuadsOf(30).size(), 2u);
    f.prog->editor.mouseWorld = {10, 100}; // above everything
    f.Draw();
    EXPECT_EQ(f.QuadsOf(40).size(), 1u);
    EXPECT_EQ(f.QuadsOf(30).size(), 1u);
}

TEST(RenderFrame, WireframeAndJointColours) {
    Frame f;
    World& w = f.w();
    int32_t a = BoxBody(w, "box", 0, 0, 50, 50);
    int32_t b = BoxBody(w, "box", 100, 0, 150, 50);
    const auto& pa = w.entities[static_cast<size_t>(a)].particles;
    const auto& pb = w.entities[static_cast<size_t>(b)].particles;
    NewConstraint(w, kWorldEntity, pa[1], pa[3], 1); // a brace inside one body
    NewConstraint(w, kWorldEntity, pa[1], pb[0], 1); // a joint between two bodies
    w.particles[static_cast<size_t>(pb[0])].contact = 1;
    w.particles[static_cast<size_t>(pb[1])].contact = 2;
    f.prog->shell.texturedView = 0;
    f.Draw();
    auto lines = f.plat.CallsOf(Kind::Line, f.plat.lastFrame);
    auto count = [&](uint32_t rgb) {
        return std::count_if(lines.begin(), lines.end(), [&](const DrawCall& c) { return c.rgb == rgb; });
    };
    auto colourOf = [&](float x1, float y1, float x2, float y2) {
        for (const auto& c : lines)
            if (c.x1 == x1 && c.y1 == y1 && c.x2 == x2 && c.y2 == y2) return c.rgb;
        return Rgb(1, 2, 3);
    };
    EXPECT_EQ(count(Rgb(0, 0, 255)), 2);                    // world-owned constraints
    EXPECT_EQ(colourOf(150, 0, 100, 0), Rgb(255, 0, 0));    // both ends touching
    EXPECT_EQ(colourOf(50, 50, 50, 0), Rgb(255, 255, 255)); // an ordinary edge
    EXPECT_EQ(count(Rgb(209, 134, 78)), 1);                 // the joint only, not the brace
    // Textured view: the joint still shows, the wireframe does not.
    f.prog->shell.texturedView = 1;
    f.Draw();
    lines = f.plat.CallsOf(Kind::Line, f.plat.lastFrame);
    EXPECT_EQ(count(Rgb(209, 134, 78)), 1);
    EXPECT_EQ(count(Rgb(0, 0, 255)), 0);
}
