// What every fuzz target checks of a world besides the sanitizers: the world's validator (counts within
// the tables, references to live records, finite values, lists within their limits). A failed check names
// itself and aborts, so the fuzzer keeps the input.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "world/camera.h"
#include "world/validate.h"

namespace fuzz {

inline void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz: %s\n", what);
        std::abort();
    }
}

// The world's own validator, and the camera's zoom, which the world does not hold.
inline void CheckWorld(const World& w, const Camera& cam) {
    std::string why;
    if (!ValidateWorld(w, &why)) {
        std::fprintf(stderr, "fuzz: %s\n", why.c_str());
        std::abort();
    }
    Check(std::isfinite(cam.zoom), "zoom");
}

} // namespace fuzz
