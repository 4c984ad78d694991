// The object catalogue: the builder of every placeable body. Each builder first makes sure that the tables
// have room for the whole object; when they have not, it builds nothing, counts the refusal in
// World::refusedCreations and returns 0.
#include "world/builders.h"

#include <algorithm>

namespace {

constexpr float kWorldStiffness = 1.0f;

int32_t Refuse(World& w) {
    ++w.refusedCreations;
    return 0;
}

// The four particles, four edges and two diagonals of a box on the corners (x1, y1) and (x2, y2).
int32_t BuildBox(World& w, Rng& rng, int32_t x1, int32_t y1, int32_t x2, int32_t y2, float m, float f,
                 float e, int32_t diagonalsToWorld) {
    int32_t ent = NewEntity(w, m, f);
    int32_t p1 = NewParticle(w, ent, static_cast<float>(x1), static_cast<float>(y1));
    int32_t p2 = NewParticle(w, ent, static_cast<float>(x2), static_cast<float>(y1));
    int32_t p3 = NewParticle(w, ent, static_cast<float>(x2), static_cast<float>(y2));
    int32_t p4 = NewParticle(w, ent, static_cast<float>(x1), static_cast<float>(y2));
    NewConstraint(w, ent, p4, p3, e);
    NewConstraint(w, ent, p3, p2, e);
    NewConstraint(w, ent, p2, p1, e);
    NewConstraint(w, ent, p1, p4, e);
    int32_t diagonalOwner = diagonalsToWorld > 0 ? kWorldEntity : ent;
    NewConstraint(w, diagonalOwner, p2, p4, e);
    NewConstraint(w, diagonalOwner, p3, p1, e);
    w.entities[static_cast<size_t>(ent)].type = Random(rng, 1) == 0 ? "box" : "box2";
    return ent;
}

// Wall and strap: a thin rectangle of half thickness t along the segment (x1, y1)-(x2, y2).
int32_t BuildBand(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t t, double f, float m,
                  bool diagonals, const char* type) {
    if (!HasRoomFor(w, 1, 4, diagonals ? 6 : 4)) return Refuse(w);
    Vec2 n{static_cast<double>(y1) - y2, static_cast<double>(x2) - x1};
    n.Normalise(); // a zero-length segment leaves it zero
    const Vec2 a{static_cast<double>(x1), static_cast<double>(y1)};
    const Vec2 b{static_cast<double>(x2), static_cast<double>(y2)};
    const Vec2 off = n * t;
    const Vec2 c1 = a - off, c2 = b - off, c3 = b + off, c4 = a + off;
    int32_t ent = NewEntity(w, m, static_cast<float>(f));
    int32_t p1 = NewParticle(w, ent, static_cast<float>(c1.x), static_cast<float>(c1.y));
    int32_t p2 = NewParticle(w, ent, static_cast<float>(c2.x), static_cast<float>(c2.y));
    int32_t p3 = NewParticle(w, ent, static_cast<float>(c3.x), static_cast<float>(c3.y));
    int32_t p4 = NewParticle(w, ent, static_cast<float>(c4.x), static_cast<float>(c4.y));
    NewConstraint(w, ent, p4, p3, kWorldStiffness);
    NewConstraint(w, ent, p3, p2, kWorldStiffness);
    NewConstraint(w, ent, p2, p1, kWorldStiffness);
    NewConstraint(w, ent, p1, p4, kWorldStiffness);
    if (diagonals) {
        NewConstraint(w, kWorldEntity, p2, p4, kWorldStiffness);
        NewConstraint(w, kWorldEntity, p3, p1, kWorldStiffness);
    }
    w.entities[static_cast<size_t>(ent)].type = type;
    return ent;
}

// A box of a fixed kind at the top-left corner (x, y).
int32_t BuildKind(World& w, Rng& rng, int32_t x, int32_t y, int32_t width, int32_t height, float f,
                  int32_t diagonalsToWorld, const char* type) {
    if (!HasRoomFor(w, 1, 4, 6)) return Refuse(w);
    int32_t ent = BuildBox(w, rng, x, y, x + width, y + height, 1, f, 1, diagonalsToWorld);
    w.entities[static_cast<size_t>(ent)].type = type;
    return ent;
}

// A container with its liquid: both or neither.
int32_t BuildContainer(World& w, Rng& rng, int32_t x, int32_t y, int32_t height, float f, const char* type,
                       const char* liquid, bool fish) {
    if (!HasRoomFor(w, 1, 4, 6) || w.liquidBoxCount >= kMaxLiquidBoxes) return Refuse(w);
    int32_t ent = BuildKind(w, rng, x, y, 50, height, f, 1, type);
    int32_t box = NewLiquidBox(w, rng, ent, 3, 35, liquid);
    if (fish && box != 0) w.liquidBoxes[static_cast<size_t>(box)].particles.back().type = "fisch";
    return ent;
}

int32_t BuildPlayer(World& w, Rng& rng, int32_t x, int32_t y, const char* type, PlayerDescriptor& d) {
    int32_t ent = BuildKind(w, rng, x, y, 50, 50, 8, 1, type);
    if (ent == 0) return 0;
    w.players.push_back({ent, 0.0f});
    d.entity = w.entityCount;
    d.diagonal1 = w.constraintCount;
    d.diagonal2 = w.constraintCount - 1;
    d.listIndex = static_cast<int32_t>(w.players.size()) - 1;
    return ent;
}

} // namespace

