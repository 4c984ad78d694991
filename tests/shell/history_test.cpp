// The world's history driven as a user drives it: undo and redo of placements, deletes and New, rewind
// to the moment the world started, the liquid a delete keeps, and the question before quitting.
#include "editor/editor_fixture.h"
#include "level/level.h"
#include "shell/history.h"
#include "shell/levels.h"
#include "triggers/triggers.h"
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

// Which follow-up steps each way of replacing the world takes.
TEST(ReplaceWorld, EachSourceTakesItsFollowUpSteps) {
    struct Row {
        WorldSource source;
        bool retarget, buffs, resetEngine, restoreEngine, levelTime, messages, status, path, folder, camera,
            liquids, bind;
    };
    const Row rows[] = {
        // source                    retarget buffs  reset  restore time   msgs   status path   folder camera
        // liquid bind
        {WorldSource::Load, false, true, true, false, true, true, false, false, false, false, false, false},
        {WorldSource::Browser, false, true, true, false, true, true, true, true, false, false, false, false},
        {WorldSource::CommandLine, false, true, true, false, true, true, true, true, true, false, false,
         false},
        {WorldSource::Trigger, false, true, true, false, true, true, false, true, false, false, false, true},
        {WorldSource::Delete, true, true, true, false, true, true, false, false, false, false, true, false},
        {WorldSource::Undo, false, true, false, false, false, false, false, false, false, false, false,
         false},
        {WorldSource::Redo, false, true, false, false, false, false, false, false, false, false, false,
         false},
        {WorldSource::Rewind, false, true, false, true, false, false, false, false, false, true, false,
         false},
        {WorldSource::New, false, true, true, false, true, false, false, true, true, true, false, false},
    };
    for (const Row& r : rows) {
        const ReplaceSteps s = StepsAfter(r.source);
        SCOPED_TRACE(static_cast<int>(r.source));
        EXPECT_EQ(s.panels == PanelsAfter::Retarget, r.retarget);
        EXPECT_EQ(s.clearBuffs, r.buffs);
        EXPECT_EQ(s.resetTriggerEngine, r.resetEngine);
        EXPECT_EQ(s.restoreTriggerEngine, r.restoreEngine);
        EXPECT_EQ(s.resetLevelTime, r.levelTime);
        EXPECT_EQ(s.missingParticleMessages, r.messages);
        EXPECT_EQ(s.loadStatus, r.status);
        EXPECT_EQ(s.setLevelPath, r.path);
        EXPECT_EQ(s.setFolder, r.folder);
        EXPECT_EQ(s.restoreCamera, r.camera);
        EXPECT_EQ(s.keepLiquids, r.liquids);
        EXPECT_EQ(s.bindPlayers, r.bind);
        EXPECT_EQ(s.rememberHome, r.status || r.source == WorldSource::Load || r.source == WorldSource::Trigger ||
                                      r.source == WorldSource::New);
        EXPECT_EQ(s.restoreLevelPath, r.source == WorldSource::Undo || r.source == WorldSource::Redo ||
                                          r.source == WorldSource::Rewind);
    }
}

// Rewind takes the script back too: level time, variables, timers and the info windows with their texts.
TEST_F(HistoryTest, RewindTakesTheTriggerStateBack) {
    prog->shell.triggersOn = true;
    LoadLevelText(*prog, plat,
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
