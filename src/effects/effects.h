// Buffs (emitters that follow a position), effect sprites and debris pieces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/geometry.h"
#include "common/random.h"
#include "world/world.h"

constexpr int kDebrisSlots = 1001; // slots 0..1000, live pieces in 1..debrisCount
constexpr int kMaxDebris = kDebrisSlots - 1;

// Effect image numbers (the effect block of the image catalogue starts at 50).
constexpr int32_t kFlameImage = 50;
constexpr int32_t kExplosionImage = 51;
constexpr int32_t kDropImage = 52;
constexpr int32_t kRockImage = 53;
constexpr int32_t kShockImage = 54;
constexpr int32_t kBlinkImage = 55;
constexpr int32_t kDustImage = 58;
constexpr int32_t kMetalImage = 59;
constexpr int32_t kBubbleImage = 61;
constexpr int32_t kLightningImage = 64;

// What a buff follows. A buff never reads a position that no longer exists: an anchor names its record by
// slot and id, and the buff ends when the record is gone.
struct BuffAnchor {
    enum class Kind { None, Particle, Entity, Debris };
    Kind kind = Kind::None;
    int32_t slot = 0;
    int32_t id = 0; // particle or entity id (Particle, Entity), or the piece's serial (Debris)
};

enum class BuffKind { Fire, Water, Shock, Blink, Dust, Bubble, Explosion, Lightning, Other };

struct Buff {
    std::string kind; // "fire", "water", "shock", "blink", "dust", "bubble", "explosion", "lightning"
    BuffKind type = BuffKind::Other; // `kind` decoded once at the start
    Vec2 position;
    Vec2 previous;
    BuffAnchor anchor;
    int32_t period = 0;
    int32_t countdown = 0;
    int32_t amount = 0;  // frames left; -1: until the anchor is gone
    uint32_t resets = 0; // the world's reset count when the buff started; a later reset ends it
    bool ended = false;  // marked during a step, dropped from the list before the step returns
};

struct EffectSprite {
    Vec2 position;
    Vec2 velocity;
    int32_t life = 0;
    int32_t image = 0;
    int32_t rotation = 0; // degrees
    float scale = 1.0f;   // 0 becomes 1.0 at the start of the next effects step
};

struct DebrisPiece {
    Vec2 position;
    Vec2 velocity;
    int32_t image = 0;  // 0 marks the end of the live pieces
    int32_t serial = 0; // names the piece for the buffs that follow it; never reused while it lives
};

struct Effects {
    Effects() : debris(kDebrisSlots) {}
    std::vector<Buff> buffs;           // in start order
    std::vector<EffectSprite> sprites; // in creation order; the renderer draws them in this order
    std::vector<DebrisPiece> debris;   // kDebrisSlots slots
    int32_t debrisCount = 0;
    int32_t nextDebrisSerial = 1;
};

// Anchors to records that exist now; an anchor of kind None when the slot holds no record.
BuffAnchor ParticleAnchor(const World& w, int32_t slot);
BuffAnchor EntityAnchor(const World& w, int32_t slot);
BuffAnchor DebrisAnchor(const Effects& fx, int32_t slot);
// Where the anchored record is now; false (and `out` untouched) when it is gone or the anchor is None.
bool AnchorPosition(const Effects& fx, const World& w, const BuffAnchor& a, Vec2& out);

// Appends a buff of `kind` following `anchor`, with its period and a random first countdown. A buff whose
// anchor names no record is not started (false). Kinds without an emission rule are kept as inert buffs.
bool StartBuff(Effects& fx, const World& w, Rng& rng, std::string_view kind, const BuffAnchor& anchor,
               int32_t amount);
// An explosion sprite at (x, y) and `pieces` burning rocks flying out of it.
void SpawnExplosion(Effects& fx, const World& w, Rng& rng, double x, double y, int32_t pieces);
// A burst of at most 10 dusty metal pieces; nothing while more than 200 effect sprites exist.
void SpawnSparks(Effects& fx, const World& w, Rng& rng, double x, double y, int32_t amount);

// True when a buff of `kind` follows a position equal to the centre of an entity with id `entityId`.
bool EntityHasBuff(const Effects& fx, const World& w, int32_t entityId, std::string_view kind);

// Once per frame: animates, ages and removes buffs, sprites and debris.
void EffectsStep(Effects& fx, World& w, Rng& rng);
// Once per frame while the world runs: turns contacts and water contacts into dust, sparks and bubbles.
void WorldEffectsStep(Effects& fx, World& w, Rng& rng);
// Ends every buff (a world reset or a level load).
void ClearBuffs(Effects& fx);
