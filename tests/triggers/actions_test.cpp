// The actions of a trigger.
#include <cmath>

#include <gtest/gtest.h>

#include "effects/effects.h"
#include "gui/gui.h"
#include "trigger_test_util.h"

namespace {

struct Actions : ::testing::Test {
    std::unique_ptr<Program> prog = NewTestProgram();
    World& w = prog->world;
    TestPlatform plat;

    int Do(std::initializer_list<const char*> actions) {
        return RunTrigger(*prog, plat, AddTrigger(w, {{}, {}, actions}));
    }
    std::string Var(const char* name) const {
        const Variable* v = FindVariable(w, name);
        return v ? v->value : "(none)";
    }
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

TEST_F(Actions, WordsIgnoreCaseArgumentsAreSubstituted) {
    EXPECT_EQ(Do({"NewVar(Score,5)", "newvar(b,7)", "SETVAR(Score,var[b])", "newvar(score,var[missing])",
                  "no word here", "Weather(Rain)", "jump(2)",
                  "createcommandcallback(b is var[b],200,0,255,0)", "disableshock(2)"}),
              1);
    EXPECT_EQ(Var("Score"), "7");
    EXPECT_EQ(Var("score"), "VAR(missing) NOT FOUND");
    EXPECT_EQ(w.weather, "Rain");
    EXPECT_EQ(NoticeTexts(w), (std::vector<std::string>{"unknown action : jump", "b is 7",
                                                        "disableshock(1/0) -> parameter has to be 1 or 0"}));
    EXPECT_EQ(w.notices[1].duration + w.notices[1].green, 455);
    for (const PlayerDescriptor& d : w.playerDescriptors) EXPECT_EQ(d.shockDisabled, 0);
}

TEST_F(Actions, DeletingTriggers) {
    AddTrigger(w, {{}, {}, {"newvar(first,1)"}});
    int16_t self = AddTrigger(w, {{}, {}, {"deletethistrigger()", "newvar(after,1)"}});
    int16_t last = AddTrigger(w, {{}, {}, {"deletetrigger(77)", "deletetrigger(0)", "newvar(kept,1)"}});
    EXPECT_EQ(RunTrigger(*prog, plat, self), 0);
    EXPECT_EQ(Var("after"), "(none)");
    EXPECT_EQ(w.currentTrigger, 0); // the one before it
    // Unknown ids change nothing; removing another trigger goes on, with this one current again.
    EXPECT_EQ(RunTrigger(*prog, plat, last), 1);
    EXPECT_EQ(Var("kept"), "1");
    ASSERT_EQ(w.triggers.size(), 1u);
    EXPECT_EQ(w.currentTrigger, 0);
    int16_t removesItself = AddTrigger(w, {{}, {}, {"deletetrigger(3)", "newvar(never,1)"}});
    EXPECT_EQ(RunTrigger(*prog, plat, removesItself), 0);
    EXPECT_EQ(Var("never"), "(none)");
}

TEST_F(Actions, MovingBodiesKeepsOrGivesSpeed) {
    int32_t moving = BoxMoving(w, {7, 0}, {10, 0}); // id 2, 3 units a step to the right
    int32_t resting = BoxMoving(w, {50, 50}, {50, 50});
    NewRegion(w, 100, 200, 201, 300).id = 4;
    Do({"setentitypositiontoregion(2,4)", "setentitypositiontoregion(2,8)",
        "setentitypositiontoregion(99,4)"});
    const Entity& e = w.entities[static_cast<size_t>(moving)];
    EXPECT_EQ(e.center, (Vec2{150.5, 250}));
    const int32_t p = e.particles[0];
    EXPECT_DOUBLE_EQ(Velocity(p).x, 3);
    Do({"boost(2,2.5)", "boost(3,100)", "boost(2,nan)"});
    EXPECT_EQ(Velocity(p), (Vec2{5.5, 0}));
    for (int32_t q : w.entities[static_cast<size_t>(resting)].particles) EXPECT_EQ(Velocity(q).Length(), 0);
}

TEST_F(Actions, ExplosionPushesNeighboursAndNeverBurnsForever) {
    BoxMoving(w, {0, 0}, {0, 0});                         // id 2, the bomb, centre (0, 0)
    int32_t near = MakeBox(w, 10, 0, 10, "box");          // a corner 10 units from the centre
    int32_t wall = MakeBox(w, -20, -5, 10, "wall");       // static
    int32_t onTop = BoxMoving(w, {5.2, 5.2}, {5.2, 5.2}); // a corner within half a unit of the centre
    w.entities[static_cast<size_t>(wall)].m = 0;
    UpdateEntityBounds(w);
    const auto& np = w.entities[static_cast<size_t>(near)].particles;
    Do({"explode(2,10)"});
    // (10, 0): D = 100 < 15², L = 10: pushed 10 / sqrt(10) away from the centre; (20, 0) is out of reach.
    EXPECT_NEAR(w.particles[static_cast<size_t>(np[0])].p.x, 10 + std::sqrt(10.0), 1e-9);
    EXPECT_DOUBLE_EQ(w.particles[static_cast<size_t>(np[1])].p.x, 20);
    EXPECT_EQ(Velocity(w.entities[static_cast<size_t>(wall)].particles[0]).Length(), 0);
    // (0.2, 0.2) rounds to the centre: thrown straight up by the strength.
    EXPECT_NEAR(Velocity(w.entities[static_cast<size_t>(onTop)].particles[0]).y, -10, 1e-6);
    EXPECT_EQ(BuffAmounts("explosion").size(), 1u);

    // A neighbour's fire lasts Random(45) - 10 frames, often below 0; addbuff may ask for -1. Neither burns
    // forever.
    for (int round = 0; round < 20; ++round) Do({"explode(2,10)"});
    Do({"addbuff(2,fire,-1)", "addbuff(2,lava,5)", "addbuff(99,fire,5)", "addbuff(2,water,30)"});
    EXPECT_EQ(BuffAmounts("water"), (std::vector<int32_t>{30}));
    auto fires = BuffAmounts("fire");
    EXPECT_GT(fires.size(), 25u);
    EXPECT_EQ(*std::min_element(fires.begin(), fires.end()), 0);
}

TEST_F(Actions, InfoWindowsStackAndBelongToTheirLevel) {
    Do({"createinfowindow(Score)", "createinfowindow(Time)", "setwindowtext(12 points)"});
    const std::vector<int32_t> ids = prog->triggerEngine.infoWindows;
    ASSERT_EQ(ids.size(), 2u);
    const Window* first = FindWindow(prog->gui, ids[0]);
    const Window* second = FindWindow(prog->gui, ids[1]);
    EXPECT_EQ(std::vector<int>({first->x, first->y, first->width, first->height, second->y}),
              std::vector<int>({1280 - 6 - 160, 16, 150, 80, 16 + 102}));
    EXPECT_EQ(first->closeState + first->minimiseState + first->maximiseState, -3);
    EXPECT_EQ(second->labels[0].text, "12 points");
    // A window the editor opens later is never written into.
    int32_t panel = OpenWindow(prog->gui, 0, 0, 200, 200, "Box", 100);
    AddLabel(prog->gui, panel, 5, 5, "mass");
    Do({"setwindowtext(13 points)"});
    EXPECT_EQ(FindWindow(prog->gui, panel)->labels[0].text, "mass");
    EXPECT_EQ(second->labels[0].text, "13 points");

    LoadLevelText(*prog, plat, "");
    EXPECT_EQ(FindWindow(prog->gui, ids[0]), nullptr);
    EXPECT_EQ(prog->gui.windows.size(), 1u);
    Do({"createinfowindow(Again)"});
    EXPECT_EQ(FindWindow(prog->gui, prog->triggerEngine.infoWindows[0])->y, 16);
}

TEST_F(Actions, ProgressionLoadsStopTheActions) {
    ScratchFolder folder;
    {
        auto other = NewTestProgram();
        MakeBox(other->world, 0, 0, 50, "player");
        MakeBox(other->world, 100, 0, 50, "player2");
        ASSERT_TRUE(WriteLevel(other->world, other->camera, "levels\\next_2.lvl"));
    }
    EXPECT_EQ(Do({"loadworld(gone.lvl)", "newvar(went on,1)"}), 1);
    EXPECT_EQ(Var("went on"), "1");
    EXPECT_EQ(w.notices.back().text, "levels\\gone.lvl not loaded...");
    EXPECT_EQ(Do({"loadworld(next_2.lvl)", "newvar(too far,1)"}), 0); // the folder is added once
    EXPECT_EQ(prog->shell.levelPath, "levels\\next_2.lvl");
    EXPECT_EQ(Var("too far"), "(none)");
    EXPECT_EQ(Do({"startnextworld()", "newvar(on,1)"}), 1); // next_3.lvl does not exist
    EXPECT_EQ(Do({"restartlevel()"}), 0);
    EXPECT_EQ(Var("on"), "(none)"); // the variables went with the reload
}

} // namespace
