#include <gtest/gtest.h>

#include <algorithm>

#include "scene.h"

namespace {

using Kind = DrawCall::Kind;

std::vector<DrawCall> LinesOf(const std::vector<DrawCall>& calls, uint32_t rgb) {
    std::vector<DrawCall> out;
    for (const auto& c : calls)
        if (c.kind == Kind::Line && c.rgb == rgb) out.push_back(c);
    return out;
}

} // namespace

TEST(RenderOverlay, HeadsUpDisplay) {
    RenderFixture f;
    Program& p = *f.prog;
    BoxBody(p.world, "box", 0, 0, 50, 50);
    p.shell.fps = 60;
    p.editor.currentTool = "Box";
    p.editor.mouseWorld = {12, -7};
    p.editor.labels = {{10, 200, "saving done.", 255, 0, 0}, {10, 944, "levels\\new.lvl", 255, 255, 255}};
    p.shell.input.mouseX = 300;
    p.shell.input.mouseY = 200;
    f.Draw();

    struct Expect {
        const char* text;
        int x, y;
    };
    for (Expect e :
         {Expect{"60", 0, 0}, Expect{"Tool : Box", 0, 30}, Expect{"c+p : 8", 0, 50}, Expect{"e : 1", 0, 70},
          Expect{"12/-7", 0, 110}, Expect{"saving done.", 0, 130}, Expect{"saving done.", 10, 200},
          Expect{"levels\\new.lvl", 10, 944}, Expect{"Paused", 0, 150}}) {
        bool found = false;
        for (const auto& c : f.plat.lastFrame)
            if (c.kind == Kind::Text && c.text == e.text && c.x1 == e.x && c.y1 == e.y) found = true;
        EXPECT_TRUE(found) << e.text << " at " << e.x << "," << e.y;
    }
    EXPECT_EQ(f.TextCall("60")->rgb, Rgb(255, 255, 255));
    // Texts without a colour of their own take the current one: red after the cursor and the trail.
    EXPECT_EQ(f.TextCall("Tool : Box")->rgb, Rgb(255, 0, 0));
    // The cursor, and the box preview of 50 x 50 at 1:1 centred on the mouse.
    auto boxes = f.plat.CallsOf(Kind::Box, f.plat.lastFrame);
    auto hasBox = [&](float x1, float y1, float x2, float y2, uint32_t rgb) {
        return std::any_of(boxes.begin(), boxes.end(), [&](const DrawCall& c) {
            return c.x1 == x1 && c.y1 == y1 && c.x2 == x2 && c.y2 == y2 && c.rgb == rgb && !c.filled;
        });
    };
    EXPECT_TRUE(hasBox(298, 198, 303, 203, Rgb(255, 0, 0)));
    EXPECT_TRUE(hasBox(275, 175, 325, 225, Rgb(255, 0, 255)));

    p.shell.paused = false;
    f.Draw();
    ASSERT_NE(f.TextCall("Running"), nullptr);
    EXPECT_EQ(f.TextCall("Running")->rgb, Rgb(0, 255, 0));
    EXPECT_EQ(f.TextCall("Paused"), nullptr);
}

TEST(RenderOverlay, MouseTrailFollowsTheLastEightPositions) {
    RenderFixture f;
    f.prog->shell.input.mouseX = 500;
    f.prog->shell.input.mouseY = 400;
    // A still mouse shows no trail, also right after start (no line from the screen corner).
    f.Draw();
    for (const auto& l : LinesOf(f.plat.lastFrame, Rgb(255, 0, 0))) {
        EXPECT_EQ(l.x1, l.x2);
        EXPECT_EQ(l.x1, 500);
    }
    for (int i = 1; i <= 10; ++i) {
        f.prog->shell.input.mouseX = 500 + 10 * i;
        f.Draw();
    }
    // Seven segments between the positions of the last eight frames, each drawn 2 pixels below and above.
    auto trail = LinesOf(f.plat.lastFrame, Rgb(255, 0, 0));
    ASSERT_EQ(trail.size(), 14u);
    EXPECT_EQ(trail[0].x1, 600);
    EXPECT_EQ(trail[0].x2, 590);
    EXPECT_EQ(trail[0].y1, 402);
    EXPECT_EQ(trail[1].y1, 398);
    EXPECT_EQ(trail[13].x2, 530);
}

TEST(RenderOverlay, AnchorLineAndHalfSpaceNormal) {
    RenderFixture f;
    Program& p = *f.prog;
    p.editor.anchor = {100, 100};
    p.editor.currentTool = "HalfSpace";
    p.shell.input.mouseX = 160;
    p.shell.input.mouseY = 130;
    f.Draw();
    auto yellow = LinesOf(f.plat.lastFrame, Rgb(255, 255, 0));
    ASSERT_EQ(yellow.size(), 2u);
    EXPECT_EQ(yellow[0].x1, 160);
    EXPECT_EQ(yellow[0].x2, 100);
    // The normal: a third of the drag, turned a quarter.
    EXPECT_EQ(yellow[1].x1, 100);
    EXPECT_EQ(yellow[1].x2, 90);
    EXPECT_EQ(yellow[1].y2, 120);
}

