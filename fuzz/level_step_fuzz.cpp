// Fuzzes a level's life after the load: the level text is read, the world runs a few whole frames with
// its triggers on (simulation, liquids, effects, triggers, editor and drawing, on the recording test
// platform), is written, and is read back. The world must be sound after each stage (fuzz::CheckWorld),
// and the written level must read back to the same text. The world as read is also stepped on its own, once
// on one lane and once with two lanes forced (the second lane on the program's thread); the two-lane world
// must be sound, and the two must agree bit for bit.
//
// The program runs in a scratch folder of its own (settings.ini, and whatever files the triggers write).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "absolute_paths.h"
#include "level_io.h"
#include "physics/physics.h"
#include "platform/test_platform.h"
#include "world_check.h"

namespace {

constexpr int kFrames = 4;

struct Session {
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    TestPlatform plat;

    Session() {
        std::filesystem::current_path(fuzz::NewScratchFolder("level_step_fuzz"));
        fuzz::WriteSettings(640, 480);
        prog->shell.headless = true;
        fuzz::Check(StartProgram(*prog, plat), "the program does not start");
    }
};

// The first particle or contact whose bits differ, or -1.
int32_t FirstDifference(const World& a, const World& b) {
    if (a.particleCount != b.particleCount || a.contactCount != b.contactCount) return 0;
    for (int32_t i = 1; i <= a.particleCount; ++i) {
        const Particle& x = a.particles[static_cast<size_t>(i)];
        const Particle& y = b.particles[static_cast<size_t>(i)];
        if (std::memcmp(&x.p, &y.p, sizeof(Vec2)) != 0 || std::memcmp(&x.oldp, &y.oldp, sizeof(Vec2)) != 0 ||
            x.contact != y.contact)
            return i;
    }
    for (int32_t k = 1; k <= a.contactCount; ++k) {
        const Contact& c = a.contacts[static_cast<size_t>(k)];
        const Contact& d = b.contacts[static_cast<size_t>(k)];
        if (c.vertex != d.vertex || c.edge1 != d.edge1 || c.edge2 != d.edge2 ||
            std::memcmp(&c.push, &d.push, sizeof(Vec2)) != 0)
            return k;
    }
    return -1;
}

// Steps copies of the world on one lane and on two, and compares them after every step.
void CompareLanes(Program& prog) {
    auto one = std::make_unique<World>(prog.world);
    auto two = std::make_unique<World>(prog.world);
    auto scratch = std::make_unique<PhysicsScratch[]>(2);
    scratch[0].laneMode = 1;
    scratch[1].laneMode = 2;
    for (int i = 0; i < kFrames; ++i) {
        StepSimulation(*one, scratch[0], PhysicsTasks{});
        StepSimulation(*two, scratch[1], LaneThreadTasks(prog.physics.thread));
        const int32_t at = FirstDifference(*one, *two);
        if (at >= 0) std::fprintf(stderr, "fuzz: step %d, record %d\n", i + 1, static_cast<int>(at));
        fuzz::Check(at < 0, "two lanes differ from one lane");
    }
    fuzz::CheckWorld(*two, prog.camera);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::MakePathsAbsolute(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Session s;
    Program& prog = *s.prog;
    // Each input starts from the same state: what a load does not reset is reset here.
    prog.rng.Seed(1);
    prog.effects = Effects{};
    prog.editor.sparks.clear();
    prog.render = RenderState{};
    prog.shell.frame = 0;
    prog.shell.quit = false;
    s.plat.messages.clear();

    fuzz::ReadLevel(prog, s.plat, std::string_view(reinterpret_cast<const char*>(data), size));
    fuzz::CheckWorld(prog.world, prog.camera);
    CompareLanes(prog);

    prog.shell.paused = false;
    prog.shell.triggersOn = true;
    for (int i = 0; i < kFrames && RunFrame(prog, s.plat); ++i) {
    }
    fuzz::CheckWorld(prog.world, prog.camera);

    std::string written = fuzz::WriteLevel(prog);
    fuzz::ReadLevel(prog, s.plat, written);
    fuzz::CheckWorld(prog.world, prog.camera);
    fuzz::Check(fuzz::WriteLevel(prog) == written, "written level does not read back the same");
    return 0;
}
