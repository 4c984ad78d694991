// The level file format: the writer's exact text, byte-identical round trips, and the reader's rules.
#include <cmath>
#include <gtest/gtest.h>

#include "level_test_util.h"
#include "triggers/records.h"
#include "world/builders.h"

namespace {

// A small world with one record of every kind the file holds.
void BuildSampleWorld(Program& prog) {
    World& w = prog.world;
    int32_t box = MakeBox(w, 0, 0, 50, "box");
    w.particles[1].p.Set(10.5, -3.5); // rounded halves to even: 10, -4
    NewHalfSpace(w, 0, 500, 1, 0).type = "grass";
    WaterSpace& s = NewWaterSpace(w, 0, 300, 1, 0, 0.05f);
    s.a.Set(0, -0.005);
    s.type = "blue";
    NewLiquidBox(w, prog.rng, box, 3, 2, "water");
    AddLight(w, 1, 600, 0, "blue", w.entities[static_cast<size_t>(box)].id);
    w.markers.push_back({box, w.entities[static_cast<size_t>(box)].id, 0, w.NewUid()});
    Portal& first = NewPortal(w, 0, 0, 0, 100);
    uint32_t firstUid = first.uid;
    Portal& second = NewPortal(w, 200, 0, 200, 100);
    FindPortalByUid(w, firstUid)->connected = second.uid; // connected to a portal written after it
    NewRegion(w, 110, 20, 10, 120).type = "red";
    NewTrigger(w);
    w.triggers.back().conditionType = "and";
    AddEvent(w, "entityentersregion(Any,1)");
    AddCondition(w, "varequals(score,1)");
    AddAction(w, "setvar(score,1)");
    NewTrigger(w);
    prog.camera = {10.5, -3.5, 0.25};
}

const std::string kSampleText = Lines({
    "",
    R"(ENTITY(e\m,e\f,e\id,e\type))",
    "Entity(1.000000,1.000000,2,box)",
    "",
    R"(PARTICLE(p\p\x,p\p\y,p\oldp\x.p\oldp\y,p\a\x,p\a\y,p\id,p\parent\id,p\type))",
    "Particle(10,-4,0,0,0.000000,1.000000,1,2,0)",
    "Particle(50,0,50,0,0.000000,1.000000,2,2,0)",
    "Particle(50,50,50,50,0.000000,1.000000,3,2,0)",
    "Particle(0,50,0,50,0.000000,1.000000,4,2,0)",
    "",
    R"(CONSTRAINT(c\p1\id,c\p2\id,c\e,c\length,c\id,c\parent\id))",
    "Constraint(4,3,1.000000,50.000000,1,2)",
    "Constraint(3,2,1.000000,50.000000,2,2)",
    "Constraint(2,1,1.000000,50.000000,3,2)",
    "Constraint(1,4,1.000000,50.000000,4,2)",
    "Constraint(2,4,1.000000,70.710678,5,1)",
    "Constraint(3,1,1.000000,70.710678,6,1)",
    "",
    R"(HALFSPACE(h\p\x,h\p\y,h\v\x,h\v\y,type.s))",
    "HalfSpace(0,500,1.000000,0.000000,grass)",
    "",
    R"(WATERSPACE(w\p\x,w\p\y,w\v\x,w\v\y,w\a\x,w\a\y,w\xf.f,type.s))",
    "WaterSpace(0,300,1.000000,0.000000,0.050000,0.000000,-0.005000,blue)",
    "LiquidBox(2,3.000000,2,water)",
    "",
    R"(LIGHTS(l\image,l\rad,l\range,l\parent\id))",
    "Light(102,0,600,2)",
    "",
    R"(MARKER(entity\id,image))",
    "Marker(2,0)",
    "",
    "PORTALS(x1,y1,x2,y2,id,connectedportalid)",
    "Portal(0,0,0,100,1,2)",
    "Portal(200,0,200,100,2,0)",
    "",
    "--REGIONS(minx,miny,maxx,maxy,id,type)--",
    "Region(10,20,110,120,1,red)",
    "",
    "--TRIGGERS--",
    "",
    "NewTrigger",
    "triggerconditiontype(and)",
    "Event(entityentersregion(Any,1))",
    "Condition(varequals(score,1))",
    "Action(setvar(score,1))",
    "",
    "NewTrigger",
    "",
    "--CAMERA--",
    "Cam(10,-4,0.250000)",
});

TEST(LevelFormat, WriterProducesTheExactText) {
    auto prog = NewTestProgram();
    BuildSampleWorld(*prog);
    EXPECT_EQ(LevelText(prog->world, prog->camera), kSampleText);

    // Infinities and values beyond the integers the reader reads.
    prog->world.particles[2].a.y = INFINITY;
    prog->world.particles[3].a.x = -INFINITY;
    prog->world.particles[4].p.x = 1e12;
    std::string text = LevelText(prog->world, prog->camera);
    EXPECT_NE(text.find("Particle(50,0,50,0,0.000000,+Infinity,2,2,0)"), std::string::npos);
    EXPECT_NE(text.find("Particle(50,50,50,50,-Infinity,1.000000,3,2,0)"), std::string::npos);
    EXPECT_NE(text.find("Particle(2147483647,50,0,50,"), std::string::npos);
}

TEST(LevelFormat, RoundTripsAreByteIdentical) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    BuildSampleWorld(*prog);
    ASSERT_TRUE(WriteLevel(prog->world, prog->camera, "levels\\a.lvl"));
    ASSERT_EQ(LoadLevel(*prog, plat, "levels\\a.lvl"), 1);
    EXPECT_EQ(LevelText(prog->world, prog->camera), kSampleText);
    EXPECT_EQ(prog->world.nextEntityId, 3);
    EXPECT_EQ(prog->world.nextParticleId, 5);

