// Property panels opened with the "Edit" tool: their rows, what the knobs write and when, the swatches, the
// "delete" button, and targets that go away.
#include "editor_fixture.h"
#include "shell/levels.h"
#include "world/builders.h"

class PanelTest : public EditorTest {
protected:
    void PickEdit() {
        int x, y;
        ToolsButtonCentre(9, x, y);
        Click(x, y);
        ASSERT_EQ(ed().currentTool, "Edit");
    }
    // Opens the panels of what lies at (x, y) and moves the mouse away from them again.
    Panel& EditAt(int x, int y) {
        size_t before = ed().panels.size();
        Click(x, y);
        EXPECT_GT(ed().panels.size(), before);
        return ed().panels.back();
    }
    Window& Win(const Panel& p) { return *FindWindow(gui(), p.window); }
    const PanelRow* Row(const Panel& p, PanelRowKind k) {
        for (const PanelRow& r : p.rows)
            if (r.kind == k) return &r;
        return nullptr;
    }
    float Knob(const Panel& p, PanelRowKind k) { return TrackbarValue(gui(), p.window, Row(p, k)->trackbar); }
    std::string Label(const Panel& p, PanelRowKind k) { return FindLabel(Win(p), Row(p, k)->label)->text; }
    // Drags a row's knob to `value` (0..100).
    void SetKnob(const Panel& p, PanelRowKind k, int value) {
        Window& w = Win(p);
        const GuiTrackbar* t = FindTrackbar(w, Row(p, k)->trackbar);
        int x = w.x + t->x + 5 + (t->width - 12) * value / 100, y = w.y + t->y + 5;
        Click(x, y);
    }
    void ClickImage(const Panel& p, const std::string& tag) {
        Window& w = Win(p);
        for (const GuiImageWidget& i : w.images)
            if (i.tag == tag) {
                Click(w.x + i.x + i.width / 2, w.y + i.y + i.height / 2);
                return Frame(mx, my); // panels answer a click in the frame after it
            }
        FAIL() << tag;
    }
    void ClickDelete(const Panel& p) {
        Window& w = Win(p);
        const GuiButton* b = FindButton(w, p.deleteButton);
        Click(w.x + b->x + 10, w.y + b->y + 10);
        Frame(mx, my);
    }
};

TEST_F(PanelTest, BoxPanelOpensWithoutChangingAnythingAndGravityKnobMakesItWeightless) {
    int32_t box = NewBox(world(), prog->rng, 300, 300, 350, 350, 1, 1, 1, 1);
    Entity& e = world().entities[static_cast<size_t>(box)];
    e.m = 5; // from a level file: beyond the knob's range
    for (int32_t c : e.constraints) world().constraints[static_cast<size_t>(c)].e = 0.5f;
    PickEdit();
    Panel& p = EditAt(320, 320);
    EXPECT_EQ(Win(p).title, "Box " + std::to_string(e.id)); // names what it edits, in full
    EXPECT_GE(Win(p).width, TitleRoom(plat, Win(p).title));
    ASSERT_EQ(p.rows.size(), 4u);
    EXPECT_FLOAT_EQ(Knob(p, PanelRowKind::Friction), 12.5f);
    EXPECT_FLOAT_EQ(Knob(p, PanelRowKind::Elasticity), 48.0f * 100 / 98);
    EXPECT_NEAR(Knob(p, PanelRowKind::Gravity), 83.3333f, 1e-3);
    EXPECT_FLOAT_EQ(Knob(p, PanelRowKind::Mass), 100.0f);
    EXPECT_EQ(Label(p, PanelRowKind::Elasticity), "elasticity:50%");
    EXPECT_EQ(Label(p, PanelRowKind::Mass), "mass:500%");
    Rest(900, 900, 5);
    EXPECT_FLOAT_EQ(e.m, 5.0f); // not clamped by the open panel
    EXPECT_FLOAT_EQ(world().constraints[static_cast<size_t>(e.constraints[0])].e, 0.5f);
    EXPECT_FLOAT_EQ(e.f, 1.0f);

    SetKnob(p, PanelRowKind::Gravity, 50);
    for (int32_t s : e.particles) EXPECT_EQ(world().particles[static_cast<size_t>(s)].a.y, 0.0);
    EXPECT_EQ(Label(p, PanelRowKind::Gravity), "gravity:0");
    EXPECT_FLOAT_EQ(e.m, 5.0f); // only the moved row writes
    SetKnob(p, PanelRowKind::Mass, 0);
    EXPECT_FLOAT_EQ(e.m, 0.01f);
    // Each knob drag is one undo step, however many frames the knob keeps writing.
    Rest(900, 900, 5);
    ASSERT_EQ(prog->history.undo.size(), 2u);
    EXPECT_EQ(prog->history.undo.back().label, "change box");
}

