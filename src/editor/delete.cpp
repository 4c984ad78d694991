// Deleting from the editor: an entity with everything it owns, or one free particle. Both rebuild the world
// from its own level text, which repacks the tables; the panels are then put back on their targets.
#include <algorithm>
#include <string>
#include <string_view>

#include "common/text.h"
#include "editor/editor.h"
#include "level/level.h"
#include "shell/program.h"

namespace {

// Positions of the panels' half-space and water-space targets in their lists. A round trip rebuilds both
// lists in the same order but gives every element a new uid.
struct ListPositions {
    std::vector<int> panels;
    int shaping = -1;
    bool shapingWater = false;
};

template <typename T> int IndexOfUid(const std::vector<T>& list, uint32_t uid) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].uid == uid) return static_cast<int>(i);
    return -1;
}

template <typename T> uint32_t UidAt(const std::vector<T>& list, int index, size_t expectedSize) {
    if (index < 0 || list.size() != expectedSize || static_cast<size_t>(index) >= list.size()) return 0;
    return list[static_cast<size_t>(index)].uid;
}

template <typename Rebuild> void RebuildKeepingTargets(Program& prog, Rebuild rebuild) {
    Editor& ed = prog.editor;
    World& w = prog.world;
    const size_t halfSpaces = w.halfSpaces.size(), waterSpaces = w.waterSpaces.size();
    ListPositions pos;
    for (const Panel& p : ed.panels) {
        if (p.kind == "halfspace")
            pos.panels.push_back(IndexOfUid(w.halfSpaces, p.targetUid));
        else if (p.kind == "waterspace")
            pos.panels.push_back(IndexOfUid(w.waterSpaces, p.targetUid));
        else
            pos.panels.push_back(-1);
    }
    if (ed.shaping != 0) {
        pos.shaping = IndexOfUid(w.halfSpaces, ed.shaping);
        if (pos.shaping < 0) {
            pos.shaping = IndexOfUid(w.waterSpaces, ed.shaping);
            pos.shapingWater = true;
        }
    }

    rebuild();
    ed.worldResetsSeen = w.resets; // the same world, repacked: its panels stay

    for (size_t i = 0; i < ed.panels.size(); ++i) {
        Panel& p = ed.panels[i];
        if (p.kind == "halfspace") p.targetUid = UidAt(w.halfSpaces, pos.panels[i], halfSpaces);
        if (p.kind == "waterspace") p.targetUid = UidAt(w.waterSpaces, pos.panels[i], waterSpaces);
    }
    if (ed.shaping != 0)
        ed.shaping = pos.shapingWater ? UidAt(w.waterSpaces, pos.shaping, waterSpaces)
                                      : UidAt(w.halfSpaces, pos.shaping, halfSpaces);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

bool DeleteEntity(Program& prog, Platform& plat, int32_t entitySlot) {
    World& w = prog.world;
    if (entitySlot < 1 || entitySlot > w.entityCount) return false;
    const int32_t id = w.entities[static_cast<size_t>(entitySlot)].id;
    if (id == 0) return false;
    WaitForSave(prog); // nothing changes the world while a save runs
    std::erase_if(w.markers, [&](const Marker& m) {
        return m.entityId == id || (m.entityId == 0 && m.entity == entitySlot);
    });
    bool done = false;
    RebuildKeepingTargets(prog, [&] { done = DeleteEntityByRoundTrip(prog, plat, entitySlot); });
    return done;
}

bool DeleteFreeParticle(Program& prog, Platform& plat, int32_t particleSlot) {
    World& w = prog.world;
    if (particleSlot < 1 || particleSlot > w.particleCount) return false;
    const Particle& doomed = w.particles[static_cast<size_t>(particleSlot)];
    if (doomed.id == 0 || w.entities[static_cast<size_t>(doomed.parent)].id != 1) return false;
    const int32_t id = doomed.id;
    WaitForSave(prog);

    // The level text without the particle's line and the lines of the constraints that touch it.
    const std::string text = LevelText(w, prog.camera);
    std::string kept;
    kept.reserve(text.size());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        size_t next = end == std::string::npos ? text.size() : end + 2;
        std::string_view line(text.data() + start, next - start);
        bool drop = false;
        if (StartsWith(line, "Particle(")) {
            ParsedCommand c = ParseCommand(line.substr(0, line.find('\r')));
            drop = ReadInt(c.args[7]) == id && ReadInt(c.args[8]) == 1;
        } else if (StartsWith(line, "Constraint(")) {
            ParsedCommand c = ParseCommand(line.substr(0, line.find('\r')));
            drop = ReadInt(c.args[1]) == id || ReadInt(c.args[2]) == id;
        }
        if (!drop) kept.append(line);
        start = next;
    }
    RebuildKeepingTargets(prog, [&] { LoadLevelText(prog, plat, kept); });
    return true;
}