    // A world with positions beyond single precision and odd float values keeps them too.
    auto big = NewTestProgram();
    MakeBox(big->world, 0, 0, 10, "quad");
    big->world.particles[1].p.Set(16777217, -16777219);
    big->world.particles[2].a.Set(1e-7, 123456.789);
    big->world.constraints[1].e = 0.0078125f;
    std::string first = LevelText(big->world, big->camera);
    LoadLevelText(*big, plat, first);
    EXPECT_EQ(LevelText(big->world, big->camera), first);
    EXPECT_NE(first.find("Particle(16777217,-16777219,"), std::string::npos);
    EXPECT_TRUE(plat.messages.empty());

    // Every stored sample level loads and writes back to the same bytes.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TUMBLEBOX_SOURCE_DIR "/tests/data/levels")) {
        if (entry.path().extension() != ".lvl") continue;
        ++files;
        std::string bytes = ReadFileBytes(entry.path().string());
        auto p = NewTestProgram();
        LoadReport report;
        ASSERT_EQ(LoadLevel(*p, plat, StoredPath(entry.path().string()), &report), 1);
        EXPECT_EQ(report.dropped, 0) << entry.path();
        EXPECT_EQ(LevelText(p->world, p->camera), bytes) << entry.path();
    }
    EXPECT_GE(files, 2);
}

