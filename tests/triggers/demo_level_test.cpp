// The scripted demo level levels\delivery.lvl: built here with the program's own builders and trigger
// records and written by WriteLevel, then played with the runner on. Regenerate it with
//   tumblebox_tests --gtest_also_run_disabled_tests --gtest_filter='DeliveryLevelFile.DISABLED_Write'
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

void Trigger(World& w, std::initializer_list<std::string> events,
             std::initializer_list<std::string> conditions, std::initializer_list<std::string> actions) {
    NewTrigger(w);
    for (const std::string& e : events) AddEvent(w, e);
    for (const std::string& c : conditions) AddCondition(w, c);
    for (const std::string& a : actions) AddAction(w, a);
}

// Three boxes wait on the left. A door (portal 1) in their way leads, by turns of four seconds, back to the
// start (portal 3) or on behind a tall wall (portal 2), in front of the goal: a box counts when it moves in.
// The green region counts the boxes home in an info window; the last one sets off the barrel on the shelf. R
// starts again.
void BuildDelivery(World& w, Rng& rng) {
    NewHalfSpace(w, 0, 940, 1, 0).type = "grass";
    NewHalfSpace(w, 10, 0, 0, 1).type = "gray";
    NewHalfSpace(w, 1270, 0, 0, -1).type = "gray";

    std::vector<int32_t> boxes;
    for (int i = 0; i < 3; ++i) {
        int32_t box = NewBox(w, rng, 160 + i * 90, 870, 220 + i * 90, 930, 1, 1, 1, 1);
        w.entities[static_cast<size_t>(box)].type = "box";
        boxes.push_back(w.entities[static_cast<size_t>(box)].id);
    }
    NewWall(w, 660, 560, 660, 940, 12, 1);  // between the door and the goal
    NewWall(w, 860, 600, 1100, 600, 10, 1); // the shelf, over the goal and clear of the tool window
    int32_t barrel = NewBarrel(w, rng, 950, 488);
    const std::string fireworks = std::to_string(w.entities[static_cast<size_t>(barrel)].id);
    const int32_t pin = NewPin(w, 1160, 400);
    NewLatern(w, rng, 1160, 440); // its hanging point is the last particle made
    NewConstraint(w, kWorldEntity, w.entities[static_cast<size_t>(pin)].particles[0], w.particleCount, 1);

    // Portals: the door, then its two exits with their ends reversed, so that a box keeps its way.
    const uint32_t door = NewPortal(w, 520, 760, 520, 940).uid;
    NewPortal(w, 720, 940, 720, 760);                           // 2: on into the goal
    const uint32_t back = NewPortal(w, 100, 940, 100, 760).uid; // 3: back to the start
    FindPortalByUid(w, door)->connected = back;
    NewRegion(w, 780, 760, 1240, 940).type = "green"; // region 1

    Trigger(
        w, {"levelstart()"}, {},
        {"newvar(delivered,0)", "createinfowindow(Delivery)", "setwindowtext(0 of 3 home)", "createtimer(1)",
         "createcommandcallback(Bring the three boxes home to the green field,600,255,255,255)",
         "createcommandcallback(The right mouse button drags - the door leads home by turns,600,255,255,255)",
         "createcommandcallback(R starts again,600,180,180,180)"});
    Trigger(w, {"entityentersregion(box,1)", "entityleavesregion(box,1)"}, {},
            {"entitysinregion(delivered,1,box)", "setwindowtext(var[delivered] of 3 home)"});
    for (int32_t id : boxes) {
        const std::string box = std::to_string(id);
        Trigger(w, {"entityentersregion(" + box + ",1)"}, {}, {"addbuff(" + box + ",blink,90)"});
    }
    Trigger(w, {"entityentersregion(box,1)"}, {"varvalue(delivered,3)"},
            {"createcommandcallback(All boxes home! Press R to play again,600,255,220,0)",
             "explode(" + fireworks + ",40)", "deletethistrigger()"});
    Trigger(w, {"timer(1,240)"}, {},
            {"connectportal(1,2)", "createcommandcallback(The door leads home,200,120,255,120)"});
    Trigger(
        w, {"timer(1,480)"}, {},
        {"connectportal(1,3)", "resettimer(1)", "createcommandcallback(The door leads back,200,255,160,80)"});
    Trigger(w, {"keyboardreleased(r)"}, {}, {"restartlevel()"});
}

} // namespace

TEST(DeliveryLevelFile, DISABLED_Write) {
    auto w = std::make_unique<World>();
    ResetWorld(*w);
    Rng rng(2024);
    BuildDelivery(*w, rng);
    std::string stored = std::string(TUMBLEBOX_SOURCE_DIR) + "/" + kDemoPath;
    std::replace(stored.begin(), stored.end(), '/', '\\');
    ASSERT_TRUE(WriteLevel(*w, Camera{}, stored));
}

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
}
