// Every shipped level loaded and run (tools/levelgen writes the demo levels).
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/text.h"
#include "editor_fixture.h"
#include "shell/levels.h"
#include "world/builders.h"

namespace {

namespace fs = std::filesystem;

bool Finite(const Vec2& v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

} // namespace

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
