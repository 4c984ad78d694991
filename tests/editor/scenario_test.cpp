// The editor driven end to end by an input script, as a user would, and the level browser.
#include <fstream>
#include <sys/stat.h>

#include "common/text.h"
#include "editor_fixture.h"
#include "shell/levels.h"
#include "world/builders.h"
#include "world/trigger_records.h"

namespace {

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& keyword) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.rfind(keyword, 0) == 0) out.push_back(line);
        start = end + 2;
    }
    return out;
}

} // namespace

// Tools picked through the pop-ups, two boxes placed and bound, a pin placed and deleted, a wall dragged,
// a box made weightless in its panel, the level saved with the toolbar, changed, and loaded back with the
// browser: the saved file holds exactly what the tools built, and the reloaded world writes it again
// byte for byte.
TEST(EditorScenario, ScriptedTourSavesAndReloadsWhatTheToolsBuilt) {
    TempWorkDir dir;
    TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(0)\r\n");
    std::filesystem::create_directories("levels");
    TestPlatform plat;
    Options opt;
    opt.headless = true;
    opt.frames = 320;
    opt.seedSet = true;
    opt.seed = 11;
    opt.input = std::string(TUMBLEBOX_SOURCE_DIR) + "/tests/data/scripts/editor_tour.txt";
    opt.save = "after_load.lvl";
    ASSERT_EQ(RunProgram(opt, plat), 0);

    const std::string saved = TempWorkDir::Read("levels/new.lvl");
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(TempWorkDir::Read("after_load.lvl"), saved);

    auto entities = LinesStartingWith(saved, "Entity(");
    ASSERT_EQ(entities.size(), 3u); // two boxes and the wall; the pin is gone
    EXPECT_NE(entities[2].find(",wall)"), std::string::npos);
    auto particles = LinesStartingWith(saved, "Particle(");
    ASSERT_EQ(particles.size(), 12u);
    // The first box from (375, 575) to (425, 625), weightless; the second keeps its gravity.
    EXPECT_EQ(particles[0].rfind("Particle(375,575,375,575,0.000000,0.000000,1,2,", 0), 0u) << particles[0];
    EXPECT_EQ(particles[4].rfind("Particle(575,575,575,575,0.000000,1.000000,5,3,", 0), 0u) << particles[4];
    EXPECT_EQ(particles[8].rfind("Particle(200,790,", 0), 0u) << particles[8];
    // Six constraints a box, four for the wall and the bind: a world-owned joint of stiffness 1 between
    // the two top-left corners.
    auto constraints = LinesStartingWith(saved, "Constraint(");
    ASSERT_EQ(constraints.size(), 17u);
    int joints = 0;
    for (const std::string& c : constraints)
        if (c.rfind("Constraint(1,5,1.000000,200.000000,", 0) == 0 && c.find(",1)") != std::string::npos)
            ++joints;
    EXPECT_EQ(joints, 1);
}

class BrowserTest : public EditorTest {
protected:
    void BeforeStart() override {
        World w;
        ResetWorld(w);
        Rng rng;
        Camera cam;
        NewBox(w, rng, 0, 0, 50, 50, 1, 1, 1, 1);
        for (const char* path :
             {"levels\\b.lvl", "levels\\a.lvl", "levels\\sub\\c.lvl", "levels\\sub\\deep\\d.lvl"}) {
            std::filesystem::create_directories(std::filesystem::path(NativePath(path)).parent_path());
            ASSERT_TRUE(WriteLevel(w, cam, path));
        }
        std::filesystem::create_directories("levels/empty");
        TempWorkDir::Write("levels/notes.txt", "not a level");
    }
    Window& Browser() { return *FindWindow(gui(), ed().browserWindow); }
    std::vector<std::string> Items() {
        std::vector<std::string> out;
        for (const ScrollItem& i : Browser().scrollAreas[0].items) out.push_back(i.text);
        return out;
    }
    void ItemPoint(int k, int& x, int& y) {
        x = Browser().x + 60;
        y = Browser().y + 50 + (k - 1) * 16 + 8;
    }
    void Choose(int k) {
        int x, y;
        ItemPoint(k, x, y);
        Click(x, y);
        ClickGo();
    }
    void ClickGo() { Click(Browser().x + 325, Browser().y + 60); }
};

