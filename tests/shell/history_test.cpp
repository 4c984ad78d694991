// The world's history driven as a user drives it: undo and redo of placements, deletes and New, rewind
// to the moment the world started, the liquid a delete keeps, and the question before quitting.
#include "editor/editor_fixture.h"
#include "level/level.h"
#include "shell/history.h"
#include "shell/levels.h"
#include "triggers/triggers.h"
#include "world/builders.h"
#include "world/validate.h"

namespace {

class HistoryTest : public EditorTest {
protected:
    std::string Text() { return LevelText(world(), prog->camera); }
    void Ctrl(int scan, bool shift = false) {
        plat.input.down[Key::LeftControl] = true;
        plat.input.down[Key::LeftShift] = shift;
        Key(scan);
        plat.input.down[Key::LeftControl] = false;
        plat.input.down[Key::LeftShift] = false;
        Frame(mx, my);
        ExpectValid();
    }
    void ExpectValid() {
        std::string why;
        EXPECT_TRUE(ValidateWorld(world(), &why)) << why;
    }
    void PlaceBoxes(std::initializer_list<std::pair<int, int>> at) {
        Pick(kStandards, "Box");
        for (auto [x, y] : at) Click(x, y);
    }
};

} // namespace

// Each placement is a step; redo brings back exactly what undo took, and a new change ends the redos.
TEST_F(HistoryTest, UndoAndRedoPlacementsAndDeletesByteForByte) {
    const std::string empty = Text();
    PlaceBoxes({{400, 600}});
    const std::string one = Text();
    PlaceBoxes({{600, 600}});
    const std::string two = Text();
    ASSERT_EQ(EntitiesOfType("box"), 2);

    Ctrl(Key::Z);
    EXPECT_EQ(Text(), one);
    EXPECT_EQ(StatusText(ed()), "undo: place box");
    Ctrl(Key::Y);
    EXPECT_EQ(Text(), two);
    EXPECT_EQ(StatusText(ed()), "redo: place box");
    Ctrl(Key::Z);
    Ctrl(Key::Z, true); // Ctrl+Shift+Z is redo
    EXPECT_EQ(Text(), two);

    // A delete and its undo: the same bytes, the same id counters.
    const int32_t nextEntity = world().nextEntityId;
    Rest(401, 601, 2);
    Key(Key::Delete);
    ASSERT_EQ(EntitiesOfType("box"), 1);
    Ctrl(Key::Z);
    EXPECT_EQ(Text(), two);
    EXPECT_EQ(world().nextEntityId, nextEntity);
    EXPECT_EQ(StatusText(ed()), "undo: delete box");

    // Undo to the start, then a new change: nothing is left to redo.
    Ctrl(Key::Z);
    Ctrl(Key::Z);
    EXPECT_EQ(Text(), empty);
    Ctrl(Key::Z);
    EXPECT_EQ(StatusText(ed()), "nothing to undo");
    PlaceBoxes({{500, 500}});
    Ctrl(Key::Y);
    EXPECT_EQ(StatusText(ed()), "nothing to redo");
}

// New empties the world as at start and is undone like any change; a right drag of a paused world is one
// step from press to release.
TEST_F(HistoryTest, NewAndPausedDragsAreSteps) {
    PlaceBoxes({{400, 600}});
    prog->shell.levelPath = "levels\\mine.lvl";
    const std::string before = Text();
    Ctrl(Key::N);
    EXPECT_EQ(world().entityCount, 0);
    EXPECT_EQ(prog->shell.levelPath, "levels\\new.lvl");
    Ctrl(Key::Z);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(prog->shell.levelPath, "levels\\mine.lvl");

    Drag(401, 601, 501, 651, true);
    EXPECT_NE(Text(), before);
    EXPECT_EQ(prog->history.undo.size(), 2u); // the box and the drag: the undone New was dropped
    Ctrl(Key::Z);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(StatusText(ed()), "undo: move box");
}

// Rewind puts back the world of the moment it started, pauses, and is itself undone.
TEST_F(HistoryTest, RewindGoesBackToTheStartAndIsAStep) {
    PlaceBoxes({{400, 300}, {600, 200}});
    const std::string atStart = Text();
    Key(Key::Space);
    Rest(W / 2, H / 2, 40);
    const std::string fallen = Text();
    ASSERT_NE(fallen, atStart);
    Ctrl(Key::R);
    EXPECT_EQ(Text(), atStart);
    EXPECT_TRUE(prog->shell.paused);
    Ctrl(Key::Z);
    EXPECT_EQ(StatusText(ed()), "undo: rewind");
    EXPECT_NE(Text(), atStart); // the world as it was when rewound
}

