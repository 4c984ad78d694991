// Deleting from the editor: an entity with everything it owns, or one free particle. Both rebuild the world
// from its own level text, which repacks the tables; the panels are then put back on their targets.
#include <algorithm>
#include <string>

#include "editor/editor.h"
#include "editor/names.h"
#include "shell/levels.h"
#include "shell/program.h"

namespace {

template <typename T> int IndexOfUid(const std::vector<T>& list, uint32_t uid) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].uid == uid) return static_cast<int>(i);
    return -1;
}

template <typename T> uint32_t UidAt(const std::vector<T>& list, int index, size_t expectedSize) {
    if (index < 0 || list.size() != expectedSize || static_cast<size_t>(index) >= list.size()) return 0;
    return list[static_cast<size_t>(index)].uid;
}

} // namespace

PanelPlaces NotePanelPlaces(const Program& prog) {
    const Editor& ed = prog.editor;
    const World& w = prog.world;
    PanelPlaces pos;
    pos.halfSpaces = w.halfSpaces.size();
    pos.waterSpaces = w.waterSpaces.size();
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
    return pos;
}

void PutPanelsBack(Program& prog, const PanelPlaces& pos) {
    Editor& ed = prog.editor;
    const World& w = prog.world;
    for (size_t i = 0; i < ed.panels.size() && i < pos.panels.size(); ++i) {
        Panel& p = ed.panels[i];
        if (p.kind == "halfspace") p.targetUid = UidAt(w.halfSpaces, pos.panels[i], pos.halfSpaces);
        if (p.kind == "waterspace") p.targetUid = UidAt(w.waterSpaces, pos.panels[i], pos.waterSpaces);
    }
    if (ed.shaping != 0)
        ed.shaping = pos.shapingWater ? UidAt(w.waterSpaces, pos.shaping, pos.waterSpaces)
                                      : UidAt(w.halfSpaces, pos.shaping, pos.halfSpaces);
}

bool DeleteEntity(Program& prog, Platform& plat, int32_t entitySlot) {
    World& w = prog.world;
    if (entitySlot < 1 || entitySlot > w.entityCount) return false;
    const int32_t id = w.entities[static_cast<size_t>(entitySlot)].id;
    if (id == 0) return false;
    WaitForSave(prog); // nothing changes the world while a save runs
    const std::string type = w.entities[static_cast<size_t>(entitySlot)].type;
    std::erase_if(w.markers, [&](const Marker& m) {
        return m.entityId == id || (m.entityId == 0 && m.entity == entitySlot);
    });
    if (!DeleteEntityByRoundTrip(prog, plat, entitySlot)) return false;
    prog.editor.change = "delete " + KindWord(type);
    return true;
}

bool DeleteEntities(Program& prog, Platform& plat, const std::vector<int32_t>& slots) {
    World& w = prog.world;
    std::vector<int32_t> ids, live;
    for (int32_t s : slots) {
        if (s < 1 || s > w.entityCount || w.entities[static_cast<size_t>(s)].id == 0) continue;
        ids.push_back(w.entities[static_cast<size_t>(s)].id);
        live.push_back(s);
    }
    if (live.empty()) return false;
    if (live.size() == 1) return DeleteEntity(prog, plat, live[0]);
    WaitForSave(prog); // nothing changes the world while a save runs
    std::erase_if(w.markers, [&](const Marker& m) {
        return std::find(ids.begin(), ids.end(), m.entityId) != ids.end() ||
               (m.entityId == 0 && std::find(live.begin(), live.end(), m.entity) != live.end());
    });
    if (!DeleteEntitiesByRoundTrip(prog, plat, live)) return false;
    prog.editor.change = "delete " + std::to_string(live.size()) + " bodies";
    return true;
}

bool DeleteFreeParticle(Program& prog, Platform& plat, int32_t particleSlot) {
    if (!DeleteFreeParticleByRoundTrip(prog, plat, particleSlot)) return false;
    prog.editor.change = "delete particle";
    return true;
}