TEST_F(BrowserTest, ListsFoldersThenLevelsAndWalksTheTree) {
    Click(155, H - 50); // "Load"
    ASSERT_NE(ed().browserWindow, 0);
    EXPECT_EQ(Items(), (std::vector<std::string>{"..\\", "empty\\", "sub\\", "a.lvl", "b.lvl"}));
    const GuiScrollArea& list = Browser().scrollAreas[0];
    EXPECT_EQ(list.selected, 1);
    EXPECT_EQ(list.items[0].blue, 255);
    EXPECT_EQ(list.items[3].green, 255);
    EXPECT_EQ(list.items[3].blue, 200);

    // Resting on the browser with a folder selected leaves the save target alone.
    Rest(Browser().x + 100, Browser().y + 100, 3);
    EXPECT_EQ(prog->shell.levelPath, "levels\\new.lvl");
    int x, y;
    ItemPoint(5, x, y);
    Click(x, y);
    EXPECT_EQ(prog->shell.levelPath, "levels\\b.lvl");
    EXPECT_EQ(ed().labels[1].text, "levels\\b.lvl");

    Choose(3);
    EXPECT_EQ(prog->shell.currentFolder, "levels\\sub\\");
    EXPECT_EQ(Items(), (std::vector<std::string>{"..\\", "deep\\", "c.lvl"}));
    EXPECT_EQ(HoveredWindow(gui()), ed().browserWindow);
    Choose(2);
    EXPECT_EQ(prog->shell.currentFolder, "levels\\sub\\deep\\");
    Choose(1); // "..\" goes back to the top folder from any depth
    EXPECT_EQ(prog->shell.currentFolder, "levels\\");

    Choose(4);
    EXPECT_EQ(ed().browserWindow, 0);
    EXPECT_EQ(prog->shell.levelPath, "levels\\a.lvl");
    EXPECT_EQ(world().entityCount, 1);
    EXPECT_EQ(StatusText(ed()), "loading done.");
}

TEST_F(BrowserTest, DoubleClickLoadsAndAMissingFileSaysSo) {
    Click(155, H - 50);
    int x, y;
    ItemPoint(5, x, y);
    std::filesystem::remove("levels/b.lvl");
    Rest(x, y, 16);
    Frame(x, y, true);
    Frame(x, y);
    Frame(x, y, true);
    Frame(x, y);
    EXPECT_EQ(ed().browserWindow, 0);
    EXPECT_EQ(StatusText(ed()), "file not found...");
}

// A level chosen in the browser is the target of "Save", but replacing it takes a second press within three
// seconds; the replaced bytes stay beside it as .bak, which the browser never lists.
TEST_F(BrowserTest, SaveOntoAChosenLevelAsksFirstAndKeepsABackup) {
    prog->shell.headless = true; // a save lasts one frame
    const std::string before = TempWorkDir::Read("levels/b.lvl");
    Pick(kStandards, "Box");
    Click(400, 400);
    Click(155, H - 50); // "Load"
    int x, y;
    ItemPoint(5, x, y);
    Click(x, y); // b.lvl: chosen, not loaded
    ASSERT_EQ(prog->shell.levelPath, "levels\\b.lvl");
    Click(155, H - 20); // "Save"
    EXPECT_EQ(StatusText(ed()), "b.lvl exists: press Save again to overwrite");
    EXPECT_EQ(TempWorkDir::Read("levels/b.lvl"), before);
    Rest(W / 2, H / 2, 200); // too late: it asks again
    Click(155, H - 20);
    EXPECT_EQ(TempWorkDir::Read("levels/b.lvl"), before);
    Click(155, H - 20);
    EXPECT_EQ(StatusText(ed()), "saving done.");
    EXPECT_EQ(TempWorkDir::Read("levels/b.lvl.bak"), before);
    EXPECT_EQ(TempWorkDir::Read("levels/b.lvl"), LevelText(world(), prog->camera));
    Click(155, H - 20); // a file saved in this session is written at once
    EXPECT_EQ(StatusText(ed()), "saving done.");
    EXPECT_EQ(TempWorkDir::Read("levels/b.lvl.bak"), LevelText(world(), prog->camera));

    Click(155, H - 50);
    EXPECT_EQ(Items(), (std::vector<std::string>{"..\\", "empty\\", "sub\\", "a.lvl", "b.lvl"}));
}