// A delete keeps every other liquid box's liquid exactly where it was; undo gives it back to the deleted one.
TEST_F(HistoryTest, DeletesKeepLiquidsAndUndoRestoresThem) {
    Pick(kLiquids, "Aquarium");
    Click(300, 500);
    Click(700, 500);
    Key(Key::Space);
    Rest(W / 2, H / 2, 20);
    Key(Key::Space);
    ASSERT_EQ(world().liquidBoxCount, 2);
    Rest(301, 501, 2);
    const std::vector<LiquidParticle> kept = world().liquidBoxes[2].particles;
    const std::string before = Text();
    const auto first = world().liquidBoxes[1].particles;
    Key(Key::Delete);
    ASSERT_EQ(world().liquidBoxCount, 1);
    const auto& now = world().liquidBoxes[1].particles;
    ASSERT_EQ(now.size(), kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(now[i].p.x, kept[i].p.x);
        EXPECT_EQ(now[i].oldp.y, kept[i].oldp.y);
    }
    Ctrl(Key::Z);
    EXPECT_EQ(Text(), before);
    ASSERT_EQ(world().liquidBoxes[1].particles.size(), first.size());
    EXPECT_EQ(world().liquidBoxes[1].particles[0].p.x, first[0].p.x);
}

// With unsaved changes the first Escape only asks; a second within three seconds quits. Saving, or having
// nothing to lose, quits at once.
TEST_F(HistoryTest, EscapeAsksFirstWhenChangesAreUnsaved) {
    auto escape = [&] {
        plat.input.down[Key::Escape] = true;
        plat.input.mouseX = mx;
        plat.input.mouseY = my;
        bool goesOn = RunFrame(*prog, plat);
        plat.input.down[Key::Escape] = false;
        RunFrame(*prog, plat);
        return goesOn;
    };
    EXPECT_FALSE(escape()); // nothing to lose

    PlaceBoxes({{400, 600}});
    EXPECT_TRUE(escape());
    EXPECT_EQ(StatusText(ed()), "unsaved changes: press Escape again to quit");
    EXPECT_FALSE(escape());

    Rest(W / 2, H / 2, 200); // the question has lapsed
    EXPECT_TRUE(escape());
    MarkSaved(prog->history);
    EXPECT_FALSE(escape());
}

// What each way in to a new world does beside the world: a load from the browser says so and sets the save
// target, a tool's load does neither, a trigger's restart binds the players, a delete keeps panels open,
// New puts the target and the camera back as at start.
TEST_F(HistoryTest, EachWayToANewWorldTakesItsOwnFollowUpSteps) {
    TempWorkDir::Write("levels/crew.lvl", "");
    World crew;
    NewPlayer(crew, prog->rng, 100, 100);
    NewPlayer2(crew, prog->rng, 300, 100);
    NewBox(crew, prog->rng, 500, 100, 550, 150, 1, 1, 1, 1);
    ASSERT_TRUE(WriteLevel(crew, Camera{}, "levels\\crew.lvl"));
    SetStatus(ed(), "before");

    ASSERT_EQ(LoadLevel(*prog, plat, "levels\\crew.lvl"), 1);
    EXPECT_EQ(prog->shell.levelPath, "levels\\new.lvl");
    EXPECT_EQ(StatusText(ed()), "before");
    EXPECT_EQ(world().playerDescriptors[0].control, 0); // only progression loads bind the players

    ASSERT_TRUE(OpenLevel(*prog, plat, "levels\\crew.lvl"));
    EXPECT_EQ(prog->shell.levelPath, "levels\\crew.lvl");
    EXPECT_EQ(StatusText(ed()).rfind("loading done", 0), 0u);

    ASSERT_TRUE(RestartLevel(*prog, plat));
    EXPECT_GT(world().playerDescriptors[0].control, 0);
    EXPECT_GT(world().playerDescriptors[1].control, 0);
    EXPECT_TRUE(plat.messages.empty());

    ASSERT_EQ(OpenPanelsAt(EditorSceneOf(*prog), Vec2{525, 125}, 100, 100), 1);
    Rest(125, 125); // on the first player
    Key(Key::Delete);
    EXPECT_EQ(ed().panels.size(), 1u); // the box's panel stays on the repacked world
    ASSERT_EQ(world().entityCount, 2);

    prog->camera.x = 400;
    Ctrl(Key::N);
    EXPECT_EQ(prog->shell.levelPath, "levels\\new.lvl");
    EXPECT_EQ(prog->shell.currentFolder, "levels\\");
    EXPECT_EQ(prog->camera.x, 0);
}

