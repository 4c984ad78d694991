// Moving between levels: the operations the trigger actions call, and the binding of the two players
// after such a load.
#include "common/text.h"
#include "level/level.h"
#include "platform/platform.h"
#include "shell/program.h"
#include "triggers/records.h"
#include "world/builders.h"

namespace {

bool HasEntityOfType(const World& w, const char* type) {
    for (int32_t i = 1; i <= w.entityCount; ++i)
        if (w.entities[static_cast<size_t>(i)].type == type) return true;
    return false;
}

// The descriptor still holds its player through a live control constraint.
bool Bound(const World& w, const PlayerDescriptor& d, const char* type) {
    return d.control > 0 && d.control <= w.constraintCount &&
           w.constraints[static_cast<size_t>(d.control)].id != 0 && d.entity > 0 &&
           d.entity <= w.entityCount && w.entities[static_cast<size_t>(d.entity)].type == type;
}

void BindPlayer(Program& prog, Platform& plat, int which) {
    World& w = prog.world;
    const char* type = which == 0 ? "player" : "player2";
    if (Bound(w, w.playerDescriptors[static_cast<size_t>(which)], type)) return;
    if (!HasEntityOfType(w, type)) {
        // The level lacks this player: say so, and go on with it unbound rather than end the program.
        plat.ShowMessage("Error", which == 0 ? "no player found !" : "no player2 found !");
        return;
    }
    if (which == 0)
        FindPlayer(w);
    else
        FindPlayer2(w);
}

bool LoadAndBind(Program& prog, Platform& plat, const std::string& path) {
    if (LoadLevel(prog, plat, path) != 1) return false; // vanished since it was checked: nothing changes
    prog.shell.levelPath = path;
    BindPlayers(prog, plat);
    return true;
}

} // namespace

void BindPlayers(Program& prog, Platform& plat) {
    BindPlayer(prog, plat, 0);
    BindPlayer(prog, plat, 1);
}

bool LoadWorld(Program& prog, Platform& plat, const std::string& name) {
    std::string path = prog.shell.currentFolder + name;
    if (LevelFileReadable(path)) return LoadAndBind(prog, plat, path);
    PostNotice(prog.world, path + " not loaded...", 1000, 255, 0, 0);
    BindPlayers(prog, plat); // the world stays; players it has not bound yet are bound now
    return false;
}

std::string NextWorldPath(const std::string& levelPath) {
    size_t folderEnd = levelPath.find_last_of("\\/");
    size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    size_t underscore = levelPath.rfind('_');
    if (underscore == std::string::npos || underscore < nameStart) return {};
    int64_t number = int64_t{ReadInt(std::string_view(levelPath).substr(underscore + 1))} + 1;
    return levelPath.substr(0, underscore + 1) + std::to_string(number) + ".lvl";
}

bool StartNextWorld(Program& prog, Platform& plat) {
    std::string next = NextWorldPath(prog.shell.levelPath);
    if (!next.empty() && LevelFileReadable(next)) return LoadAndBind(prog, plat, next);
    PostNotice(prog.world,
               (next.empty() ? prog.shell.levelPath + " has no world number," : next) + " not loaded.", 200,
               255, 0, 0);
    return false;
}

bool RestartLevel(Program& prog, Platform& plat) {
    if (!LevelFileReadable(prog.shell.levelPath)) return false;
    return LoadAndBind(prog, plat, prog.shell.levelPath);
}

void RememberCurrentLevel(Program& prog) {
    if (!WriteFileAtomically("level.ini", "Level(" + prog.shell.levelPath + ")"))
        PostNotice(prog.world, "error in the level.ini !", 1000, 255, 0, 0);
}
