#include "editor/kinds.h"

#include "platform/image_numbers.h"
#include "world/builders.h"

namespace {

constexpr std::string_view kClick = "click to place";
constexpr std::string_view kDrag = "drag from one end to the other";
constexpr std::string_view kTurn = "press, then drag to turn its surface";
constexpr std::string_view kCorners = "drag from corner to corner";

constexpr int kPlayers = 0, kVariables = 1, kLiquids = 2, kStatics = 3, kLights = 4, kStandards = 5,
              kRegions = 6, kMarkers = 7;

int32_t Icebox(World& w, Rng& rng, int32_t mx, int32_t my) {
    const int32_t e = NewBox(w, rng, mx - 25, my - 25, mx + 25, my + 25, 1, 1, 1, 1);
    if (e != 0) w.entities[static_cast<size_t>(e)].type = "icebox";
    return e;
}

std::vector<ObjectKind> MakeKinds() {
    using G = Gesture;
    std::vector<ObjectKind> k = {
        {"Player", "Player", "player", kClick, G::Click, kPlayers, 20, 40, 50, 50, 0,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewPlayer(w, r, x - 25, y - 25); }, false, true},
        {"Player2", "Player 2", "player2", kClick, G::Click, kPlayers, 20, 100, 50, 50, 5,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewPlayer2(w, r, x - 25, y - 25); }, false,
         true},
        {"Circle", "Circle", "circle", "drag from the centre out", G::Drag, kVariables, 20, 40, 50, 50, 25},
        {"Quad", "Quad", "quad", kCorners, G::Drag, kVariables, 80, 40, 50, 50, 20},
        {"Strap", "Strap", "strap", kDrag, G::Drag, kVariables, 20, 100, 200, 40, 7},
        {"Bind", "Bind", "", "press on one body, release on another", G::Bind, kVariables, 140, 40, 50, 50,
         26, nullptr, true},
        {"Portal", "Portal", "", kDrag, G::Drag, kVariables, 20, 160, 50, 50, 47},
        {"PoisonBox", "Poison box", "poisonbox", kClick, G::Click, kLiquids, 20, 40, 50, 50, 16,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewPoisonBox(w, r, x - 25, y - 25); }, true,
         true},
        {"Aquarium", "Aquarium", "aquarium", kClick, G::Click, kLiquids, 80, 40, 50, 40, 13,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewAquarium(w, r, x - 25, y - 25); }, true},
        {"HalfSpace", "Half-space", "halfspace", kTurn, G::Turn, kStatics, 20, 90, 50, 50, 24},
        {"Wall", "Wall", "wall", kDrag, G::Drag, kStatics, 80, 40, 50, 20, 4},
        {"Icewall", "Ice wall", "icewall", kDrag, G::Drag, kStatics, 20, 40, 50, 20, 43},
        {"Pin", "Pin", "pin", kClick, G::Click, kStatics, 80, 70, 10, 10, 2,
         [](World& w, Rng&, int32_t x, int32_t y) { return NewPin(w, x, y); }},
        {"WaterSpace", "Water space", "waterspace", kTurn, G::Turn, kStatics, 80, 90, 50, 50, 27},
        {"Firecave", "Fire cave", "firecave", kClick, G::Click, kStatics, 20, 150, 20, 40, 46,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewFirecave(w, r, x - 10, y - 20); }, true},
        {"Latern", "Lantern", "latern", kClick, G::Click, kLights, 20, 40, 25, 50, 19,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewLatern(w, r, x, y); }},
        {"Box", "Box", "box", kClick, G::Click, kStandards, 20, 40, 50, 50, 6,
         [](World& w, Rng& r, int32_t x, int32_t y) {
             return NewBox(w, r, x - 25, y - 25, x + 25, y + 25, 1, 1, 1, 1);
         },
         true, true},
        {"Warning", "Warning sign", "warning", kClick, G::Click, kStandards, 20, 100, 50, 50, 23,
         [](World& w, Rng&, int32_t x, int32_t y) { return NewWarning(w, x, y); }, true},
        {"Icebox", "Ice box", "icebox", kClick, G::Click, kStandards, 80, 40, 50, 50, 44, Icebox, true, true},
        {"barrel", "Barrel", "barrel", kClick, G::Click, kStandards, 80, 100, 60, 100, 45,
         [](World& w, Rng& r, int32_t x, int32_t y) { return NewBarrel(w, r, x - 30, y - 50); }, true},
        {"Region", "Region", "", kCorners, G::Drag, kRegions, 20, 40, 50, 50, 21},
        {"Marker", "Marker", "", "click a body to mark it", G::Mark, kMarkers, 20, 40, 50, 50,
         kEffectBase + 17}, // the green marker
    };
    return k;
}

} // namespace

const std::vector<ObjectKind>& ObjectKinds() {
    static const std::vector<ObjectKind> kinds = MakeKinds();
    return kinds;
}

const ObjectKind* KindOfTool(std::string_view tool) {
    for (const ObjectKind& k : ObjectKinds())
        if (k.tool == tool) return &k;
    return nullptr;
}

const ObjectKind* KindOfType(std::string_view type) {
    const ObjectKind* best = nullptr;
    for (const ObjectKind& k : ObjectKinds())
        if (!k.type.empty() && type.substr(0, k.type.size()) == k.type &&
            (best == nullptr || k.type.size() > best->type.size()))
            best = &k;
    return best;
}
