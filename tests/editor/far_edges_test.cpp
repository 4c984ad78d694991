// Hostile levels (the fuzz corpus's hostile_*.lvl, written by tools/hostile_levels.py) and the far edges of
// the world driven with the mouse: under the sanitizers these runs must be clean, and what a file asks for
// stays within the tables' limits.
#include <cmath>

#include "editor_fixture.h"
#include "level/level.h"
#include "shell/levels.h"
#include "world/builders.h"

namespace {

std::string HostileLevel(const std::string& name) {
    return TempWorkDir::Read(std::string(TUMBLEBOX_SOURCE_DIR) + "/fuzz/corpus/level/" + name + ".lvl");
}

} // namespace

class FarEdgesTest : public EditorTest {
protected:
    void Load(const std::string& name) {
        std::string text = HostileLevel(name);
        ASSERT_FALSE(text.empty()) << name;
        LoadLevelText(*prog, plat, text);
        prog->shell.paused = false;
        prog->shell.triggersOn = true;
    }
    void ExpectSound() {
        const World& w = world();
        for (int32_t i = 1; i <= w.liquidBoxCount; ++i) {
            const LiquidBox& b = w.liquidBoxes[static_cast<size_t>(i)];
            EXPECT_LE(b.particles.size(), static_cast<size_t>(kMaxLiquidParticles));
            EXPECT_LE(b.radius, kMaxLiquidRadius);
        }
        for (int32_t i = 1; i <= w.particleCount; ++i) {
            const Particle& p = w.particles[static_cast<size_t>(i)];
            ASSERT_TRUE(std::isfinite(p.p.x) && std::isfinite(p.p.y)) << "particle " << i;
        }
    }
};

TEST_F(FarEdgesTest, HostileLevelsLoadAndRun) {
    for (const char* name : {"hostile_liquids", "hostile_shapes", "hostile_portals", "hostile_spaces"}) {
        SCOPED_TRACE(name);
        Load(name);
        Rest(W / 2, H / 2, 10);
        ExpectSound();
    }
}

// Far cameras, zooms beyond their bound and portals at the ends of the int range, with every drag tool
// used across the screen and the screen edges scrolling: a few hundred frames.
TEST_F(FarEdgesTest, ToolsAndCameraAtTheFarEdges) {
    Load("hostile_far");
    const double cameras[][3] = {
        {-3e9, 3e9, -1e30}, {3e15, -3e15, 0.9}, {0, 0, 1e30}, {-2147483648.0, 0, -0.8}};
    for (const auto& c : cameras) {
        prog->camera = {c[0], c[1], c[2]};
        for (const char* tool :
             {"Portal", "Region", "Quad", "Circle", "Wall", "HalfSpace", "Box", "Marker"}) {
            ed().currentTool = tool;
            Drag(20, 20, W - 20, H - 20);
        }
        plat.input.wheel = 40; // zooms in far beyond the bound in one notch
        Rest(0, 0, 3);
        plat.input.wheel = -80;
        Rest(W - 1, H - 1, 3);
        Drag(W / 2, H / 2, W / 3, H / 3, true); // a right drag moves what is under the mouse
    }
    ExpectSound();
    // What the tools built lies within their reach, whatever the camera.
    for (const Portal& p : world().portals) {
        if (p.id <= 2) continue; // the level's own
        EXPECT_LE(std::fabs(p.x1), 1e9);
        EXPECT_LE(std::fabs(p.y2), 1e9);
    }
    for (const Region& r : world().regions) {
        if (r.id <= 1) continue;
        EXPECT_LE(std::abs(static_cast<int64_t>(r.minx)), 1000000000);
    }
}
