#include "effects/effects.h"

void EffectsStep(Effects&, World&, Rng&) {}
void WorldEffectsStep(Effects&, World&, Rng&) {}
void ClearBuffs(Effects&) {}
