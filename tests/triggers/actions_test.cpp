// The actions of a trigger.
#include <cmath>

#include <gtest/gtest.h>

#include "gui/gui.h"
#include "trigger_test_util.h"
#include "triggers/effects_pending.h"

namespace {

struct Actions : ::testing::Test {
    std::unique_ptr<Program> prog = NewTestProgram();
    World& w = prog->world;
    TestPlatform plat;

    int Do(std::initializer_list<const char*> actions) {
        return RunTrigger(*prog, plat, AddTrigger(w, {{}, {}, actions}));
    }
    const Variable* Var(const char* name) const { return FindVariable(w, name); }
    Vec2 Velocity(int32_t particle) const {
        const Particle& p = w.particles[static_cast<size_t>(particle)];
        return p.p - p.oldp;
    }
    std::vector<int32_t> BuffAmounts(const std::string& kind) const {
        std::vector<int32_t> out;
        for (const Buff& b : prog->effects.buffs)
            if (b.kind == kind) out.push_back(b.amount);
        return out;
    }
};

TEST_F(Actions, WordsIgnoreCaseArgumentsKeepIt) {
    EXPECT_EQ(
        Do({"NewVar(Score,5)", "SETVAR(Score,Six)", "newvar(score,1)", "IncVar(score,41)", "no word here",
            "Weather(Rain)", "weatherbg(10,20,30)", "CreateTip(Look up,1,2,3,4)", "jump(2)"}),
        1);
    EXPECT_EQ(Var("Score")->value, "Six");
    EXPECT_EQ(Var("score")->value, "42");
    EXPECT_EQ(w.weather, "Rain");
    EXPECT_EQ(w.weatherBackground, (std::array<int16_t, 3>{10, 20, 30}));
    ASSERT_EQ(w.tips.size(), 1u);
    EXPECT_EQ(w.tips[0].text, "Look up");
    EXPECT_EQ(w.tips[0].k1 + w.tips[0].k2 + w.tips[0].k3 + w.tips[0].k4, 10);
    EXPECT_EQ(NoticeTexts(w), (std::vector<std::string>{"unknown action : jump"}));
}

TEST_F(Actions, ArgumentsAreSubstituted) {
    Do({"newvar(b,7)", "newvar(a,0)", "newvar(c,0)", "setvar(a,var[b])", "setvar(c,var[missing])",
        "createcommandcallback(b is var[b],200,0,255,0)"});
    EXPECT_EQ(Var("a")->value, "7");
    EXPECT_EQ(Var("c")->value, "VAR(missing) NOT FOUND");
    ASSERT_EQ(w.notices.size(), 1u);
    EXPECT_EQ(w.notices[0].text, "b is 7");
    EXPECT_EQ(w.notices[0].duration, 200);
    EXPECT_EQ(w.notices[0].green, 255);
}

TEST_F(Actions, DeletingTriggers) {
    int16_t first = AddTrigger(w, {{}, {}, {"newvar(first,1)"}});
    int16_t self = AddTrigger(w, {{}, {}, {"deletethistrigger()", "newvar(after,1)"}});
    int16_t last = AddTrigger(w, {{}, {}, {"deletetrigger(77)", "deletetrigger(0)", "newvar(kept,1)"}});
    EXPECT_EQ(RunTrigger(*prog, plat, self), 0);
    EXPECT_EQ(Var("after"), nullptr);
    ASSERT_EQ(w.triggers.size(), 2u);
    EXPECT_EQ(w.currentTrigger, 0); // the one before it

    // Unknown ids change nothing; removing another trigger goes on with this one, current again.
    EXPECT_EQ(RunTrigger(*prog, plat, last), 1);
    EXPECT_NE(Var("kept"), nullptr);
    ASSERT_EQ(w.triggers.size(), 1u);
    EXPECT_EQ(w.triggers[0].id, last);
    EXPECT_EQ(w.currentTrigger, 0);
    EXPECT_EQ(first, 0);

    int16_t removesItself = AddTrigger(w, {{}, {}, {"deletetrigger(3)", "newvar(never,1)"}});
    EXPECT_EQ(removesItself, 3);
    EXPECT_EQ(RunTrigger(*prog, plat, removesItself), 0);
    EXPECT_EQ(Var("never"), nullptr);
    // The first trigger removing itself leaves the one after it current; the last one leaves none.
    w.triggers.clear();
    int16_t a = AddTrigger(w, {{}, {}, {"deletethistrigger()"}});
    AddTrigger(w, {{}, {}, {"deletethistrigger()"}});
    RunTrigger(*prog, plat, a);
    EXPECT_EQ(w.currentTrigger, 0);
    EXPECT_EQ(RunTrigger(*prog, plat, w.triggers[0].id), 0);
    EXPECT_TRUE(w.triggers.empty());
    EXPECT_EQ(w.currentTrigger, -1);
}

TEST_F(Actions, Abilities) {
    Do({"disableshock(2)", "disablegrab(-1)"});
    for (const PlayerDescriptor& d : w.playerDescriptors) EXPECT_EQ(d.shockDisabled + d.grabDisabled, 0);
    EXPECT_EQ(NoticeTexts(w), (std::vector<std::string>{"disableshock(1/0) -> parameter has to be 1 or 0",
                                                        "disablegrab(1/0) -> parameter has to be 1 or 0"}));
    w.notices.clear();
    Do({"disableshock(1)", "DisableGrab(1)", "disablegrab(0)"});
    for (const PlayerDescriptor& d : w.playerDescriptors) {
        EXPECT_EQ(d.shockDisabled, 1);
        EXPECT_EQ(d.grabDisabled, 0);
    }
    EXPECT_EQ(NoticeTexts(w), (std::vector<std::string>{"ability shock disabled!", "ability grab disabled!",
                                                        "ability grab enabled!"}));
    EXPECT_EQ(w.notices[0].blue, 250);
}

TEST_F(Actions, MovingBodiesKeepsOrGivesSpeed) {
    int32_t moving = BoxMoving(w, {7, 0}, {10, 0}); // id 2, 3 units a step to the right
    int32_t resting = BoxMoving(w, {50, 50}, {50, 50});
    NewRegion(w, 100, 200, 201, 300).id = 4;
    NewRegion(w, 0, 0, 40, 40).id = 9;
    Do({"setentitypositiontoregion(2,4)", "setentitypositiontoregion(2,8)",
        "setentitypositiontoregion(99,4)"});
    const Entity& e = w.entities[static_cast<size_t>(moving)];
    EXPECT_DOUBLE_EQ(e.center.x, 150.5);
    EXPECT_DOUBLE_EQ(e.center.y, 250);
    const int32_t p = e.particles[0];
    EXPECT_DOUBLE_EQ(w.particles[static_cast<size_t>(p)].p.x, 145.5);
    EXPECT_DOUBLE_EQ(Velocity(p).x, 3);

    Do({"boost(2,2.5)", "boost(3,100)", "boost(2,nan)"});
    EXPECT_DOUBLE_EQ(Velocity(p).x, 5.5);
    EXPECT_DOUBLE_EQ(Velocity(p).y, 0);
    for (int32_t q : w.entities[static_cast<size_t>(resting)].particles) EXPECT_EQ(Velocity(q).Length(), 0);
}

TEST_F(Actions, ExplosionPushesNeighboursAndNeverBurnsForever) {
    int32_t bomb = BoxMoving(w, {0, 0}, {0, 0});          // id 2, centre (0, 0)
    int32_t near = MakeBox(w, 10, 0, 10, "box");          // id 3, corner 10 units from the centre
    int32_t wall = MakeBox(w, -20, -5, 10, "wall");       // static
    int32_t onTop = BoxMoving(w, {5.2, 5.2}, {5.2, 5.2}); // id 5: a corner within half a unit of the centre
    w.entities[static_cast<size_t>(wall)].m = 0;
    UpdateEntityBounds(w);
    const auto& np = w.entities[static_cast<size_t>(near)].particles;
    Do({"explode(2,10)"});

    // (10, 0): D = 100 < 15², L = 10, pushed by 10 / sqrt(10) straight away from the centre.
    EXPECT_NEAR(w.particles[static_cast<size_t>(np[0])].p.x, 10 + std::sqrt(10.0), 1e-9);
    EXPECT_DOUBLE_EQ(w.particles[static_cast<size_t>(np[0])].p.y, 0);
    EXPECT_DOUBLE_EQ(w.particles[static_cast<size_t>(np[1])].p.x, 20); // (20, 0): out of reach
    EXPECT_EQ(Velocity(w.entities[static_cast<size_t>(wall)].particles[0]).Length(), 0);
    EXPECT_EQ(Velocity(w.entities[static_cast<size_t>(bomb)].particles[0]).Length(), 0);
    // (0.2, 0.2): rounds to the centre, thrown straight up by the strength.
    const Particle& centre =
        w.particles[static_cast<size_t>(w.entities[static_cast<size_t>(onTop)].particles[0])];
    EXPECT_NEAR(centre.p.x, 0.2, 1e-6);
    EXPECT_NEAR(centre.p.y, 0.2 - 10, 1e-6);

    EXPECT_EQ(BuffAmounts("explosion").size(), 1u);
    // The amount of each neighbour's fire is Random(45) - 10, often below 0: such a fire ends at once.
    for (int round = 0; round < 20; ++round) Do({"explode(2,10)"});
    auto fires = BuffAmounts("fire");
    EXPECT_GT(fires.size(), 25u);
    for (int32_t a : fires) EXPECT_GE(a, 0);
}

TEST_F(Actions, BuffsAndPortals) {
    BoxMoving(w, {0, 0}, {0, 0});
    Do({"addbuff(2,water,30)", "addbuff(2,fire,-1)", "addbuff(2,lava,5)", "addbuff(2,Fire,5)",
        "addbuff(99,fire,5)"});
    EXPECT_EQ(BuffAmounts("water"), (std::vector<int32_t>{30}));
    EXPECT_EQ(BuffAmounts("fire"), (std::vector<int32_t>{0}));
    EXPECT_EQ(prog->effects.buffs.size(), 2u);

    const int32_t ida = NewPortal(w, 0, 0, 0, 50).id;
    const Portal& b = NewPortal(w, 100, 0, 100, 50);
    const int32_t idb = b.id;
    const uint32_t uidb = b.uid;
    Do({("connectportal(" + std::to_string(ida) + "," + std::to_string(idb) + ")").c_str()});
    EXPECT_EQ(FindPortalById(w, ida)->connected, uidb);
    EXPECT_EQ(FindPortalById(w, idb)->connected, 0u); // one direction only
    Do({("connectportal(" + std::to_string(ida) + ",999)").c_str(), "connectportal(999,1)"});
    EXPECT_EQ(FindPortalById(w, ida)->connected, 0u);
}

TEST_F(Actions, InfoWindowsStackAndBelongToTheirLevel) {
    Do({"createinfowindow(Score)", "createinfowindow(Time)", "setwindowtext(12 points)"});
    auto& ids = prog->triggerEngine.infoWindows;
    ASSERT_EQ(ids.size(), 2u);
    const Window* first = FindWindow(prog->gui, ids[0]);
    const Window* second = FindWindow(prog->gui, ids[1]);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->title, "Score");
    EXPECT_EQ(first->x, 1280 - 6 - 160);
    EXPECT_EQ(first->y, 16);
    EXPECT_EQ(second->y - first->y, 102);
    EXPECT_EQ(first->width, 150);
    EXPECT_EQ(first->height, 80);
    EXPECT_EQ(first->closeState + first->minimiseState + first->maximiseState, -3);
    ASSERT_EQ(first->labels.size(), 1u);
    EXPECT_EQ(first->labels[0].x, 5);
    EXPECT_EQ(first->labels[0].y, 40);
    EXPECT_EQ(first->labels[0].text, "");
    EXPECT_EQ(second->labels[0].text, "12 points");

