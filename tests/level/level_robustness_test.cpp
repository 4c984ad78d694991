// Level files come from other people: whatever they hold loads without writing past a table or list and
// without hanging, and what does not fit is dropped and counted.
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

#include "level_test_util.h"
#include "triggers/records.h"

namespace {

TEST(LevelRobustness, FullTablesAndListsDropTheRestAndCountIt) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    std::string text;
    for (int e = 0; e < 20; ++e) {
        int id = e + 2;
        text += "Entity(1.000000,1.000000," + std::to_string(id) + ",box)\r\n";
        for (int i = 0; i < 600; ++i) {
            int pid = e * 600 + i + 1;
            text += "Particle(" + std::to_string(i) + ",0,0,0,0.000000,1.000000," + std::to_string(pid) +
                    "," + std::to_string(id) + ",0)\r\n";
            if (i > 0)
                text += "Constraint(" + std::to_string(pid - 1) + "," + std::to_string(pid) +
                        ",1.000000,1.000000," + std::to_string(pid) + "," + std::to_string(id) + ")\r\n";
        }
    }
    for (int i = 0; i < 10005; ++i) text += "HalfSpace(0,0,1.000000,0.000000,x)\r\nNewTrigger\r\n";
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);

    EXPECT_EQ(w.particleCount, kMaxRecords);
    EXPECT_EQ(w.particles[kMaxRecords + 1].id, 0);
    EXPECT_EQ(w.halfSpaces.size(), 9999u);
    EXPECT_EQ(w.triggers.size(), static_cast<size_t>(kMaxTriggers));
    int droppedParticles = 20 * 600 - kMaxRecords;
    int droppedConstraints = 20 * 599 - w.constraintCount;
    EXPECT_EQ(report.dropped, droppedParticles + droppedConstraints + 6 + 6);
    EXPECT_EQ(report.missingParticles, 0); // particles that did not fit are not "not found"
    EXPECT_TRUE(plat.messages.empty());

    std::string entities;
    for (int i = 0; i < 10005; ++i)
        entities += "Entity(1.000000,1.000000," + std::to_string(i + 2) + ",box)\n";
    LoadLevelText(*prog, plat, entities, &report);
    EXPECT_EQ(w.entityCount, kMaxRecords);
    EXPECT_EQ(report.dropped, 6);
}

TEST(LevelRobustness, LongLinesHugeNumbersAndGarbage) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    std::string longType(100000, 'x');
    std::string text =
        "Entity(1.000000,1.000000,2," + longType + ")\r\n" + "Entity(1.000000,1.000000,3," +
        std::string(3 << 20, 'y') + ")\r\n" +
        "Particle(99999999999999999999,-99999999999999999999,0,0,0,1,5,2,0)\r\n" +
        "Particle(0,0,0,0,1e300,1,6,2,0)\r\n" + "Particle(0,0,0,0,0,1,99999999999,2,0)\r\n" +
        "Region(0,0,1,1,2147483647,red)\r\n" +
        "LiquidBox(1e30,1e30,2,water)\r\nLiquidBox(-5,3,2,water)\r\nLoadTrigger(levels\\pipe)\r\n";
    ASSERT_EQ(::mkfifo("levels/pipe", 0666), 0); // must not block the load
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);
    ASSERT_EQ(w.entityCount, 1);
    EXPECT_EQ(w.entities[1].type.size(), 100000u);
    ASSERT_EQ(w.particleCount, 1);
    EXPECT_EQ(w.particles[1].p, (Vec2{2147483647.0, -2147483648.0}));
    EXPECT_TRUE(w.regions.empty());
    ASSERT_EQ(w.liquidBoxCount, 2);
    EXPECT_EQ(w.liquidBoxes[1].particles.size(), static_cast<size_t>(kMaxLiquidParticles));
    EXPECT_TRUE(w.liquidBoxes[2].particles.empty());
    EXPECT_EQ(w.notices.size(), 1u);

    // Random bytes, with the characters the reader cares about made frequent.
    std::mt19937 gen(1234);
    const std::string words[] = {
        "Entity(",    "Particle(", "Constraint(", "Portal(", "Marker(", "Light(",     "LiquidBox(",
        "NewTrigger", "Event(",    "cam(",        ",",       ")",       "(",          "\r",
        "\n",         "-1",        "2",           "0.5",     "nan",     "--DELETE--", std::string(1, '\0')};
    std::string garbage;
    while (garbage.size() < (1 << 20)) {
        if (gen() % 3 == 0)
            garbage += words[gen() % std::size(words)];
        else
            garbage += static_cast<char>(gen() & 0xff);
    }
    EXPECT_EQ(LoadLevelText(*prog, plat, garbage, &report), 1);
    EXPECT_LE(w.particleCount, kMaxRecords);
    for (int32_t i = 1; i <= w.particleCount; ++i) {
        const Particle& p = w.particles[static_cast<size_t>(i)];
        EXPECT_TRUE(std::isfinite(p.p.x) && std::isfinite(p.p.y) && std::isfinite(p.a.x) &&
                    std::isfinite(p.a.y));
    }
    // What was read writes and reads back to the same text.
    std::string written = LevelText(w, prog->camera);
    LoadLevelText(*prog, plat, written);
    EXPECT_EQ(LevelText(w, prog->camera), written);
}

} // namespace