int32_t NewBox(World& w, Rng& rng, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t m, double f,
               double e, int32_t diagonalsToWorld) {
    if (!HasRoomFor(w, 1, 4, 6)) return Refuse(w);
    return BuildBox(w, rng, x1, y1, x2, y2, static_cast<float>(m), static_cast<float>(f),
                    static_cast<float>(e), diagonalsToWorld);
}

int32_t NewQuad(World& w, Rng& rng, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t m, double f,
                double e) {
    const int32_t minX = std::min(x1, x2), maxX = std::max(x1, x2);
    const int32_t minY = std::min(y1, y2), maxY = std::max(y1, y2);
    if (minX == maxX || minY == maxY) return 0; // no area: nothing to build
    int32_t ent = NewBox(w, rng, minX, minY, maxX, maxY, m, f, e, 1);
    if (ent != 0) w.entities[static_cast<size_t>(ent)].type = "quad";
    return ent;
}

int32_t NewWall(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t halfThickness, double f) {
    return BuildBand(w, x1, y1, x2, y2, halfThickness, f, 0, false, "wall");
}

int32_t NewStrap(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t halfThickness, double f) {
    return BuildBand(w, x1, y1, x2, y2, halfThickness, f, 1, true, "strap");
}

int32_t NewCircle(World& w, int32_t cx, int32_t cy, int32_t radius, int32_t count, double f, double e) {
    count = std::max(count, 3);
    const int braces = count > 7 ? 2 * count : 0;
    // The ring is listed in the entity, which holds at most 999 particles and 1000 constraints.
    if (count > kMaxEntityParticles || !HasRoomFor(w, 1, count, count + braces)) return Refuse(w);
    const float stiffness = static_cast<float>(e);
    int32_t ent = NewEntity(w, 1, static_cast<float>(f));
    const int32_t first = w.particleCount + 1;
    Vec2 point{static_cast<double>(cx) + radius, static_cast<double>(cy)};
    const double step = 360.0 / count;
    for (int32_t i = 1; i <= count; ++i) {
        NewParticle(w, ent, static_cast<float>(point.x), static_cast<float>(point.y));
        point = RotatePoint(point.x, point.y, cx, cy, step);
    }
    auto particle = [first](int32_t i) { return first + i - 1; };
    for (int32_t i = 1; i < count; ++i) NewConstraint(w, ent, particle(i), particle(i + 1), stiffness);
    NewConstraint(w, ent, particle(count), particle(1), stiffness);
    if (count > 7) {
        auto wrap = [count](int32_t j) { return j > count ? j - count : j; };
        for (int32_t i = 1; i <= count; ++i) {
            NewConstraint(w, kWorldEntity, particle(i), particle(wrap(i + count / 3)), stiffness);
            NewConstraint(w, kWorldEntity, particle(i), particle(wrap(i + count / 4)), stiffness);
        }
    }
    return ent; // a circle's type stays empty
}