    // A window the editor opens later is never written into.
    int32_t panel = OpenWindow(prog->gui, 0, 0, 200, 200, "Box", 100);
    AddLabel(prog->gui, panel, 5, 5, "mass");
    Do({"setwindowtext(13 points)"});
    EXPECT_EQ(FindWindow(prog->gui, panel)->labels[0].text, "mass");
    EXPECT_EQ(FindWindow(prog->gui, ids[1])->labels[0].text, "13 points");

    const std::vector<int32_t> before = ids;
    ResetTriggerEngine(*prog, plat);
    EXPECT_EQ(FindWindow(prog->gui, before[0]), nullptr);
    EXPECT_EQ(prog->gui.windows.size(), 1u);
    Do({"createinfowindow(Again)"});
    EXPECT_EQ(FindWindow(prog->gui, prog->triggerEngine.infoWindows[0])->y, 16);

    for (int i = 0; i < kMaxInfoWindows + 3; ++i) Do({"createinfowindow(More)"});
    EXPECT_EQ(prog->triggerEngine.infoWindows.size(), static_cast<size_t>(kMaxInfoWindows));
    EXPECT_EQ(w.notices.back().text, "createinfowindow(More) -> too many info windows");
}

TEST_F(Actions, ProgressionLoadsStopTheActions) {
    ScratchFolder folder;
    {
        auto other = NewTestProgram();
        MakeBox(other->world, 0, 0, 50, "player");
        MakeBox(other->world, 100, 0, 50, "player2");
        ASSERT_TRUE(WriteLevel(other->world, other->camera, "levels\\next_2.lvl"));
    }
    prog->shell.currentFolder = "levels\\";
    // A missing file: its notice, and the actions go on.
    EXPECT_EQ(Do({"loadworld(gone.lvl)", "newvar(went on,1)"}), 1);
    EXPECT_NE(Var("went on"), nullptr);
    EXPECT_EQ(w.notices.back().text, "levels\\gone.lvl not loaded...");
    // The folder is added once.
    EXPECT_EQ(Do({"loadworld(next_2.lvl)", "newvar(too far,1)"}), 0);
    EXPECT_EQ(prog->shell.levelPath, "levels\\next_2.lvl");
    EXPECT_EQ(w.entityCount, 2);
    EXPECT_EQ(Var("too far"), nullptr);
    EXPECT_EQ(Do({"startnextworld()", "newvar(on,1)"}), 1); // next_3.lvl does not exist
    EXPECT_EQ(w.notices.back().text, "levels\\next_3.lvl not loaded.");
    EXPECT_EQ(Do({"restartlevel()"}), 0);
    EXPECT_EQ(Var("on"), nullptr); // the variables went with the reload
    Do({"savemomentanlevel()"});
    EXPECT_EQ(ReadFileBytes("level.ini"), "Level(levels\\next_2.lvl)");
}

} // namespace
