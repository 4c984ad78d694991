// Fuzzes a level's life after the load: the level text is read, the world runs a few whole frames with
// its triggers on (simulation, liquids, effects, triggers, editor and drawing, on the recording test
// platform), is written, and is read back. The world must be sound after each stage (fuzz::CheckWorld),
// and the written level must read back to the same text.
//
// The program runs in a scratch folder of its own (settings.ini, and whatever files the triggers write).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "absolute_paths.h"
#include "level_io.h"
#include "platform/test_platform.h"
#include "world_check.h"

namespace {

constexpr int kFrames = 4;

struct Session {
    std::unique_ptr<Program> prog = std::make_unique<Program>();
    TestPlatform plat;

    Session() {
        char folder[] = "/tmp/level_step_fuzz.XXXXXX";
        fuzz::Check(::mkdtemp(folder) != nullptr, "no scratch folder");
        std::filesystem::current_path(folder);
        std::ofstream("settings.ini") << "ScreenSolution(640,480)\r\nWindowed(0)\r\n";
        prog->shell.headless = true;
        fuzz::Check(StartProgram(*prog, plat), "the program does not start");
    }
};

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
