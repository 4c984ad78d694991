// The world's invariants, checked in one place: counts within the tables and packed in slots 1..count,
// every reference pointing at a live record of the right kind, every position finite. Tests and fuzz
// targets call it after each step; Debug and sanitizer builds of the program after every step and every
// new world (AssertWorldSound).
#pragma once

#include <string>

#include "world/world.h"

// True when the world is sound; otherwise false with the first fault found in `why`.
bool ValidateWorld(const World& w, std::string* why = nullptr);
// In Debug and sanitizer builds: ends the program with the first broken invariant, naming what came
// before it ("after a step"). In other builds: nothing.
void AssertWorldSound(const World& w, const char* after);
