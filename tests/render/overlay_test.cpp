#include <gtest/gtest.h>

#include <cmath>

#include "render/passes.h"
#include "scene.h"

using Kind = DrawCall::Kind;

TEST(RenderOverlay, HeadsUpDisplay) {
    RenderFixture f;
    Program& p = *f.prog;
    f.Box("box", 0, 0, 50, 50);
    NewConstraint(f.w, 1, 1, 2, 1);
    p.shell.fps = 60;
    p.editor.currentTool = "HalfSpace";
    p.editor.mouseWorld = {12, -7};
    p.editor.anchor = {100, 100};
    p.editor.labels = {{10, 200, "saving done.", 255, 0, 0}, {10, 944, "levels\\new.lvl", 255, 255, 255}};
    p.shell.input.mouseX = 160;
    p.shell.input.mouseY = 130;
    f.Draw();
    struct At {
        const char* text;
        float x, y;
    };
    for (At e : {At{"60", 0, 0}, At{"Tool : HalfSpace", 0, 30}, At{"c+p : 5", 0, 50}, At{"e : 1", 0, 70},
                 At{"12/-7", 0, 110}, At{"saving done.", 10, 200}, At{"levels\\new.lvl", 10, 944},
                 At{"Paused", 0, 150}}) {
        auto texts = f.Calls(Kind::Text);
        EXPECT_TRUE(
            std::any_of(texts.begin(), texts.end(),
                        [&](const DrawCall& c) { return c.text == e.text && c.x1 == e.x && c.y1 == e.y; }))
            << e.text << " at " << e.x << ", " << e.y;
    }
    auto all = f.Calls(Kind::Text);
    EXPECT_EQ(
        std::count_if(all.begin(), all.end(), [](const DrawCall& c) { return c.text == "saving done."; }),
        1); // the message line is drawn once
    EXPECT_EQ(f.Text("60")->rgb, Rgb(255, 255, 255));
    EXPECT_EQ(f.Text("Paused")->rgb, Rgb(255, 0, 0));
    // Texts without a colour of their own take the current one: yellow after the anchor line.
    EXPECT_EQ(f.Text("Tool : HalfSpace")->rgb, Rgb(255, 255, 0));
    // Cursor; the line to the anchor, and the normal of the half-space: a third of the drag, turned.
    auto boxes = f.Calls(Kind::Box, -1, Rgb(255, 0, 0));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].x1, 158);
    EXPECT_EQ(boxes[0].x2, 163);
    auto yellow = f.Calls(Kind::Line, -1, Rgb(255, 255, 0));
    ASSERT_EQ(yellow.size(), 2u);
    EXPECT_EQ(yellow[1].x2, 90);
    EXPECT_EQ(yellow[1].y2, 120);

    p.shell.paused = false;
    p.editor.currentTool = "Box";
    p.editor.anchor = {0, 0};
    f.Draw();
    ASSERT_NE(f.Text("Running"), nullptr);
    EXPECT_EQ(f.Text("Running")->rgb, Rgb(0, 255, 0));
    auto preview = f.Calls(Kind::Box, -1, Rgb(255, 0, 255)); // 50 x 50 centred on the mouse
    ASSERT_EQ(preview.size(), 1u);
    EXPECT_EQ(preview[0].x1, 135);
    EXPECT_EQ(preview[0].y2, 155);
}

TEST(RenderOverlay, MouseTrailShowsTheLastEightPositions) {
    RenderFixture f;
    f.prog->shell.input.mouseX = 500;
    f.prog->shell.input.mouseY = 400;
    f.Draw(); // right after start a still mouse shows no trail (no line from the screen corner)
    for (const auto& l : f.Calls(Kind::Line, -1, Rgb(255, 0, 0))) EXPECT_EQ(l.x2, 500);
    for (int i = 1; i <= 10; ++i) {
        f.prog->shell.input.mouseX = 500 + 10 * i;
        f.Draw();
    }
    auto trail = f.Calls(Kind::Line, -1, Rgb(255, 0, 0));
    ASSERT_EQ(trail.size(), 14u); // 7 segments, 2 pixels below and above
    EXPECT_EQ(trail[0].x1, 600);
    EXPECT_EQ(trail[0].y1, 402);
    EXPECT_EQ(trail[1].y1, 398);
    EXPECT_EQ(trail[13].x2, 530);
}