TEST(LevelFormat, ReaderKeepsTheQuirksStoredLevelsRelyOn) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    World& w = prog->world;
    // Lines end in CR LF, a lone CR or a lone LF.
    std::string text = "Entity(1.000000,8.000000,7,player)\r"
                       "Particle(12.500000,-3,12,-3,0.000000,1.000000,40,7,5)\n"
                       "Particle(20,0,20,0,0.000000,1.000000,41,7)\r\n"
                       "Constraint(40,41,1.000000,8.000000,9,7)\r\n"
                       "LiquidBox(0,3.000000,7,)\r\n"
                       "LiquidBox(3,2.500000,7,poison)\r\n"
                       "Light(blue,5,300,0)\r\n"
                       "Light(red,5,300,99)\r\n"
                       "Light(green,4,200,7)\r\n"
                       "Portal(0,0,0,50,5,5)\r\n"
                       "NewTrigger\r\n"
                       "triggerconditiontype(AND)\r\n"
                       "Event(levelstart())\r\n"
                       "Condition(eventually(1))\r\n"
                       "Action(say(a (b) c))\r\n"
                       "Action(createtip(Particle))\r\n"
                       "--CAMERA--\r\n"
                       "Cam(7,8,0.500000)\r\n";
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);

    ASSERT_EQ(w.entityCount, 1);
    EXPECT_EQ(w.entities[1].id, 7);
    EXPECT_FLOAT_EQ(w.entities[1].f, 8);
    EXPECT_EQ(w.nextEntityId, 8);
    // Integer fields take the leading integer; a shorter line keeps the later arguments of earlier lines.
    ASSERT_GE(w.particleCount, 2);
    EXPECT_EQ(w.particles[1].p, (Vec2{12, -3}));
    EXPECT_EQ(w.particles[1].type, 5);
    EXPECT_EQ(w.particles[2].type, 5);
    EXPECT_EQ(w.nextParticleId, 43); // 42 was taken by the createtip line below, then overwritten
    EXPECT_FLOAT_EQ(w.constraints[1].length, 8);
    EXPECT_EQ(w.constraints[1].id, 9);
    // Liquid boxes: an empty one, and a radius written with decimals read as an integer.
    ASSERT_EQ(w.liquidBoxCount, 2);
    EXPECT_TRUE(w.liquidBoxes[1].particles.empty());
    EXPECT_EQ(w.liquidBoxes[2].radius, 2);
    EXPECT_EQ(w.liquidBoxes[2].particles.size(), 3u);
    // Lights need an owner that exists; colour words choose the light images.
    ASSERT_EQ(w.lights.size(), 1u);
    EXPECT_EQ(w.lights[0].image, 100);
    EXPECT_EQ(w.lights[0].range, 200);
    EXPECT_EQ(w.lights[0].ownerId, 7);
    // A portal connected to itself.
    ASSERT_EQ(w.portals.size(), 1u);
    EXPECT_EQ(w.portals[0].connected, w.portals[0].uid);
    // Trigger texts: cut after the first ")", the condition type kept as written, a condition holding
    // "event" read as an event, and an action holding "Particle" read as a particle line.
    ASSERT_EQ(w.triggers.size(), 1u);
    const Trigger& t = w.triggers[0];
    EXPECT_EQ(t.id, 0);
    EXPECT_EQ(t.conditionType, "AND");
    EXPECT_EQ(t.events[1], "levelstart()");
    EXPECT_EQ(t.events[2], "eventually(1)");
    EXPECT_EQ(t.conditions[1], "");
    EXPECT_EQ(t.actions[1], "say(a (b)");
    EXPECT_EQ(t.actions[2], "");
    EXPECT_EQ(w.particleCount, 3); // the createtip line, in entity 7 by the kept eighth argument
    EXPECT_EQ(w.particles[3].parent, 1);
    // The camera header passes the "cam" test; the record after it sets the camera.
    EXPECT_EQ(prog->camera.x, 7);
    EXPECT_EQ(prog->camera.y, 8);
    EXPECT_EQ(prog->camera.zoom, 0.5);
    // Dropped: the light with owner 0 and the one whose owner does not exist.
    EXPECT_EQ(report.dropped, 2);
    EXPECT_TRUE(plat.messages.empty());
}

