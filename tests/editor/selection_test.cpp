// Selecting bodies and acting on the selection, turning and scaling, driven through the whole program as a
// user at the mouse and keyboard would.
#include <cmath>
#include <fstream>

#include "editor_fixture.h"
#include "level/level.h"
#include "shell/history.h"
#include "shell/levels.h"
#include "shell/options.h"
#include "world/builders.h"

namespace {

// Three 50-unit boxes in a paused world, one screen pixel a world unit: A at 100..150, B at 200..250 and
// C at 400..450, all from y 100 to 150.
class SelectionTest : public EditorTest {
protected:
    int32_t a = 0, b = 0, c = 0; // entity ids

    void SetUp() override {
        EditorTest::SetUp();
        a = BoxAt(100, 100);
        b = BoxAt(200, 100);
        c = BoxAt(400, 100);
        Rest(W / 2, H / 2);
    }
    int32_t BoxAt(int x, int y) {
        const int32_t slot = NewBox(world(), prog->rng, x, y, x + 50, y + 50, 1, 1, 1, 1);
        return world().entities[static_cast<size_t>(slot)].id;
    }
    int32_t FindLiquidBoxOf(int32_t slot) {
        for (int32_t i = 1; i <= world().liquidBoxCount; ++i)
            if (world().liquidBoxes[static_cast<size_t>(i)].container == slot) return i;
        return 0;
    }
    const Entity& Body(int32_t id) {
        return world().entities[static_cast<size_t>(FindEntityById(world(), id))];
    }

