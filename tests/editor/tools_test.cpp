// What the tools build, where, and when they do not act. The camera starts at 0 with zoom 0 on a
// 1280-pixel screen, so a screen pixel is a world unit.
#include "editor/kinds.h"
#include "editor_fixture.h"
#include "world/builders.h"

TEST_F(EditorTest, ReleaseToolsBuildAtTheMouse) {
    struct Case {
        int group;
        const char* tool;
        const char* type; // "" for box / box2
        Vec2 first;       // first particle for a click at (400, 500)
    };
    const Case cases[] = {
        {kStandards, "Box", "", {375, 475}},
        {kStandards, "Icebox", "icebox", {375, 475}},
        {kLiquids, "PoisonBox", "poisonbox", {375, 475}},
        {kLiquids, "Aquarium", "aquarium", {375, 475}},
        {kPlayerGroup, "Player", "player", {375, 475}},
        {kPlayerGroup, "Player2", "player2", {375, 475}},
        {kStatics, "Pin", "pin", {400, 500}},
        {kLights, "Latern", "latern", {388, 500}},
        {kStandards, "Warning", "warning", {400, 465}},
        {kStandards, "barrel", "barrel", {370, 450}},
        {kStatics, "Firecave", "firecave", {390, 480}},
    };
    for (const Case& c : cases) {
        Pick(c.group, c.tool);
        int32_t before = world().entityCount;
        Frame(400, 500, true); // a press of one frame places nothing
        Frame(400, 500);
        EXPECT_EQ(world().entityCount, before) << c.tool;
        Click(400, 500);
        ASSERT_EQ(world().entityCount, before + 1) << c.tool;
        const Entity& e = LastEntity();
        if (*c.type)
            EXPECT_EQ(e.type, c.type);
        else
            EXPECT_TRUE(e.type == "box" || e.type == "box2");
        EXPECT_EQ(ParticleOf(e, 0), c.first) << c.tool;
    }
    EXPECT_EQ(world().liquidBoxCount, 2);
}

TEST_F(EditorTest, DragToolsBuildFromTheAnchorToTheRelease) {
    Pick(kStatics, "Wall");
    Drag(300, 300, 300, 300); // on its own anchor: nothing
    EXPECT_EQ(world().entityCount, 0);
    Drag(300, 300, 500, 300);
    ASSERT_EQ(EntitiesOfType("wall"), 1);
    EXPECT_EQ(ParticleOf(LastEntity(), 0), (Vec2{300, 290}));
    EXPECT_EQ(ed().anchor, (Vec2{})); // cleared after acting

    Pick(kStatics, "Icewall");
    Drag(300, 600, 400, 700);
    EXPECT_EQ(EntitiesOfType("icewall"), 1);

    Pick(kVariables, "Quad");
    Drag(600, 300, 700, 300); // no height
    EXPECT_EQ(EntitiesOfType("quad"), 0);
    Drag(600, 300, 700, 380);
    EXPECT_EQ(EntitiesOfType("quad"), 1);

    Pick(kVariables, "Strap");
    Drag(100, 800, 300, 800);
    EXPECT_EQ(EntitiesOfType("strap"), 1);

    Pick(kVariables, "Circle");
    Drag(800, 500, 830, 540); // radius 50
    const Entity& circle = LastEntity();
    EXPECT_EQ(circle.particlecount(), 16);
    EXPECT_EQ(ParticleOf(circle, 0), (Vec2{850, 500}));

    Pick(kRegions, "Region");
    Drag(900, 700, 850, 600);
    ASSERT_EQ(world().regions.size(), 1u);
    EXPECT_EQ(world().regions[0].minx, 850);
    EXPECT_EQ(world().regions[0].maxy, 700);

    Pick(kVariables, "Portal");
    Drag(100, 100, 100, 200);
    ASSERT_EQ(world().portals.size(), 1u);
    const Portal& p = world().portals[0];
    EXPECT_EQ(p.connected, p.uid); // a new portal sends through itself
    EXPECT_EQ(p.y2, 200);
}