int32_t NewWarning(World& w, int32_t x, int32_t y) {
    if (!HasRoomFor(w, 1, 3, 3)) return Refuse(w);
    int32_t ent = NewEntity(w, 1, 1);
    int32_t p1 = NewParticle(w, ent, static_cast<float>(x), static_cast<float>(y - 35));
    int32_t p2 = NewParticle(w, ent, static_cast<float>(x + 35), static_cast<float>(y + 25));
    int32_t p3 = NewParticle(w, ent, static_cast<float>(x - 35), static_cast<float>(y + 25));
    NewConstraint(w, ent, p3, p2, kWorldStiffness);
    NewConstraint(w, ent, p2, p1, kWorldStiffness);
    NewConstraint(w, ent, p3, p1, kWorldStiffness);
    w.entities[static_cast<size_t>(ent)].type = "warning";
    return ent;
}

int32_t NewPin(World& w, int32_t x, int32_t y) {
    if (!HasRoomFor(w, 1, 1, 0)) return Refuse(w);
    int32_t ent = NewEntity(w, 0, 0);
    w.entities[static_cast<size_t>(ent)].type = "pin";
    NewParticle(w, ent, static_cast<float>(x), static_cast<float>(y));
    return ent;
}

int32_t NewLatern(World& w, Rng& rng, int32_t x, int32_t y) {
    if (!HasRoomFor(w, 1, 5, 8)) return Refuse(w);
    int32_t ent = NewQuad(w, rng, x - 12, y, x + 12, y + 50, 1, 0.5, 1);
    if (ent == 0) return 0;
    const Entity& quad = w.entities[static_cast<size_t>(ent)];
    int32_t hook = NewParticle(w, kWorldEntity, static_cast<float>(x), static_cast<float>(y - 10));
    NewConstraint(w, kWorldEntity, hook, quad.particles[0], kWorldStiffness);
    NewConstraint(w, kWorldEntity, hook, quad.particles[1], kWorldStiffness);
    w.entities[static_cast<size_t>(ent)].type = "latern";
    AddLight(w, hook, 600, 0, "blue", quad.id);
    return ent;
}

int32_t NewBarrel(World& w, Rng& rng, int32_t x, int32_t y) {
    return BuildKind(w, rng, x, y, 60, 100, 1, 1, "barrel");
}

int32_t NewFirecave(World& w, Rng& rng, int32_t x, int32_t y) {
    return BuildKind(w, rng, x, y, 20, 40, 1, 0, "firecave");
}

int32_t NewAquarium(World& w, Rng& rng, int32_t x, int32_t y) {
    return BuildContainer(w, rng, x, y, 40, 8, "aquarium", "water", true);
}

int32_t NewPoisonBox(World& w, Rng& rng, int32_t x, int32_t y) {
    return BuildContainer(w, rng, x, y, 50, 1, "poisonbox", "poison", false);
}

int32_t NewPlayer(World& w, Rng& rng, int32_t x, int32_t y) {
    return BuildPlayer(w, rng, x, y, "player", w.playerDescriptors[0]);
}

int32_t NewPlayer2(World& w, Rng& rng, int32_t x, int32_t y) {
    return BuildPlayer(w, rng, x, y, "player2", w.playerDescriptors[1]);
}

int32_t NewCustomObject(World& w, Rng& rng, int32_t halfHeight, int32_t halfWidth, const std::string& name,
                        double x, double y) {
    // The x extent comes from the image's height and the y extent from its width.
    const double a = halfHeight / 2.0;
    const double b = halfWidth / 2.0;
    int32_t ent = NewBox(w, rng, RoundToInt(x - a), RoundToInt(y - b), RoundToInt(x + a), RoundToInt(y + b),
                         1, 1, 1, 1);
    if (ent != 0) w.entities[static_cast<size_t>(ent)].type = name;
    return ent;
}
