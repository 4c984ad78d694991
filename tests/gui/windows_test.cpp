// Windows: the GUI mouse, the hovered window, moving, resizing, minimising, maximising, closing, animations
// and the drawing of the frame.
#include "gui_fixture.h"

namespace {

// Without art every title-bar image counts as 19 pixels square.
constexpr int kS = kFallbackButtonSize;

using GuiMouseTest = GuiFixture;
using GuiWindowTest = GuiFixture;
using GuiAnimationTest = GuiFixture;
using GuiFrameDrawTest = GuiFixture;

TEST_F(GuiMouseTest, PressHoldReleaseDoublePressAndOneFramePress) {
    std::vector<int> states;
    for (bool left : {false, true, true, false, false}) {
        Frame(10, 10, left);
        states.push_back(gui.mouse.state);
    }
    EXPECT_EQ(states, (std::vector<int>{0, 1, 2, 3, 0}));
    // The first press was 4 frames ago: a new press within 15 frames of it is a double press.
    Frame(10, 10, true);
    EXPECT_EQ(gui.mouse.state, 4);
    Frame(10, 10, true);
    EXPECT_EQ(gui.mouse.state, 2);
    // A press of one frame gives 1 and then 0, never 3; after 15 quiet frames a press is single again.
    for (int i = 0; i < 15; ++i) Frame(10, 10, false);
    Frame(10, 10, true);
    EXPECT_EQ(gui.mouse.state, 1);
    Frame(10, 10, false);
    EXPECT_EQ(gui.mouse.state, 0);
}

TEST_F(GuiWindowTest, HoveredWindowUsesTheGrownRectangleAndKeepsTheWindowTheMouseIsIn) {
    int32_t a = OpenWindow(gui, 100, 100, 200, 200, "A", 100);
    int32_t b = OpenWindow(gui, 250, 100, 200, 200, "B", 100);
    EXPECT_EQ(CurrentWindow(gui), b);
    // The border of the rectangle grown by 6 is outside; one pixel in is inside.
    Frame(94, 150, false);
    EXPECT_FALSE(WindowHovered(gui));
    Frame(95, 150, false);
    EXPECT_EQ(HoveredWindow(gui), a);
    // Moving into the overlap keeps A, which the mouse has not left.
    Frame(270, 150, false);
    EXPECT_EQ(HoveredWindow(gui), a);
    // Coming from outside, the last window in the list wins.
    Frame(600, 500, false);
    EXPECT_EQ(HoveredWindow(gui), 0);
    Frame(270, 150, false);
    EXPECT_EQ(HoveredWindow(gui), b);
    // Closing the hovered window leaves none.
    CloseWindow(gui, plat, b);
    EXPECT_EQ(HoveredWindow(gui), 0);
    EXPECT_EQ(CurrentWindow(gui), 0);
}

TEST_F(GuiWindowTest, TitleBarDragMovesAndKeepsTheWindowThroughFastMoves) {
    int32_t id = OpenWindow(gui, 100, 100, 300, 200, "Tools :", 100);
    Drag(150, 105, 250, 205);
    EXPECT_EQ(Win(id).x, 200);
    EXPECT_EQ(Win(id).y, 200);
    // A single jump far outside the window still carries it, and the window stays hovered until the release.
    Settle(250, 205);
    Frame(250, 205, true);
    Frame(650, 305, true);
    EXPECT_EQ(HoveredWindow(gui), id);
    Frame(650, 305, false);
    EXPECT_EQ(HoveredWindow(gui), id); // the release belongs to the window, not to the world
    EXPECT_EQ(Win(id).x, 600);
    EXPECT_EQ(Win(id).y, 300);
    Frame(650, 305, false);
    EXPECT_EQ(gui.capture, "");
    // A press below the title bar or on a title-bar button does not move the window.
    Drag(650, 330, 500, 400);
    Drag(600 + 300 - 5, 305, 500, 400);
    EXPECT_EQ(Win(id).x, 600);
    EXPECT_EQ(Win(id).y, 300);
    // The title bar stays on the screen.
    Drag(650, 305, 650, -200);
    EXPECT_EQ(Win(id).y, 0);
}

TEST_F(GuiWindowTest, ResizeHandleGrowsAndShrinksDownToTheMinimum) {
    int32_t id = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    Drag(395, 295, 445, 335);
    EXPECT_EQ(Win(id).width, 350);
    EXPECT_EQ(Win(id).height, 240);
    Drag(445, 335, 0, 0);
    EXPECT_EQ(Win(id).width, 65);
    EXPECT_EQ(Win(id).height, 19);
    // A window opened smaller than the minimum is never drawn smaller.
    EXPECT_EQ(Win(OpenWindow(gui, 0, 0, 10, 5, "tiny", 100)).width, 65);
}

TEST_F(GuiWindowTest, MinimiseAndMaximiseRestoreInTheRightOrder) {
    int32_t id = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    auto clickThen = [&](int x, int y) {
        Click(x, y);
        Frame(x, y, false); // the click (state 4) acts in the next update
    };
    const int maxX = 400 - kS - kS / 2, minX = 400 - 2 * kS - kS / 2;
    clickThen(maxX, 110);
    Window& w = Win(id);
    EXPECT_TRUE(w.maximised);
    EXPECT_EQ(std::vector<int>({w.x, w.y, w.width, w.height}), std::vector<int>({0, 0, 800, 600}));
    // A maximised window cannot be moved or resized.
    Drag(300, 5, 400, 100);
    Drag(795, 595, 700, 500);
    EXPECT_EQ(std::vector<int>({w.x, w.y, w.width, w.height}), std::vector<int>({0, 0, 800, 600}));
    // Minimising a maximised window restores it first.
    clickThen(800 - 2 * kS - kS / 2, 10);
    EXPECT_FALSE(w.maximised);
    EXPECT_TRUE(w.minimised);
    EXPECT_EQ(std::vector<int>({w.x, w.y, w.width, w.height, w.savedHeight}),
              std::vector<int>({100, 100, 300, 19, 200}));
    // Maximising a minimised window restores its height first, so un-maximising gives the full window.
    clickThen(maxX, 110);
    EXPECT_TRUE(w.maximised);
    EXPECT_FALSE(w.minimised);
    EXPECT_EQ(w.savedHeight, 200);
    clickThen(maxX + 400, 10); // the maximise button of the maximised window
    EXPECT_FALSE(w.maximised);
    EXPECT_EQ(std::vector<int>({w.x, w.y, w.width, w.height}), std::vector<int>({100, 100, 300, 200}));
    // Minimise and restore.
    clickThen(minX, 110);
    EXPECT_EQ(w.height, 19);
    clickThen(minX, 110);
    EXPECT_FALSE(w.minimised);
    EXPECT_EQ(w.height, 200);
}

TEST_F(GuiWindowTest, CloseNeedsTheReleaseOverTheButtonAndDisabledButtonsStayDisabled) {
    int32_t id = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    // Pressed on the close button and released beside it: no click.
    Frame(390, 110, false);
    EXPECT_EQ(Win(id).closeState, 1);
    Frame(390, 110, true);
    Frame(390, 110, true);
    EXPECT_EQ(Win(id).closeState, 3);
    Frame(300, 150, false);
    Frame(300, 150, false);
    ASSERT_NE(FindWindow(gui, id), nullptr);
    EXPECT_EQ(Win(id).closeState, 0);
    // Released over it: state 4 for one update (owners may read it), closed in the next.
    Click(390, 110);
    EXPECT_EQ(Win(id).closeState, 4);
    Frame(390, 110, false);
    EXPECT_EQ(FindWindow(gui, id), nullptr);

    int32_t info = OpenWindow(gui, 100, 100, 150, 80, "info", 100);
    Win(info).closeState = Win(info).maximiseState = Win(info).minimiseState = -1;
    Click(240, 110);
    Frame(240, 110, false);
    ASSERT_NE(FindWindow(gui, info), nullptr);
    EXPECT_EQ(Win(info).closeState, -1);
}

TEST_F(GuiWindowTest, SelfClosingWindowClosesWhenItsFirstButtonIsClicked) {
    int32_t id = OpenWindow(gui, 100, 100, 200, 100, "note", 100);
    Win(id).selfClosing = true;
    AddButton(gui, id, 10, 40, 50, 20, "ok");
    AddButton(gui, id, 100, 40, 50, 20, "other");
    Click(225, 150);
    ASSERT_NE(FindWindow(gui, id), nullptr);
    Click(125, 150);
    EXPECT_EQ(FindWindow(gui, id), nullptr);
}

TEST_F(GuiAnimationTest, GrabsAreNumberedUpwardFreedAtTheEndAndAtMostTenRun) {
    CloseWindow(gui, plat, OpenWindow(gui, 10, 10, 100, 100, "w", 100));
    EXPECT_TRUE(gui.animations.empty()); // the close style starts empty
    gui.settings.closeStyle = "close_rotate";
    CloseWindow(gui, plat, OpenWindow(gui, -20, 100, 200, 100, "w", 100));
    ASSERT_EQ(gui.animations.size(), 1u);
    const Animation& a = gui.animations[0];
    EXPECT_EQ(a.quad, 274);
    // The grab covers the window and its frame, clamped to the screen.
    EXPECT_EQ(std::vector<float>({a.x, a.y, a.width, a.height}), std::vector<float>({0, 94, 186, 112}));
    int frames = 0;
    while (!gui.animations.empty() && frames < 100) Frame(700, 500, false), ++frames;
    EXPECT_EQ(frames, 14); // alpha 200 falls by 15 a frame
    EXPECT_EQ(plat.ImageCount(), 0u);
    gui.settings.closeStyle = "close_fade";
    for (int i = 0; i < 11; ++i) CloseWindow(gui, plat, OpenWindow(gui, 10 * i, 10, 100, 100, "w", 100));
    ASSERT_EQ(gui.animations.size(), 10u);
    EXPECT_EQ(gui.animations[0].quad, 275);
    EXPECT_TRUE(gui.windows.empty());
}

TEST_F(GuiAnimationTest, AnAnimatingWindowIsHiddenButTakesInput) {
    int32_t id = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    int32_t button = AddButton(gui, id, 10, 40, 50, 20, "b");
    Click(390 - kS, 110); // maximise: "maximize_rotate" turns the grab for 18 frames
    Frame(390 - kS, 110, false);
    ASSERT_NE(Win(id).animation, 0);
    EXPECT_EQ(plat.CallsOf(DrawCall::Kind::Quad, Draw()).size(), 1u); // only the animation
    Click(25, 50);
    EXPECT_EQ(ButtonState(gui, id, button), 3);
    for (int i = 0; i < 20; ++i) Frame(25, 50, false);
    EXPECT_EQ(Win(id).animation, 0);
    EXPECT_GT(plat.CallsOf(DrawCall::Kind::Quad, Draw()).size(), 1u);
    // Switching animations off ends the running ones, so no window stays hidden.
    Click(790 - kS, 10); // un-maximise
    Frame(790 - kS, 10, false);
    ASSERT_NE(Win(id).animation, 0);
    gui.settings.animationsOn = false;
    Frame(790 - kS, 10, false);
    EXPECT_EQ(Win(id).animation, 0);
    EXPECT_EQ(plat.ImageCount(), 0u);
}

// The window frame: nine parts, title-bar buttons and title.
TEST_F(GuiFrameDrawTest, NinePartFrameButtonsTitleAndTheHoveredWindowOnTop) {
    int32_t a = OpenWindow(gui, 100, 100, 200, 150, "Load Level", 100);
    int32_t b = OpenWindow(gui, 150, 120, 200, 150, "B", 100);
    Frame(120, 200, false); // over A only
    ASSERT_EQ(HoveredWindow(gui), a);
    auto quads = plat.CallsOf(DrawCall::Kind::Quad, Draw());
    auto fills = Quads(quads, GuiImage::Fill);
    ASSERT_EQ(fills.size(), 2u);
    // A is first in the list but drawn last, brighter.
    EXPECT_EQ(fills[0].quad.x[0], 150);
    EXPECT_EQ(fills[0].alpha, 100);
    EXPECT_EQ(fills[1].quad.x[0], 100);
    EXPECT_EQ(fills[1].alpha, 200);

    // The corner pieces of A sit outside its corners, the image's top-left turned to the outer corner.
    std::vector<std::pair<float, float>> outer;
    for (size_t i = quads.size() / 2; i < quads.size(); ++i)
        if (quads[i].image == GuiImage::Edge) outer.emplace_back(quads[i].quad.x[0], quads[i].quad.y[0]);
    EXPECT_EQ(outer, (std::vector<std::pair<float, float>>{{94, 94}, {306, 94}, {306, 256}, {94, 256}}));

    // "Load Level" is 90 pixels wide with the test font: it fits in 200 but not in a narrower window.
    EXPECT_EQ(Texts(plat.calls, "Load Level").size(), 1u);
    Win(b).width = 140;
    Win(a).width = 140;
    Draw();
    std::vector<std::string> texts;
    for (const auto& t : plat.CallsOf(DrawCall::Kind::Text, plat.calls)) texts.push_back(t.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"B", "..."}));
}

} // namespace
