// Saving: writes that never leave a half-written level, the background save, the batch command line.
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "level_test_util.h"
#include "world/builders.h"

namespace {

size_t FilesIn(const char* dir) {
    auto it = std::filesystem::directory_iterator(dir);
    return static_cast<size_t>(std::distance(begin(it), end(it)));
}

TEST(LevelSave, WritesReplaceTheWholeFileOrNothing) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "box");
    std::string why;
    EXPECT_FALSE(WriteLevel(prog->world, prog->camera, "nowhere\\a.lvl", &why));
    EXPECT_FALSE(why.empty());

    WriteFileBytes("levels/locked.lvl", "old");
    ::chmod("levels/locked.lvl", 0444);
    EXPECT_FALSE(WriteLevel(prog->world, prog->camera, "levels\\locked.lvl", &why));
    EXPECT_EQ(ReadFileBytes("levels/locked.lvl"), "old");

    // A full disk, as a file-size limit: the write fails part-way.
    WriteFileBytes("levels/full.lvl", "old");
    rlimit old{}, small{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    small = old;
    small.rlim_cur = 100;
    auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool written = WriteLevel(prog->world, prog->camera, "levels\\full.lvl");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileBytes("levels/full.lvl"), "old");

    EXPECT_EQ(FilesIn("levels"), 2u); // no partial files left behind
}

TEST(LevelSave, KillingAWriterNeverLeavesABrokenLevel) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "box2");
    const std::string small = LevelText(prog->world, prog->camera);
    for (int i = 0; i < 400; ++i) MakeBox(prog->world, static_cast<float>(i * 60), 0, 50, "box");
    const std::string big = LevelText(prog->world, prog->camera);
    ASSERT_TRUE(WriteFileAtomically("levels\\kill.lvl", big));
    std::mt19937 gen(99);
    for (int round = 0; round < 20; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            for (unsigned n = 0;; ++n)
                WriteFileAtomically("levels\\kill.lvl", n % 2 ? big : small, nullptr, n % 3);
        ::usleep(1000 + gen() % 20000);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        std::string now = ReadFileBytes("levels/kill.lvl");
        EXPECT_TRUE(now == big || now == small) << "round " << round << ": " << now.size() << " bytes";
    }
    ASSERT_TRUE(WriteFileAtomically("levels\\kill.lvl", big));
    EXPECT_EQ(FilesIn("levels"), 1u); // the partial files of killed writers went with it
}

TEST(LevelSave, BackgroundSaveWritesTheWorldAsItWasWhenItStarted) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    prog->shell.headless = false;
    prog->shell.levelPath = "levels\\saved.lvl";
    prog->editor.currentTool = "Save";
    MakeBox(prog->world, 0, 0, 50, "box");
    const std::string before = LevelText(prog->world, prog->camera);

    StartSave(*prog);
    EXPECT_TRUE(prog->shell.saving);
    EXPECT_EQ(prog->editor.currentTool, "locked");
    EXPECT_EQ(StatusText(prog->editor), "saving...");
    MakeBox(prog->world, 100, 0, 50, "box2"); // the main thread goes on while the worker writes
    PollSave(*prog);
    EXPECT_TRUE(!prog->shell.saving || prog->editor.currentTool == "locked");
    // A load waits for the save, so it never reads a file the worker is writing.
    ASSERT_EQ(LoadLevel(*prog, plat, "levels\\saved.lvl"), 1);
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_EQ(prog->editor.currentTool, "Save");
    EXPECT_EQ(LevelText(prog->world, prog->camera), before);

    // Headless runs finish a save in the frame that polls it; a failed save says so.
    prog->shell.headless = true;
    prog->shell.levelPath = "missing\\saved.lvl";
    StartSave(*prog);
    PollSave(*prog);
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_EQ(StatusText(prog->editor), "saving failed");
    prog->shell.levelPath = "levels\\saved.lvl";
    StartSave(*prog);
    WaitForSave(*prog);
    EXPECT_EQ(StatusText(prog->editor), "saving done.");
}

// The whole program in a batch run: load, step, save; the same seed gives the same bytes.
TEST(LevelSave, BatchRuns) {
    ScratchFolder folder;
    WriteFileBytes("settings.ini", "ScreenSolution(640,480)\r\nWindowed(1)\r\n");
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "aquarium");
    NewLiquidBox(prog->world, prog->rng, 1, 3, 20, "water");
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, "levels\\in.lvl"));
    WriteFileBytes("levels/odd.lvl", ReadFileBytes("levels/in.lvl") + "Portal(0,0,0,0,0,0)\r\n");

    auto run = [](const std::string& in, const std::string& out) {
        Options opt;
        opt.headless = true;
        opt.frames = 5;
        opt.seedSet = true;
        opt.run = true;
        opt.load = in;
        opt.save = out;
        TestPlatform plat;
        return RunProgram(opt, plat);
    };
    EXPECT_EQ(run("levels/in.lvl", "levels/one.lvl"), 0);
    EXPECT_EQ(run("levels\\in.lvl", "levels/two.lvl"), 0);
    EXPECT_EQ(ReadFileBytes("levels/one.lvl"), ReadFileBytes("levels/two.lvl"));
    EXPECT_EQ(run("levels/none.lvl", "levels/three.lvl"), 1);
    EXPECT_FALSE(std::filesystem::exists("levels/three.lvl"));
    EXPECT_EQ(run("levels/in.lvl", "nowhere/four.lvl"), 1);

    auto other = NewTestProgram();
    TestPlatform plat;
    ASSERT_TRUE(LoadLevelAtStart(*other, plat, "levels/odd.lvl"));
    EXPECT_EQ(other->shell.levelPath, "levels\\odd.lvl");
    EXPECT_EQ(other->shell.currentFolder, "levels\\");
    EXPECT_EQ(StatusText(other->editor), "loading done. 1 record dropped.");
    ASSERT_TRUE(SaveLevelAtEnd(*other, "levels/five.lvl"));
    EXPECT_EQ(other->shell.levelPath, "levels\\odd.lvl");
}

} // namespace
