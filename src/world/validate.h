// The world's invariants, checked in one place: counts within the tables and packed in slots 1..count,
// every reference pointing at a live record of the right kind, every position finite. Tests and fuzz
// targets call it after each step; the program itself never does.
#pragma once

#include <string>

#include "world/world.h"

// True when the world is sound; otherwise false with the first fault found in `why`.
bool ValidateWorld(const World& w, std::string* why = nullptr);
