// The level code as the fuzz targets use it: text in, world out, and the world back as text. Every call
// into the level reader and writer goes through here.
#pragma once

#include <string>
#include <string_view>

#include "common/text.h"
#include "level/level.h"
#include "shell/levels.h"
#include "shell/program.h"

namespace fuzz {

// Replaces the program's world by the level file at `path`; false when it cannot be opened.
inline bool ReadLevelFile(Program& prog, Platform& plat, const std::string& path) {
    return LoadLevel(prog, plat, StoredPath(path)) == 1;
}

// Replaces the program's world by the level in `text`.
inline void ReadLevel(Program& prog, Platform& plat, std::string_view text) {
    LoadLevelText(prog, plat, text);
}

// The program's world as the text of a level file.
inline std::string WriteLevel(const Program& prog) {
    return LevelText(prog.world, prog.camera);
}

} // namespace fuzz