TEST(LevelFormat, ReaderRefusesWhatWouldCorruptTheWorld) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    World& w = prog->world;
    std::string text = Lines({
        "Entity(1.000000,1.000000,0,zero)",      // id 0 would end the table at the next recount
        "Entity(1.000000,1.000000,-4,negative)", // ids below 1 are refused
        "Entity(nan,1.000000,5,nanmass)",
        "Entity(-1.000000,1.000000,6,negmass)",
        "Entity(1.000000,1.000000,3,box)",
        "Particle(0,0,0,0,0.000000,1.000000,0,3,0)",
        "Particle(0,0,0,0,inf,1.000000,1,3,0)",
        "Particle(0,0,0,0,0.000000,1.000000,2,5,0)", // its entity was refused: dropped quietly
        "Particle(0,0,0,0,0.000000,1.000000,3,3,0)",
        "Particle(9,0,9,0,0.000000,1.000000,4,3,0)",
        "Constraint(3,4,nan,9.000000,1,3)",
        "Constraint(3,4,1.000000,-9.000000,2,3)",
        "Constraint(3,4,3.000000,9.000000,3,3)",
        "Constraint(3,3,1.000000,9.000000,4,3)",
        "Constraint(3,4,1.000000,9.000000,5,3)",
        "HalfSpace(0,0,0.000000,0.000000,flat)",
        "HalfSpace(0,0,nan,1.000000,nan)",
        "HalfSpace(0,0,0.0000001,-0.0000002,tiny)", // would be written as a direction of 0
        "HalfSpace(0,0,1.000000,0.000000,ok)",
        "WaterSpace(0,0,0.000000,0.000000,0.1,0,-0.01,flat)",
        "WaterSpace(0,0,1.000000,0.000000,5.0,0,-0.01,drag)",
        "WaterSpace(2.5,3.5,1.000000,0.000000,0.1,0,-0.01,ok)",
        "Region(0,0,10,10,0,zero)",
        "Portal(0,0,0,10,-1,0)",
        "Cam(1,2,nan)",
    });
    prog->camera.zoom = 0.25;
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);

    ASSERT_EQ(w.entityCount, 1);
    EXPECT_EQ(w.entities[1].type, "box");
    ASSERT_EQ(w.particleCount, 2);
    EXPECT_EQ(w.particles[1].id, 3);
    ASSERT_EQ(w.constraintCount, 1);
    EXPECT_EQ(w.constraints[1].id, 5);
    ASSERT_EQ(w.halfSpaces.size(), 1u);
    EXPECT_EQ(w.halfSpaces[0].type, "ok");
    ASSERT_EQ(w.waterSpaces.size(), 1u);
    EXPECT_EQ(w.waterSpaces[0].p, (Vec2{2, 4})); // read as numbers and rounded, halves to even
    EXPECT_TRUE(w.regions.empty());
    EXPECT_TRUE(w.portals.empty());
    EXPECT_EQ(prog->camera.zoom, 0.25);
    EXPECT_EQ(report.dropped, 19);
    for (int32_t i = 1; i <= w.particleCount; ++i) {
        EXPECT_TRUE(std::isfinite(w.particles[static_cast<size_t>(i)].a.x));
        EXPECT_TRUE(std::isfinite(w.particles[static_cast<size_t>(i)].a.y));
    }
}

TEST(LevelFormat, DeletedLinesAndLateReferences) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    World& w = prog->world;
    std::string text = Lines({
        "Marker(9,3)", // its entity is defined further down
        "Portal(0,0,0,10,1,2)",
        "Portal(5,0,5,10,2,7)", // names no portal: unconnected
        // Entity lines blanked by a delete, whose types would pass later keyword tests.
        "En--DELETE--00000,1.000000,4,camera)",
        "En--DELETE--00000,1.000000,5,Portalgun)",
        "En--DELETE--00000,1.000000,6,reaction)",
        "Entity(1.000000,1.000000,9,box)",
        "Entity(1.000000,1.000000,9,again)", // the same id: lookups find the first
        "Particle(0,0,0,0,0.000000,1.000000,3,9,0)",
        "Marker(12,0)", // no such entity: dropped
        "Cam(3,4,0.000000)",
    });
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);
    EXPECT_EQ(w.entityCount, 2);
    EXPECT_EQ(w.entities[1].particlecount(), 1);
    ASSERT_EQ(w.markers.size(), 1u);
    EXPECT_EQ(w.markers[0].entity, 1);
    EXPECT_EQ(w.markers[0].entityId, 9);
    EXPECT_EQ(w.markers[0].image, 3);
    ASSERT_EQ(w.portals.size(), 2u);
    EXPECT_EQ(w.portals[0].connected, w.portals[1].uid);
    EXPECT_EQ(w.portals[1].connected, 0u);
    EXPECT_TRUE(w.triggers.empty());
    EXPECT_EQ(prog->camera.x, 3);
    EXPECT_EQ(report.dropped, 1);
    // Written back, the unconnected portal carries connected id 0.
    EXPECT_NE(LevelText(w, prog->camera).find("Portal(5,0,5,10,2,0)"), std::string::npos);
}

