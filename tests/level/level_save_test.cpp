// Saving: writes that never leave a half-written level, the background save and its status texts, and
// the batch steps of the command line.
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "level_test_util.h"
#include "world/builders.h"

namespace {

int FilesIn(const std::filesystem::path& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

TEST(LevelSave, FailedWritesLeaveTheOldFileUntouched) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "box");
    std::string why;

    EXPECT_FALSE(WriteLevel(prog->world, prog->camera, "nowhere\\a.lvl", &why));
    EXPECT_FALSE(why.empty());

    WriteFileBytes("levels/locked.lvl", "old");
    ::chmod("levels/locked.lvl", 0444);
    EXPECT_FALSE(WriteLevel(prog->world, prog->camera, "levels\\locked.lvl", &why));
    EXPECT_EQ(why, "the file is read-only");
    EXPECT_EQ(ReadFileBytes("levels/locked.lvl"), "old");

    // A full disk, as a file-size limit: the write fails part-way.
    WriteFileBytes("levels/full.lvl", "old");
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    bool written = WriteLevel(prog->world, prog->camera, "levels\\full.lvl", &why);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileBytes("levels/full.lvl"), "old");

    EXPECT_EQ(FilesIn("levels"), 2); // no partial files left behind
}

TEST(LevelSave, SuccessfulWritesReplaceTheFileAndKeepItsMode) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "box");
    WriteFileBytes("levels/mine.lvl", "old");
    ::chmod("levels/mine.lvl", 0600);
    std::filesystem::create_symlink("mine.lvl", "levels/link.lvl");

    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, "levels\\link.lvl"));
    EXPECT_TRUE(std::filesystem::is_symlink("levels/link.lvl"));
    EXPECT_EQ(ReadFileBytes("levels/mine.lvl"), LevelText(prog->world, prog->camera));
    struct stat st {};
    ::stat("levels/mine.lvl", &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(FilesIn("levels"), 2);
}

// A writer killed at any moment leaves the old level or the whole new one, never a part.
TEST(LevelSave, KillingAWriterNeverLeavesABrokenLevel) {
    ScratchFolder folder;
    auto big = NewTestProgram();
    for (int i = 0; i < 400; ++i) MakeBox(big->world, static_cast<float>(i * 60), 0, 50, "box");
    const std::string a = LevelText(big->world, big->camera);
    auto small = NewTestProgram();
    MakeBox(small->world, 0, 0, 50, "box2");
    const std::string b = LevelText(small->world, small->camera);
    ASSERT_TRUE(WriteFileAtomically("levels\\kill.lvl", a));

    std::mt19937 gen(99);
    for (int round = 0; round < 20; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (unsigned n = 0;; ++n)
                WriteFileAtomically("levels\\kill.lvl", n % 2 ? a : b, nullptr, n % 3 == 0);
        }
        ::usleep(1000 + gen() % 20000);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        std::string now = ReadFileBytes("levels/kill.lvl");
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }
    // Partial files of killed writers go with the next write.
    ASSERT_TRUE(WriteFileAtomically("levels\\kill.lvl", a));
    EXPECT_EQ(FilesIn("levels"), 1);
}

