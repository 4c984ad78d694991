// Fuzzes the level reader with arbitrary bytes. Besides the sanitizers' checks, every load must leave a
// sound world (fuzz::CheckWorld), show at most two message boxes, and write a level that reads back to the
// same text. One program serves every input: a reset clears only what the last world used, so an input
// costs what it holds, not the size of the tables.
#include <cstdint>
#include <memory>

#include "level_io.h"
#include "memory_file.h"
#include "platform/test_platform.h"
#include "world_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto prog = std::make_unique<Program>();
    static TestPlatform plat;
    static MemoryFile file;
    static bool started = false;
    if (!started) {
        ResetWorld(prog->world);
        prog->shell.headless = true;
        started = true;
    }
    plat.messages.clear();
    fuzz::Check(fuzz::ReadLevelFile(*prog, plat, file.Set(data, size)), "load failed");
    fuzz::CheckWorld(prog->world, prog->camera);
    fuzz::Check(plat.messages.size() <= 2, "more than two message boxes");

    std::string first = fuzz::WriteLevel(*prog);
    fuzz::ReadLevel(*prog, plat, first);
    fuzz::CheckWorld(prog->world, prog->camera);
    fuzz::Check(fuzz::WriteLevel(*prog) == first, "written level does not read back the same");
    // What this input allocated is freed before it ends (the tables keep their capacity), so the leak
    // checker, which looks closer at every input that frees less than it allocates, has no cause to.
    ResetWorld(prog->world);
    plat.messages.clear();
    return 0;
}
