// The whole program driven through the test platform and scripted input.
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

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
    EXPECT_EQ(s.plat.flips, 0);          // no screenshot: nothing looks at the frames
    EXPECT_EQ(s.plat.input.mouseX, 640); // headless runs start with the mouse at the centre

    opt.headless = false;
    EXPECT_EQ(RunProgram(opt, s.plat), 0);
    EXPECT_EQ(s.plat.flips, 5);
    EXPECT_TRUE(s.plat.FrameHasText("Running"));

    TempWorkDir::Write("bad.txt", "1 mouse 1\n");
    opt.input = "bad.txt";
    EXPECT_EQ(RunProgram(opt, s.plat), 2); // refused before the first frame
    EXPECT_EQ(s.plat.flips, 5);
}

// The screenshot and the recording are written whole or not at all: a full disk (here a file-size limit)
// gives a message and status 1 and leaves the earlier files as they were.
TEST(RunProgram, FailedWritesLeaveEarlierFilesAndFail) {
    Session s;
    s.plat.screenshot = std::string(5000, 'p');
    std::string script;
    for (int f = 1; f <= 50; ++f) script += std::to_string(f) + " mouse " + std::to_string(f) + " 7\n";
    TempWorkDir::Write("in.txt", script);
    TempWorkDir::Write("shot.png", "earlier");
    TempWorkDir::Write("rec.txt", "earlier");
    Options opt;
    opt.headless = true;
    opt.frames = 50;
    opt.seedSet = true;

    auto runFull = [&](const Options& o) {
        rlimit old{}, small{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        small = old;
        small.rlim_cur = 200;
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &small);
        const int status = RunProgram(o, s.plat);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        return status;
    };
    Options shot = opt;
    shot.screenshot = "shot.png";
    EXPECT_EQ(runFull(shot), 1);
    EXPECT_EQ(TempWorkDir::Read("shot.png"), "earlier");

    Options rec = opt;
    rec.input = "in.txt";
    rec.record = "rec.txt";
    rec.screenshot = "shot.png";
    const int flips = s.plat.flips;
    EXPECT_EQ(runFull(rec), 1);
    EXPECT_LT(s.plat.flips - flips, 25); // the run ended when its recording failed
    EXPECT_EQ(TempWorkDir::Read("rec.txt"), "earlier");
    EXPECT_EQ(TempWorkDir::Read("shot.png"), "earlier"); // a batch whose recording failed writes nothing more
    auto files = std::filesystem::directory_iterator(".");
    EXPECT_EQ(std::distance(begin(files), end(files)), 4); // settings, script, picture, recording

    std::filesystem::create_directory("folder");
    shot.screenshot = "folder";
    EXPECT_EQ(RunProgram(shot, s.plat), 1);
    rec.record = "folder";
    EXPECT_EQ(RunProgram(rec, s.plat), 1);
    EXPECT_TRUE(std::filesystem::is_directory("folder"));

    shot.screenshot = "shot.png";
    EXPECT_EQ(RunProgram(shot, s.plat), 0);
    EXPECT_EQ(TempWorkDir::Read("shot.png"), s.plat.screenshot);
}

// Frames whose pixels nobody looks at are walked without drawing, and that changes no result: the delivery
// level run with its triggers, light and marker, the mouse moving (trail) and two boxes placed (sparks),
// saves the same level and ends on the same frame as a run that draws every frame.
TEST(RunProgram, FramesNobodyLooksAtChangeNoResult) {
    struct Result {
        int status = 0;
        int flips = 0;
        std::string saved;
        std::vector<DrawCall> last;
    };
    auto run = [](bool headless, const std::string& screenshot) {
        Session s;
        s.plat.ticksPerFrame = 0; // the clock is no result: it stands still for both runs
        TempWorkDir::Write("levels/delivery.lvl",
                           TempWorkDir::Read(std::string(TUMBLEBOX_SOURCE_DIR) + "/levels/delivery.lvl"));
        // The Box tool from its pop-up, a box placed at frame 40 and one at frame 110, the mouse moving.
        TempWorkDir::Write("in.txt", "2 mouse 1184 216\n4 mouse 988 71\n25 press left\n27 release left\n"
                                     "30 mouse 400 300\n40 press left\n42 release left\n50 mouse 700 350\n"
                                     "60 mouse 650 420\n100 mouse 500 300\n110 press left\n"
                                     "112 release left\n115 mouse 560 330\n118 mouse 610 300\n");
        Options opt;
        opt.headless = headless;
        opt.frames = 120;
        opt.seedSet = true;
        opt.seed = 7;
        opt.load = "levels/delivery.lvl";
        opt.run = true;
        opt.triggers = true;
        opt.input = "in.txt";
        opt.save = "out.lvl";
        opt.screenshot = screenshot;
        Result r;
        r.status = RunProgram(opt, s.plat);
        r.flips = s.plat.flips;
        r.saved = TempWorkDir::Read("out.lvl");
        r.last = s.plat.lastFrame;
        return r;
    };
    Result all = run(false, "");
    ASSERT_EQ(all.status, 0);
    ASSERT_EQ(all.flips, 120);
    ASSERT_FALSE(all.saved.empty());
    size_t entities = 0;
    for (size_t at = all.saved.find("\nEntity("); at != std::string::npos;
         at = all.saved.find("\nEntity(", at + 1))
        ++entities;
    EXPECT_EQ(entities, 12u); // the delivery level's ten and the two boxes

    Result shot = run(true, "shot.png"); // the test platform writes no picture: status 1
    EXPECT_EQ(shot.status, 1);
    EXPECT_LT(shot.flips, 120);
    EXPECT_EQ(shot.saved, all.saved);
    ASSERT_EQ(shot.last.size(), all.last.size());
    for (size_t i = 0; i < all.last.size(); ++i) {
        const DrawCall &a = all.last[i], &b = shot.last[i];
        EXPECT_TRUE(a.kind == b.kind && a.image == b.image && a.quad.x == b.quad.x && a.quad.y == b.quad.y &&
                    a.alpha == b.alpha && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
                    a.rgb == b.rgb && a.text == b.text)
            << "draw call " << i;
    }

    Result none = run(true, "");
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.flips, 0);
    EXPECT_EQ(none.saved, all.saved);
}
