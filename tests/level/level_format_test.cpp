// The level file: the writer's exact text, byte-identical round trips, and the reader's rules.
#include <cmath>
#include <gtest/gtest.h>

#include "level_test_util.h"
#include "triggers/records.h"
#include "world/builders.h"

namespace {

// One record of every kind the file holds.
void BuildSampleWorld(Program& prog) {
    World& w = prog.world;
    int32_t box = MakeBox(w, 0, 0, 50, "box");
    w.particles[1].p.Set(10.5, -3.5); // halves round to even: 10, -4
    NewHalfSpace(w, 0, 500, 1, 0).type = "grass";
    WaterSpace& s = NewWaterSpace(w, 0, 300, 1, 0, 0.05f);
    s.a.Set(0, -0.005);
    s.type = "blue";
    NewLiquidBox(w, prog.rng, box, 3, 2, "water");
    AddLight(w, 1, 600, 0, "blue", 2);
    w.markers.push_back({box, 2, 0, w.NewUid()});
    uint32_t first = NewPortal(w, 0, 0, 0, 100).uid;
    uint32_t second = NewPortal(w, 200, 0, 200, 100).uid;
    FindPortalByUid(w, first)->connected = second; // a portal written after it; the second is unconnected
    NewRegion(w, 110, 20, 10, 120).type = "red";
    NewTrigger(w);
    w.triggers.back().conditionType = "and";
    AddEvent(w, "entityentersregion(Any,1)");
    AddCondition(w, "varequals(score,1)");
    AddAction(w, "setvar(score,1)");
    NewTrigger(w);
    prog.camera = {10.5, -3.5, 0.25};
}

TEST(LevelFormat, WriterTextAndByteIdenticalRoundTrips) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    BuildSampleWorld(*prog);
    // The expected text, written out by hand: tests/data/levels/every_record.lvl.
    const std::string expected = ReadFileBytes(TUMBLEBOX_SOURCE_DIR "/tests/data/levels/every_record.lvl");
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, "levels\\a.lvl"));
    EXPECT_EQ(ReadFileBytes("levels/a.lvl"), expected);
    ASSERT_EQ(LoadLevel(*prog, plat, "levels\\a.lvl"), 1);
    EXPECT_EQ(LevelText(prog->world, prog->camera), expected);
    EXPECT_EQ(prog->world.nextEntityId, 3);

    // Values beyond single precision are written as its largest value, which the reader reads back;
    // positions beyond the integers the reader reads.
    World& w = prog->world;
    w.particles[2].a.y = INFINITY;
    w.particles[3].a.x = -1e300;
    w.particles[4].a.y = NAN;
    w.particles[3].p.Set(16777217, -1e12);
    std::string text = LevelText(w, prog->camera);
    const std::string largest = "340282346638528859811704183484516925440.000000";
    EXPECT_NE(text.find("Particle(50,0,50,0,0.000000," + largest + ",2,2,0)"), std::string::npos);
    EXPECT_NE(text.find("Particle(16777217,-2147483648,50,50,-" + largest), std::string::npos);
    EXPECT_NE(text.find("Particle(0,50,0,50,0.000000,0.000000,4,"), std::string::npos);
    w.particles[2].a.x = 1e-7; // six decimals: 0.000000
    text = LevelText(w, prog->camera);
    LoadReport reread;
    LoadLevelText(*prog, plat, text, &reread);
    EXPECT_EQ(reread.dropped, 0);
    EXPECT_EQ(LevelText(w, prog->camera), text);

    // Every stored sample level writes back to its own bytes.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TUMBLEBOX_SOURCE_DIR "/tests/data/levels")) {
        LoadReport report;
        ASSERT_EQ(LoadLevel(*prog, plat, StoredPath(entry.path().string()), &report), 1);
        EXPECT_EQ(report.dropped, 0) << entry.path();
        EXPECT_EQ(LevelText(w, prog->camera), ReadFileBytes(entry.path().string())) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 3);
    EXPECT_TRUE(plat.messages.empty());
}

// Load, save, load, save gives the same bytes for every shipped level, sample level and fuzzing seed: what
// the writer writes, the reader reads.
TEST(LevelFormat, EveryStoredLevelSurvivesASecondRoundTrip) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    int files = 0;
    for (const char* folder : {"/levels", "/tests/data/levels", "/fuzz/corpus/level"}) {
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(std::string(TUMBLEBOX_SOURCE_DIR) + folder)) {
            if (!entry.is_regular_file()) continue;
            ASSERT_EQ(LoadLevel(*prog, plat, StoredPath(entry.path().string())), 1);
            std::string first = LevelText(prog->world, prog->camera);
            LoadLevelText(*prog, plat, first);
            EXPECT_EQ(LevelText(prog->world, prog->camera), first) << entry.path();
            ++files;
        }
    }
    EXPECT_GE(files, 12);
}