// Every text the reader keeps is written back so that it reads the same again.
TEST(LevelFormat, KeptTextsWriteBackUnchanged) {
    TestPlatform plat;
    auto prog = NewTestProgram();
    World& w = prog->world;
    std::string text = Lines({
        "Entity(1.000000,1.000000,2,box,Entity,x)",
        "HalfSpace(0,0,1.000000,0.000000)", // its type is the kept fifth argument, "Entity"
        "Region(0,0,5,5,1,red)gone,x)",
        "NewTrigger",
        "Event(cut(off",
        "triggerconditiontype(and)or,x)",
    });
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);
    ASSERT_EQ(w.halfSpaces.size(), 1u);
    EXPECT_EQ(w.halfSpaces[0].type, "");
    ASSERT_EQ(w.regions.size(), 1u);
    EXPECT_EQ(w.regions[0].type, "red");
    ASSERT_EQ(w.triggers.size(), 1u);
    EXPECT_EQ(w.triggers[0].events[1], "");
    EXPECT_EQ(w.triggers[0].conditionType, "and");
    EXPECT_EQ(report.dropped, 1);
    std::string written = LevelText(w, prog->camera);
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
    LoadReport report;
    LoadLevelText(*prog, plat, text, &report);
    ASSERT_EQ(plat.messages.size(), 2u);
    EXPECT_EQ(plat.messages[0].first, "Error");
    EXPECT_EQ(plat.messages[0].second, "particleid 100 not found.");
    EXPECT_EQ(plat.messages[1].second, "49 further particle ids not found.");
    EXPECT_EQ(report.missingParticles, 50);
    EXPECT_EQ(prog->world.constraintCount, 0);
}

TEST(LevelFormat, UnreadableFileLeavesTheWorldAsItWas) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    MakeBox(prog->world, 0, 0, 10, "box");
    std::filesystem::create_directory("levels/folder.lvl");
    EXPECT_EQ(LoadLevel(*prog, plat, "levels\\missing.lvl"), 0);
    EXPECT_EQ(LoadLevel(*prog, plat, "levels\\folder.lvl"), 0);
    EXPECT_FALSE(OpenLevel(*prog, plat, "levels\\missing.lvl"));
    EXPECT_EQ(StatusText(prog->editor), "file not found...");
    EXPECT_EQ(prog->world.entityCount, 1);
    EXPECT_EQ(prog->world.particleCount, 4);
}

TEST(LevelFormat, TriggerFilesAddTriggerLinesOnly) {
    ScratchFolder folder;
    TestPlatform plat;
    auto prog = NewTestProgram();
    WriteFileBytes("levels/extra.lvl", Lines({"Entity(1.000000,1.000000,2,box)", "NewTrigger",
                                              "Action(createtip(Particle))", "Cam(9,9,0.5)"}));
    std::string text = Lines({"NewTrigger", "Event(a())", "LoadTrigger(levels\\extra.lvl)",
                              "loadtrigger(levels\\nope.lvl)", "LoadTrigger(levels)"});
    LoadLevelText(*prog, plat, text);
    World& w = prog->world;
    EXPECT_EQ(w.entityCount, 0);
    EXPECT_EQ(prog->camera.x, 0);
    ASSERT_EQ(w.triggers.size(), 2u);
    EXPECT_EQ(w.triggers[1].id, 1);
    EXPECT_EQ(w.triggers[1].actions[1], "createtip(Particle)");
    ASSERT_EQ(w.notices.size(), 2u);
    EXPECT_EQ(w.notices[0].text, "levels\\nope.lvlnot found");
    EXPECT_EQ(w.notices[0].duration, 1000);
    EXPECT_EQ(w.notices[0].red, 255);
    EXPECT_EQ(w.notices[1].text, "levelsnot found");
}

} // namespace