// Rewind takes the script back too: level time, variables, timers and the info windows with their texts.
TEST_F(HistoryTest, RewindTakesTheTriggerStateBack) {
    prog->shell.triggersOn = true;
    LoadLevelText(
        *prog, plat,
        "NewTrigger\r\nEvent(levelstart())\r\nAction(newvar(n,0))\r\nAction(createinfowindow(Count))\r\n"
        "Action(setwindowtext(start))\r\nAction(createtimer(1))\r\n"
        "NewTrigger\r\nEvent(leveltime(20))\r\nAction(incvar(n,5))\r\n"
        "Action(setwindowtext(later))\r\n");
    Key(Key::Space);
    Rest(W / 2, H / 2, 5);
    Key(Key::Space); // paused once the script has begun
    const int32_t time = world().levelTime;
    ASSERT_EQ(prog->triggerEngine.infoWindows.size(), 1u);
    Key(Key::Space);
    Rest(W / 2, H / 2, 30);
    ASSERT_EQ(FindVariable(world(), "n")->value, "5");
    Ctrl(Key::R);
    EXPECT_EQ(world().levelTime, time);
    EXPECT_EQ(FindVariable(world(), "n")->value, "0");
    ASSERT_EQ(prog->triggerEngine.infoWindows.size(), 1u);
    const Window* info = FindWindow(gui(), prog->triggerEngine.infoWindows[0]);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->title, "Count");
    EXPECT_EQ(info->labels[0].text, "start");
}

// A quick Ctrl+Z lets go of both keys at once: it still undoes.
TEST_F(HistoryTest, QuickCtrlZStillUndoes) {
    PlaceBoxes({{400, 600}});
    plat.input.down[Key::LeftControl] = plat.input.down[Key::Z] = true;
    Frame(mx, my);
    plat.input.down[Key::LeftControl] = plat.input.down[Key::Z] = false;
    plat.input.released[Key::LeftControl] = plat.input.released[Key::Z] = true;
    Frame(mx, my);
    EXPECT_EQ(world().entityCount, 0);
}

// The save target follows the file operations only: undoing a placement made before "Save as" keeps the
// new file as the target, and a quick Ctrl+S (both keys let go in one frame) writes it.
TEST_F(HistoryTest, UndoKeepsTheSaveAsTargetAndAQuickCtrlSWritesIt) {
    prog->shell.headless = true; // a save lasts one frame
    auto quickControl = [&](int scan, bool shift = false) {
        plat.input.down[Key::LeftControl] = plat.input.down[static_cast<size_t>(scan)] = true;
        plat.input.down[Key::LeftShift] = shift;
        Frame(mx, my);
        plat.input.down[Key::LeftControl] = plat.input.down[static_cast<size_t>(scan)] = false;
        plat.input.down[Key::LeftShift] = false;
        plat.input.released[Key::LeftControl] = plat.input.released[static_cast<size_t>(scan)] = true;
        plat.input.released[Key::LeftShift] = shift;
        Frame(mx, my);
    };
    PlaceBoxes({{400, 600}, {600, 600}});
    quickControl(ScanCodeFromName("S"), true);
    ASSERT_NE(ed().saveAs.window, 0);
    for (int i = 0; i < 7; ++i) Key(Key::Backspace);
    plat.input.typed = "t1";
    Frame(mx, my);
    Key(Key::Return);
    ASSERT_EQ(prog->shell.levelPath, "levels\\t1.lvl");
    quickControl(Key::Z);
    EXPECT_EQ(StatusText(ed()), "undo: place box");
    EXPECT_EQ(prog->shell.levelPath, "levels\\t1.lvl");
    quickControl(ScanCodeFromName("S"));
    EXPECT_EQ(StatusText(ed()), "saving done.");
    EXPECT_EQ(TempWorkDir::Read("levels/t1.lvl"), Text());
    EXPECT_FALSE(std::filesystem::exists("levels/new.lvl"));
}