    void Hold(int scan, bool down) { plat.input.down[static_cast<size_t>(scan)] = down; }
    void CtrlKey(int scan) {
        Hold(Key::LeftControl, true);
        Key(scan);
        Hold(Key::LeftControl, false);
    }
    void CtrlDrag(int x1, int y1, int x2, int y2) {
        Hold(Key::LeftControl, true);
        Drag(x1, y1, x2, y2);
        Hold(Key::LeftControl, false);
        Rest(x2, y2, 3);
    }
    void CtrlClick(int x, int y) {
        Hold(Key::LeftControl, true);
        Click(x, y);
        Hold(Key::LeftControl, false);
        Rest(x, y, 3);
    }
    // Notches of the wheel, one a frame, with the modifiers given held.
    void Wheel(int notches, bool control, bool shift) {
        Hold(Key::LeftControl, control);
        Hold(Key::LeftShift, shift);
        for (int i = 0; i < std::abs(notches); ++i) {
            plat.input.wheel = notches > 0 ? 1 : -1;
            Frame(mx, my);
        }
        Hold(Key::LeftControl, false);
        Hold(Key::LeftShift, false);
        Frame(mx, my);
    }
    std::vector<Vec2> Corners(int32_t id) {
        std::vector<Vec2> out;
        for (int32_t s : Body(id).particles) out.push_back(world().particles[static_cast<size_t>(s)].p);
        return out;
    }
    size_t CyanLines() {
        size_t n = 0;
        for (const DrawCall& d : plat.CallsOf(DrawCall::Kind::Line, plat.lastFrame))
            n += d.rgb == Rgb(0, 255, 255);
        return n;
    }
};

TEST_F(SelectionTest, CtrlDragSelectsTwoBoxesAndDeleteRemovesBothAsOneStep) {
    CtrlDrag(80, 80, 280, 180); // around A and B, not C
    EXPECT_EQ(ed().selection, (std::vector<int32_t>{a, b}));
    EXPECT_EQ(CyanLines(), 8u);        // an outline round each
    EXPECT_EQ(world().entityCount, 3); // the tool took no click

    Key(Key::Delete);
    ASSERT_EQ(world().entityCount, 1);
    EXPECT_EQ(LastEntity().id, c);
    EXPECT_TRUE(ed().selection.empty());

    CtrlKey(Key::Z);
    EXPECT_EQ(world().entityCount, 3);
    EXPECT_TRUE(ed().selection.empty()); // undo clears it
    CtrlKey(Key::Z);
    EXPECT_EQ(StatusText(ed()), "nothing to undo"); // the delete was one step
}

TEST_F(SelectionTest, CtrlClickTogglesAndTheFirstEscapeOnlyClears) {
    CtrlClick(125, 125);
    CtrlClick(425, 125);
    EXPECT_EQ(ed().selection, (std::vector<int32_t>{a, c}));
    CtrlClick(125, 125);
    EXPECT_EQ(ed().selection, (std::vector<int32_t>{c}));

    plat.input.down[Key::Escape] = true;
    EXPECT_TRUE(RunFrame(*prog, plat)); // a selection: Escape clears it and the program goes on
    plat.input.down[Key::Escape] = false;
    EXPECT_TRUE(ed().selection.empty());
    EXPECT_TRUE(RunFrame(*prog, plat));
    plat.input.down[Key::Escape] = true;
    EXPECT_FALSE(RunFrame(*prog, plat)); // no selection, no unsaved change: it quits
}

TEST_F(SelectionTest, PlacingAndLoadingClearTheSelection) {
    CtrlClick(125, 125);
    ASSERT_EQ(ed().selection.size(), 1u);
    Pick(kStandards, "Box");
    Click(700, 500);
    EXPECT_EQ(world().entityCount, 4);
    EXPECT_TRUE(ed().selection.empty());

    CtrlClick(125, 125);
    ASSERT_EQ(ed().selection.size(), 1u);
    WriteLevel(world(), prog->camera, "levels\\three.lvl");
    ASSERT_EQ(LoadLevel(*prog, plat, "levels\\three.lvl"), 1);
    EXPECT_TRUE(ed().selection.empty());
}

TEST_F(SelectionTest, RightDragOnASelectedBodyOfAPausedWorldMovesTheSelection) {
    CtrlDrag(80, 80, 280, 180);
    const Vec2 a0 = Corners(a)[0], b0 = Corners(b)[0], c0 = Corners(c)[0];
    Drag(125, 125, 165, 145, true);
    EXPECT_EQ(Corners(a)[0] - a0, (Vec2{40, 20}));
    EXPECT_EQ(Corners(b)[0] - b0, (Vec2{40, 20}));
    EXPECT_EQ(Corners(c)[0], c0);
    CtrlKey(Key::Z);
    EXPECT_EQ(Corners(a)[0], a0);
    EXPECT_EQ(Corners(b)[0], b0);
}

TEST_F(SelectionTest, CtrlDDuplicatesTheSelectionAndSelectsTheCopies) {
    CtrlDrag(80, 80, 280, 180);
    Rest(700, 700);
    CtrlKey(32); // D
    ASSERT_EQ(world().entityCount, 5);
    ASSERT_EQ(ed().selection.size(), 2u);
    EXPECT_EQ(Corners(ed().selection[0])[0] - Corners(a)[0], (Vec2{20, 20}));
    EXPECT_EQ(Corners(ed().selection[1])[0] - Corners(b)[0], (Vec2{20, 20}));
    CtrlKey(Key::Z);
    EXPECT_EQ(world().entityCount, 3);
}

// Each corner of a box turned `degrees` clockwise on the screen about `centre`, against `before`.
void ExpectTurned(const std::vector<Vec2>& before, const std::vector<Vec2>& after, Vec2 centre,
                  double degrees) {
    const double r = degrees * 3.14159265358979323846 / 180;
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        const Vec2 d = before[i] - centre;
        EXPECT_NEAR(after[i].x, centre.x + d.x * std::cos(r) - d.y * std::sin(r), 1e-9) << i;
        EXPECT_NEAR(after[i].y, centre.y + d.x * std::sin(r) + d.y * std::cos(r), 1e-9) << i;
    }
}