TEST_F(EditorTest, HalfSpaceAndWaterSpaceFollowTheHeldMouse) {
    prog->shell.paused = false;
    Pick(kStatics, "HalfSpace");
    Rest(200, 600, 16);
    Frame(200, 600, true);
    EXPECT_TRUE(prog->shell.paused);
    EXPECT_EQ(StatusText(ed()), "paused.");
    ASSERT_EQ(world().halfSpaces.size(), 1u);
    EXPECT_EQ(world().halfSpaces[0].v, (Vec2{1, 1}));
    Frame(500, 600, true);
    Frame(600, 600, true);
    Frame(600, 600);
    const HalfSpace& h = world().halfSpaces[0];
    EXPECT_EQ(h.p, (Vec2{200, 600}));
    EXPECT_EQ(h.v, (Vec2{400, 0}));
    EXPECT_EQ(h.normal, (Vec2{0, -1})); // solid below
    Frame(900, 100);                    // let go: no longer shaped
    EXPECT_EQ(world().halfSpaces[0].v, (Vec2{400, 0}));

    Pick(kStatics, "WaterSpace");
    Drag(100, 400, 100, 700);
    ASSERT_EQ(world().waterSpaces.size(), 1u);
    EXPECT_FLOAT_EQ(world().waterSpaces[0].xf, 0.05f);
    EXPECT_EQ(world().waterSpaces[0].v, (Vec2{0, 300}));
    for (int i = 0; i < 255; ++i) Frame(900, 100);
    EXPECT_EQ(StatusText(ed()), ""); // faded away
}

// The burst after a placement must show: sparks of a few pixels that move and fade, gone in a few seconds.
TEST_F(EditorTest, PlacementSparksAreVisibleAndFade) {
    Pick(kStandards, "Box");
    Click(400, 500);
    ASSERT_GE(ed().sparks.size(), 10u);
    for (const Spark& s : ed().sparks) {
        EXPECT_GE(s.size, 2.0f);
        EXPECT_GT(s.red + s.green + s.blue, 150.0f); // bright, after one frame of fading
    }
    Rest(400, 500, 3);
    int drawn = 0;
    for (const DrawCall& c : plat.lastFrame)
        if (c.kind == DrawCall::Kind::Box && c.x2 - c.x1 >= 2 && c.x2 - c.x1 <= 4 &&
            std::abs(c.x1 - 400) < 40 && std::abs(c.y1 - 500) < 40)
            ++drawn;
    EXPECT_GE(drawn, 10);
    Rest(400, 500, 300);
    EXPECT_TRUE(ed().sparks.empty());

    Pick(kStatics, "Pin");
    Click(400, 500);
    EXPECT_TRUE(ed().sparks.empty()); // pins are placed quietly
}

TEST_F(EditorTest, ToolsNeverActThroughWindowsOrTheToolbar) {
    Pick(kStandards, "Box");
    const Window* tools = FindWindow(gui(), ed().toolsWindow);
    Click(tools->x + 10, tools->y + 200); // over "Tools :", clear of its buttons
    Click(ed().toolbar[0].x + 60, ed().toolbar[0].y + 20);
    EXPECT_EQ(world().entityCount, 0);

    Pick(kStatics, "Wall");
    Rest(300, 300, 16);
    Frame(300, 300, true);
    Frame(600, 300, true);
    Frame(tools->x + 10, tools->y + 200, true);
    Frame(tools->x + 10, tools->y + 200); // released over a window: the drag is dropped
    Frame(300, 300);
    EXPECT_EQ(world().entityCount, 0);
}

TEST_F(EditorTest, RefusedCreationSaysSoInTheStatusLine) {
    while (NewParticle(world(), kWorldEntity, 0, 0) != 0) {
    }
    Pick(kStandards, "Box");
    Click(400, 500);
    EXPECT_EQ(world().entityCount, 0);
    EXPECT_EQ(StatusText(ed()), "the world is full: nothing placed.");
    EXPECT_TRUE(ed().sparks.empty());
}

TEST_F(EditorTest, MarkerGoesOnTheFirstEntityUnderTheMouse) {
    NewBox(world(), prog->rng, 300, 300, 400, 400, 1, 1, 1, 1);
    NewBox(world(), prog->rng, 350, 350, 450, 450, 1, 1, 1, 1);
    Pick(kMarkers, "Marker");
    Click(380, 380);
    ASSERT_EQ(world().markers.size(), 1u);
    EXPECT_EQ(world().markers[0].entity, 1);
    EXPECT_EQ(world().markers[0].image, kEffectBase + 17);
    Click(600, 600); // nothing there
    EXPECT_EQ(world().markers.size(), 1u);
}

TEST(ObjectKinds, EachClickKindBuildsAnObjectOfItsOwnKind) {
    for (const ObjectKind& k : ObjectKinds()) {
        if (k.build == nullptr) continue;
        auto w = std::make_unique<World>();
        ResetWorld(*w);
        Rng rng(1);
        const int32_t e = k.build(*w, rng, 100, 100);
        ASSERT_NE(e, 0) << k.tool;
        EXPECT_EQ(KindOfType(w->entities[static_cast<size_t>(e)].type), &k) << k.tool;
        EXPECT_EQ(KindOfTool(k.tool), &k);
    }
}
