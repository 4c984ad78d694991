// Widgets: ids and limits, button and image states, trackbars, scroll areas, and their drawing.
#include "gui_fixture.h"

namespace {

using GuiWidgetTest = GuiFixture;
using GuiTrackbarTest = GuiFixture;
using GuiScrollAreaTest = GuiFixture;
using GuiWidgetDrawTest = GuiFixture;

TEST_F(GuiWidgetTest, IdsCountPerKindAcrossWindowsAndTheHundredAndFirstIsRefused) {
    int32_t a = OpenWindow(gui, 0, 0, 400, 400, "a", 100);
    for (int i = 1; i <= 100; ++i) ASSERT_EQ(AddButton(gui, a, 0, 0, 10, 10, "b"), i);
    EXPECT_EQ(AddButton(gui, a, 0, 0, 10, 10, "b"), 100);
    EXPECT_EQ(Win(a).buttons.size(), 100u);
    int32_t b = OpenWindow(gui, 0, 0, 400, 400, "b", 100);
    EXPECT_EQ(AddButton(gui, b, 0, 0, 10, 10, "b"), 101);
    EXPECT_EQ(AddLabel(gui, b, 0, 0, "l"), 1);
    EXPECT_EQ(AddImage(gui, b, 0, 0, 10, 10, -1, "Latern"), 1);
    EXPECT_EQ(Win(b).images[0].quad, GuiImage::NoBmp);
    EXPECT_EQ(Win(b).images[0].tag, "Latern");
    EXPECT_EQ(Win(b).buttons[0].picture, GuiImage::Blank);
    EXPECT_EQ(AddButton(gui, 12345, 0, 0, 10, 10, "b"), 0); // no such window
}

TEST_F(GuiWidgetTest, ButtonStatesFollowThePressThatStartedOnIt) {
    int32_t w = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    int32_t go = AddButton(gui, w, 10, 40, 50, 20, "Go !"); // screen 110..160 x 140..160, hit box grown by 2
    int32_t img = AddImage(gui, w, 100, 40, 50, 50, 6, "Box");
    std::vector<int> states;
    for (bool left : {false, true, true, false, false}) {
        Frame(120, 150, left);
        states.push_back(ButtonState(gui, w, go));
    }
    EXPECT_EQ(states, (std::vector<int>{-1, 1, 2, 3, -1}));
    // The hit box is strict: x = 110 - 2 is outside, 110 - 1 inside.
    Frame(108, 150, false);
    EXPECT_EQ(ButtonState(gui, w, go), 0);
    Frame(109, 150, false);
    EXPECT_EQ(ButtonState(gui, w, go), -1);
    // Pressed on the button, released outside it: never 3.
    Drag(120, 150, 300, 250);
    EXPECT_EQ(ButtonState(gui, w, go), 0);
    // Pressed elsewhere and released over the button: no click either.
    Drag(300, 250, 120, 150);
    EXPECT_EQ(ButtonState(gui, w, go), -1);
    Frame(120, 150, false);
    // An image counts clicks like a button.
    Click(220, 160);
    EXPECT_EQ(ImageState(gui, w, img), 3);
    // A window that is no longer hovered keeps its widgets' states.
    Frame(700, 500, false);
    EXPECT_EQ(ImageState(gui, w, img), 3);
    // A minimised window takes no widget input.
    Win(w).minimised = true;
    Win(w).height = 19;
    Frame(120, 150, false);
    Frame(120, 110, false);
    EXPECT_EQ(ButtonState(gui, w, go), 0);
}

TEST_F(GuiTrackbarTest, MapsItsTrackAndFollowsTheMouseUntilRelease) {
    int32_t w = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    int32_t t = AddTrackbar(gui, w, 10, 40, 112, 10, 0); // left edge at screen x 110
    int32_t other = AddTrackbar(gui, w, 10, 80, 112, 10, 30);
    Frame(160, 145, false);
    Frame(160, 145, true);
    EXPECT_EQ(TrackbarValue(gui, w, t), 0); // the press alone does not capture
    Frame(160, 145, true);
    EXPECT_EQ(gui.capture, "trackbar_" + std::to_string(t));
    Frame(115, 145, true);
    EXPECT_FLOAT_EQ(TrackbarValue(gui, w, t), 0);
    Frame(215, 145, true);
    EXPECT_FLOAT_EQ(TrackbarValue(gui, w, t), 100);
    Frame(165, 190, true); // outside its box and over the other trackbar: still this one
    EXPECT_FLOAT_EQ(TrackbarValue(gui, w, t), 50);
    Frame(390, 190, true);
    EXPECT_FLOAT_EQ(TrackbarValue(gui, w, t), 100);
    EXPECT_FLOAT_EQ(TrackbarValue(gui, w, other), 30);
    Frame(165, 145, false);
    Frame(165, 145, false);
    EXPECT_EQ(gui.capture, "");
    Frame(130, 145, false);
    EXPECT_FLOAT_EQ(TrackbarValue(gui, w, t), 50); // where it was released
}

class GuiScrollAreaFixture : public GuiFixture {
protected:
    int32_t w = 0, id = 0;
    GuiScrollArea* area = nullptr;
    // A 100 x 100 area at screen (110, 130) with `items` items.
    void Make(int items) {
        w = OpenWindow(gui, 100, 100, 300, 300, "Load Level", 100);
        id = AddScrollArea(gui, w, 10, 30, 100, 100);
        area = FindScrollArea(Win(w), id);
        for (int k = 1; k <= items; ++k) AddScrollItem(*area, "level" + std::to_string(k), 200, 255, 200);
    }
    void Quiet() {
        for (int i = 0; i < 16; ++i) Frame(150, 400, false);
    }
};

TEST_F(GuiScrollAreaFixture, PressSelectsTheItemUnderTheMouseAtEveryScrollPosition) {
    Make(10);
    Click(150, 150); // 20 pixels below the top
    EXPECT_EQ(area->selected, 2);
    Quiet();
    area->scroll = 100; // items shifted up by round(63 * 1) + 1 = 64 pixels
    Click(150, 150);
    EXPECT_EQ(area->selected, 6);
    EXPECT_EQ(ScrollItemText(*area, 6), "level6");
    // A second press within the double-click time reads 4 and keeps the selection.
    Frame(150, 150, false);
    Frame(150, 150, true);
    EXPECT_EQ(area->state, 4);
    EXPECT_EQ(area->selected, 6);
    // A quick press on another item is a plain press that selects it.
    Frame(150, 150, false);
    Frame(150, 150, false);
    Frame(150, 170, true);
    EXPECT_EQ(area->state, 1);
    EXPECT_EQ(area->selected, 7);
    Quiet();
    // Below the last item nothing is selected; an empty area selects nothing.
    area->scroll = 0;
    SetScrollItemCount(*area, 3);
    Click(150, 200);
    EXPECT_EQ(area->selected, 0);
    SetScrollItemCount(*area, 0);
    Quiet();
    Click(150, 135);
    EXPECT_EQ(area->selected, 0);
    // At most 1000 items.
    EXPECT_TRUE(SetScrollItem(*area, 1000, "last", 0, 0, 0));
    EXPECT_EQ(AddScrollItem(*area, "more", 0, 0, 0), 0);
    EXPECT_FALSE(SetScrollItem(*area, 1001, "x", 0, 0, 0));
}

TEST_F(GuiScrollAreaFixture, WheelStepsAndTheStripDrag) {
    Make(4);
    Frame(150, 150, false, -1); // one notch toward the user scrolls down by 100 / (4 + 1)
    EXPECT_FLOAT_EQ(area->scroll, 20);
    Frame(150, 150, false, -3);
    EXPECT_FLOAT_EQ(area->scroll, 80);
    Frame(150, 150, false, -3);
    EXPECT_FLOAT_EQ(area->scroll, 100);
    Frame(150, 150, false, 1);
    EXPECT_FLOAT_EQ(area->scroll, 80);
    Frame(300, 300, false, 5); // elsewhere in the window: no effect
    EXPECT_FLOAT_EQ(area->scroll, 80);
    // The strip follows the mouse: (y - top - 5) / (height - 12).
    Drag(205, 200, 205, 135 + 44);
    EXPECT_FLOAT_EQ(area->scroll, 50);
    EXPECT_EQ(area->selected, 0); // pressing on the strip selects nothing
}

TEST_F(GuiWidgetDrawTest, AlphasLabelColoursAndWidgetsOutsideTheWindow) {
    int32_t w = OpenWindow(gui, 100, 100, 300, 200, "w", 100);
    int32_t b = AddButton(gui, w, 10, 40, 50, 20, "ok");
    AddTrackbar(gui, w, 10, 80, 112, 10, 50);
    SetLabelColour(gui, w, AddLabel(gui, w, 10, 120, "friction:1"), 255, 100, 255);
    AddButton(gui, w, 280, 40, 50, 20, "cut"); // sticks out of the window: not drawn
    auto calls = Draw();                       // not hovered
    ASSERT_EQ(Quads(calls, GuiImage::ButtonFill).size(), 1u);
    EXPECT_EQ(Quads(calls, GuiImage::ButtonFill)[0].alpha, 50);
    EXPECT_EQ(Quads(calls, GuiImage::TrackbarFill)[0].alpha, 100);
    EXPECT_EQ(Texts(calls, "friction:1").at(0).rgb, Rgb(100, 0, 100));
    EXPECT_TRUE(Texts(calls, "cut").empty());
    // Hovering the button; the knob sits at left + 6 + (width - 12) * value / 100.
    Frame(120, 150, false);
    ASSERT_EQ(ButtonState(gui, w, b), -1);
    calls = Draw();
    EXPECT_EQ(Quads(calls, GuiImage::ButtonFill)[0].alpha, 250);
    EXPECT_EQ(Quads(calls, GuiImage::TrackbarFill)[0].alpha, 200);
    EXPECT_EQ(Quads(calls, GuiImage::TrackbarBar).at(0).quad.x[0], 110 + 6 + 50 - 5);
    EXPECT_EQ(Texts(calls, "friction:1").at(0).rgb, Rgb(200, 0, 200));
    // Button text is centred (the test font is 9 x 20 per character).
    EXPECT_EQ(Texts(calls, "ok").at(0).x1, 110 + (50 - 18) / 2);
    EXPECT_EQ(Texts(calls, "ok").at(0).y1, 140);
    // Shrunk above the label, the label disappears; minimised, every widget does.
    Win(w).height = 130;
    EXPECT_TRUE(Texts(Draw(), "friction:1").empty());
    Win(w).height = 19;
    calls = Draw();
    EXPECT_TRUE(Quads(calls, GuiImage::ButtonFill).empty());
    EXPECT_TRUE(Quads(calls, GuiImage::TrackbarFill).empty());
}

TEST_F(GuiScrollAreaFixture, DrawsVisibleRowsWithTheSelectionInBlack) {
    Make(10);
    area->selected = 2;
    auto calls = Draw();
    std::vector<std::pair<std::string, float>> rows;
    for (const auto& c : plat.CallsOf(DrawCall::Kind::Text, calls))
        if (c.text != "Load Level") rows.emplace_back(c.text, c.y1 - 130);
    // Rows of 16 pixels from t = 1, drawn while t < height - 16.
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows.front(), std::make_pair(std::string("level1"), 1.0f));
    EXPECT_EQ(rows.back(), std::make_pair(std::string("level6"), 81.0f));
    EXPECT_EQ(Texts(calls, "level2").at(0).rgb, Rgb(0, 0, 0));
    EXPECT_EQ(Texts(calls, "level3").at(0).rgb, Rgb(200, 255, 200));
    EXPECT_EQ(Quads(calls, GuiImage::ScrollSelected).at(0).alpha, 125);
    EXPECT_EQ(Quads(calls, GuiImage::ScrollSelected).at(0).quad.y[0], 130 + 17);
    // At the bottom the last item is the last row; a long name is cut to fit beside the strip.
    area->scroll = 100;
    SetScrollItem(*area, 10, "a_very_long_level_name.lvl", 255, 255, 255);
    rows.clear();
    for (const auto& c : plat.CallsOf(DrawCall::Kind::Text, Draw()))
        if (c.text != "Load Level") rows.emplace_back(c.text, c.y1 - 130);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back(), std::make_pair(std::string("a_very..."), 82.0f)); // 9 x 9 <= 100 - 12
}

} // namespace
