// The runner: which triggers fire, the walk through a list that actions change, and scripted levels played
// frame by frame, in the program and in batch runs.
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "shell/options.h"
#include "support/temp_dir.h"
#include "trigger_test_util.h"

namespace {

struct Runner : ::testing::Test {
    std::unique_ptr<Program> prog = NewTestProgram();
    World& w = prog->world;
    TestPlatform plat;

    void Frame() {
        TriggerScene scene = TriggerSceneOf(*prog, plat);
        RunTriggers(scene);
    }
    std::string Log() const {
        const Variable* v = FindVariable(w, "log");
        return v ? v->value : "(none)";
    }
};

TEST_F(Runner, WhichTriggersFire) {
    const char* overlap = "rectsoverlap(0,0,2,2,1,1,3,3)";
    AddTrigger(w, {{"leveltime(1)"}, {}, {"newvar(log,)"}});
    AddTrigger(w, {{}, {}, {"setvar(log,var[log]never)"}}); // no events: never fires
    AddTrigger(w, {{"leveltime(2)", "leveltime(3)"}, {}, {"setvar(log,var[log]A)"}});
    AddTrigger(w, {{"LevelTime(2)", "leveltime(2) "}, {}, {"setvar(log,var[log]inexact)"}});
    AddTrigger(w, {{"leveltime(2)"}, {"varvalue(x,1)"}, {"setvar(log,var[log]none)"}});
    AddTrigger(w, {{"leveltime(2)"}, {"varvalue(x,1)", overlap}, {"setvar(log,var[log]B)"}});
    AddTrigger(w, {{"leveltime(2)"}, {"varvalue(x,1)", overlap}, {"setvar(log,var[log]notall)"}, "AND"});
    AddTrigger(w, {{"leveltime(2)"}, {overlap}, {"setvar(log,var[log]C)"}, "And"});
    AddTrigger(w, {{"leveltime(3)", "leveltime(2)"}, {}, {"setvar(log,var[log]D)"}, "xor"});
    Frame();
    EXPECT_EQ(w.levelTime, 1);
    EXPECT_EQ(Log(), "");
    Frame();
    EXPECT_EQ(Log(), "ABCD");
    Frame();
    EXPECT_EQ(Log(), "ABCDAD");
    EXPECT_EQ(NoticeTexts(w), (std::vector<std::string>{"unknown condition type : xor"})); // once
}

TEST_F(Runner, TheWalkGoesOnAfterRemovals) {
    AddTrigger(w, {{"leveltime(1)"}, {}, {"newvar(log,)", "deletethistrigger()"}});
    AddTrigger(w,
               {{"leveltime(1)"}, {}, {"setvar(log,var[log]1)", "deletetrigger(3)", "deletethistrigger()"}});
    AddTrigger(w, {{"leveltime(1)"}, {}, {"setvar(log,var[log]2)"}});
    AddTrigger(w, {{"leveltime(1)"}, {}, {"setvar(log,var[log]3)"}});
    AddTrigger(w, {{"leveltime(1)"}, {}, {"deletetrigger(2)", "setvar(log,var[log]4)"}});
    AddTrigger(w, {{"leveltime(1)"}, {}, {"setvar(log,var[log]5)"}});
    Frame();
    EXPECT_EQ(Log(), "1245");
    ASSERT_EQ(w.triggers.size(), 2u);
    EXPECT_EQ(w.triggers[0].id + w.triggers[1].id, 4 + 5);
}

TEST_F(Runner, ANewLevelEndsTheFrame) {
    ScratchFolder folder;
    {
        auto next = NewTestProgram();
        MakeBox(next->world, 0, 0, 50, "player");
        MakeBox(next->world, 100, 0, 50, "player2");
        AddTrigger(next->world, {{"levelstart()"}, {}, {"newvar(log,b)"}});
        ASSERT_TRUE(WriteLevel(next->world, next->camera, "levels\\b.lvl"));
    }
    AddTrigger(w, {{"leveltime(1)"}, {}, {"createinfowindow(Old)", "loadworld(b.lvl)", "newvar(late,1)"}});
    AddTrigger(w, {{"leveltime(1)"}, {}, {"newvar(log,a)"}});
    Frame();
    EXPECT_EQ(w.levelTime, 0);
    EXPECT_TRUE(w.variables.empty());
    EXPECT_TRUE(prog->gui.windows.empty()); // the info window went with its level
    Frame();
    EXPECT_EQ(Log(), "b");
}

// The program with the runner on: keys from the frame's one input sample, notices on the screen.
struct Playing : Runner {
    TempWorkDir dir;
    Playing() {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(1)\r\n");
        plat.ticks = 100000;
        EXPECT_TRUE(StartProgram(*prog, plat));
        prog->shell.triggersOn = true;
        prog->shell.paused = false;
    }
    void Frame() { RunFrame(*prog, plat); }
    bool Shown(const std::string& text, int x, int y) const {
        for (const DrawCall& c : plat.lastFrame)
            if (c.kind == DrawCall::Kind::Text && c.text == text && static_cast<int>(c.x1) == x &&
                static_cast<int>(c.y1) == y)
                return true;
        return false;
    }
};

TEST_F(Playing, KeysAreSharedNoticesShowForTheirTimeInfoWindowsLeaveToolsFree) {
    AddTrigger(w,
               {{"keyboardreleased(b )"},
                {},
                {"createcommandcallback(boost!,3,255,255,0)", "createinfowindow(A)", "createinfowindow(B)"}});
    plat.input.released[48] = true; // B
    plat.input.released[Key::Space] = true;
    Frame();
    EXPECT_TRUE(prog->shell.paused); // the editor saw Space as well
    const int x = (1280 - 6 * plat.textCharWidth) / 2;
    EXPECT_TRUE(Shown("boost!", x, 40));
    Frame();
    Frame();
    EXPECT_TRUE(Shown("boost!", x, 40)); // third frame: still there, although the world is paused
    Frame();
    EXPECT_FALSE(plat.FrameHasText("boost!"));
    EXPECT_TRUE(w.notices.empty());

    // The "Tools :" window stands in the info windows' column: they open left of it, 10 pixels apart.
    const Window* tools = FindWindow(prog->gui, prog->editor.toolsWindow);
    for (int32_t id : prog->triggerEngine.infoWindows) {
        const Window* info = FindWindow(prog->gui, id);
        EXPECT_EQ(info->x + info->width + 6 + 10 + 6, tools->x);
    }
}

// Batch runs of level files written here: --headless --triggers --frames N --save out.lvl.
struct Batch : ::testing::Test {
    ScratchFolder folder;
    TestPlatform plat;