TEST_F(SelectionTest, ThreeNotchesOfCtrlWheelTurnTheBoxUnderTheMouse45Degrees) {
    const std::vector<Vec2> before = Corners(c);
    const double zoom = prog->camera.zoom;
    Rest(425, 125);
    Wheel(3, true, false);
    ExpectTurned(before, Corners(c), {425, 125}, 45);
    EXPECT_EQ(prog->camera.zoom, zoom); // the wheel did not zoom
    for (int32_t s : Body(c).particles) // at rest it stays at rest
        EXPECT_EQ(world().particles[static_cast<size_t>(s)].p,
                  world().particles[static_cast<size_t>(s)].oldp);
    EXPECT_EQ(Corners(a)[0], (Vec2{100, 100})); // the others stay

    Wheel(-2, true, true); // with Shift a notch is one degree
    ExpectTurned(before, Corners(c), {425, 125}, 43);
    EXPECT_EQ(prog->history.undo.size(), 5u); // a step a notch
}

TEST_F(SelectionTest, TwoNotchesOfShiftWheelScaleTheBox121TimesWithItsRestLengths) {
    std::vector<float> lengths;
    for (int32_t k = 1; k <= world().constraintCount; ++k)
        lengths.push_back(world().constraints[static_cast<size_t>(k)].length);
    Rest(425, 125);
    Wheel(2, false, true);
    const std::vector<Vec2> after = Corners(c);
    EXPECT_NEAR(after[0].x, 425 - 25 * 1.21, 1e-9);
    EXPECT_NEAR(after[0].y, 125 - 25 * 1.21, 1e-9);
    EXPECT_NEAR(Body(c).bmax.x - Body(c).bmin.x, 50 * 1.21, 1e-9);
    for (int32_t k = 1; k <= world().constraintCount; ++k) {
        const Constraint& con = world().constraints[static_cast<size_t>(k)];
        const bool ofC = world().particles[static_cast<size_t>(con.p1)].parent == FindEntityById(world(), c);
        EXPECT_NEAR(con.length, lengths[static_cast<size_t>(k - 1)] * (ofC ? 1.21f : 1), 1e-3) << k;
    }
    Wheel(-2, false, true);
    EXPECT_NEAR(Corners(c)[0].x, 400, 1e-9); // back, within rounding
}

TEST_F(SelectionTest, ATooSmallOrTooLargeScaleIsRefused) {
    Rest(425, 125);
    Wheel(-34, false, true); // 50 / 1.1^33 = 2.15 units; one more notch is too small
    EXPECT_NEAR(Body(c).bmax.x - Body(c).bmin.x, 50 / std::pow(1.1, 33), 1e-6);
    EXPECT_EQ(StatusText(ed()), "not scaled: a side would be shorter than 2 units.");
    Wheel(100, false, true); // 2.15 * 1.1^100 is about 30,000
    EXPECT_LE(Body(c).bmax.x - Body(c).bmin.x, kMaxSide);
    EXPECT_EQ(StatusText(ed()), "not scaled: a side would be longer than 10,000 units.");
}

