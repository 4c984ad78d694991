// Writes the demo levels that ship in levels\\ with the program's own builders and trigger records:
//   cmake --build build --target levelgen && build/tools/levelgen/levelgen . build/run
// The first argument is the source tree (the levels go to its levels/ folder); the second the run folder,
// whose custom art gives the custom objects their sizes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/random.h"
#include "common/text.h"
#include "level/level.h"
#include "platform/test_platform.h"
#include "shell/catalogue.h"
#include "world/builders.h"
#include "world/camera.h"
#include "world/trigger_records.h"

namespace {

namespace fs = std::filesystem;

std::string gRunDir = "build/run";

const Entity& E(World& w, int32_t slot) {
    return w.entities[static_cast<size_t>(slot)];
}

// A lantern hung from a pin, so that it sways instead of falling.
void HungLantern(World& w, Rng& rng, int32_t x, int32_t y) {
    int32_t pin = NewPin(w, x, y - 40);
    NewLatern(w, rng, x, y);
    int32_t hook = w.particleCount; // the lantern's hanging point is the last particle made
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], hook, 1);
}

void Ground(World& w, int32_t y, const char* colour) {
    NewHalfSpace(w, 0, y, 1, 0).type = colour;
}

// Side walls that keep everything on the screen.
void Sides(World& w) {
    NewHalfSpace(w, 10, 0, 0, 1).type = "gray";    // solid left of x 10
    NewHalfSpace(w, 1270, 0, 0, -1).type = "gray"; // solid right of x 1270
}

void CustomObject(World& w, Rng& rng, const std::string& name, double x, double y) {
    int width = 0, height = 0;
    std::string file = gRunDir + "/bmps/custom/" + name + ".bmp";
    if (!ReadBmpSize(file, width, height)) return;
    NewCustomObject(w, rng, height / 2, width / 2, name, x, y);
}

// Every kind of object, joint, portal, region and marker on one screen.
void Playground(World& w, Rng& rng) {
    Ground(w, 940, "grass");
    Sides(w);
    NewWall(w, 60, 640, 420, 720, 10, 1);
    w.entities[static_cast<size_t>(NewWall(w, 500, 760, 760, 700, 10, 1))].type = "icewall";
    w.entities[static_cast<size_t>(NewWall(w, 860, 600, 1200, 600, 10, 1))].type = "wall_blue";
    int32_t player = NewPlayer(w, rng, 80, 560);
    NewPlayer2(w, rng, 160, 560);
    NewBox(w, rng, 260, 560, 310, 610, 1, 1, 1, 1);
    w.entities[static_cast<size_t>(NewBox(w, rng, 330, 560, 380, 610, 1, 1, 1, 1))].type = "icebox";
    NewPoisonBox(w, rng, 560, 880);
    NewAquarium(w, rng, 640, 890);
    NewBarrel(w, rng, 740, 820);
    NewFirecave(w, rng, 840, 880);
    NewWarning(w, 960, 880);
    NewQuad(w, rng, 900, 520, 980, 580, 1, 1, 1);
    w.entities[static_cast<size_t>(NewQuad(w, rng, 1000, 520, 1060, 580, 1, 1, 1))].type = "quad_orange";
    NewStrap(w, 1080, 560, 1220, 560, 20, 1);
    NewCircle(w, 460, 860, 40, 16, 1, 1);
    // A pendulum: a box bound to a pin.
    int32_t pin = NewPin(w, 640, 300);
    int32_t bob = NewBox(w, rng, 700, 420, 740, 460, 1, 1, 1, 1);
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], E(w, bob).particles[0], 1);
    HungLantern(w, rng, 860, 160);
    CustomObject(w, rng, "ball", 300, 300);
    CustomObject(w, rng, "crate_metal", 400, 300);
    CustomObject(w, rng, "tv", 500, 300);
    // A region round the pendulum, a marker on the first player, and a portal that sends back through
    // itself.
    NewRegion(w, 600, 380, 800, 500).type = "yellow";
    w.markers.push_back({player, E(w, player).id, kEffectBase + 17, w.NewUid()});
    Portal& p = NewPortal(w, 1180, 700, 1180, 900);
    p.connected = p.uid;
}

