// Helpers of the level tests: a scratch working folder, a program without a screen, small worlds built
// record by record, and file reading.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

#include "common/text.h"
#include "level/level.h"
#include "platform/test_platform.h"
#include "shell/program.h"
#include "world/world.h"

// Runs a test in a fresh empty working folder (the level code writes "temp.del" and "level.ini" there).
class ScratchFolder {
public:
    ScratchFolder() {
        old_ = std::filesystem::current_path();
        static int serial = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("tumblebox_level_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "levels");
        std::filesystem::current_path(dir_);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::all, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& Path() const { return dir_; }

private:
    std::filesystem::path old_, dir_;
};

inline std::unique_ptr<Program> NewTestProgram() {
    auto prog = std::make_unique<Program>();
    ResetWorld(prog->world);
    prog->editor.labels.push_back({10, 200, "", 0, 0, 0});
    prog->shell.headless = true;
    return prog;
}

// A box as the catalogue builds one: four particles, four edges owned by the entity, and two diagonals
// owned by the world entity (or by the box when diagonalsToWorld is false).
inline int32_t MakeBox(World& w, float x, float y, float size, const std::string& type,
                       bool diagonalsToWorld = true, float m = 1, float f = 1) {
    int32_t e = NewEntity(w, m, f);
    int32_t p1 = NewParticle(w, e, x, y);
    int32_t p2 = NewParticle(w, e, x + size, y);
    int32_t p3 = NewParticle(w, e, x + size, y + size);
    int32_t p4 = NewParticle(w, e, x, y + size);
    NewConstraint(w, e, p4, p3, 1);
    NewConstraint(w, e, p3, p2, 1);
    NewConstraint(w, e, p2, p1, 1);
    NewConstraint(w, e, p1, p4, 1);
    int32_t diagonalOwner = diagonalsToWorld ? kWorldEntity : e;
    NewConstraint(w, diagonalOwner, p2, p4, 1);
    NewConstraint(w, diagonalOwner, p3, p1, 1);
    w.entities[static_cast<size_t>(e)].type = type;
    return e;
}

inline std::string ReadFileBytes(const std::string& nativePath) {
    std::ifstream in(nativePath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFileBytes(const std::string& nativePath, const std::string& bytes) {
    std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Level text from lines joined with CR LF.
inline std::string Lines(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}