TEST_F(SelectionTest, ASelectionTurnsAboutItsCommonCentreAndTakesItsLiquid) {
    const int32_t slot = NewAquarium(world(), prog->rng, 600, 100);
    ASSERT_NE(slot, 0);
    const int32_t aquarium = world().entities[static_cast<size_t>(slot)].id;
    const int32_t box = FindLiquidBoxOf(slot);
    ASSERT_NE(box, 0);
    Rest(W / 2, H / 2);
    CtrlDrag(180, 80, 800, 300); // B, C and the aquarium
    ASSERT_EQ(ed().selection.size(), 3u);
    Vec2 centre;
    size_t n = 0;
    for (int32_t id : ed().selection)
        for (Vec2 p : Corners(id)) {
            centre += p;
            ++n;
        }
    centre = centre / static_cast<double>(n);
    const std::vector<Vec2> bBefore = Corners(b), aqBefore = Corners(aquarium);
    std::vector<Vec2> liquidBefore;
    for (const LiquidParticle& lp : world().liquidBoxes[static_cast<size_t>(box)].particles)
        liquidBefore.push_back(lp.p);
    Rest(1000, 900); // the mouse away from every body: the selection turns all the same
    Wheel(6, true, false);
    ExpectTurned(bBefore, Corners(b), centre, 90);
    ExpectTurned(aqBefore, Corners(aquarium), centre, 90);
    std::vector<Vec2> liquidAfter;
    for (const LiquidParticle& lp : world().liquidBoxes[static_cast<size_t>(box)].particles)
        liquidAfter.push_back(lp.p);
    ASSERT_FALSE(liquidBefore.empty());
    // A paused world keeps its liquid in its box: what the turn moved stays inside the turned box.
    const Entity& aq = Body(aquarium);
    for (Vec2 p : liquidAfter) {
        EXPECT_GE(p.x, aq.bmin.x);
        EXPECT_LE(p.x, aq.bmax.x);
        EXPECT_GE(p.y, aq.bmin.y);
        EXPECT_LE(p.y, aq.bmax.y);
    }
    EXPECT_EQ(Corners(a)[0], (Vec2{100, 100}));
}

// Copy A and B (a joint between them, a light on A, a marker on B), start a new level, paste with the mouse
// elsewhere: the copies arrive centred at the mouse with new ids, joint, light and marker, and are selected.
TEST_F(SelectionTest, CopyThenNewThenPasteBringsTheBodiesWithTheirJointLightAndMarker) {
    const int32_t slotA = FindEntityById(world(), a), slotB = FindEntityById(world(), b);
    const auto& pa = world().entities[static_cast<size_t>(slotA)].particles;
    const auto& pb = world().entities[static_cast<size_t>(slotB)].particles;
    ASSERT_NE(NewConstraint(world(), kWorldEntity, pa[1], pb[0], 1), 0);
    ASSERT_EQ(AddLight(world(), pa[0], 100, 10, "green", a), 1);
    world().markers.push_back({slotB, b, 1, world().NewUid()});
    CtrlDrag(80, 80, 280, 180);
    Rest(900, 900);
    CtrlKey(46); // C
    EXPECT_EQ(plat.clipboard, ed().clipboard);
    EXPECT_EQ(plat.clipboard.find("Entity(1.000000,1.000000,2,"), plat.clipboard.find("Entity("));

    CtrlKey(Key::N);
    ASSERT_EQ(world().entityCount, 0);
    Rest(700, 500);
    CtrlKey(47); // V
    ASSERT_EQ(world().entityCount, 2);
    EXPECT_EQ(ed().selection.size(), 2u);
    EXPECT_EQ(world().lights.size(), 1u);
    EXPECT_EQ(world().markers.size(), 1u);
    int joints = 0;
    for (int32_t k = 1; k <= world().constraintCount; ++k) {
        const Constraint& con = world().constraints[static_cast<size_t>(k)];
        joints += con.parent == kWorldEntity && world().particles[static_cast<size_t>(con.p1)].parent !=
                                                    world().particles[static_cast<size_t>(con.p2)].parent;
    }
    EXPECT_EQ(joints, 1);
    // The two boxes spanned 100..250 x 100..150: centred at (700, 500) they span 625..775 x 475..525.
    EXPECT_EQ(Corners(ed().selection[0])[0], (Vec2{625, 475}));
    EXPECT_EQ(Corners(ed().selection[1])[0], (Vec2{725, 475}));
    CtrlKey(Key::Z);
    EXPECT_EQ(world().entityCount, 0); // the paste was one step
}

TEST_F(SelectionTest, CutRemovesTheBodyUnderTheMouseAndPasteGivesItBack) {
    Rest(425, 125);
    CtrlKey(45); // X
    ASSERT_EQ(world().entityCount, 2);
    CtrlKey(Key::Z);
    ASSERT_EQ(world().entityCount, 3);
    CtrlKey(Key::Y);
    ASSERT_EQ(world().entityCount, 2);
    Rest(425, 325);
    CtrlKey(47); // V
    ASSERT_EQ(world().entityCount, 3);
    EXPECT_EQ(Corners(LastEntity().id)[0], (Vec2{400, 300}));
}