// A pyramid of boxes with a player beside it.
void Tower(World& w, Rng& rng) {
    Ground(w, 940, "mudd");
    Sides(w);
    const int size = 50, rows = 9;
    for (int row = 0; row < rows; ++row)
        for (int k = 0; k < rows - row; ++k) {
            int32_t x = 420 + row * size / 2 + k * size, y = 940 - (row + 1) * size;
            NewBox(w, rng, x, y, x + size, y + size, 1, 1, 1, 1);
        }
    NewPlayer(w, rng, 150, 880);
    NewBarrel(w, rng, 1000, 840);
}

// A lake with floating boxes and aquariums under lanterns.
void Water(World& w, Rng& rng) {
    Ground(w, 980, "mudd");
    Sides(w);
    WaterSpace& lake = NewWaterSpace(w, 0, 640, 1, 0, 0.05f);
    lake.a.Set(0, -0.006);
    lake.type = "lightblue";
    NewWall(w, 40, 560, 300, 560, 10, 1);
    NewAquarium(w, rng, 120, 500);
    NewAquarium(w, rng, 200, 500);
    NewPoisonBox(w, rng, 1100, 480);
    NewWall(w, 1000, 540, 1240, 540, 10, 1);
    for (int i = 0; i < 5; ++i) NewBox(w, rng, 380 + i * 120, 560, 430 + i * 120, 610, 1, 1, 1, 1);
    NewBarrel(w, rng, 560, 400);
    NewCircle(w, 900, 450, 35, 16, 1, 1);
    HungLantern(w, rng, 200, 300);
    HungLantern(w, rng, 640, 200);
    HungLantern(w, rng, 1000, 300);
}

// Boxes slide down a ramp of ice, drop through a portal above the floor, fall out of one near the ceiling
// onto the ramp again: a run that never ends.
void Portals(World& w, Rng& rng) {
    Ground(w, 960, "sky");
    Sides(w);
    Portal& in = NewPortal(w, 10, 900, 380, 900);
    uint32_t inUid = in.uid;
    Portal& out = NewPortal(w, 900, 100, 700, 100); // reversed ends: things leave it falling down
    out.connected = inUid;
    FindPortalByUid(w, inUid)->connected = out.uid;
    w.entities[static_cast<size_t>(NewWall(w, 1240, 420, 360, 760, 10, 1))].type = "icewall";
    for (int i = 0; i < 4; ++i) NewBox(w, rng, 500 + i * 70, 300, 540 + i * 70, 340, 1, 1, 1, 1);
    NewCircle(w, 700, 300, 30, 16, 1, 1);
    NewRegion(w, 10, 820, 380, 900).type = "purple";
}

// A seesaw: a strap on a pin with a box on each end, and a barrel about to drop on one of them.
void Seesaw(World& w, Rng& rng) {
    Ground(w, 940, "grass");
    Sides(w);
    int32_t pin = NewPin(w, 640, 800);
    int32_t plank = NewStrap(w, 340, 780, 940, 780, 10, 1);
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], E(w, plank).particles[0], 1);
    NewConstraint(w, kWorldEntity, E(w, pin).particles[0], E(w, plank).particles[1], 1);
    NewBox(w, rng, 360, 710, 420, 770, 1, 1, 1, 1);
    NewBox(w, rng, 860, 710, 920, 770, 1, 1, 1, 1);
    NewBarrel(w, rng, 860, 200);
    NewPlayer(w, rng, 240, 880); // clear of the toolbar
}

struct Demo {
    const char* path;
    void (*build)(World&, Rng&);
};

const Demo kDemos[] = {
    {"levels\\playground.lvl", Playground},
    {"levels\\tower.lvl", Tower},
    {"levels\\water.lvl", Water},
    {"levels\\portals.lvl", Portals},
    {"levels\\challenges\\seesaw.lvl", Seesaw},
};

void Trigger(World& w, std::initializer_list<std::string> events,
             std::initializer_list<std::string> conditions, std::initializer_list<std::string> actions) {
    NewTrigger(w);
    for (const std::string& e : events) AddEvent(w, e);
    for (const std::string& c : conditions) AddCondition(w, c);
    for (const std::string& a : actions) AddAction(w, a);
}