TEST(RenderOverlay, ToolbarButtonStates) {
    RenderFixture f;
    f.prog->editor.toolbar = {{0, 900, 190, 100, "", 0, 0, 1},
                              {130, 960, 50, 20, "Load", 0, 0, 1},
                              {130, 990, 50, 20, "Save", 1, 0, 1},
                              {30, 960, 50, 20, "New", 1, 1, 1},
                              {30, 990, 50, 20, "Off", 0, 0, 0}};
    f.Draw();
    EXPECT_EQ(f.Calls(Kind::Box, -1, Rgb(150, 150, 150)).size(), 1u); // empty caption: upright
    auto load = f.Calls(Kind::Line, -1, Rgb(150, 150, 150));          // idle, slanted by 5 pixels
    ASSERT_EQ(load.size(), 4u);
    EXPECT_EQ(load[0].x1, 125);
    EXPECT_EQ(load[0].x2, 175);
    EXPECT_EQ(load[2].x1, 135);
    EXPECT_EQ(load[2].x2, 185);
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(255, 255, 255)).size(), 4u); // hovered
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(100, 100, 100)).size(), 8u); // pressed; not visible
    EXPECT_EQ(f.Text("Load")->x1, 130 + (50 - 4 * 9) / 2);             // centred
    EXPECT_EQ(f.Text("Off")->rgb, Rgb(100, 100, 100));
}

TEST(RenderOverlay, SparksMoveFadeAndGo) {
    RenderFixture f;
    auto& sparks = f.prog->editor.sparks;
    for (int16_t kind = 0; kind <= 5; ++kind) {
        Spark k;
        k.x = k.y = 100, k.vx = 2, k.ay = 1, k.size = 4, k.cx = 110, k.cy = 100, k.turn = 15;
        k.kind = kind, k.fade = kind == 0 ? 0 : 40; // a fade of 0 would never end on its own
        k.red = k.green = k.blue = 255;
        sparks.push_back(k);
    }
    f.Draw();
    EXPECT_EQ(f.Calls(Kind::Box)[1].x1, 98); // a square of its size centred on the spark
    EXPECT_EQ(sparks[0].x, 102);             // then it moves, its acceleration added first
    EXPECT_EQ(sparks[0].y, 101);
    EXPECT_EQ(sparks.size(), 8u); // kinds 1 and 3 left a trail
    // Flicker never divides by zero, and every spark fades out and goes.
    for (int i = 0; i < 600 && !sparks.empty(); ++i) f.Draw();
    EXPECT_TRUE(sparks.empty());
}

// Thousands of portals across the screen: the world's lines stop at the frame's budget and those beside
// the screen are skipped, but the toolbar's own lines are still drawn after them.
TEST(RenderOverlay, WorldLinesShareABudgetTheToolbarDoesNot) {
    RenderFixture f;
    for (int i = 0; i < 2000; ++i) NewPortal(f.w, -5000, i % 1000, 5000, 1000 - i % 1000);
    NewPortal(f.w, -2000000000, -2000000000, -2000000000, 2000000000); // wholly left of the screen
    f.prog->editor.toolbar = {{130, 960, 50, 20, "Load", 0, 0, 1}};
    f.Draw();
    double length = 0;
    for (const DrawCall& c : f.Calls(Kind::Line, -1, Rgb(100, 0, 255))) {
        EXPECT_GT(c.x2, 0); // the far portal never reaches the platform
        length += std::min<double>(std::hypot(c.x2 - c.x1, c.y2 - c.y1), 1280 + 2);
    }
    EXPECT_GT(length, 0.9 * kLineScreens * (1280 + 1024));
    EXPECT_LE(length, kLineScreens * (1280 + 1024) + 1);
    EXPECT_EQ(f.Calls(Kind::Line, -1, Rgb(150, 150, 150)).size(), 4u); // the idle button's outline
}