TEST(LevelFormat, ReaderQuirksThatStoredLevelsRelyOn) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    std::string text =
        "Entity(1.000000,8.000000,7,player)\r" // CR, LF and CR LF all end lines
        "Particle(12.500000,-3,12,-3,0.000000,1.000000,40,7,5)\n"
        "Particle(20,0,20,0,0.000000,1.000000,41,7)\r\n" // keeps the ninth argument: 5
        "Constraint(40,41,1.000000,8.000000,9,7)\r\n" +
        Lines({"LiquidBox(0,3.000000,7,)", "LiquidBox(3,2.500000,7,poison)", "Light(blue,5,300,0)",
               "Light(green,4,200,7)", "Portal(0,0,0,50,5,5)", "NewTrigger", "triggerconditiontype(AND)",
               "Event(levelstart())", "Condition(eventually(1))", "Action(say(a (b) c))",
               "Action(createtip(Particle))", "--CAMERA--", "Cam(7,8,0.500000)"});
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);

    ASSERT_EQ(w.entityCount, 1);
    EXPECT_EQ(w.nextEntityId, 8);
    EXPECT_EQ(w.particles[1].p, (Vec2{12, -3})); // the leading integer of 12.500000
    EXPECT_EQ(w.particles[2].type, 5);
    EXPECT_EQ(w.nextParticleId, 43); // 42 went to the createtip line below, which took id 41 from line 3
    EXPECT_FLOAT_EQ(w.constraints[1].length, 8);
    ASSERT_EQ(w.liquidBoxCount, 2);
    EXPECT_TRUE(w.liquidBoxes[1].particles.empty());
    EXPECT_EQ(w.liquidBoxes[2].radius, 2);
    ASSERT_EQ(w.lights.size(), 1u); // owner 0: no light
    EXPECT_EQ(w.lights[0].image, 100);
    EXPECT_EQ(w.portals[0].connected, w.portals[0].uid);
    const Trigger& t = w.triggers.at(0);
    EXPECT_EQ(t.conditionType, "AND");
    EXPECT_EQ(t.events[1], "levelstart()");
    EXPECT_EQ(t.events[2], "eventually(1)"); // a condition holding "event" is an event
    EXPECT_EQ(t.actions[1], "say(a (b)");
    EXPECT_EQ(t.actions[2], ""); // holding "Particle", it was read as a particle
    EXPECT_EQ(w.particleCount, 3);
    EXPECT_EQ(w.particles[3].parent, 1); // in entity 7, the eighth argument of an earlier line
    EXPECT_EQ(prog->camera.x, 7);
    EXPECT_EQ(prog->camera.zoom, 0.5);
    EXPECT_EQ(report.dropped, 1);
}

// What would corrupt the world is refused and counted; later references, deleted lines and texts that
// could not be written back are handled so that nothing is lost or misread.
TEST(LevelFormat, ReaderRefusesWhatWouldCorruptTheWorld) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    std::string text = Lines({
        "Marker(3,6)",          // its entity comes later
        "Portal(0,0,0,10,1,2)", // connected to a portal read later
        "Portal(5,0,5,10,2,7)", // names no portal: unconnected
        "Entity(1.000000,1.000000,0,zero)",
        "Entity(nan,1.000000,5,nanmass)",
        "Entity(-1.000000,1.000000,6,negative)",
        "Entity(1.000000,1.000000,3,box,Entity,x)",
        "HalfSpace(0,0,1.000000,0.000000)",   // the kept fifth argument "Entity" is no type for it
        "Entity(1.000000,1.000000,3,again)",  // the same id: lookups find the first
        "En--DELETE--000,1.000000,4,camera)", // blanked lines whose types would pass later tests
        "En--DELETE--000,1.000000,4,reaction)",
        "Particle(0,0,0,0,0.000000,1.000000,0,3,0)",
        "Particle(0,0,0,0,inf,1.000000,1,3,0)",
        "Particle(0,0,0,0,0.000000,1.000000,2,5,0)",
        "Particle(0,0,0,0,0.000000,1.000000,3,3,0)",
        "Particle(9,0,9,0,0.000000,1.000000,4,3,0)",
        "Constraint(3,4,nan,9.000000,1,3)",
        "Constraint(3,4,1.000000,-9.000000,2,3)",
        "Constraint(3,4,3.000000,9.000000,3,3)",
        "Constraint(3,3,1.000000,9.000000,4,3)",
        "Constraint(3,4,1.000000,9.000000,5,3)",
        "HalfSpace(0,0,0.0000001,-0.0000002,tiny)",
        "WaterSpace(0,0,1.000000,0.000000,5.0,0,-0.01,drag)",
        "WaterSpace(2.5,3.5,1.000000,0.000000,0.1,0,-0.01,ok)",
        "Region(0,0,10,10,0,zero)",
        "Region(0,0,5,5,1,red)gone,x)",
        "Marker(12,0)",
        "NewTrigger",
        "Event(cut(off",
        "Cam(1,2,nan)",
    });
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);

    ASSERT_EQ(w.entityCount, 2);
    EXPECT_EQ(w.entities[1].particlecount(), 2);
    ASSERT_EQ(w.particleCount, 2);
    EXPECT_EQ(w.particles[1].id, 3);
    ASSERT_EQ(w.constraintCount, 1);
    EXPECT_EQ(w.constraints[1].id, 5);
    ASSERT_EQ(w.halfSpaces.size(), 1u);
    EXPECT_EQ(w.halfSpaces[0].type, "");
    ASSERT_EQ(w.waterSpaces.size(), 1u);
    EXPECT_EQ(w.waterSpaces[0].p, (Vec2{2, 4})); // read as numbers and rounded, halves to even
    ASSERT_EQ(w.regions.size(), 1u);
    EXPECT_EQ(w.regions[0].type, "red");
    ASSERT_EQ(w.markers.size(), 1u);
    EXPECT_EQ(w.markers[0].entity, 1);
    EXPECT_EQ(w.portals.at(0).connected, w.portals.at(1).uid);
    EXPECT_EQ(w.portals.at(1).connected, 0u);
    EXPECT_EQ(w.triggers.at(0).events[1], "");
    EXPECT_EQ(prog->camera.x, 1);
    EXPECT_EQ(prog->camera.zoom, 0);
    EXPECT_EQ(report.dropped, 16);

    std::string written = LevelText(w, prog->camera);
    EXPECT_NE(written.find("Portal(5,0,5,10,2,0)"), std::string::npos);
    LoadLevelText(*prog, plat, written);
    EXPECT_EQ(LevelText(w, prog->camera), written);
}

