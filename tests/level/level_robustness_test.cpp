// Level files come from other people: whatever they hold loads without writing past a table or list and
// without hanging, and what does not fit is dropped and counted.
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

#include "level_test_util.h"
#include "triggers/records.h"

namespace {

TEST(LevelRobustness, FullTablesAndListsDropTheRest) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    std::string text;
    for (int e = 0; e < 20; ++e) { // 12,000 particles in chains
        std::string id = std::to_string(e + 2);
        text += "Entity(1.000000,1.000000," + id + ",box)\r\n";
        for (int i = 1; i <= 600; ++i) {
            std::string pid = std::to_string(e * 600 + i);
            text += "Particle(" + std::to_string(i) + ",0,0,0,0,1," + pid + "," + id + ",0)\r\n";
            if (i > 1)
                text += "Constraint(" + std::to_string(e * 600 + i - 1) + "," + pid + ",1,1," + pid + "," +
                        id + ")\r\n";
        }
    }
    for (int i = 0; i < 10005; ++i) text += "HalfSpace(0,0,1.000000,0.000000,x)\r\nNewTrigger\r\n";
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);
    EXPECT_EQ(w.particleCount, kMaxRecords);
    EXPECT_EQ(w.particles[kMaxRecords + 1].id, 0);
    EXPECT_EQ(w.halfSpaces.size(), 100u); // the half-space list is kept short
    EXPECT_EQ(w.triggers.size(), static_cast<size_t>(kMaxTriggers));
    EXPECT_EQ(report.dropped, (20 * 600 - kMaxRecords) + (20 * 599 - w.constraintCount) + (10005 - 100) + 6);
    EXPECT_TRUE(plat.messages.empty()); // particles that did not fit are not "not found"
}

TEST(LevelRobustness, LongLinesHugeNumbersPipesAndGarbage) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    std::string text = "Entity(1.000000,1.000000,2," + std::string(100000, 'x') + ")\r\n" +  // loads
                       "Entity(1.000000,1.000000,3," + std::string(3 << 20, 'y') + ")\r\n" + // too long
                       Lines({"Particle(99999999999999999999,-99999999999999999999,0,0,0,1,5,2,0)",
                              "Particle(0,0,0,0,0,1,99999999999,2,0)", "LiquidBox(1e30,1e30,2,water)",
                              "LoadTrigger(levels\\pipe)"});
    ASSERT_EQ(::mkfifo("levels/pipe", 0666), 0); // must not block the load
    LoadLevelText(*prog, plat, text);
    ASSERT_EQ(w.entityCount, 1);
    EXPECT_EQ(w.entities[1].type.size(), 100000u);
    ASSERT_EQ(w.particleCount, 1);
    EXPECT_EQ(w.particles[1].p, (Vec2{2147483647.0, -2147483648.0}));
    EXPECT_EQ(w.liquidBoxes[1].particles.size(), static_cast<size_t>(kMaxLiquidParticles));
    EXPECT_EQ(w.notices.size(), 1u);

    // Random bytes, with the characters and words the reader looks for made frequent.
    std::mt19937 gen(1234);
    const std::string words[] = {
        "Entity(",    "Particle(", "Constraint(", "Portal(", "Marker(", "Light(",     "LiquidBox(",
        "NewTrigger", "Event(",    "cam(",        ",",       ")",       "(",          "\r",
        "\n",         "-1",        "2",           "0.5",     "nan",     "--DELETE--", std::string(1, '\0')};
    std::string garbage;
    while (garbage.size() < (1 << 20))
        garbage += gen() % 3 ? std::string(1, static_cast<char>(gen())) : words[gen() % std::size(words)];
    EXPECT_EQ(LoadLevelText(*prog, plat, garbage), 1);
    for (int32_t i = 1; i <= w.particleCount; ++i)
        EXPECT_TRUE(std::isfinite(w.particles[static_cast<size_t>(i)].a.y));
    std::string written = LevelText(w, prog->camera);
    LoadLevelText(*prog, plat, written);
    EXPECT_EQ(LevelText(w, prog->camera), written);
}

} // namespace
