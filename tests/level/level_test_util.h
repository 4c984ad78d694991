// Helpers of the level tests: a scratch working folder, a program without a screen, boxes built record by
// record, file bytes.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

#include "common/text.h"
#include "platform/test_platform.h"
#include "shell/levels.h"
#include "shell/program.h"

// A fresh empty working folder with a "levels" folder (the level code writes "temp.del" and "level.ini"
// into the working folder).
class ScratchFolder {
public:
    ScratchFolder() : old_(std::filesystem::current_path()) {
        static int serial = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("tumblebox_level_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        std::filesystem::create_directories(dir_ / "levels");
        std::filesystem::current_path(dir_);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

private:
    std::filesystem::path old_, dir_;
};

inline std::unique_ptr<Program> NewTestProgram() {
    auto prog = std::make_unique<Program>();
    ResetWorld(prog->world);
    prog->shell.headless = true;
    return prog;
}

// Four particles, four edges owned by the box and two diagonals owned by the world entity.
inline int32_t MakeBox(World& w, float x, float y, float size, const std::string& type) {
    int32_t e = NewEntity(w, 1, 1);
    int32_t p[4] = {NewParticle(w, e, x, y), NewParticle(w, e, x + size, y),
                    NewParticle(w, e, x + size, y + size), NewParticle(w, e, x, y + size)};
    for (int k : {3, 2, 1, 0}) NewConstraint(w, e, p[k], p[(k + 3) % 4], 1); // (4,3) (3,2) (2,1) (1,4)
    NewConstraint(w, kWorldEntity, p[1], p[3], 1);
    NewConstraint(w, kWorldEntity, p[2], p[0], 1);
    w.entities[static_cast<size_t>(e)].type = type;
    return e;
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Lines joined with CR LF.
inline std::string Lines(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) s.append(l).append("\r\n");
    return s;
}