TEST(LevelSave, BackgroundSaveWritesTheWorldAsItWasWhenItStarted) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    prog->shell.headless = false;
    prog->shell.levelPath = "levels\\saved.lvl";
    prog->editor.currentTool = "Save";
    MakeBox(prog->world, 0, 0, 50, "box");
    std::string before = LevelText(prog->world, prog->camera);

    StartSave(*prog);
    EXPECT_TRUE(prog->shell.saving);
    EXPECT_EQ(prog->editor.currentTool, "locked");
    EXPECT_EQ(StatusText(prog->editor), "saving...");
    StartSave(*prog);                         // a second click while saving changes nothing
    MakeBox(prog->world, 100, 0, 50, "box2"); // the main thread edits while the worker writes

    for (int frame = 0; frame < 5000 && prog->shell.saving; ++frame) {
        PollSave(*prog);
        if (prog->shell.saving) {
            EXPECT_EQ(prog->editor.currentTool, "locked");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ASSERT_FALSE(prog->shell.saving);
    EXPECT_EQ(prog->editor.currentTool, "Save");
    EXPECT_EQ(StatusText(prog->editor), "saving done.");
    EXPECT_EQ(ReadFileBytes("levels/saved.lvl"), before);
}

TEST(LevelSave, HeadlessSavesEndInTheFrameThatPollsThem) {
    ScratchFolder folder;
    auto prog = NewTestProgram();
    prog->shell.levelPath = "levels\\new.lvl";
    StartSave(*prog);
    PollSave(*prog);
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_TRUE(std::filesystem::exists("levels/new.lvl"));

    prog->shell.levelPath = "missing\\new.lvl";
    StartSave(*prog);
    PollSave(*prog);
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_EQ(StatusText(prog->editor), "saving failed");
}

TEST(LevelSave, LoadingOrQuittingDuringASaveWaitsForIt) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    prog->shell.headless = false;
    prog->shell.levelPath = "levels\\a.lvl";
    MakeBox(prog->world, 0, 0, 50, "box");
    std::string text = LevelText(prog->world, prog->camera);
    StartSave(*prog);
    ASSERT_EQ(LoadLevel(*prog, plat, "levels\\a.lvl"), 1); // reads the whole new file, never a part
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_EQ(LevelText(prog->world, prog->camera), text);

    StartSave(*prog);
    WaitForSave(*prog);
    EXPECT_FALSE(prog->shell.saving);
    EXPECT_EQ(StatusText(prog->editor), "saving done.");
}

TEST(LevelSave, CommandLineLoadAndSave) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "box");
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, "levels\\a.lvl"));
    std::string text = ReadFileBytes("levels/a.lvl");

    auto other = NewTestProgram();
    ASSERT_TRUE(LoadLevelAtStart(*other, plat, "levels/a.lvl"));
    EXPECT_EQ(other->shell.levelPath, "levels\\a.lvl");
    EXPECT_EQ(other->shell.currentFolder, "levels\\");
    EXPECT_EQ(StatusText(other->editor), "loading done.");
    ASSERT_TRUE(SaveLevelAtEnd(*other, "levels/b.lvl"));
    EXPECT_EQ(other->shell.levelPath, "levels\\a.lvl");
    EXPECT_EQ(ReadFileBytes("levels/b.lvl"), text);

    // The status line tells how much of a level could not be loaded.
    WriteFileBytes("levels/odd.lvl", text + "HalfSpace(0,0,0,0,flat)\r\nPortal(0,0,0,0,0,0)\r\n");
    ASSERT_TRUE(LoadLevelAtStart(*other, plat, "levels/odd.lvl"));
    EXPECT_EQ(StatusText(other->editor), "loading done. 2 records dropped.");

    MakeBox(other->world, 0, 0, 50, "box");
    EXPECT_FALSE(LoadLevelAtStart(*other, plat, "levels/none.lvl"));
    EXPECT_EQ(other->world.entityCount, 2); // nothing lost
    EXPECT_FALSE(SaveLevelAtEnd(*other, "none/b.lvl"));
}

// The whole program in a batch run: load, step, save; twice with the same seed gives the same bytes.
TEST(LevelSave, BatchRunsAreRepeatable) {
    ScratchFolder folder;
    WriteFileBytes("settings.ini", "ScreenSolution(640,480)\r\nWindowed(1)\r\n");
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 50, "aquarium");
    Rng rng(3);
    NewLiquidBox(prog->world, rng, 1, 3, 20, "water");
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, "levels\\in.lvl"));

    auto run = [](const std::string& out) {
        Options opt;
        opt.headless = true;
        opt.frames = 5;
        opt.seedSet = true;
        opt.seed = 11;
        opt.run = true;
        opt.load = "levels/in.lvl";
        opt.save = out;
        TestPlatform plat;
        return RunProgram(opt, plat);
    };
    EXPECT_EQ(run("levels/one.lvl"), 0);
    EXPECT_EQ(run("levels/two.lvl"), 0);
    EXPECT_EQ(ReadFileBytes("levels/one.lvl"), ReadFileBytes("levels/two.lvl"));

    Options missing;
    missing.headless = true;
    missing.frames = 1;
    missing.load = "levels/none.lvl";
    missing.save = "levels/three.lvl";
    TestPlatform plat;
    EXPECT_EQ(RunProgram(missing, plat), 1);
    EXPECT_FALSE(std::filesystem::exists("levels/three.lvl"));
}

} // namespace
