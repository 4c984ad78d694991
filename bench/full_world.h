// The full-table world the benchmarks share: 2,499 boxes of four particles and four edges, and one
// triangle: 2,500 entities, 9,999 particles and 9,999 constraints.
#pragma once

#include "world/world.h"

inline void BuildFullTables(World& w) {
    ResetWorld(w);
    for (int i = 0; i < 2499; ++i) {
        float x = static_cast<float>((i % 50) * 60);
        float y = static_cast<float>((i / 50) * 60);
        int32_t e = NewEntity(w, 1, 1);
        int32_t p[4] = {NewParticle(w, e, x, y), NewParticle(w, e, x + 50, y),
                        NewParticle(w, e, x + 50, y + 50), NewParticle(w, e, x, y + 50)};
        for (int k = 0; k < 4; ++k) NewConstraint(w, e, p[k], p[(k + 1) % 4], 1);
        w.entities[static_cast<size_t>(e)].type = i % 2 ? "box" : "box2";
    }
    int32_t t = NewEntity(w, 1, 1);
    int32_t a = NewParticle(w, t, 0, -100), b = NewParticle(w, t, 35, -40), c = NewParticle(w, t, -35, -40);
    NewConstraint(w, t, c, b, 1);
    NewConstraint(w, t, b, a, 1);
    NewConstraint(w, t, c, a, 1);
    w.entities[static_cast<size_t>(t)].type = "warning";
}