TEST_F(SelectionTest, TextThatHoldsNoBodyOrTooMuchPastesNothingAndSaysWhy) {
    plat.clipboard = "dear diary,\r\nParticle(1,2,3)\r\n";
    CtrlKey(47); // V
    EXPECT_EQ(world().entityCount, 3);
    EXPECT_EQ(StatusText(ed()).rfind("nothing pasted: ", 0), 0u) << StatusText(ed());
    EXPECT_TRUE(prog->history.undo.empty());

    // A liquid table one box short of full: two aquariums do not fit.
    for (int i = 0; world().liquidBoxCount < kMaxLiquidBoxes - 1; ++i)
        ASSERT_NE(NewAquarium(world(), prog->rng, 1000 + 60 * (i % 20), 400 + 60 * (i / 20)), 0);
    Rest(W / 2, H / 2);
    const int32_t entities = world().entityCount;
    CtrlDrag(990, 390, 1130, 470); // two aquariums
    ASSERT_EQ(ed().selection.size(), 2u);
    CtrlKey(46); // C
    CtrlKey(47); // V
    EXPECT_EQ(world().entityCount, entities);
    EXPECT_EQ(StatusText(ed()), "not enough room: nothing pasted.");
    CtrlKey(32); // D
    EXPECT_EQ(world().entityCount, entities);
    EXPECT_EQ(StatusText(ed()), "not enough room: nothing duplicated.");
}

// Scripted sessions on a level of three boxes (A, B, C as above): the program run whole, as a recording
// replays, and the level saved at the end.
class SelectionScript : public ::testing::Test {
protected:
    TempWorkDir dir;

    // The level saved after `script` played on the three boxes.
    std::string Play(const std::string& script, int frames) {
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(0)\r\n");
        World w;
        ResetWorld(w);
        Rng rng;
        for (int x : {100, 200, 400}) NewBox(w, rng, x, 100, x + 50, 150, 1, 1, 1, 1);
        std::filesystem::create_directories("levels");
        EXPECT_TRUE(WriteLevel(w, Camera{}, "levels\\three.lvl"));
        TempWorkDir::Write("session.txt", script);
        TestPlatform plat;
        Options opt;
        opt.headless = true;
        opt.frames = frames;
        opt.seedSet = true;
        opt.input = "session.txt";
        opt.load = "levels/three.lvl";
        opt.save = "after.lvl";
        EXPECT_EQ(RunProgram(opt, plat), 0);
        return TempWorkDir::Read("after.lvl");
    }
    static std::vector<std::string> Lines(const std::string& text, const std::string& keyword) {
        std::vector<std::string> out;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = std::min(text.find("\r\n", start), text.size());
            if (text.compare(start, keyword.size(), keyword) == 0)
                out.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return out;
    }
};

constexpr const char* kSelectAandBThenDelete = "5 mouse 80 80\n"
                                               "6 key LeftControl down\n"
                                               "8 press left\n"
                                               "10 mouse 180 130\n"
                                               "12 mouse 280 180\n"
                                               "14 release left\n"
                                               "16 key LeftControl up\n"
                                               "20 key Delete down\n"
                                               "21 key Delete up\n";

TEST_F(SelectionScript, CtrlDragAroundTwoOfThreeBoxesAndDeleteLeavesOneAndCtrlZGivesThree) {
    const std::string after = Play(kSelectAandBThenDelete, 30);
    ASSERT_EQ(Lines(after, "Entity(").size(), 1u);
    EXPECT_EQ(Lines(after, "Particle(")[0].rfind("Particle(400,100,", 0), 0u);
    const std::string undone = Play(std::string(kSelectAandBThenDelete) + "25 key LeftControl down\n"
                                                                          "26 key Z down\n"
                                                                          "27 key Z up\n"
                                                                          "28 key LeftControl up\n",
                                    35);
    EXPECT_EQ(Lines(undone, "Entity(").size(), 3u);
}