TEST(LevelFormat, MissingParticlesGiveOneMessageAndOneSummary) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    std::string text =
        Lines({"Entity(1.000000,1.000000,2,box)", "Particle(0,0,0,0,0.000000,1.000000,1,2,0)"});
    for (int i = 0; i < 50; ++i)
        text += "Constraint(1," + std::to_string(100 + i) + ",1.000000,5.000000," + std::to_string(i + 1) +
                ",2)\r\n";
    LoadLevelText(*prog, plat, text);
    ASSERT_EQ(plat.messages.size(), 2u);
    EXPECT_EQ(plat.messages[0],
              std::make_pair(std::string("Error"), std::string("particleid 100 not found.")));
    EXPECT_EQ(plat.messages[1].second, "49 further particle ids not found.");
}

TEST(LevelFormat, UnreadableFilesAndTriggerFiles) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    const World& w = prog->world;
    MakeBox(prog->world, 0, 0, 10, "box");
    std::filesystem::create_directory("levels/folder.lvl");
    EXPECT_EQ(LoadLevel(*prog, plat, "levels\\folder.lvl"), 0);
    EXPECT_FALSE(OpenLevel(*prog, plat, "levels\\missing.lvl"));
    EXPECT_EQ(StatusText(prog->editor), "file not found...");
    EXPECT_EQ(w.entityCount, 1); // the world is left as it was

    // Only trigger lines count in a trigger file, and only those whose text would not come back from a
    // level file as a record.
    WriteFileBytes("levels/extra.lvl",
                   Lines({"Entity(1.000000,1.000000,2,box)", "NewTrigger", "Action(createtip(particles))",
                          "Action(createtip(Particle))", "Action(showtip(Entity 9 must reach the Region))",
                          "triggerconditiontype(Light)"}));
    WriteFileBytes("levels/main.lvl",
                   Lines({"Entity(1.000000,1.000000,5,box)", "NewTrigger", "LoadTrigger(levels\\extra.lvl)",
                          "loadtrigger(levels\\nope.lvl)"}));
    LoadReport report;
    ASSERT_TRUE(OpenLevel(*prog, plat, "levels\\main.lvl", &report));
    EXPECT_EQ(report.dropped, 3);
    EXPECT_EQ(StatusText(prog->editor), "loading done. 3 records dropped. Left out, it would read back as a "
                                        "record: Action(createtip(Particle))");
    EXPECT_EQ(w.entityCount, 1);
    ASSERT_EQ(w.triggers.size(), 2u);
    EXPECT_EQ(w.triggers[1].actions[1], "createtip(particles)");
    EXPECT_EQ(w.triggers[1].actions[2], "");
    ASSERT_EQ(w.notices.size(), 1u);
    EXPECT_EQ(w.notices[0].text, "levels\\nope.lvlnot found");
    EXPECT_EQ(w.notices[0].duration, 1000);

    // Saved and loaded twice, the level gains nothing and keeps its id counter.
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(WriteLevel(w, prog->camera, "levels\\main.lvl"));
        ASSERT_TRUE(OpenLevel(*prog, plat, "levels\\main.lvl", &report));
        EXPECT_EQ(report.dropped, 0);
        EXPECT_EQ(w.entityCount, 1);
        EXPECT_EQ(w.nextEntityId, 6);
        EXPECT_EQ(w.triggers.size(), 2u);
    }
}

} // namespace
