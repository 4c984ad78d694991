// The demo levels that ship in levels\: built here with the program's own builders and written by
// WriteLevel, and every shipped level loaded and run. Regenerate them with
//   tumblebox_tests --gtest_also_run_disabled_tests --gtest_filter='DemoLevels.DISABLED_Write'
// (the custom objects take their sizes from the art in the run folder, so build the art first).
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/text.h"
#include "editor_fixture.h"
#include "shell/levels.h"
#include "world/builders.h"

namespace {

namespace fs = std::filesystem;

const Entity& E(World& w, int32_t slot) {
    return w.entities[static_cast<size_t>(slot)];
}

// A lantern hung from a pin, so that it sways instead of falling.
void HungLantern(World& w, Rng& rng, int32_t x, int32_t y) {
    int32_t pin = NewPin(w, x, y - 40);
    NewLatern(w, rng, x, y);
    int32_t hook = w.particleCount; // the lantern's hanging point is the last particle made
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], hook, 1);
}

void Ground(World& w, int32_t y, const char* colour) {
    NewHalfSpace(w, 0, y, 1, 0).type = colour;
}

// Side walls that keep everything on the screen.
void Sides(World& w) {
    NewHalfSpace(w, 10, 0, 0, 1).type = "gray";    // solid left of x 10
    NewHalfSpace(w, 1270, 0, 0, -1).type = "gray"; // solid right of x 1270
}

void CustomObject(World& w, Rng& rng, const std::string& name, double x, double y) {
    int width = 0, height = 0;
    std::string file = std::string(TUMBLEBOX_RUN_DIR) + "/bmps/custom/" + name + ".bmp";
    if (!ReadBmpSize(file, width, height)) return;
    NewCustomObject(w, rng, height / 2, width / 2, name, x, y);
}

// Every kind of object, joint, portal, region and marker on one screen.
void Playground(World& w, Rng& rng) {
    Ground(w, 940, "grass");
    Sides(w);
    NewWall(w, 60, 640, 420, 720, 10, 1);
    w.entities[static_cast<size_t>(NewWall(w, 500, 760, 760, 700, 10, 1))].type = "icewall";
    w.entities[static_cast<size_t>(NewWall(w, 860, 600, 1200, 600, 10, 1))].type = "wall_blue";
    int32_t player = NewPlayer(w, rng, 80, 560);
    NewPlayer2(w, rng, 160, 560);
    NewBox(w, rng, 260, 560, 310, 610, 1, 1, 1, 1);
    w.entities[static_cast<size_t>(NewBox(w, rng, 330, 560, 380, 610, 1, 1, 1, 1))].type = "icebox";
    NewPoisonBox(w, rng, 560, 880);
    NewAquarium(w, rng, 640, 890);
    NewBarrel(w, rng, 740, 820);
    NewFirecave(w, rng, 840, 880);
    NewWarning(w, 960, 880);
    NewQuad(w, rng, 900, 520, 980, 580, 1, 1, 1);
    w.entities[static_cast<size_t>(NewQuad(w, rng, 1000, 520, 1060, 580, 1, 1, 1))].type = "quad_orange";
    NewStrap(w, 1080, 560, 1220, 560, 20, 1);
    NewCircle(w, 460, 860, 40, 16, 1, 1);
    // A pendulum: a box bound to a pin.
    int32_t pin = NewPin(w, 640, 300);
    int32_t bob = NewBox(w, rng, 700, 420, 740, 460, 1, 1, 1, 1);
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], E(w, bob).particles[0], 1);
    HungLantern(w, rng, 860, 160);
    CustomObject(w, rng, "ball", 300, 300);
    CustomObject(w, rng, "crate_metal", 400, 300);
    CustomObject(w, rng, "tv", 500, 300);
    // A region round the pendulum, a marker on the first player, and a portal that sends back through
    // itself.
    NewRegion(w, 600, 380, 800, 500).type = "yellow";
    w.markers.push_back({player, E(w, player).id, kEffectBase + 17, w.NewUid()});
    Portal& p = NewPortal(w, 1180, 700, 1180, 900);
    p.connected = p.uid;
}

// A pyramid of boxes with a player beside it.
void Tower(World& w, Rng& rng) {
    Ground(w, 940, "mudd");
    Sides(w);
    const int size = 50, rows = 9;
    for (int row = 0; row < rows; ++row)
        for (int k = 0; k < rows - row; ++k) {
            int32_t x = 420 + row * size / 2 + k * size, y = 940 - (row + 1) * size;
            NewBox(w, rng, x, y, x + size, y + size, 1, 1, 1, 1);
        }
    NewPlayer(w, rng, 150, 880);
    NewBarrel(w, rng, 1000, 840);
}

// A lake with floating boxes and aquariums under lanterns.
void Water(World& w, Rng& rng) {
    Ground(w, 980, "mudd");
    Sides(w);
    WaterSpace& lake = NewWaterSpace(w, 0, 640, 1, 0, 0.05f);
    lake.a.Set(0, -0.006);
    lake.type = "lightblue";
    NewWall(w, 40, 560, 300, 560, 10, 1);
    NewAquarium(w, rng, 120, 500);
    NewAquarium(w, rng, 200, 500);
    NewPoisonBox(w, rng, 1100, 480);
    NewWall(w, 1000, 540, 1240, 540, 10, 1);
    for (int i = 0; i < 5; ++i) NewBox(w, rng, 380 + i * 120, 560, 430 + i * 120, 610, 1, 1, 1, 1);
    NewBarrel(w, rng, 560, 400);
    NewCircle(w, 900, 450, 35, 16, 1, 1);
    HungLantern(w, rng, 200, 300);
    HungLantern(w, rng, 640, 200);
    HungLantern(w, rng, 1000, 300);
}

