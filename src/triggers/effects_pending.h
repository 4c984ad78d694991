// TEMPORARY: the declarations of the effects operations the triggers use, until effects is merged.
#pragma once
#include <string_view>

#include "effects/effects.h"

BuffAnchor EntityAnchor(const World& w, int32_t slot);
bool StartBuff(Effects& fx, const World& w, Rng& rng, std::string_view kind, const BuffAnchor& anchor,
               int32_t amount);
void SpawnExplosion(Effects& fx, const World& w, Rng& rng, double x, double y, int32_t pieces);
bool EntityHasBuff(const Effects& fx, const World& w, int32_t entityId, std::string_view kind);