// Three boxes wait on the left. A door (portal 1) in their way leads, by turns of four seconds, back to the
// start (portal 3) or on behind a tall wall (portal 2), in front of the goal: a box counts when it moves in.
// The green region counts the boxes home in an info window; the last one sets off the barrel on the shelf. R
// starts again.
void BuildDelivery(World& w, Rng& rng) {
    NewHalfSpace(w, 0, 940, 1, 0).type = "grass";
    NewHalfSpace(w, 10, 0, 0, 1).type = "gray";
    NewHalfSpace(w, 1270, 0, 0, -1).type = "gray";

    std::vector<int32_t> boxes;
    for (int i = 0; i < 3; ++i) {
        int32_t box = NewBox(w, rng, 160 + i * 90, 870, 220 + i * 90, 930, 1, 1, 1, 1);
        w.entities[static_cast<size_t>(box)].type = "box";
        boxes.push_back(w.entities[static_cast<size_t>(box)].id);
    }
    NewWall(w, 660, 560, 660, 940, 12, 1);  // between the door and the goal
    NewWall(w, 860, 600, 1100, 600, 10, 1); // the shelf, over the goal and clear of the tool window
    int32_t barrel = NewBarrel(w, rng, 950, 488);
    const std::string fireworks = std::to_string(w.entities[static_cast<size_t>(barrel)].id);
    const int32_t pin = NewPin(w, 1160, 400);
    NewLatern(w, rng, 1160, 440); // its hanging point is the last particle made
    NewConstraint(w, kWorldEntity, w.entities[static_cast<size_t>(pin)].particles[0], w.particleCount, 1);
    // The crew watches from the shelf. A restart binds both players, so the level has them.
    NewPlayer(w, rng, 875, 540);
    NewPlayer2(w, rng, 1040, 540);

    // Portals: the door, then its two exits with their ends reversed, so that a box keeps its way.
    const uint32_t door = NewPortal(w, 520, 760, 520, 940).uid;
    NewPortal(w, 720, 940, 720, 760);                           // 2: on into the goal
    const uint32_t back = NewPortal(w, 100, 940, 100, 760).uid; // 3: back to the start
    FindPortalByUid(w, door)->connected = back;
    NewRegion(w, 780, 760, 1240, 940).type = "green"; // region 1

    Trigger(
        w, {"levelstart()"}, {},
        {"newvar(delivered,0)", "createinfowindow(Delivery)", "setwindowtext(0 of 3 home)", "createtimer(1)",
         "createcommandcallback(Bring the three boxes home to the green field,600,255,255,255)",
         "createcommandcallback(The right mouse button drags - the door leads home by turns,600,255,255,255)",
         "createcommandcallback(R starts again,600,180,180,180)"});
    Trigger(w, {"entityentersregion(box,1)", "entityleavesregion(box,1)"}, {},
            {"entitysinregion(delivered,1,box)", "setwindowtext(var[delivered] of 3 home)"});
    for (int32_t id : boxes) {
        const std::string box = std::to_string(id);
        Trigger(w, {"entityentersregion(" + box + ",1)"}, {}, {"addbuff(" + box + ",blink,90)"});
    }
    Trigger(w, {"entityentersregion(box,1)"}, {"varvalue(delivered,3)"},
            {"createcommandcallback(All boxes home! Press R to play again,600,255,220,0)",
             "explode(" + fireworks + ",40)", "deletethistrigger()"});
    Trigger(w, {"timer(1,240)"}, {},
            {"connectportal(1,2)", "createcommandcallback(The door leads home,200,120,255,120)"});
    Trigger(
        w, {"timer(1,480)"}, {},
        {"connectportal(1,3)", "resettimer(1)", "createcommandcallback(The door leads back,200,255,160,80)"});
    Trigger(w, {"keyboardreleased(r)"}, {}, {"restartlevel()"});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: levelgen SOURCE_DIR RUN_DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    gRunDir = argv[2];
    std::vector<Demo> demos(std::begin(kDemos), std::end(kDemos));
    demos.push_back({"levels\\delivery.lvl", BuildDelivery});
    for (const Demo& d : demos) {
        auto w = std::make_unique<World>();
        ResetWorld(*w);
        Rng rng(2024);
        d.build(*w, rng);
        std::string stored = root + "/" + d.path;
        std::replace(stored.begin(), stored.end(), '/', '\\');
        fs::create_directories(fs::path(NativePath(stored)).parent_path());
        std::string why;
        if (!WriteLevel(*w, Camera{}, stored, &why)) {
            std::fprintf(stderr, "levelgen: %s: %s\n", d.path, why.c_str());
            return 1;
        }
        std::printf("wrote %s\n", d.path);
    }
    return 0;
}
