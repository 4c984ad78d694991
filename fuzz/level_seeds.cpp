// Writes the sample levels of tests/data/levels, which seed the level fuzzer and which the round-trip
// test reads back byte for byte:  level_seeds <folder>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "common/text.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "triggers/records.h"
#include "world/builders.h"

namespace {

int32_t MakeBox(World& w, float x, float y, float size, const std::string& type, bool diagonalsToWorld = true,
                float m = 1, float f = 1) {
    int32_t e = NewEntity(w, m, f);
    int32_t p[4] = {NewParticle(w, e, x, y), NewParticle(w, e, x + size, y),
                    NewParticle(w, e, x + size, y + size), NewParticle(w, e, x, y + size)};
    for (int k : {3, 2, 1, 0}) NewConstraint(w, e, p[k], p[(k + 3) % 4], 1);
    int32_t diagonalOwner = diagonalsToWorld ? kWorldEntity : e;
    NewConstraint(w, diagonalOwner, p[1], p[3], 1);
    NewConstraint(w, diagonalOwner, p[2], p[0], 1);
    w.entities[static_cast<size_t>(e)].type = type;
    return e;
}

int32_t MakeWall(World& w, float x1, float y1, float x2, float y2, const std::string& type) {
    int32_t e = NewEntity(w, 0, 1);
    int32_t p1 = NewParticle(w, e, x1, y1 - 10);
    int32_t p2 = NewParticle(w, e, x2, y2 - 10);
    int32_t p3 = NewParticle(w, e, x2, y2 + 10);
    int32_t p4 = NewParticle(w, e, x1, y1 + 10);
    NewConstraint(w, e, p4, p3, 1);
    NewConstraint(w, e, p3, p2, 1);
    NewConstraint(w, e, p2, p1, 1);
    NewConstraint(w, e, p1, p4, 1);
    w.entities[static_cast<size_t>(e)].type = type;
    return e;
}

void BuildPlayground(Program& prog) {
    World& w = prog.world;
    NewHalfSpace(w, 0, 700, 1, 0).type = "grass";
    NewHalfSpace(w, -400, 0, 0, -1).type = "gray";
    WaterSpace& water = NewWaterSpace(w, 900, 600, 1, 0, 0.05f);
    water.a.Set(0, -0.005);
    water.type = "lightblue";
    MakeWall(w, 100, 500, 600, 520, "wall");
    MakeWall(w, 650, 400, 800, 380, "wall_red");
    int32_t a = MakeBox(w, 120, 300, 50, "box");
    int32_t b = MakeBox(w, 200, 300, 50, "box2");
    NewConstraint(w, kWorldEntity, w.entities[static_cast<size_t>(a)].particles[1],
                  w.entities[static_cast<size_t>(b)].particles[0], 1); // a joint
    MakeBox(w, 300, 200, 50, "player");
    MakeBox(w, 380, 200, 50, "player2");
    int32_t aquarium = MakeBox(w, 450, 250, 50, "aquarium", true, 1, 8);
    NewLiquidBox(w, prog.rng, aquarium, 3, 35, "water");
    int32_t poison = MakeBox(w, 520, 250, 50, "poisonbox");
    NewLiquidBox(w, prog.rng, poison, 3, 35, "poison");
    int32_t latern = MakeBox(w, 600, 150, 24, "latern", true, 1, 0.5f);
    int32_t hook = NewParticle(w, kWorldEntity, 612, 140);
    NewConstraint(w, kWorldEntity, hook, w.entities[static_cast<size_t>(latern)].particles[0], 1);
    NewConstraint(w, kWorldEntity, hook, w.entities[static_cast<size_t>(latern)].particles[1], 1);
    AddLight(w, hook, 600, 0, "blue", w.entities[static_cast<size_t>(latern)].id);
    w.markers.push_back({a, w.entities[static_cast<size_t>(a)].id, 0, w.NewUid()});
    Portal& p1 = NewPortal(w, 50, 400, 50, 500);
    uint32_t uid1 = p1.uid;
    Portal& p2 = NewPortal(w, 850, 200, 850, 300);
    p2.connected = uid1;
    FindPortalByUid(w, uid1)->connected = p2.uid;
    Portal& self = NewPortal(w, 0, 100, 100, 100);
    self.connected = self.uid;
    NewRegion(w, 700, 500, 800, 650).type = "green";
    NewRegion(w, 0, 0, 60, 60).type = "red";
    NewTrigger(w);
    AddEvent(w, "entityentersregion(player,1)");
    AddAction(w, "createcommandcallback(well done!,200,0,255,0)");
    AddAction(w, "startnextworld()");
    NewTrigger(w);
    w.triggers.back().conditionType = "and";
    AddEvent(w, "levelstart()");
    AddCondition(w, "varequals(lives,0)");
    AddAction(w, "newvar(lives,3)");
    AddAction(w, "createtimer(4)");
    prog.camera = {-120, -80, 0.25};
}

void BuildTower(Program& prog) {
    World& w = prog.world;
    NewHalfSpace(w, 0, 1000, 1, 0).type = "mudd";
    for (int i = 0; i < 30; ++i) MakeBox(w, 400 + (i % 3) * 2, 950 - 52 * i, 50, i % 2 ? "box" : "icebox");
    // A ring of particles with cross-bracing owned by the world entity, as circles are built.
    int32_t ring = NewEntity(w, 1, 1);
    const int n = 16;
    for (int i = 0; i < n; ++i) {
        double t = 2 * kPi * i / n;
        NewParticle(w, ring, static_cast<float>(200 + 40 * std::cos(t)),
                    static_cast<float>(600 + 40 * std::sin(t)));
    }
    const Entity& e = w.entities[static_cast<size_t>(ring)];
    for (int i = 0; i < n; ++i)
        NewConstraint(w, ring, e.particles[static_cast<size_t>(i)],
                      e.particles[static_cast<size_t>((i + 1) % n)], 1);
    for (int i = 0; i < n; ++i)
        NewConstraint(w, kWorldEntity, e.particles[static_cast<size_t>(i)],
                      e.particles[static_cast<size_t>((i + n / 3) % n)], 0.5f);
    prog.camera = {0, 300, -0.5};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: level_seeds <folder>\n");
        return 2;
    }
    std::string dir = std::string(argv[1]) + "/";
    auto empty = std::make_unique<Program>();
    ResetWorld(empty->world);
    auto playground = std::make_unique<Program>();
    ResetWorld(playground->world);
    playground->rng.Seed(7);
    BuildPlayground(*playground);
    auto tower = std::make_unique<Program>();
    ResetWorld(tower->world);
    BuildTower(*tower);
    bool ok = WriteLevel(empty->world, empty->camera, StoredPath(dir + "empty.lvl")) &&
              WriteLevel(playground->world, playground->camera, StoredPath(dir + "playground_1.lvl")) &&
              WriteLevel(tower->world, tower->camera, StoredPath(dir + "tower_2.lvl"));
    return ok ? 0 : 1;
}