    // A static block (id 2), a static bomb (id 3) beside a falling crate (id 4), portals 1 and 2 each
    // connected to itself, region 5, and the script under test.
    static void WriteScriptedLevel() {
        auto p = NewTestProgram();
        World& lw = p->world;
        lw.entities[static_cast<size_t>(MakeBox(lw, 0, 0, 20, "box"))].m = 0;
        lw.entities[static_cast<size_t>(MakeBox(lw, 300, 0, 20, "barrel"))].m = 0;
        MakeBox(lw, 330, 0, 20, "crate");
        for (int k = 0; k < 2; ++k) {
            Portal& portal = NewPortal(lw, 2000 + 100 * k, 0, 2000 + 100 * k, 50);
            portal.connected = portal.uid;
        }
        NewRegion(lw, 1000, 400, 1100, 500).id = 5;
        AddTrigger(lw, {{"levelstart()"},
                        {},
                        {"newvar(hits,0)", "createtimer(7)", "setentitypositiontoregion(2,5)",
                         "connectportal(2,99)"}});
        AddTrigger(lw, {{"timer(7,2)"}, {}, {"connectportal(1,2)", "incvar(hits,1)"}});
        AddTrigger(lw, {{"timer(7,3)"}, {"varvalue(hits,1)"}, {"explode(3,30)"}});
        AddTrigger(lw, {{"timer(7,3)"}, {"varvalue(hits,2)"}, {"connectportal(2,1)"}}); // hits is 1: no
        ASSERT_TRUE(WriteLevel(lw, p->camera, "levels\\scripted.lvl"));
    }

    // Runs the level and loads what the run saved.
    std::unique_ptr<Program> Play(bool triggers, int frames) {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(1)\r\n");
        Options opt;
        opt.headless = true;
        opt.frames = frames;
        opt.seedSet = true;
        opt.seed = 3;
        opt.load = "levels/scripted.lvl";
        opt.run = true;
        opt.triggers = triggers;
        opt.save = "out.lvl";
        EXPECT_EQ(RunProgram(opt, plat), 0);
        auto out = NewTestProgram();
        EXPECT_EQ(LoadLevel(*out, plat, "out.lvl"), 1);
        UpdateEntityBounds(out->world);
        return out;
    }
};

TEST_F(Batch, SavedResultsShowWhatTheScriptDid) {
    WriteScriptedLevel();
    auto quiet = Play(false, 30);
    auto played = Play(true, 30);
    const World& q = quiet->world;
    const World& p = played->world;

    // The static block moved onto the region's centre and stayed there.
    EXPECT_DOUBLE_EQ(q.entities[1].center.x, 10);
    EXPECT_DOUBLE_EQ(p.entities[1].center.x, 1050);
    EXPECT_DOUBLE_EQ(p.entities[1].center.y, 450);
    // Portal 1 leads to portal 2 since the timer reached 2, one way: portal 2 leads nowhere since the first
    // frame named it a portal that does not exist.
    ASSERT_EQ(p.portals.size(), 2u);
    EXPECT_EQ(p.portals[0].connected, p.portals[1].uid);
    EXPECT_EQ(p.portals[1].connected, 0u);
    EXPECT_EQ(q.portals[0].connected, q.portals[0].uid);
    // The bomb threw the crate to the right; without the script it fell straight down.
    EXPECT_DOUBLE_EQ(q.entities[3].center.x, 340);
    EXPECT_GT(p.entities[3].center.x, 345);
    EXPECT_DOUBLE_EQ(p.entities[2].center.x, 310); // the static bomb itself never moves
}

} // namespace
