// The scripted demo level levels\delivery.lvl (written by tools/levelgen), played with the runner on.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "gui/gui.h"
#include "support/temp_dir.h"
#include "trigger_test_util.h"
#include "world/builders.h"

namespace {

namespace fs = std::filesystem;

const char* kDemoPath = "levels\\delivery.lvl";

} // namespace

// The shipped level played with the runner on, as `tumblebox --triggers --load levels/delivery.lvl` does.
struct DeliveryLevel : ::testing::Test {
    TempWorkDir dir;
    TestPlatform plat;
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    World& w = prog->world;

    void SetUp() override {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(0)\r\nTriggers(1)\r\n");
        fs::create_directories("levels");
        fs::copy_file(fs::path(TUMBLEBOX_SOURCE_DIR) / "levels" / "delivery.lvl", "levels/delivery.lvl");
        plat.ticks = 100000;
        ASSERT_TRUE(StartProgram(*prog, plat));
        prog->shell.triggersOn = prog->shell.settings.triggers;
        prog->shell.levelPath = kDemoPath; // as the level browser sets it
        ASSERT_TRUE(OpenLevel(*prog, plat, kDemoPath));
        prog->shell.paused = false;
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) RunFrame(*prog, plat);
    }
    std::string Counter() const {
        const auto& ids = prog->triggerEngine.infoWindows;
        const Window* win = ids.size() == 1 ? FindWindow(prog->gui, ids[0]) : nullptr;
        return win != nullptr ? win->title + ": " + win->labels[0].text : "(no window)";
    }
    // Drops the box with that id into the goal from just above it, as a right drag would.
    void Deliver(int32_t id, double x) {
        int32_t slot = FindEntityById(w, id);
        const Vec2 shift = Vec2{x, 740} - w.entities[static_cast<size_t>(slot)].center;
        Shift(w, slot, shift, shift - Vec2{0, 30});
    }
    bool DoorLeadsTo(int32_t id) { return FindPortalById(w, 1)->connected == FindPortalById(w, id)->uid; }
};

TEST_F(DeliveryLevel, CountsTheBoxesHomeSwitchesTheDoorAndStartsAgain) {
    Frames(2);
    EXPECT_EQ(Counter(), "Delivery: 0 of 3 home");
    EXPECT_TRUE(plat.FrameHasText("R starts again"));
    EXPECT_TRUE(DoorLeadsTo(3));

    Deliver(2, 900);
    Frames(2);
    EXPECT_EQ(Counter(), "Delivery: 1 of 3 home");
    Deliver(3, 1000);
    Deliver(4, 1100);
    Frames(2);
    EXPECT_EQ(Counter(), "Delivery: 3 of 3 home");
    EXPECT_TRUE(plat.FrameHasText("All boxes home! Press R to play again"));
    const auto& debris = prog->effects.debris;
    EXPECT_EQ(std::count_if(debris.begin() + 1, debris.begin() + 1 + prog->effects.debrisCount,
                            [](const DebrisPiece& d) { return d.image == kRockImage; }),
              40 / 20); // the barrel blew up: two burning rocks fly

    Frames(240 - 6 + 1); // the timer started in the first frame
    EXPECT_TRUE(DoorLeadsTo(2));
    EXPECT_TRUE(plat.FrameHasText("The door leads home"));
    Frames(240);
    EXPECT_TRUE(DoorLeadsTo(3));
    EXPECT_TRUE(plat.FrameHasText("The door leads back"));

    plat.input.released[19] = true; // R
    Frames(1);
    EXPECT_EQ(w.levelTime, 0);
    EXPECT_TRUE(prog->triggerEngine.infoWindows.empty());
    Frames(2);
    EXPECT_EQ(Counter(), "Delivery: 0 of 3 home");
    EXPECT_FALSE(plat.FrameHasText("The door leads back")); // the old world's messages went with it
    EXPECT_TRUE(plat.messages.empty());                     // both players were found
}