// "Save as" takes a typed name (".lvl" added), refuses names outside the levels folder in its window, and
// makes the new file the current level; Escape closes it without ending the program.
TEST_F(BrowserTest, SaveAsWritesTheTypedNameAndMakesItCurrent) {
    prog->shell.headless = true;
    auto type = [&](const std::string& text) {
        plat.input.typed = text;
        Frame(mx, my);
    };
    Click(245, H - 20); // "Save as"
    const Window* win = FindWindow(gui(), ed().saveAs.window);
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->labels[0].text, "Folder: levels\\");
    EXPECT_EQ(win->labels[1].text, "Name: new.lvl_");
    for (int i = 0; i < 7; ++i) Key(Key::Backspace);
    type("../../mine");
    Key(Key::Return);
    EXPECT_EQ(win->labels[2].text, "levels are saved inside the levels folder");
    for (int i = 0; i < 10; ++i) Key(Key::Backspace);
    type("bad/mine"); // no such folder: refused, the window stays and the target with it
    Key(Key::Return);
    ASSERT_EQ(ed().saveAs.window, win->id);
    EXPECT_EQ(win->labels[2].text, "the folder levels\\bad\\ does not exist");
    EXPECT_EQ(prog->shell.levelPath, "levels\\new.lvl");
    for (int i = 0; i < 8; ++i) Key(Key::Backspace);
    type("sub\\mine");
    Key(Key::Space);
    EXPECT_TRUE(prog->shell.paused); // the window takes the keyboard
    Key(Key::Return);
    EXPECT_EQ(ed().saveAs.window, 0);
    EXPECT_EQ(prog->shell.levelPath, "levels\\sub\\mine.lvl");
    EXPECT_EQ(ed().labels[1].text, "levels\\sub\\mine.lvl");
    EXPECT_EQ(TempWorkDir::Read("levels/sub/mine.lvl"), LevelText(world(), prog->camera));

    // Ctrl+Shift+S opens it again; a name in use asks first; Escape cancels and the program goes on.
    plat.input.down[Key::LeftControl] = plat.input.down[Key::LeftShift] = true;
    Key(ScanCodeFromName("S"));
    plat.input.down[Key::LeftControl] = plat.input.down[Key::LeftShift] = false;
    ASSERT_NE(ed().saveAs.window, 0);
    for (int i = 0; i < 9; ++i) Key(Key::Backspace);
    type("c");
    Key(Key::Return);
    EXPECT_EQ(FindWindow(gui(), ed().saveAs.window)->labels[2].text,
              "c.lvl exists: press Save again to overwrite");
    plat.input.down[Key::Escape] = true;
    EXPECT_TRUE(RunFrame(*prog, plat));
    EXPECT_EQ(ed().saveAs.window, 0);
    EXPECT_TRUE(RunFrame(*prog, plat)); // still held
    plat.input.down[Key::Escape] = false;
    EXPECT_EQ(prog->shell.levelPath, "levels\\sub\\mine.lvl");
}

TEST(SaveAsPath, NamesInsideTheLevelsFolderOnly) {
    std::string why;
    EXPECT_EQ(SaveAsPath("levels\\sub\\", "..\\top/x", why), "levels\\top\\x.lvl");
    EXPECT_EQ(SaveAsPath("levels\\", "x.lvl", why), "levels\\x.lvl");
    for (const char* name : {"", "a:b", "a\tb", "x.txt", "/tmp/x", "sub\\", "..\\..\\x", "..\\x"})
        EXPECT_EQ(SaveAsPath("levels\\", name, why), "") << name;
}

// Selecting a level shows its picture and counts, made again when the file changes; a file that cannot be
// read says so.
TEST_F(BrowserTest, SelectedLevelsShowAPictureAndTheirCounts) {
    prog->shell.headless = true; // pictures are made in the frame that asks for them
    ::mkfifo("levels/pipe.lvl", 0644);
    Click(155, H - 50);
    ASSERT_NE(ed().browserWindow, 0);
    EXPECT_EQ(Browser().labels[0].text, "Folder: levels\\");
    auto select = [&](int k) {
        int x, y;
        ItemPoint(k, x, y);
        Click(x, y);
        return std::make_pair(Browser().images.at(0).quad,
                              Browser().labels.at(1).text + " / " + Browser().labels.at(2).text);
    };
    auto [picture, counts] = select(4); // a.lvl
    EXPECT_NE(picture, GuiImage::Blank);
    EXPECT_TRUE(plat.HasImage(picture));
    EXPECT_EQ(counts, "1 entity, 4 particles / 0 triggers");
    EXPECT_EQ(select(6).second, "cannot be read / "); // pipe.lvl

    World w;
    Rng rng;
    NewBox(w, rng, 0, 0, 50, 50, 1, 1, 1, 1);
    NewBox(w, rng, 100, 0, 50, 50, 1, 1, 1, 1);
    NewTrigger(w);
    ASSERT_TRUE(WriteLevel(w, Camera{}, "levels\\a.lvl"));
    EXPECT_EQ(select(4).second, "2 entities, 8 particles / 1 trigger");
    EXPECT_EQ(world().entityCount, 0); // only looked at
}
