// Drives the whole program through the test platform frame by frame, as a user at the mouse would: rest on
// "Tools :" buttons, click pop-up images, place, drag, press keys.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "editor/editor.h"
#include "gui/gui.h"
#include "platform/test_platform.h"
#include "shell/program.h"
#include "support/temp_dir.h"
#include "world/validate.h"

// The tool groups by their button in "Tools :".
enum Group { kPlayerGroup, kVariables, kLiquids, kStatics, kLights, kStandards, kRegions, kMarkers, kCustom };

class EditorTest : public ::testing::Test {
protected:
    TempWorkDir dir;
    TestPlatform plat;
    std::unique_ptr<Program> prog = std::make_unique<Program>();

    static constexpr int W = 1280, H = 1024;
    int mx = W / 2, my = H / 2; // where the mouse rests between calls

    void SetUp() override {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(0)\r\n");
        std::filesystem::create_directories("levels");
        BeforeStart();
        plat.ticks = 100000;
        ASSERT_TRUE(StartProgram(*prog, plat));
        prog->rng.Seed(7);
        Frame(mx, my);
    }
    virtual void BeforeStart() {}

    Editor& ed() { return prog->editor; }
    World& world() { return prog->world; }
    Gui& gui() { return prog->gui; }

    // One frame with the mouse at (x, y) and the buttons as given.
    void Frame(int x, int y, bool left = false, bool right = false) {
        mx = x, my = y;
        plat.input.mouseX = x;
        plat.input.mouseY = y;
        plat.input.left = left;
        plat.input.right = right;
        RunFrame(*prog, plat);
        std::string why;
        EXPECT_TRUE(ValidateWorld(prog->world, &why)) << why;
    }
    void Rest(int x, int y, int frames = 1) {
        for (int i = 0; i < frames; ++i) Frame(x, y);
    }
    // Rest until a press no longer counts as a double press, then press, hold, release.
    void Click(int x, int y) {
        do Frame(x, y);
        while (gui().mouse.countdown > 0);
        Frame(x, y, true);
        Frame(x, y, true);
        Frame(x, y, false);
    }
    void Drag(int x1, int y1, int x2, int y2, bool right = false) {
        Rest(x1, y1, 16);
        Frame(x1, y1, !right, right);
        for (int i = 1; i <= 4; ++i) Frame(x1 + (x2 - x1) * i / 4, y1 + (y2 - y1) * i / 4, !right, right);
        Frame(x2, y2);
    }
    void Key(int scan) {
        plat.input.down[static_cast<size_t>(scan)] = true;
        Frame(mx, my);
        plat.input.down[static_cast<size_t>(scan)] = false;
        plat.input.released[static_cast<size_t>(scan)] = true;
        Frame(mx, my);
    }

    // Screen centre of button `i` of "Tools :".
    void ToolsButtonCentre(int i, int& x, int& y) {
        const Window* t = FindWindow(gui(), ed().toolsWindow);
        x = t->x + 20 + 60;
        y = t->y + (i < kToolGroupCount ? 50 + 30 * i : 340) + 10;
    }
    // Rests on a group's button; returns the pop-up that opened.
    Window* Hover(int group) {
        int x, y;
        ToolsButtonCentre(group, x, y);
        Rest(x, y, 2);
        return ed().groups.empty() ? nullptr : FindWindow(gui(), ed().groups[0].window);
    }
    // Picks a tool the way a user does: rest on its group, move into the pop-up, click its image.
    void Pick(int group, const std::string& tool) {
        Window* pop = Hover(group);
        ASSERT_NE(pop, nullptr);
        for (const GuiImageWidget& img : pop->images) {
            if (img.tag != tool) continue;
            int x = pop->x + img.x + img.width / 2, y = pop->y + img.y + img.height / 2;
            Click(x, y);
            ASSERT_EQ(ed().currentTool, tool);
            Rest(W / 2, H / 2); // back into the world: the pop-up closes
            return;
        }
        FAIL() << "no image for " << tool;
    }

    int32_t EntitiesOfType(const std::string& type) {
        int32_t n = 0;
        for (int32_t i = 1; i <= world().entityCount; ++i)
            n += world().entities[static_cast<size_t>(i)].type == type;
        return n;
    }
    const Entity& LastEntity() { return world().entities[static_cast<size_t>(world().entityCount)]; }
    Vec2 ParticleOf(const Entity& e, int k) {
        return world().particles[static_cast<size_t>(e.particles[static_cast<size_t>(k)])].p;
    }
};
