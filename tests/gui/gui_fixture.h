// Drives the toolkit frame by frame as the frame loop does: sample the input, find the hovered window,
// run the GUI update.
#pragma once

#include <gtest/gtest.h>

#include "gui/gui.h"
#include "platform/test_platform.h"

class GuiFixture : public ::testing::Test {
protected:
    TestPlatform plat;
    Gui gui;

    void SetUp() override { InitGui(gui, 800, 600); }

    void Frame(int x, int y, bool left, int wheel = 0) {
        plat.input.mouseX = x;
        plat.input.mouseY = y;
        plat.input.left = left;
        plat.input.wheel = wheel;
        InputState in = plat.SampleInput();
        FindHoveredWindow(gui, in);
        GuiUpdate(gui, plat, in);
    }
    // Waits at (x, y) until a press would no longer count as a double press.
    void Settle(int x, int y) {
        do Frame(x, y, false);
        while (gui.mouse.countdown > 0);
    }
    // Rest, press, hold, release at one point; leaves the mouse there with the button up.
    void Click(int x, int y) {
        Settle(x, y);
        Frame(x, y, true);
        Frame(x, y, true);
        Frame(x, y, false);
    }
    // Press at (x1, y1), move in steps to (x2, y2) with the button held, release there.
    void Drag(int x1, int y1, int x2, int y2, int steps = 4) {
        Settle(x1, y1);
        Frame(x1, y1, true);
        for (int i = 1; i <= steps; ++i) Frame(x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps, true);
        Frame(x2, y2, false);
        Frame(x2, y2, false);
    }
    Window& Win(int32_t id) {
        Window* w = FindWindow(gui, id);
        EXPECT_NE(w, nullptr);
        return *w;
    }
    std::vector<DrawCall> Draw() {
        plat.calls.clear();
        DrawWindows(gui, plat);
        return plat.calls;
    }
    // The quads of one image, or the texts equal to `text`, among `calls`.
    static std::vector<DrawCall> Quads(const std::vector<DrawCall>& calls, int image) {
        std::vector<DrawCall> out;
        for (const auto& c : calls)
            if (c.kind == DrawCall::Kind::Quad && c.image == image) out.push_back(c);
        return out;
    }
    static std::vector<DrawCall> Texts(const std::vector<DrawCall>& calls, const std::string& text) {
        std::vector<DrawCall> out;
        for (const auto& c : calls)
            if (c.kind == DrawCall::Kind::Text && c.text == text) out.push_back(c);
        return out;
    }
};
