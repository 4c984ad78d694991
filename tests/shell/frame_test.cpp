// The whole program driven through the test platform and scripted input.
#include <gtest/gtest.h>

#include "platform/test_platform.h"
#include "shell/program.h"
#include "support/temp_dir.h"

namespace {

struct Session {
    TempWorkDir dir;
    TestPlatform plat;
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    Session() {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(1)\r\n");
        plat.ticks = 100000; // a tick count well past its first second, as a real clock reads
    }
    bool Start() { return StartProgram(*prog, plat); }
};

} // namespace

TEST(FrameLoop, StartsPausedAndSpaceRuns) {
    Session s;
    ASSERT_TRUE(s.Start());
    ASSERT_TRUE(RunFrame(*s.prog, s.plat));
    EXPECT_TRUE(s.plat.FrameHasText("Paused"));
    s.plat.input.down[Key::Space] = true;
    RunFrame(*s.prog, s.plat);
    s.plat.input.down[Key::Space] = false;
    s.plat.input.released[Key::Space] = true;
    RunFrame(*s.prog, s.plat);
    EXPECT_FALSE(s.prog->shell.paused);
    RunFrame(*s.prog, s.plat);
    EXPECT_TRUE(s.plat.FrameHasText("Running"));
}

TEST(FrameLoop, FramesPerSecondReadsOneInTheFirstSecond) {
    Session s;
    ASSERT_TRUE(s.Start());
    RunFrame(*s.prog, s.plat);
    EXPECT_EQ(s.prog->shell.fps, 1u);
    for (int i = 0; i < 30; ++i) RunFrame(*s.prog, s.plat); // 16 ms a frame: still within the second
    EXPECT_EQ(s.prog->shell.fps, 1u);
    for (int i = 0; i < 40; ++i) RunFrame(*s.prog, s.plat);
    EXPECT_EQ(s.prog->shell.fps, 63u); // 63 frames of 16 ms passed the second
}

TEST(FrameLoop, EscapeAndWindowCloseEndTheProgram) {
    Session s;
    ASSERT_TRUE(s.Start());
    EXPECT_TRUE(RunFrame(*s.prog, s.plat));
    s.plat.closeRequested = true;
    EXPECT_FALSE(RunFrame(*s.prog, s.plat)); // windowed: the close event ends it
    s.plat.closeRequested = false;
    s.plat.input.down[Key::Escape] = true;
    EXPECT_FALSE(RunFrame(*s.prog, s.plat));
}

TEST(FrameLoop, FullScreenPumpsNoWindowEvents) {
    Session s;
    TempWorkDir::Write("settings.ini", "Windowed(0)\r\n");
    ASSERT_TRUE(s.Start());
    s.plat.closeRequested = true;
    EXPECT_TRUE(RunFrame(*s.prog, s.plat));
}

TEST(FrameLoop, OneFramePressNeverCountsAsRelease) {
    Session s;
    ASSERT_TRUE(s.Start());
    std::vector<int> states;
    std::vector<bool> downs = {true, false, false, true, true, false, false};
    for (bool d : downs) {
        s.plat.input.left = d;
        RunFrame(*s.prog, s.plat);
        states.push_back(s.prog->editor.leftState);
    }
    EXPECT_EQ(states, (std::vector<int>{1, 0, 0, 1, 2, 3, 0}));
}

TEST(RunProgram, ScriptedSessionEndsAfterItsFrames) {
    Session s;
    TempWorkDir::Write("in.txt", "2 key Space down\n3 key Space up\n");
    Options opt;
    opt.headless = true;
    opt.frames = 5;
    opt.seedSet = true;
    opt.input = "in.txt";
    EXPECT_EQ(RunProgram(opt, s.plat), 0);
    EXPECT_EQ(s.plat.flips, 5);
    EXPECT_TRUE(s.plat.FrameHasText("Running"));
    EXPECT_EQ(s.plat.input.mouseX, 640); // headless runs start with the mouse at the centre

    TempWorkDir::Write("bad.txt", "1 mouse 1\n");
    opt.input = "bad.txt";
    EXPECT_EQ(RunProgram(opt, s.plat), 2); // refused before the first frame
    EXPECT_EQ(s.plat.flips, 5);
}
