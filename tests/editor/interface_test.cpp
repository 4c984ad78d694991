// The fixed interface, the tool-group pop-ups and picking tools through them.
#include <set>

#include "editor_fixture.h"
#include "shell/levels.h"

TEST_F(EditorTest, InterfaceIsLaidOutOnTheScreen) {
    EXPECT_EQ(ed().labels[1].y, H - 80);
    EXPECT_EQ(ed().labels[1].text, "levels\\new.lvl"); // where "Save" writes
    ASSERT_EQ(ed().toolbar.size(), 7u);
    EXPECT_EQ(ed().toolbar[4].caption, "?");
    EXPECT_EQ(ed().toolbar[6].caption, "Save as");
    EXPECT_EQ(ed().toolbar[2].caption, "Save");
    EXPECT_EQ(ed().toolbar[2].y, H - 30);
    const Window* tools = FindWindow(gui(), ed().toolsWindow);
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools->x, W - tools->width - 6);
    EXPECT_EQ(tools->height, 370);
    ASSERT_EQ(tools->buttons.size(), 10u);
    EXPECT_EQ(tools->width, 210); // "liquid filled objects" fits its button with the GUI font
    EXPECT_LE(tools->buttons[2].x + tools->buttons[2].width, tools->width);
    EXPECT_EQ(tools->buttons[9].text, "edit");
    EXPECT_EQ(tools->buttons[9].y, 340);
    EXPECT_EQ(tools->closeState, -1); // the tools cannot be closed away
}

// With "Tools :" at the right edge no pop-up fits to its right: each opens to its left, 11 pixels apart,
// only one is open at a time, and each is wide enough for its title.
TEST_F(EditorTest, PopUpsOpenOnHoverBesideTheToolsWindow) {
    const char* titles[] = {"player",    "variables", "liquids", "statics", "lights",
                            "standards", "regions",   "markers", "custom"};
    const int widths[] = {120, 240, 160, 160, 120, 150, 130, 130, 290}; // wide enough for the titles
    for (int g = 0; g < kToolGroupCount; ++g) {
        Window* pop = Hover(g);
        ASSERT_NE(pop, nullptr) << g;
        EXPECT_EQ(pop->title, titles[g]);
        EXPECT_EQ(pop->width, widths[g]);
        EXPECT_GE(pop->width, TitleRoom(plat, titles[g]));
        EXPECT_EQ(pop->x, FindWindow(gui(), ed().toolsWindow)->x - pop->width - 11);
        EXPECT_EQ(pop->y, 6);
        EXPECT_EQ(ed().groups.size(), 1u);
    }
    int32_t open = ed().groups[0].window;
    Rest(W / 2, H / 2); // over no window: closed at once
    EXPECT_TRUE(ed().groups.empty());
    EXPECT_EQ(FindWindow(gui(), open), nullptr);

    // Moved away from the edge, "Tools :" has its pop-ups on its right.
    FindWindow(gui(), ed().toolsWindow)->x = 300;
    Window* pop = Hover(kStatics);
    ASSERT_NE(pop, nullptr);
    EXPECT_EQ(pop->x, 300 + FindWindow(gui(), ed().toolsWindow)->width + 11);
}

TEST_F(EditorTest, EveryToolIsPickedThroughItsPopUp) {
    const std::vector<std::pair<int, std::vector<std::string>>> tools = {
        {kPlayerGroup, {"Player", "Player2"}},
        {kVariables, {"Circle", "Quad", "Strap", "Bind", "Portal"}},
        {kLiquids, {"PoisonBox", "Aquarium"}},
        {kStatics, {"HalfSpace", "Wall", "Icewall", "Pin", "WaterSpace", "Firecave"}},
        {kLights, {"Latern"}},
        {kStandards, {"Box", "Warning", "Icebox", "barrel"}},
        {kRegions, {"Region"}},
        {kMarkers, {"Marker"}},
    };
    for (const auto& [group, names] : tools) {
        Window* pop = Hover(group);
        ASSERT_NE(pop, nullptr);
        std::set<std::string> tags;
        for (const GuiImageWidget& img : pop->images) tags.insert(img.tag);
        EXPECT_EQ(tags, std::set<std::string>(names.begin(), names.end()));
        for (const std::string& t : names) Pick(group, t);
    }
    int x, y;
    ToolsButtonCentre(9, x, y);
    Click(x, y);
    EXPECT_EQ(ed().currentTool, "Edit");
}

