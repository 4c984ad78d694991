// Scripted input and the command line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/options.h"
#include "shell/script.h"
#include "support/temp_dir.h"

TEST(InputScript, MalformedLinesNameTheirLine) {
    InputScript s;
    std::string err;
    EXPECT_FALSE(ParseInputScript("# comment\n1 mouse 10 20\n2 mouse 10\n", s, err));
    EXPECT_EQ(err.rfind("line 3:", 0), 0u) << err;
    EXPECT_FALSE(ParseInputScript("1 press middle\n", s, err));
    EXPECT_FALSE(ParseInputScript("0 wheel 1\n", s, err)); // frames count from 1
    EXPECT_FALSE(ParseInputScript("1 key Banana down\n", s, err));
    EXPECT_FALSE(ParseInputScript("x mouse 1 2\n", s, err));
    EXPECT_FALSE(ParseInputScript("3 jump\n", s, err));
    EXPECT_FALSE(ParseInputScript("# --seed -1\n", s, err));
    EXPECT_TRUE(ParseInputScript("\n   \n# only comments\r\n#--frames 3\n1 mouse 1 2\n# --run\n", s, err));
    EXPECT_FALSE(s.recorded.run); // only comments before the first event state options
    EXPECT_EQ(ScriptFrameInput(s, 1).mouseX, 1);
}

TEST(InputScript, StatesHoldAndSameFramePressIsSplit) {
    InputScript s;
    std::string err;
    ASSERT_TRUE(ParseInputScript("1 mouse 100 200\n"
                                 "2 press left\n2 release left\n"
                                 "5 key Space down\n5 key Space up\n"
                                 "6 wheel 2\n6 wheel 1\n"
                                 "7 type hello world\n"
                                 "8 press right\n"
                                 "10 release right\n"
                                 "11 key A down\n12 key A up\n",
                                 s, err))
        << err;
    InputState f1 = ScriptFrameInput(s, 1);
    EXPECT_EQ(f1.mouseX, 100);
    EXPECT_EQ(f1.mouseY, 200);
    EXPECT_FALSE(f1.left);
    EXPECT_TRUE(ScriptFrameInput(s, 2).left);  // pressed in frame 2
    EXPECT_FALSE(ScriptFrameInput(s, 3).left); // released in the next frame
    ScriptFrameInput(s, 4);
    InputState f5 = ScriptFrameInput(s, 5);
    EXPECT_TRUE(f5.down[Key::Space]);
    EXPECT_FALSE(f5.released[Key::Space]);
    InputState f6 = ScriptFrameInput(s, 6);
    EXPECT_FALSE(f6.down[Key::Space]);
    EXPECT_TRUE(f6.released[Key::Space]);
    EXPECT_EQ(f6.wheel, 3);
    InputState f7 = ScriptFrameInput(s, 7);
    EXPECT_EQ(f7.wheel, 0);
    EXPECT_FALSE(f7.released[Key::Space]);
    EXPECT_EQ(f7.typed, "hello world");
    EXPECT_EQ(ScriptFrameInput(s, 8).typed, "");
    EXPECT_TRUE(ScriptFrameInput(s, 9).right); // held until changed
    EXPECT_FALSE(ScriptFrameInput(s, 10).right);
    EXPECT_EQ(ScriptFrameInput(s, 10).mouseX, 100);
    EXPECT_TRUE(ScriptFrameInput(s, 11).down[ScanCodeFromName("A")]);
    EXPECT_TRUE(ScriptFrameInput(s, 12).released[30]);
}

TEST(InputScript, RecordingReplaysTheSameStates) {
    TempWorkDir dir;
    std::vector<InputState> frames(6);
    frames[0].mouseX = 640, frames[0].mouseY = 512;
    frames[1] = frames[0], frames[1].mouseX = 700, frames[1].left = true;
    frames[2] = frames[1], frames[2].wheel = -2, frames[2].down[Key::LeftShift] = true;
    frames[3] = frames[2], frames[3].wheel = 0, frames[3].left = false, frames[3].typed = "ab c";
    frames[4] = frames[3], frames[4].typed = "", frames[4].down[Key::LeftShift] = false,
    frames[4].released[Key::LeftShift] = true;
    frames[5] = frames[4], frames[5].released[Key::LeftShift] = false, frames[5].right = true;
    // The time keys: F3 pressed and let go, F4 held at the end.
    frames[1].down[Key::F3] = true;
    frames[2].down[Key::F3] = false, frames[2].released[Key::F3] = true;
    frames[5].down[Key::F4] = true;

    InputRecorder rec;
    InputState start;
    start.mouseX = 640, start.mouseY = 512;
    ASSERT_TRUE(
        OpenRecorder(rec, "rec.txt", start, {true, 4000000000u, "levels\\my level.lvl", true, false}));
    for (size_t i = 0; i < frames.size(); ++i) RecordFrame(rec, static_cast<int64_t>(i + 1), frames[i]);
    ASSERT_TRUE(CloseRecorder(rec)) << rec.error;

    InputScript s;
    std::string err;
    ASSERT_TRUE(LoadInputScript("rec.txt", s, err)) << err;
    // The recorded options fill in what the command line leaves out.
    Options opt;
    opt.triggers = true;
    TakeRecordedOptions(s.recorded, opt);
    EXPECT_TRUE(opt.seedSet && opt.seed == 4000000000u && opt.run && opt.triggers);
    EXPECT_EQ(opt.load, "levels\\my level.lvl");
    opt.seed = 3, opt.load = "x.lvl";
    TakeRecordedOptions(s.recorded, opt);
    EXPECT_EQ(opt.seed, 3u);
    EXPECT_EQ(opt.load, "x.lvl");
    s.state.mouseX = 640, s.state.mouseY = 512;
    for (size_t i = 0; i < frames.size(); ++i) {
        InputState got = ScriptFrameInput(s, static_cast<int64_t>(i + 1));
        EXPECT_EQ(got.mouseX, frames[i].mouseX) << i;
        EXPECT_EQ(got.left, frames[i].left) << i;
        EXPECT_EQ(got.right, frames[i].right) << i;
        EXPECT_EQ(got.wheel, frames[i].wheel) << i;
        EXPECT_EQ(got.typed, frames[i].typed) << i;
        EXPECT_EQ(got.down, frames[i].down) << i;
        EXPECT_EQ(got.released, frames[i].released) << i;
    }
}

