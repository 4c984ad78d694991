// Time played as a user plays it, through scripted input: single steps, slow motion and scrubbing along a
// run land on exactly the world the plain run gives, saved level files compared byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "editor/editor_fixture.h"
#include "editor/keymap.h"
#include "level/level.h"
#include "shell/timeline.h"
#include "world/builders.h"

namespace {

// A floor, a wall, a stack of boxes falling onto it and an aquarium: contacts, friction and liquid.
void WriteDropLevel() {
    World w;
    ResetWorld(w);
    Rng rng(3);
    Camera cam;
    NewWall(w, 100, 700, 1100, 700, 10, 0.5);
    for (int i = 0; i < 4; ++i)
        NewBox(w, rng, 500 + i * 13, 400 - i * 70, 550 + i * 13, 450 - i * 70, 1, 0.5, 0.2, 1);
    NewAquarium(w, rng, 800, 500);
    std::filesystem::create_directories("levels");
    ASSERT_TRUE(WriteLevel(w, cam, "levels\\drop.lvl"));
}

// Runs the program on a level with `script` for `frames` frames and returns the level it saves.
std::string SavedAfter(const std::string& script, int64_t frames, const char* level = "levels/drop.lvl",
                       bool triggers = false) {
    TempWorkDir::Write("script.txt", script);
    TestPlatform plat;
    Options opt;
    opt.headless = true;
    opt.frames = frames;
    opt.seedSet = true;
    opt.seed = 5;
    opt.load = level;
    opt.triggers = triggers;
    opt.input = "script.txt";
    opt.save = "out.lvl";
    EXPECT_EQ(RunProgram(opt, plat), 0);
    return TempWorkDir::Read("out.lvl");
}

// "down" in frame `frame`, "up" in the next: the key acts at the end of frame + 1.
std::string Tap(int64_t frame, const char* key) {
    return std::to_string(frame) + " key " + key + " down\n" + std::to_string(frame + 1) + " key " + key +
           " up\n";
}

// Space let go in frame 2: the world steps in frames 3 to 2 + steps and pauses at the end of that frame.
std::string RunSteps(int64_t steps) {
    return Tap(1, "Space") + Tap(steps + 1, "Space");
}

class TimeScenario : public ::testing::Test {
protected:
    TempWorkDir dir;
    void SetUp() override {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(0)\r\n");
        WriteDropLevel();
    }
};

} // namespace

// Twenty F3 presses of a paused world give the world of twenty running frames, byte for byte; 200 frames
// at half speed the world of 100 at full speed.
TEST_F(TimeScenario, SingleStepsAndSlowMotionMatchTheRunningWorld) {
    const std::string twenty = SavedAfter(RunSteps(20), 40);
    std::string steps;
    for (int i = 0; i < 20; ++i) steps += Tap(1 + 3 * i, "F3");
    EXPECT_EQ(SavedAfter(steps, 70), twenty);
    EXPECT_NE(SavedAfter(RunSteps(19), 40), twenty); // the comparison sees one step

    const std::string hundred = SavedAfter(RunSteps(100), 120);
    // F4 let go in frame 2, Space in frame 4: frames 5 to 204 run at half speed.
    EXPECT_EQ(SavedAfter(Tap(1, "F4") + Tap(3, "Space") + Tap(203, "Space"), 220), hundred);
}