// Boxes slide down a ramp of ice, drop through a portal above the floor, fall out of one near the ceiling
// onto the ramp again: a run that never ends.
void Portals(World& w, Rng& rng) {
    Ground(w, 960, "sky");
    Sides(w);
    Portal& in = NewPortal(w, 10, 900, 380, 900);
    uint32_t inUid = in.uid;
    Portal& out = NewPortal(w, 900, 100, 700, 100); // reversed ends: things leave it falling down
    out.connected = inUid;
    FindPortalByUid(w, inUid)->connected = out.uid;
    w.entities[static_cast<size_t>(NewWall(w, 1240, 420, 360, 760, 10, 1))].type = "icewall";
    for (int i = 0; i < 4; ++i) NewBox(w, rng, 500 + i * 70, 300, 540 + i * 70, 340, 1, 1, 1, 1);
    NewCircle(w, 700, 300, 30, 16, 1, 1);
    NewRegion(w, 10, 820, 380, 900).type = "purple";
}

// A seesaw: a strap on a pin with a box on each end, and a barrel about to drop on one of them.
void Seesaw(World& w, Rng& rng) {
    Ground(w, 940, "grass");
    Sides(w);
    int32_t pin = NewPin(w, 640, 800);
    int32_t plank = NewStrap(w, 340, 780, 940, 780, 10, 1);
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], E(w, plank).particles[0], 1);
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], E(w, plank).particles[1], 1);
    NewBox(w, rng, 360, 710, 420, 770, 1, 1, 1, 1);
    NewBox(w, rng, 860, 710, 920, 770, 1, 1, 1, 1);
    NewBarrel(w, rng, 860, 200);
    NewPlayer(w, rng, 100, 880);
}

struct Demo {
    const char* path;
    void (*build)(World&, Rng&);
};

const Demo kDemos[] = {
    {"levels\\playground.lvl", Playground},
    {"levels\\tower.lvl", Tower},
    {"levels\\water.lvl", Water},
    {"levels\\portals.lvl", Portals},
    {"levels\\challenges\\seesaw.lvl", Seesaw},
};

bool Finite(const Vec2& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

} // namespace

TEST(DemoLevels, DISABLED_Write) {
    for (const Demo& d : kDemos) {
        auto w = std::make_unique<World>();
        ResetWorld(*w);
        Rng rng(2024);
        d.build(*w, rng);
        std::string stored = std::string(TUMBLEBOX_SOURCE_DIR) + "/" + d.path;
        std::replace(stored.begin(), stored.end(), '/', '\\');
        fs::create_directories(fs::path(NativePath(stored)).parent_path());
        ASSERT_TRUE(WriteLevel(*w, Camera{}, stored)) << d.path;
    }
}

// Every shipped level loads with nothing dropped and runs 400 frames: no position becomes infinite or not
// a number, no record is lost, and nothing falls out of the world.
TEST(DemoLevels, EveryShippedLevelLoadsAndRuns) {
    const fs::path root = fs::path(TUMBLEBOX_SOURCE_DIR) / "levels";
    std::vector<fs::path> levels;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().extension() == ".lvl") levels.push_back(entry.path());
    ASSERT_GE(levels.size(), 5u);
    bool subfolder = false;
    for (const fs::path& path : levels) {
        SCOPED_TRACE(path.string());
        subfolder |= path.parent_path() != root;
        TempWorkDir dir;
        TempWorkDir::Write("settings.ini", "ScreenSolution(1280,1024)\r\nWindowed(0)\r\n");
        TestPlatform plat;
        auto prog = std::make_unique<Program>();
        ASSERT_TRUE(StartProgram(*prog, plat));
        LoadReport report;
        ASSERT_EQ(LoadLevel(*prog, plat, StoredPath(path.string()), &report), 1);
        EXPECT_EQ(report.dropped, 0);
        EXPECT_TRUE(plat.messages.empty());
        const World& w = prog->world;
        ASSERT_GT(w.entityCount, 0);
        const int32_t entities = w.entityCount, particles = w.particleCount, constraints = w.constraintCount;
        const int32_t liquids = w.liquidBoxCount;
        prog->shell.paused = false;
        for (int f = 0; f < 400; ++f) RunFrame(*prog, plat);
        EXPECT_EQ(w.entityCount, entities);
        EXPECT_EQ(w.particleCount, particles);
        EXPECT_EQ(w.constraintCount, constraints);
        EXPECT_EQ(w.liquidBoxCount, liquids);
        for (int32_t i = 1; i <= w.particleCount; ++i) {
            const Particle& p = w.particles[static_cast<size_t>(i)];
            ASSERT_TRUE(Finite(p.p) && Finite(p.oldp)) << "particle " << p.id;
            EXPECT_LT(std::abs(p.p.x - 640), 2000) << "particle " << p.id;
            EXPECT_LT(std::abs(p.p.y - 512), 2000) << "particle " << p.id;
        }
        for (int32_t b = 1; b <= w.liquidBoxCount; ++b)
            for (const LiquidParticle& lp : w.liquidBoxes[static_cast<size_t>(b)].particles)
                ASSERT_TRUE(Finite(lp.p));
    }
    EXPECT_TRUE(subfolder);
}