TEST_F(PanelTest, WallPanelHasColoursAndNoMass) {
    NewWall(world(), 300, 300, 500, 300, 10, 1);
    PickEdit();
    Panel& p = EditAt(400, 300);
    EXPECT_EQ(Row(p, PanelRowKind::Mass), nullptr);
    EXPECT_EQ(p.swatches.size(), 13u);
    // Every swatch and the delete button lie inside the window, where they are drawn.
    for (const GuiImageWidget& i : Win(p).images) EXPECT_LE(i.y + i.height, Win(p).height);
    const size_t steps = prog->history.undo.size();
    ClickImage(p, "blue");
    EXPECT_EQ(LastEntity().type, "wall_blue");
    EXPECT_FLOAT_EQ(LastEntity().m, 0.0f);
    Rest(900, 900);
    ASSERT_EQ(prog->history.undo.size(), steps + 1); // the swatch click is a step of its own
    EXPECT_EQ(prog->history.undo.back().label, "recolour wall");
}

TEST_F(PanelTest, OverlappingEntitiesEachGetAPanelThatFollowsItsTarget) {
    NewBox(world(), prog->rng, 300, 300, 400, 400, 1, 1, 1, 1);
    int32_t second = NewBox(world(), prog->rng, 350, 350, 450, 450, 1, 1, 1, 1);
    const int32_t secondId = world().entities[static_cast<size_t>(second)].id;
    NewBox(world(), prog->rng, 800, 100, 850, 150, 1, 1, 1, 1);
    PickEdit();
    Click(380, 380);
    ASSERT_EQ(ed().panels.size(), 2u);
    EXPECT_NE(Win(ed().panels[0]).x, Win(ed().panels[1]).x); // not stacked exactly on each other

    // Deleting the first box repacks the tables; the second panel still edits the second box.
    ClickDelete(ed().panels[0]);
    ASSERT_EQ(ed().panels.size(), 1u);
    Panel& p = ed().panels[0];
    SetKnob(p, PanelRowKind::Friction, 0);
    int32_t slot = FindEntityById(world(), secondId);
    ASSERT_GE(slot, 1);
    EXPECT_FLOAT_EQ(world().entities[static_cast<size_t>(slot)].f, 0.0f);
    EXPECT_FLOAT_EQ(world().entities[static_cast<size_t>(world().entityCount)].f, 1.0f);

    // Deleted elsewhere (the Delete key): the panel closes and writes nothing.
    Pick(kStandards, "Box");
    Rest(351, 351);
    Key(Key::Delete);
    Rest(900, 900);
    EXPECT_TRUE(ed().panels.empty());
}

TEST_F(PanelTest, HalfSpaceRegionAndWaterPanels) {
    NewRegion(world(), 100, 100, 200, 200);
    NewHalfSpace(world(), 0, 800, 1, 0);
    WaterSpace& water = NewWaterSpace(world(), 0, 600, 1, 0, 0.05f);
    water.a.y = -0.004;
    NewBox(world(), prog->rng, 1000, 450, 1040, 490, 1, 1, 1, 1);
    PickEdit();

    Panel& r = EditAt(150, 150);
    EXPECT_EQ(Win(r).title, "Region 1");
    ClickImage(r, "grass");
    EXPECT_EQ(world().regions[0].type, "grass");
    ClickDelete(r);
    EXPECT_TRUE(world().regions.empty());

    Panel& h = EditAt(400, 900); // below the ground line: in the half-space (and the water)
    EXPECT_EQ(Win(h).title, "Half-space 1");
    // A delete rebuilds every list; the panel stays on its half-space.
    Key(Key::Delete);
    ASSERT_EQ(world().entityCount, 0);
    ASSERT_EQ(ed().panels.size(), 1u);
    ClickImage(h, "mudd");
    EXPECT_EQ(world().halfSpaces[0].type, "mudd");
    ClickDelete(h);
    EXPECT_TRUE(world().halfSpaces.empty());
    Rest(900, 100);
    EXPECT_TRUE(ed().panels.empty());

    Panel& w = EditAt(400, 700);
    EXPECT_EQ(Win(w).title, "Water space 1");
    EXPECT_FLOAT_EQ(Knob(w, PanelRowKind::WaterFriction), 50.0f);
    EXPECT_FLOAT_EQ(Knob(w, PanelRowKind::WaterGravity), 40.0f);
    SetKnob(w, PanelRowKind::WaterGravity, 100);
    EXPECT_NEAR(world().waterSpaces[0].a.y, -0.01, 1e-9);
    EXPECT_FLOAT_EQ(world().waterSpaces[0].xf, 0.05f);

    // Closed with its own close button: the link goes with the window.
    Window& win = Win(w);
    Click(win.x + win.width - 5, win.y + 5);
    Rest(900, 100);
    EXPECT_TRUE(ed().panels.empty());
}

TEST_F(PanelTest, PanelsOfAReplacedWorldClose) {
    // A level replaced by something other than the editor (a trigger's progression load) must not leave a
    // panel editing an entity of the new level that happens to have the same id.
    NewBox(world(), prog->rng, 300, 300, 350, 350, 1, 1, 1, 1);
    PickEdit();
    EditAt(320, 320);
    Rest(900, 900);
    ASSERT_EQ(ed().panels.size(), 1u);
    ASSERT_TRUE(WriteLevel(world(), prog->camera, "same.lvl"));
    ASSERT_EQ(LoadLevel(*prog, plat, "same.lvl"), 1);
    Rest(900, 900);
    EXPECT_TRUE(ed().panels.empty());
}