// A 240-frame run with a right drag in it, paused, then two Ctrl+Left: the world a pause after 120 frames
// gives; Ctrl+Shift+Right then Ctrl+Shift+Left comes back to it, and Ctrl+Right goes to the end again.
TEST_F(TimeScenario, ScrubbingBackLandsOnThePausedWorld) {
    const std::string drag = "40 mouse 600 400\n41 press right\n45 mouse 640 380\n50 mouse 700 360\n"
                             "55 mouse 720 380\n60 release right\n";
    const std::string run = Tap(1, "Space") + drag;
    const std::string at120 = SavedAfter(run + Tap(121, "Space"), 140);
    const std::string at240 = SavedAfter(run + Tap(241, "Space"), 260);
    ASSERT_NE(at120, at240);
    ASSERT_NE(SavedAfter(Tap(1, "Space") + Tap(121, "Space"), 140), at120); // the drag moved something
    const std::string back =
        run + Tap(241, "Space") + "250 key LeftControl down\n" + Tap(251, "Left") + Tap(254, "Left");
    EXPECT_EQ(SavedAfter(back, 260), at120);
    EXPECT_EQ(SavedAfter(back + "256 key LeftShift down\n" + Tap(257, "Right") + Tap(260, "Left") +
                             "262 key LeftShift up\n" + Tap(263, "Right") + Tap(266, "Right"),
                         275),
              at240);
    // One step further back: 58 steps simulated again from the keyframe after the drag.
    EXPECT_EQ(SavedAfter(back + "256 key LeftShift down\n" + Tap(257, "Left"), 260),
              SavedAfter(run + Tap(120, "Space"), 140));
    // A run from --run with nobody at the keys: step 61 is simulated again from the keyframe of step 60.
    const std::string at61 = SavedAfter("# --run\n" + Tap(60, "Space"), 140);
    ASSERT_NE(at61, SavedAfter("# --run\n" + Tap(61, "Space"), 140));
    EXPECT_EQ(
        SavedAfter("# --run\n" + Tap(120, "Space") + "130 key LeftControl down\n" + Tap(131, "Left"), 140),
        SavedAfter("# --run\n" + Tap(60, "Space"), 140));
}

// The scripted demo level with its triggers running: timers, variables, the door's portal switching and
// the info window all come back with the world, so scrubbing back and going on meets the plain run.
TEST_F(TimeScenario, ScrubbingTakesTheTriggersAlong) {
    std::filesystem::copy_file(std::filesystem::path(TUMBLEBOX_SOURCE_DIR) / "levels" / "delivery.lvl",
                               "levels/delivery.lvl");
    const char* level = "levels/delivery.lvl";
    const std::string at130 = SavedAfter(Tap(1, "Space") + Tap(131, "Space"), 150, level, true);
    const std::string at250 = SavedAfter(Tap(1, "Space") + Tap(251, "Space"), 270, level, true);
    ASSERT_NE(at130, at250);
    const std::string back = Tap(1, "Space") + Tap(251, "Space") + "255 key LeftControl down\n" +
                             Tap(256, "Left") + Tap(259, "Left") + "261 key LeftControl up\n";
    EXPECT_EQ(SavedAfter(back, 270, level, true), at130);
    // Going on from there for 120 frames is the plain run of 250.
    EXPECT_EQ(SavedAfter(back + Tap(265, "Space") + Tap(385, "Space"), 400, level, true), at250);
}

namespace {

class TimeTest : public EditorTest {
protected:
    void Tap(int scan, bool control = false, bool shift = false) {
        plat.input.down[Key::LeftControl] = control;
        plat.input.down[Key::LeftShift] = shift;
        Key(scan);
        plat.input.down[Key::LeftControl] = false;
        plat.input.down[Key::LeftShift] = false;
        Frame(mx, my);
    }
    std::string Text() { return LevelText(world(), prog->camera); }
    void PlaceBoxes() {
        Pick(kStandards, "Box");
        Click(400, 300);
        Click(600, 200);
    }
};

} // namespace

// Space from a scrubbed-back step goes on from there and drops the rest of the run; Rewind still goes to
// where the run started, and scrubbing makes no undo step.
TEST_F(TimeTest, GoingOnFromAScrubbedStepDropsTheRestAndRewindKeepsTheStart) {
    PlaceBoxes();
    const std::string atStart = Text();
    const size_t undoSteps = prog->history.undo.size();
    Tap(Key::Space);
    Rest(mx, my, 150);
    Tap(Key::Space);
    const int64_t end = prog->timeline.end;
    ASSERT_GT(end, 150);
    const std::string atEnd = Text();

    Tap(Key::Left, true);
    EXPECT_EQ(prog->timeline.position, end - 60);
    EXPECT_EQ(prog->history.undo.size(), undoSteps);
    Tap(Key::Right, true);
    EXPECT_EQ(Text(), atEnd);
    Tap(Key::Left, true);
    Tap(Key::Left, true);
    Tap(Key::Space);
    Rest(mx, my, 5);
    EXPECT_LT(prog->timeline.end, end - 100); // the rest of the run is gone
    Tap(Key::Space);
    Tap(Key::R, true);
    EXPECT_EQ(Text(), atStart);

    // An edit while paused leaves the run: there is nothing to scrub.
    Tap(Key::Space);
    Rest(mx, my, 10);
    Tap(Key::Space);
    Click(700, 300);
    Tap(Key::Left, true);
    EXPECT_EQ(StatusText(ed()), "nothing to scrub: run the world, then pause it");
}