class CustomImagesTest : public EditorTest {
protected:
    void BeforeStart() override {
        for (const char* name : {"ball", "crate_metal", "tv", "a1", "a2", "a3", "a4", "a5", "a6"})
            WriteTestBmp(std::string("bmps/custom/") + name + ".bmp", 40, 20);
    }
};

// Nine images do not fit in the pop-up's 290 x 200: it grows to list them all.
TEST_F(CustomImagesTest, CustomGroupListsEveryCustomImage) {
    ASSERT_EQ(prog->images.custom.size(), 9u);
    Window* pop = Hover(kCustom);
    ASSERT_NE(pop, nullptr);
    ASSERT_EQ(pop->images.size(), 9u);
    for (const GuiImageWidget& img : pop->images) {
        EXPECT_LE(img.y + img.height, pop->height) << img.tag;
        EXPECT_LE(img.x + img.width, pop->width) << img.tag;
        EXPECT_EQ(img.width, 50); // 40 x 20 kept in proportion
        EXPECT_EQ(img.height, 25);
    }
    Pick(kCustom, "tv");
    Click(400, 500);
    ASSERT_EQ(EntitiesOfType("tv"), 1);
    // Half height 10 and half width 20, each halved again: 5 across and 10 down from the click.
    EXPECT_EQ(ParticleOf(LastEntity(), 0), (Vec2{395, 490}));
    EXPECT_EQ(ParticleOf(LastEntity(), 2), (Vec2{405, 510}));
}

class OddCustomNamesTest : public EditorTest {
protected:
    void BeforeStart() override {
        WriteTestBmp("bmps/custom/box (2),old.bmp", 40, 20);
        WriteTestBmp("bmps/custom/box [2];old.bmp", 40, 20); // the same name once renamed
    }
};

// A name the level format would split is renamed; a placed object keeps its picture through a save and a
// reload.
TEST_F(OddCustomNamesTest, RenamedCustomObjectsKeepTheirPictureThroughASave) {
    ASSERT_EQ(prog->images.custom.size(), 1u);
    EXPECT_EQ(StatusText(ed()), "custom images left out (name taken or unusable): box [2];old.bmp");
    Pick(kCustom, "box [2];old");
    Click(400, 500);
    ASSERT_EQ(EntitiesOfType("box [2];old"), 1);
    ASSERT_TRUE(WriteLevel(world(), prog->camera, "levels\\odd.lvl"));
    ASSERT_TRUE(OpenLevel(*prog, plat, "levels\\odd.lvl"));
    ASSERT_EQ(world().entityCount, 1);
    EXPECT_EQ(LastEntity().type, "box [2];old");
    EXPECT_EQ(FindImage(prog->images, LastEntity().type), kCustomBase);
}

// "Load", "Save" and "New" act and give back the tool that was current: a click still places a box.
TEST_F(EditorTest, ToolbarButtonsKeepTheToolAndLoadOpensTheBrowser) {
    prog->shell.headless = true; // a save lasts one frame
    Pick(kStandards, "Box");
    for (size_t b : {3u, 2u}) { // "New", "Save"
        const ToolbarButton& button = ed().toolbar[b];
        Frame(button.x + 10, button.y + 10, true);
        EXPECT_EQ(ed().currentTool, "Box") << button.caption;
        Frame(button.x + 10, button.y + 10);
        Rest(button.x + 10, button.y + 10, 2);
        EXPECT_EQ(ed().currentTool, "Box") << button.caption;
    }
    EXPECT_EQ(StatusText(ed()), "saving done.");
    Click(400, 400);
    EXPECT_EQ(world().entityCount, 1);

    const ToolbarButton& load = ed().toolbar[1];
    Click(load.x + 10, load.y + 10);
    const Window* browser = FindWindow(gui(), ed().browserWindow);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->title, "Load Level");
    EXPECT_EQ(browser->y, H / 2 - 200);
    const Window* tools = FindWindow(gui(), ed().toolsWindow);
    EXPECT_LE(browser->x + browser->width, tools->x); // widened for its preview, it leaves "Tools :" free
    EXPECT_EQ(ed().currentTool, "Box");
    EXPECT_FALSE(plat.FrameHasText("Tool : Load"));
    Click(load.x + 10, load.y + 10); // a second "Load" keeps one browser
    int browsers = 0;
    for (const Window& w : gui().windows) browsers += w.title == "Load Level";
    EXPECT_EQ(browsers, 1);
}
