// Pictures of the effects in the real program: a pile of boxes dropped hard onto the ground (dust and
// sparks), and an explosion among boxes (flames, flying rocks). Run from the run folder, which holds the
// bitmaps and settings.ini:
//
//   cd build/run && ../tools/soak/effects_scene OUTPUT_PREFIX
//
// writes OUTPUT_PREFIX-landing-N.png and OUTPUT_PREFIX-explosion-N.png at a few chosen frames.
#include <SDL.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

#include "common/text.h"
#include "effects/effects.h"
#include "level/level.h"
#include "platform/sdl_platform.h"
#include "shell/program.h"
#include "world/builders.h"

namespace {

void Ground(World& w) {
    NewHalfSpace(w, 0, 900, 1, 0).type = "ground";
}

// Frames to run, and the frames whose picture is kept.
void Run(Program& prog, SdlPlatform& plat, int frames, const std::set<int>& shots, const std::string& name) {
    for (int f = 1; f <= frames; ++f) {
        RunFrame(prog, plat);
        if (shots.count(f)) {
            std::string path = name + "-" + std::to_string(f) + ".png", png;
            const bool written = plat.ScreenshotPng(png) && WriteFileAtomically(StoredPath(path), png);
            std::printf("%s: %zu buffs, %zu sprites, %d debris -> %s\n", name.c_str(),
                        prog.effects.buffs.size(), prog.effects.sprites.size(), prog.effects.debrisCount,
                        written ? path.c_str() : "(not written)");
        }
    }
}

bool Start(Program& prog, SdlPlatform& plat) {
    if (!StartProgram(prog, plat)) return false;
    prog.rng.Seed(3);
    prog.shell.paused = false;
    prog.shell.headless = true;
    // The mouse rests at the centre: at a screen edge the editor would pan the camera away.
    plat.WarpMouse(static_cast<int>(prog.shell.settings.screenWidth) / 2,
                   static_cast<int>(prog.shell.settings.screenHeight) / 2);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string prefix = argc > 1 ? argv[1] : "effects";
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);

    {                           // Landing: three layers of boxes falling from high up onto the ground.
        SdlPlatform plat(true); // a fresh screen for each scene
        auto prog = std::make_unique<Program>();
        if (!Start(*prog, plat)) return 1;
        World& w = prog->world;
        Ground(w);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 12; ++col) {
                int32_t x = 120 + col * 85 + row * 20;
                int32_t y = -500 - row * 70;
                NewBox(w, prog->rng, x, y, x + 50, y + 50, 1, 1.0, 1.0, 1);
            }
        int frames = 0;
        while (frames < 400 && prog->world.contactCount == 0) { // until the first box touches down
            RunFrame(*prog, plat);
            ++frames;
        }
        std::printf("first touch-down after %d frames\n", frames);
        Run(*prog, plat, 40, {1, 3, 6, 12, 24}, prefix + "-landing");
    }
    {                           // Explosion: a box blown up in the middle of a row of boxes, with its fire.
        SdlPlatform plat(true); // a fresh screen for each scene
        auto prog = std::make_unique<Program>();
        if (!Start(*prog, plat)) return 1;
        World& w = prog->world;
        Ground(w);
        int32_t middle = 0;
        for (int col = 0; col < 9; ++col) {
            int32_t x = 260 + col * 80;
            int32_t e = NewBox(w, prog->rng, x, 840, x + 50, 890, 1, 1.0, 1.0, 1);
            if (col == 4) middle = e;
        }
        Run(*prog, plat, 30, {}, prefix + "-settle");
        const Vec2 c = w.entities[static_cast<size_t>(middle)].center;
        SpawnExplosion(prog->effects, w, prog->rng, RoundToInt(c.x), RoundToInt(c.y), 100 / 20);
        StartBuff(prog->effects, w, prog->rng, "fire", EntityAnchor(w, middle), Random(prog->rng, 500));
        for (int32_t e = 1; e <= w.entityCount; ++e)
            if (e != middle) StartBuff(prog->effects, w, prog->rng, "fire", EntityAnchor(w, e), 40);
        Run(*prog, plat, 40, {2, 5, 10, 20, 35}, prefix + "-explosion");
    }
    return 0;
}
