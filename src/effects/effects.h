// Buffs (emitters that follow a position), effect sprites and debris pieces.
#pragma once

#include <string>
#include <vector>

#include "common/geometry.h"
#include "common/random.h"
#include "world/world.h"

constexpr int kDebrisSlots = 1001; // slots 0..1000, live pieces in 1..debrisCount

// What a buff follows. A buff never reads a position that no longer exists: an anchor names its record by
// slot and id, and the buff ends when the record is gone.
struct BuffAnchor {
    enum class Kind { None, Particle, Entity, Debris };
    Kind kind = Kind::None;
    int32_t slot = 0;
    int32_t id = 0; // particle or entity id (Particle, Entity), or the piece's serial (Debris)
};

struct Buff {
    std::string kind; // "fire", "water", "shock", "blink", "dust", "bubble", "explosion", "lightning"
    Vec2 position;
    Vec2 previous;
    BuffAnchor anchor;
    int32_t period = 0;
    int32_t countdown = 0;
    int32_t amount = 0; // frames left; -1: until the anchor is gone
};

struct EffectSprite {
    Vec2 position;
    Vec2 velocity;
    int32_t life = 0;
    int32_t image = 0;
    int32_t rotation = 0; // degrees
    float scale = 1.0f;
};

struct DebrisPiece {
    Vec2 position;
    Vec2 velocity;
    int32_t image = 0; // 0 marks the end of the live pieces
    int32_t serial = 0;
};

struct Effects {
    Effects() : debris(kDebrisSlots) {}
    std::vector<Buff> buffs;
    std::vector<EffectSprite> sprites;
    std::vector<DebrisPiece> debris;
    int32_t debrisCount = 0;
    int32_t nextDebrisSerial = 1;
};

// Once per frame: animates, ages and removes buffs, sprites and debris.
void EffectsStep(Effects& fx, World& w, Rng& rng);
// Once per frame while the world runs: turns contacts and water contacts into dust, sparks and bubbles.
void WorldEffectsStep(Effects& fx, World& w, Rng& rng);
// Ends every buff (a world reset or a level load).
void ClearBuffs(Effects& fx);