TEST(InputScript, OnlyRegularFilesEventsInFrameOrderAndBoundedLines) {
    TempWorkDir dir;
    InputScript s;
    std::string err;
    std::filesystem::create_directory("folder");
    ASSERT_EQ(::mkfifo("fifo", 0666), 0);
    EXPECT_FALSE(LoadInputScript("folder", s, err));
    EXPECT_NE(err.find("folder"), std::string::npos) << err;
    EXPECT_FALSE(LoadInputScript("fifo", s, err)); // refused without waiting for a writer
    EXPECT_NE(err.find("FIFO"), std::string::npos) << err;
    EXPECT_FALSE(LoadInputScript("/dev/zero", s, err));
    EXPECT_NE(err.find("device"), std::string::npos) << err;
    EXPECT_FALSE(LoadInputScript("missing.txt", s, err));

    EXPECT_FALSE(ParseInputScript("2 mouse 1 1\n2 wheel 1\n1 mouse 2 2\n", s, err));
    EXPECT_EQ(err.rfind("line 3:", 0), 0u) << err;
    const std::string longest = "1 type " + std::string(kMaxScriptLineLength - 7, 'b') + "\n";
    EXPECT_FALSE(ParseInputScript("1 type b" + longest, s, err));
    EXPECT_EQ(err, "line 1: longer than 4096 characters");

    // A frame's typed text and wheel notches are bounded however many lines give them.
    ASSERT_TRUE(ParseInputScript(longest + longest + "1 wheel 1000\n1 wheel 1000\n2 wheel -3\n", s, err))
        << err;
    InputState f = ScriptFrameInput(s, 1);
    EXPECT_EQ(f.typed.size(), kMaxTypedPerFrame);
    EXPECT_EQ(f.wheel, kMaxWheelPerFrame);
    EXPECT_EQ(ScriptFrameInput(s, 2).wheel, -3);
}

TEST(InputScript, AFailedRecordingSaysWhyAndLeavesTheEarlierFile) {
    TempWorkDir dir;
    TempWorkDir::Write("rec.txt", "earlier");
    InputRecorder rec;
    InputState in;
    ASSERT_TRUE(OpenRecorder(rec, "rec.txt", in));
    EXPECT_TRUE(RecordFrame(rec, 1, in));
    // The disk fills up: every further write fails.
    int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    ASSERT_GE(::dup2(full, rec.file.fd), 0);
    ::close(full);
    in.mouseX = 5;
    EXPECT_FALSE(RecordFrame(rec, 2, in));
    EXPECT_NE(rec.error.find("No space"), std::string::npos) << rec.error;
    EXPECT_FALSE(RecordFrame(rec, 3, in));
    EXPECT_FALSE(CloseRecorder(rec));
    EXPECT_EQ(TempWorkDir::Read("rec.txt"), "earlier");
    auto files = std::filesystem::directory_iterator(".");
    EXPECT_EQ(std::distance(begin(files), end(files)), 1); // no partial file left

    std::filesystem::create_directory("folder");
    EXPECT_FALSE(OpenRecorder(rec, "folder", in));
    EXPECT_EQ(rec.error, "it is a folder");
    EXPECT_FALSE(OpenRecorder(rec, "/dev/full", in));
    EXPECT_EQ(rec.error, "it is a device, not a regular file");
}

TEST(Options, UsageErrorsAreOneClearLine) {
    auto parse = [](std::vector<std::string> args, std::string& err) {
        Options o;
        return ParseOptions(args, o, err);
    };
    std::string err;
    EXPECT_EQ(parse({"--bogus"}, err), ParseStatus::Usage);
    EXPECT_NE(err.find("--bogus"), std::string::npos);
    EXPECT_EQ(parse({"--frames"}, err), ParseStatus::Usage);
    EXPECT_EQ(parse({"--frames", "ten"}, err), ParseStatus::Usage);
    EXPECT_EQ(parse({"--frames", "-5"}, err), ParseStatus::Usage);
    EXPECT_EQ(parse({"--seed", "99999999999"}, err), ParseStatus::Usage);
    EXPECT_EQ(parse({"--headless"}, err), ParseStatus::Usage);
    EXPECT_NE(err.find("--frames"), std::string::npos);
    EXPECT_EQ(err.find('\n'), std::string::npos);

    Options o;
    ASSERT_EQ(ParseOptions({"--headless", "--frames", "60", "--seed", "7", "--load", "levels\\a.lvl", "--run",
                            "--save", "out.lvl", "--screenshot", "s.png", "--triggers"},
                           o, err),
              ParseStatus::Ok);
    EXPECT_TRUE(o.headless && o.run && o.triggers && o.seedSet);
    EXPECT_EQ(o.frames, 60);
    EXPECT_EQ(o.seed, 7u);
    EXPECT_EQ(o.load, "levels\\a.lvl");
}