// F4 shows the speed in the heads-up display and the help lists the new keys.
TEST_F(TimeTest, SpeedShowsAndTheHelpListsTheKeys) {
    Tap(Key::F4);
    Frame(mx, my);
    EXPECT_TRUE(plat.FrameHasText("speed 1/2"));
    Tap(Key::F4);
    Tap(Key::F4);
    Frame(mx, my);
    EXPECT_FALSE(plat.FrameHasText("speed 1/2") || plat.FrameHasText("speed 1/4"));
    std::string help;
    for (const std::string& l : KeyHelpLines()) help += l + "\n";
    for (const char* k : {"F3: ", "F4: ", "Ctrl+Left: ", "Ctrl+Shift+Right: "})
        EXPECT_NE(help.find(k), std::string::npos) << k;
}

// The time bar shows the run over the toolbar; dragging its knob to the middle lands on the middle step
// without placing anything under it, and back at the right end on the end of the run.
TEST_F(TimeTest, DraggingTheKnobScrubs) {
    PlaceBoxes();
    Pick(kStandards, "Box"); // a click that reached the world would place one
    const int32_t boxes = world().entityCount;
    EXPECT_FALSE(TimeBarRect(*prog).shown);
    Tap(Key::Space);
    Rest(mx, my, 100);
    Tap(Key::Space);
    const std::string atEnd = Text();
    const TimeBarBox b = TimeBarRect(*prog);
    ASSERT_TRUE(b.shown);
    const Timeline& tl = prog->timeline;
    EXPECT_TRUE(plat.FrameHasText(TimeBarCaption(tl)));
    const int y = b.y + b.height / 2, knob = TimeBarKnobX(tl, b);
    Rest(knob, y, 16);
    Frame(knob, y, true);
    const int middle = b.x + (b.width - 1) / 2;
    Frame(middle, y, true);
    EXPECT_EQ(tl.position, TimeBarStepAt(tl, b, middle));
    EXPECT_NEAR(static_cast<double>(tl.position), (tl.first + tl.end) / 2.0, 1.0);
    Frame(b.x + b.width + 50, y, true); // past the end: the end
    Frame(b.x + b.width + 50, y);
    EXPECT_EQ(tl.position, tl.end);
    EXPECT_EQ(Text(), atEnd);
    EXPECT_EQ(world().entityCount, boxes);
}

// Beyond the memory budget the oldest keyframes go: the run is then kept from a later step, the time bar
// says so, and moves along what is left still land exactly.
TEST_F(TimeTest, TheBudgetDropsTheOldestPartOfTheRun) {
    PlaceBoxes();
    Timeline& tl = prog->timeline;
    Tap(Key::Space);
    Rest(mx, my, 3);
    tl.budget = tl.keyframes.front().bytes * 3; // three keyframes
    Rest(mx, my, 200);
    Tap(Key::Space);
    const std::string atEnd = Text();
    EXPECT_TRUE(tl.dropped);
    EXPECT_GT(tl.first, 100);
    EXPECT_NE(TimeBarCaption(tl).find("dropped"), std::string::npos);
    Tap(Key::Left, true, true); // one step back: simulated again from the keyframe before
    const std::string before = Text();
    EXPECT_NE(before, atEnd);
    Tap(Key::Left, true);
    EXPECT_EQ(tl.position, tl.first); // no further back than what is kept
    Tap(Key::Right, true);
    Tap(Key::Right, true);
    EXPECT_EQ(Text(), atEnd);
    Tap(Key::Left, true, true);
    EXPECT_EQ(Text(), before);
}