TEST_F(SelectionScript, CtrlCOnABoxAndCtrlVElsewhereGivesASecondBoxCentredAtTheMouse) {
    const std::string after = Play("5 mouse 425 125\n"
                                   "6 key LeftControl down\n"
                                   "7 key C down\n"
                                   "8 key C up\n"
                                   "9 key LeftControl up\n"
                                   "12 mouse 700 500\n"
                                   "14 key LeftControl down\n"
                                   "15 key V down\n"
                                   "16 key V up\n"
                                   "17 key LeftControl up\n",
                                   25);
    const auto particles = Lines(after, "Particle(");
    ASSERT_EQ(Lines(after, "Entity(").size(), 4u);
    ASSERT_EQ(particles.size(), 16u);
    EXPECT_EQ(particles[12].rfind("Particle(675,475,675,475,", 0), 0u) << particles[12];
    EXPECT_EQ(particles[14].rfind("Particle(725,525,725,525,", 0), 0u) << particles[14];
}

// Without the program: a joint between two scaled bodies scales with them, one to a body left alone does
// not, and liquid turns with its box, old positions alike.
TEST(ScaleBodies, JointsInsideScaleAndLiquidTurnsWithItsBox) {
    World w;
    ResetWorld(w);
    Rng rng;
    const int32_t b1 = NewBox(w, rng, 0, 0, 50, 50, 1, 1, 1, 1);
    const int32_t b2 = NewBox(w, rng, 100, 0, 150, 50, 1, 1, 1, 1);
    const int32_t b3 = NewBox(w, rng, 300, 0, 350, 50, 1, 1, 1, 1);
    const int32_t p1 = w.entities[static_cast<size_t>(b1)].particles[0];
    const int32_t inside =
        NewConstraint(w, kWorldEntity, p1, w.entities[static_cast<size_t>(b2)].particles[0], 1);
    const int32_t outside =
        NewConstraint(w, kWorldEntity, p1, w.entities[static_cast<size_t>(b3)].particles[0], 1);
    const float insideLength = w.constraints[static_cast<size_t>(inside)].length;
    const float outsideLength = w.constraints[static_cast<size_t>(outside)].length;
    std::string why;
    ASSERT_TRUE(ScaleBodies(w, {b1, b2}, 2, why));
    EXPECT_FLOAT_EQ(w.constraints[static_cast<size_t>(inside)].length, insideLength * 2);
    EXPECT_FLOAT_EQ(w.constraints[static_cast<size_t>(outside)].length, outsideLength);
    EXPECT_EQ(w.particles[static_cast<size_t>(p1)].p, (Vec2{-75, -25})); // about (75, 25)
    const int32_t pin1 = NewPin(w, 0, 500), pin2 = NewPin(w, 1000, 500); // no sides to limit them
    EXPECT_FALSE(ScaleBodies(w, {pin1, pin2}, 1e7, why));
    EXPECT_EQ(why, "the bodies would leave the world.");

    const int32_t liquid = NewLiquidBox(w, rng, b3, 3, 5, "water");
    ASSERT_NE(liquid, 0);
    LiquidParticle& lp = w.liquidBoxes[static_cast<size_t>(liquid)].particles[0];
    lp.p = {330, 10};
    lp.oldp = {331, 10};
    TurnBodies(w, {b3}, 90);
    EXPECT_NEAR(lp.p.x, 340, 1e-9);
    EXPECT_NEAR(lp.p.y, 30, 1e-9);
    EXPECT_NEAR(lp.oldp.x, 340, 1e-9);
    EXPECT_NEAR(lp.oldp.y, 31, 1e-9);
}

} // namespace
