// Deleting from the editor: an entity with everything it owns, or one free particle. Both rebuild the world
// from its own level text, which repacks the tables; the panels are then put back on their targets.
#include <algorithm>
#include <string>

#include "common/random.h"
#include "editor/editor.h"
#include "editor/names.h"
#include "gui/gui.h"
#include "level/files.h"
#include "platform/platform.h"
#include "shell/catalogue.h"
#include "world/camera.h"
#include "world/world.h"

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

PanelPlaces NotePanelPlaces(const EditorScene& sc) {
    const Editor& ed = sc.editor;
    const World& w = sc.world;
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

void PutPanelsBack(const EditorScene& sc, const PanelPlaces& pos) {
    Editor& ed = sc.editor;
    const World& w = sc.world;
    for (size_t i = 0; i < ed.panels.size() && i < pos.panels.size(); ++i) {
        Panel& p = ed.panels[i];
        if (p.kind == "halfspace") p.targetUid = UidAt(w.halfSpaces, pos.panels[i], pos.halfSpaces);
        if (p.kind == "waterspace") p.targetUid = UidAt(w.waterSpaces, pos.panels[i], pos.waterSpaces);
    }
    if (ed.shaping != 0)
        ed.shaping = pos.shapingWater ? UidAt(w.waterSpaces, pos.shaping, pos.waterSpaces)
                                      : UidAt(w.halfSpaces, pos.shaping, pos.halfSpaces);
}

bool DeleteEntity(const EditorScene& sc, Platform& plat, int32_t entitySlot) {
    World& w = sc.world;
    if (entitySlot < 1 || entitySlot > w.entityCount) return false;
    const int32_t id = w.entities[static_cast<size_t>(entitySlot)].id;
    if (id == 0) return false;
    sc.host.waitForSave(sc.host.program); // nothing changes the world while a save runs
    const std::string type = w.entities[static_cast<size_t>(entitySlot)].type;
    std::erase_if(w.markers, [&](const Marker& m) {
        return m.entityId == id || (m.entityId == 0 && m.entity == entitySlot);
    });
    if (!sc.host.deleteEntity(sc.host.program, plat, entitySlot)) return false;
    sc.editor.change = "delete " + KindWord(type);
    return true;
}

bool DeleteEntities(const EditorScene& sc, Platform& plat, const std::vector<int32_t>& slots) {
    World& w = sc.world;
    std::vector<int32_t> ids, live;
    for (int32_t s : slots) {
        if (s < 1 || s > w.entityCount || w.entities[static_cast<size_t>(s)].id == 0) continue;
        ids.push_back(w.entities[static_cast<size_t>(s)].id);
        live.push_back(s);
    }
    if (live.empty()) return false;
    if (live.size() == 1) return DeleteEntity(sc, plat, live[0]);
    sc.host.waitForSave(sc.host.program); // nothing changes the world while a save runs
    std::erase_if(w.markers, [&](const Marker& m) {
        return std::find(ids.begin(), ids.end(), m.entityId) != ids.end() ||
               (m.entityId == 0 && std::find(live.begin(), live.end(), m.entity) != live.end());
    });
    if (!sc.host.deleteEntities(sc.host.program, plat, live)) return false;
    sc.editor.change = "delete " + std::to_string(live.size()) + " bodies";
    return true;
}

bool DeleteFreeParticle(const EditorScene& sc, Platform& plat, int32_t particleSlot) {
    if (!sc.host.deleteFreeParticle(sc.host.program, plat, particleSlot)) return false;
    sc.editor.change = "delete particle";
    return true;
}
