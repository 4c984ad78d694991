#include "effects/effects.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

constexpr int32_t kSpriteLife = 20;
constexpr int32_t kBubbleLife = 50;
constexpr size_t kSparkSpriteLimit = 200; // bursts pause while more sprites than this exist
constexpr int32_t kMaxSparkPieces = 10;
constexpr int32_t kDebrisBuffFrames = 30;

BuffKind DecodeKind(std::string_view kind) {
    if (kind == "fire") return BuffKind::Fire;
    if (kind == "water") return BuffKind::Water;
    if (kind == "shock") return BuffKind::Shock;
    if (kind == "blink") return BuffKind::Blink;
    if (kind == "dust") return BuffKind::Dust;
    if (kind == "bubble") return BuffKind::Bubble;
    if (kind == "explosion") return BuffKind::Explosion;
    if (kind == "lightning") return BuffKind::Lightning;
    return BuffKind::Other;
}

// n * k without overflow, for the arguments of Random.
int32_t Times(int32_t n, int32_t k) {
    int64_t r = static_cast<int64_t>(n) * k;
    return static_cast<int32_t>(
        std::clamp<int64_t>(r, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A point up to n / 2 away from `at` on each axis, x drawn first.
Vec2 Around(Rng& rng, Vec2 at, int32_t n) {
    double x = at.x + Random(rng, n) - n / 2;
    double y = at.y + Random(rng, n) - n / 2;
    return {x, y};
}

void AddSprite(Effects& fx, Vec2 position, Vec2 velocity, int32_t life, int32_t image, int32_t rotation,
               float scale) {
    EffectSprite s;
    s.position = position;
    s.velocity = velocity;
    s.life = life;
    s.image = image;
    s.rotation = rotation;
    s.scale = scale;
    fx.sprites.push_back(s);
}

// Flames and drops turn with the buff's motion: the bearing of `to` seen from `from`, in degrees, plus up
// to 20 degrees either way. A buff at rest only gets the random part.
int32_t LeaningRotation(Rng& rng, bool moved, Vec2 from, Vec2 to) {
    if (!moved) return Random(rng, 40) - 20;
    double degrees = PointBearing(from.x, from.y, to.x, to.y) * 180.0 / kPi;
    return RoundToInt(degrees + (Random(rng, 40) - 20));
}

float SmallScale(Rng& rng, float divisor) {
    return static_cast<float>(Random(rng, 5) + 5) / divisor;
}

// One sprite of a periodic buff, drawn around the buff's current position.
void Emit(Effects& fx, Rng& rng, const Buff& b) {
    const Vec2 at = b.position;
    const bool moved = !(b.position == b.previous);
    switch (b.type) {
    case BuffKind::Fire: {
        Vec2 p = Around(rng, at, 40);
        int32_t rot = LeaningRotation(rng, moved, at, {b.previous.x, b.previous.y - 10});
        AddSprite(fx, p, {0, -3}, kSpriteLife, kFlameImage, rot, 1.0f);
        break;
    }
    case BuffKind::Water: {
        Vec2 p = Around(rng, at, 40);
        int32_t rot = LeaningRotation(rng, moved, b.previous, {at.x, at.y - 10});
        AddSprite(fx, p, {0, 0.5}, kSpriteLife, kDropImage, rot, 1.0f);
        break;
    }
    case BuffKind::Shock: {
        Vec2 p = Around(rng, at, 40);
        int32_t rot = Random(rng, 360);
        AddSprite(fx, p, {0, 0}, kSpriteLife, kShockImage, rot, 1.0f);
        break;
    }
    case BuffKind::Blink: {
        Vec2 p = Around(rng, at, 40);
        int32_t rot = Random(rng, 360);
        float scale = SmallScale(rng, 10.0f);
        AddSprite(fx, p, {0, 0}, kSpriteLife, kBlinkImage, rot, scale);
        break;
    }
    case BuffKind::Dust: {
        // The cloud spreads with the amount still to come: a hard hit throws dust wide.
        double reach = 3.0 * b.amount;
        int32_t span = Times(6, b.amount);
        Vec2 p{at.x - reach + Random(rng, span), 0};
        p.y = at.y - reach + Random(rng, span);
        int32_t rot = Random(rng, 360);
        float scale = SmallScale(rng, 10.0f);
        AddSprite(fx, p, {0, -1}, kSpriteLife, kDustImage, rot, scale);
        break;
    }
    case BuffKind::Bubble: {
        Vec2 p = Around(rng, at, 20);
        float scale = SmallScale(rng, 20.0f);
        AddSprite(fx, p, {0, -1}, kBubbleLife, kBubbleImage, 0, scale);
        break;
    }
    default:
        break;
    }
}

// A new debris piece in the first free slot, or 0 when the table is full.
int32_t AddDebris(Effects& fx, double x, double y, double vx, double vy, int32_t image) {
    if (fx.debrisCount >= kMaxDebris) return 0;
    int32_t slot = ++fx.debrisCount;
    DebrisPiece& d = fx.debris[static_cast<size_t>(slot)];
    d.position = {x, y};
    d.velocity = {vx, vy};
    d.image = image;
    d.serial = fx.nextDebrisSerial;
    fx.nextDebrisSerial =
        fx.nextDebrisSerial == std::numeric_limits<int32_t>::max() ? 1 : fx.nextDebrisSerial + 1;
    return slot;
}

void RecountDebris(Effects& fx) {
    int32_t i = 1;
    while (i < kDebrisSlots && fx.debris[static_cast<size_t>(i)].image != 0) ++i;
    fx.debrisCount = i - 1;
}

bool DebrisAnchorHolds(const Effects& fx, const BuffAnchor& a) {
    return a.kind == BuffAnchor::Kind::Debris && a.slot >= 1 && a.slot <= fx.debrisCount &&
           fx.debris[static_cast<size_t>(a.slot)].serial == a.id;
}

// Moves every piece, then drops the pieces no buff follows. The table closes up over the gaps, and each
// buff that follows a piece is pointed at the piece's new slot.
void UpdateDebris(Effects& fx) {
    RecountDebris(fx);
    const int32_t count = fx.debrisCount;
    std::array<uint8_t, kDebrisSlots> followed{};
    for (const Buff& b : fx.buffs)
        if (DebrisAnchorHolds(fx, b.anchor)) followed[static_cast<size_t>(b.anchor.slot)] = 1;

    std::array<int32_t, kDebrisSlots> newSlot{};
    int32_t kept = 0;
    for (int32_t i = 1; i <= count; ++i) {
        DebrisPiece& d = fx.debris[static_cast<size_t>(i)];
        d.position += d.velocity;
        d.velocity.y += 1.0;
        if (!followed[static_cast<size_t>(i)]) continue;
        ++kept;
        newSlot[static_cast<size_t>(i)] = kept;
        if (kept != i) fx.debris[static_cast<size_t>(kept)] = d;
    }
    for (int32_t i = kept + 1; i <= count; ++i) fx.debris[static_cast<size_t>(i)] = DebrisPiece{};
    fx.debrisCount = kept;
    if (kept == count) return;

    for (Buff& b : fx.buffs) {
        if (b.anchor.kind != BuffAnchor::Kind::Debris) continue;
        int32_t old = b.anchor.slot;
        int32_t now = (old >= 1 && old <= count) ? newSlot[static_cast<size_t>(old)] : 0;
        if (now != 0 && fx.debris[static_cast<size_t>(now)].serial == b.anchor.id)
            b.anchor.slot = now;
        else
            b.anchor = BuffAnchor{};
    }
}

} // namespace

BuffAnchor ParticleAnchor(const World& w, int32_t slot) {
    if (slot < 1 || slot > w.particleCount || slot >= kTableSlots) return {};
    const Particle& p = w.particles[static_cast<size_t>(slot)];
    if (p.id == 0) return {};
    return {BuffAnchor::Kind::Particle, slot, p.id};
}

BuffAnchor EntityAnchor(const World& w, int32_t slot) {
    if (slot < 0 || slot > w.entityCount || slot >= kTableSlots) return {};
    const Entity& e = w.entities[static_cast<size_t>(slot)];
    if (e.id == 0) return {};
    return {BuffAnchor::Kind::Entity, slot, e.id};
}

BuffAnchor DebrisAnchor(const Effects& fx, int32_t slot) {
    if (slot < 1 || slot > fx.debrisCount || slot >= kDebrisSlots) return {};
    const DebrisPiece& d = fx.debris[static_cast<size_t>(slot)];
    if (d.image == 0) return {};
    return {BuffAnchor::Kind::Debris, slot, d.serial};
}

bool AnchorPosition(const Effects& fx, const World& w, const BuffAnchor& a, Vec2& out) {
    switch (a.kind) {
    case BuffAnchor::Kind::Particle:
        if (a.slot < 1 || a.slot > w.particleCount || a.slot >= kTableSlots) return false;
        if (a.id == 0 || w.particles[static_cast<size_t>(a.slot)].id != a.id) return false;
        out = w.particles[static_cast<size_t>(a.slot)].p;
        return true;
    case BuffAnchor::Kind::Entity:
        if (a.slot < 0 || a.slot > w.entityCount || a.slot >= kTableSlots) return false;
        if (a.id == 0 || w.entities[static_cast<size_t>(a.slot)].id != a.id) return false;
        out = w.entities[static_cast<size_t>(a.slot)].center;
        return true;
    case BuffAnchor::Kind::Debris:
        if (!DebrisAnchorHolds(fx, a) || fx.debris[static_cast<size_t>(a.slot)].image == 0) return false;
        out = fx.debris[static_cast<size_t>(a.slot)].position;
        return true;
    case BuffAnchor::Kind::None:
        break;
    }
    return false;
}

bool StartBuff(Effects& fx, const World& w, Rng& rng, std::string_view kind, const BuffAnchor& anchor,
               int32_t amount) {
    Vec2 at;
    if (!AnchorPosition(fx, w, anchor, at)) return false;
    Buff b;
    b.kind = std::string(kind);
    b.type = DecodeKind(kind);
    b.position = at;
    b.previous = at;
    b.anchor = anchor;
    b.amount = amount;
    b.resets = w.resets;
    switch (b.type) {
    case BuffKind::Fire:
        b.period = 4;
        b.countdown = Random(rng, 4);
        break;
    case BuffKind::Water:
        b.period = 20;
        b.countdown = Random(rng, 20);
        break;
    case BuffKind::Shock:
        b.period = 20;
        b.countdown = Random(rng, 20);
        break;
    case BuffKind::Dust:
        b.period = 10;
        b.countdown = Random(rng, 10);
        break;
    case BuffKind::Bubble:
        b.period = 5;
        b.countdown = Random(rng, 5);
        break;
    case BuffKind::Blink:
        b.period = 2;
        b.countdown = Random(rng, 5);
        break;
    default:
        break;
    }
    fx.buffs.push_back(std::move(b));
    return true;
}

void SpawnExplosion(Effects& fx, const World& w, Rng& rng, double x, double y, int32_t pieces) {
    Buff blast;
    blast.kind = "explosion";
    blast.type = BuffKind::Explosion;
    blast.position = {x, y};
    blast.previous = {x, y};
    blast.countdown = 255;
    blast.resets = w.resets;
    fx.buffs.push_back(std::move(blast));

    for (int32_t k = 0; k < pieces; ++k) {
        double vx = static_cast<double>(Random(rng, Times(4, pieces))) - 2.0 * pieces;
        double vy = -static_cast<double>(Random(rng, Times(2, pieces)));
        int32_t slot = AddDebris(fx, x, y, vx, vy, kRockImage);
        if (slot == 0) break; // the table is full: the rest of the rocks are not made
        StartBuff(fx, w, rng, "fire", DebrisAnchor(fx, slot), kDebrisBuffFrames);
    }
}

void SpawnSparks(Effects& fx, const World& w, Rng& rng, double x, double y, int32_t amount) {
    const int32_t n = std::min(amount, kMaxSparkPieces);
    if (fx.sprites.size() > kSparkSpriteLimit) return;
    for (int32_t k = 0; k < n; ++k) {
        Vec2 dir = RotatePoint(1, 0, 0, 0, Random(rng, 360));
        double vx = RoundToInt(dir.x * Random(rng, 2 * n));
        double vy = RoundToInt(dir.y * Random(rng, 2 * n) - 2 * n);
        int32_t slot = AddDebris(fx, x, y, vx, vy, kMetalImage);
        if (slot == 0) break;
        StartBuff(fx, w, rng, "dust", DebrisAnchor(fx, slot), kDebrisBuffFrames);
    }
}

bool EntityHasBuff(const Effects& fx, const World& w, int32_t entityId, std::string_view kind) {
    std::vector<Vec2> centres;
    for (int32_t i = 0; i <= w.entityCount && i < kTableSlots; ++i)
        if (w.entities[static_cast<size_t>(i)].id == entityId)
            centres.push_back(w.entities[static_cast<size_t>(i)].center);
    if (centres.empty()) return false;
    for (const Buff& b : fx.buffs) {
        if (b.ended || b.resets != w.resets || b.kind != kind) continue;
        Vec2 at;
        if (!AnchorPosition(fx, w, b.anchor, at)) continue;
        if (std::find(centres.begin(), centres.end(), at) != centres.end()) return true;
    }
    return false;
}

void EffectsStep(Effects& fx, World& w, Rng& rng) {
    for (EffectSprite& s : fx.sprites)
        if (s.scale == 0) s.scale = 1.0f;

    for (Buff& b : fx.buffs) {
        if (b.resets != w.resets) { // the world was reset since the buff started
            b.ended = true;
            continue;
        }
        Vec2 now = b.position;
        if (b.anchor.kind != BuffAnchor::Kind::None && !AnchorPosition(fx, w, b.anchor, now)) {
            b.anchor = BuffAnchor{}; // its record is gone: no more sprites, removed below
            continue;
        }
        if (b.type == BuffKind::Explosion) {
            AddSprite(fx, b.position, {0, 0}, kSpriteLife, kExplosionImage, 0, 0.0f);
            b.ended = true;
            continue;
        }
        if (b.type == BuffKind::Lightning) {
            AddSprite(fx, b.position, {0, 0}, kSpriteLife, kLightningImage, 0, 2.0f);
            AddSprite(fx, b.position + Vec2{200, 570}, {0, 0}, kSpriteLife, kLightningImage, 45, 2.0f);
            AddSprite(fx, b.position + Vec2{530, 212}, {0, 0}, kSpriteLife, kLightningImage, -45, 2.0f);
            b.ended = true;
            continue;
        }
        if (b.type != BuffKind::Other) {
            --b.countdown;
            if (b.countdown <= 0) {
                Emit(fx, rng, b);
                b.countdown = b.period;
            }
        }
        b.previous = b.position;
        b.position = now;
    }

    for (Buff& b : fx.buffs) {
        if (b.ended) continue;
        if (b.amount > 0) --b.amount;
        if (b.anchor.kind == BuffAnchor::Kind::None || (b.amount <= 0 && b.amount != -1)) b.ended = true;
    }
    std::erase_if(fx.buffs, [](const Buff& b) { return b.ended; });

    for (EffectSprite& s : fx.sprites) {
        s.position += s.velocity;
        --s.life;
    }
    std::erase_if(fx.sprites, [](const EffectSprite& s) { return s.life < 1; });

    UpdateDebris(fx);
}

void WorldEffectsStep(Effects& fx, World& w, Rng& rng) {
    const int32_t contacts = std::clamp(w.contactCount, 0, kTableSlots - 1);
    for (int32_t i = 1; i <= contacts; ++i) {
        const Contact& c = w.contacts[static_cast<size_t>(i)];
        BuffAnchor vertex = ParticleAnchor(w, c.vertex);
        if (vertex.kind == BuffAnchor::Kind::None) continue;
        if (c.speed > 6.0f) StartBuff(fx, w, rng, "dust", vertex, RoundToInt(c.speed / 3.0));
        if (c.impact > 300.0f) {
            const Vec2& p = w.particles[static_cast<size_t>(c.vertex)].p;
            SpawnSparks(fx, w, rng, RoundToInt(p.x), RoundToInt(p.y), RoundToInt(c.impact / 100.0));
        }
    }
    for (const WaterContact& wc : w.waterContacts)
        if (Random(rng, 1000) == 1) StartBuff(fx, w, rng, "bubble", ParticleAnchor(w, wc.particle), 10);
}

void ClearBuffs(Effects& fx) {
    fx.buffs.clear();
}
