// TEMPORARY: stand-ins for the effects operations until the effects subsystem is merged. Removed then.
#include "triggers/effects_pending.h"

BuffAnchor EntityAnchor(const World& w, int32_t slot) {
    if (slot < 0 || slot > w.entityCount) return {};
    return {BuffAnchor::Kind::Entity, slot, w.entities[static_cast<size_t>(slot)].id};
}
bool StartBuff(Effects& fx, const World&, Rng&, std::string_view kind, const BuffAnchor& anchor,
               int32_t amount) {
    Buff b;
    b.kind = std::string(kind);
    b.anchor = anchor;
    b.amount = amount;
    fx.buffs.push_back(b);
    return true;
}
void SpawnExplosion(Effects& fx, const World&, Rng&, double x, double y, int32_t) {
    Buff b;
    b.kind = "explosion";
    b.position = {x, y};
    fx.buffs.push_back(b);
}
bool EntityHasBuff(const Effects& fx, const World& w, int32_t entityId, std::string_view kind) {
    for (const Buff& b : fx.buffs)
        if (b.kind == kind && b.anchor.kind == BuffAnchor::Kind::Entity && b.anchor.slot <= w.entityCount &&
            w.entities[static_cast<size_t>(b.anchor.slot)].id == entityId)
            return true;
    return false;
}