TEST(RenderOverlay, ToolbarButtonStates) {
    RenderFixture f;
    auto& bar = f.prog->editor.toolbar;
    bar.push_back({0, 900, 190, 100, "", 0, 0, 1});     // backdrop: upright outline
    bar.push_back({130, 960, 50, 20, "Load", 0, 0, 1}); // idle
    bar.push_back({130, 990, 50, 20, "Save", 1, 0, 1}); // hovered
    bar.push_back({30, 960, 50, 20, "New", 1, 1, 1});   // pressed
    bar.push_back({30, 990, 50, 20, "Off", 0, 0, 0});   // not visible
    f.Draw();
    auto boxes = f.plat.CallsOf(Kind::Box, f.plat.lastFrame);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].x1, 0);
    EXPECT_EQ(boxes[0].y2, 1000);
    EXPECT_EQ(boxes[0].rgb, Rgb(150, 150, 150));
    // A captioned button is slanted: the top from x - 5, the bottom to x + width + 5.
    auto load = LinesOf(f.plat.lastFrame, Rgb(150, 150, 150));
    ASSERT_EQ(load.size(), 4u);
    EXPECT_EQ(load[0].x1, 125);
    EXPECT_EQ(load[0].x2, 175);
    EXPECT_EQ(load[2].x1, 135);
    EXPECT_EQ(load[2].x2, 185);
    EXPECT_EQ(load[2].y1, 980);
    EXPECT_EQ(LinesOf(f.plat.lastFrame, Rgb(255, 255, 255)).size(), 4u); // hovered
    EXPECT_EQ(LinesOf(f.plat.lastFrame, Rgb(100, 100, 100)).size(), 8u); // pressed, and not visible
    // Captions centred in the box: 4 characters of 9 pixels in 50, 20 high in 20.
    const DrawCall* caption = f.TextCall("Load");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->x1, 130 + (50 - 36) / 2);
    EXPECT_EQ(caption->y1, 960);
    EXPECT_EQ(f.TextCall("Off")->rgb, Rgb(100, 100, 100));
}

TEST(RenderOverlay, SparksMoveFadeAndGo) {
    RenderFixture f;
    auto& sparks = f.prog->editor.sparks;
    Spark s;
    s.x = 100;
    s.y = 100;
    s.vx = 2;
    s.ay = 1;
    s.size = 4;
    s.fade = 0; // would never fade on its own
    s.red = 3;
    s.green = 0;
    s.blue = 0;
    sparks.push_back(s);
    f.Draw();
    auto box = f.plat.CallsOf(Kind::Box, f.plat.lastFrame).back();
    EXPECT_EQ(box.x1, 98);
    EXPECT_EQ(box.x2, 102);
    ASSERT_EQ(sparks.size(), 1u);
    EXPECT_EQ(sparks[0].x, 102);
    EXPECT_EQ(sparks[0].y, 101);
    for (int i = 0; i < 200 && !sparks.empty(); ++i) f.Draw();
    EXPECT_TRUE(sparks.empty());

    // Every kind, many frames: trails are added, flicker never divides by zero, all of them fade out.
    for (int16_t kind = 0; kind <= 5; ++kind) {
        Spark k = s;
        k.kind = kind;
        k.fade = 40;
        k.red = k.green = k.blue = 255;
        k.cx = 110;
        k.cy = 100;
        k.turn = 15;
        sparks.push_back(k);
    }
    f.Draw();
    EXPECT_EQ(sparks.size(), 8u); // kinds 1 and 3 left a trail
    for (int i = 0; i < 500 && !sparks.empty(); ++i) f.Draw();
    EXPECT_TRUE(sparks.empty());
}

TEST(RenderOverlay, MarkerPulseAdvancesAndStaleMarkersAreSkipped) {
    RenderFixture f;
    f.plat.SetImageSize(kEffectBase + 17, 32, 32);
    World& w = f.prog->world;
    int32_t e = BoxBody(w, "box", 600, 480, 650, 530);
    w.markers.push_back({e, w.entities[static_cast<size_t>(e)].id, kEffectBase + 17, w.NewUid()});
    w.markers.push_back({e, 999, kEffectBase + 17, w.NewUid()}); // its entity was replaced
    w.markers.push_back({42, 7, kEffectBase + 17, w.NewUid()});  // beyond the table's count
    f.prog->render.markerPulse = 360.5f;
    f.Draw();
    EXPECT_EQ(f.QuadsOf(kEffectBase + 17).size(), 1u);
    EXPECT_FLOAT_EQ(f.prog->render.markerPulse, 1); // past 360 it restarts at 0
    f.Draw();
    EXPECT_FLOAT_EQ(f.prog->render.markerPulse, 2);
}
