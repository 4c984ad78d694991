// Frame-drawing benchmark: one frame of the base-57 pyramid of the physics benchmark (1,653 boxes of 50 x 50
// on a ground half-space, rows 56 units apart) with 10 lanterns hanging beside its slopes, the whole
// pyramid in view.
//
// "frame/software/interface" is an empty world with the editor's interface; "frame/software/spaces" ten
// half-spaces and ten water spaces, half of them slanted, their boundaries crossing the screen;
// "frame/software/region:N" one coloured region N units wide about the screen centre (1000 fits on the
// screen, 4000 reaches far beyond it): a region far larger than the screen should cost no more.
//
// "frame/recording" draws into the recording test platform: our own work (transforms, lights, overlay)
// without any pixel filling; the target is 2 ms. "frame/software" draws the same frame into the
// off-screen software surface of the program (1280 x 1024, the art of the run folder when it is there),
// pixels included, flip included.
//
//   cmake --preset dev && cmake --build build -j2 --target render_bench && ./build/bench/render_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "editor/editor.h"
#include "platform/test_platform.h"
#include "render/render.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "world/builders.h"

#ifdef TUMBLEBOX_HAVE_SDL
#include "platform/sdl_platform.h"
#endif

namespace {

constexpr int kBase = 57;
constexpr int kBoxSize = 50;
constexpr int kBoxPitch = 56;
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// A box as the catalogue makes it: four particles, four edges, two diagonals owned by the world entity.
int32_t Box(World& w, const char* type, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    int32_t e = NewEntity(w, 1, 1);
    int32_t p1 = NewParticle(w, e, static_cast<float>(x1), static_cast<float>(y1));
    int32_t p2 = NewParticle(w, e, static_cast<float>(x2), static_cast<float>(y1));
    int32_t p3 = NewParticle(w, e, static_cast<float>(x2), static_cast<float>(y2));
    int32_t p4 = NewParticle(w, e, static_cast<float>(x1), static_cast<float>(y2));
    NewConstraint(w, e, p4, p3, 1);
    NewConstraint(w, e, p3, p2, 1);
    NewConstraint(w, e, p2, p1, 1);
    NewConstraint(w, e, p1, p4, 1);
    NewConstraint(w, kWorldEntity, p2, p4, 1);
    NewConstraint(w, kWorldEntity, p3, p1, 1);
    w.entities[static_cast<size_t>(e)].type = type;
    return e;
}

// A lantern: a 24 x 50 body hanging from a world particle, carrying a blue light of range 600.
void Lantern(World& w, int32_t x, int32_t y) {
    int32_t e = Box(w, "latern", x - 12, y, x + 12, y + 50);
    const Entity& body = w.entities[static_cast<size_t>(e)];
    int32_t hook = NewParticle(w, kWorldEntity, static_cast<float>(x), static_cast<float>(y - 10));
    NewConstraint(w, kWorldEntity, hook, body.particles[0], 1);
    NewConstraint(w, kWorldEntity, hook, body.particles[1], 1);
    AddLight(w, hook, 600, 0, "blue", body.id);
}

void BuildScene(Program& prog, int lanterns) {
    World& w = prog.world;
    ResetWorld(w);
    NewHalfSpace(w, 0, 0, 1, 0).type = "grass";
    for (int row = 0; row < kBase; ++row) {
        const int32_t y = -(row + 1) * kBoxSize;
        const int32_t x0 = -kBase * kBoxPitch / 2 + row * kBoxPitch / 2;
        for (int i = 0; i < kBase - row; ++i) {
            const int32_t x = x0 + i * kBoxPitch;
            Box(w, (row + i) % 2 ? "box2" : "box", x, y, x + kBoxSize, y + kBoxSize);
        }
    }
    // Beside the slopes, alternating sides, from the foot to near the top.
    for (int i = 0; i < lanterns; ++i) {
        const int32_t y = -150 - i * 270;
        const int32_t halfWidth = kBase * kBoxPitch / 2 + y / 2; // the slope at that height
        Lantern(w, (i % 2 ? 1 : -1) * (halfWidth + 60), y);
    }
    UpdateEntityBounds(w);
    prog.camera.zoom = 0.65; // the whole pyramid on a 1280 x 1024 screen
    prog.camera.x = -kScreenWidth / 2;
    prog.camera.y = -kBase * kBoxSize / 2 - kScreenHeight / 2;
    prog.shell.input.mouseX = kScreenWidth / 2;
    prog.shell.input.mouseY = kScreenHeight / 2;
    prog.editor.currentTool = "Box";
}

void FrameRecording(benchmark::State& state) {
    auto prog = std::make_unique<Program>();
    TestPlatform plat;
    LoadAllImages(prog->images, plat, kScreenWidth, kScreenHeight);
    BuildScene(*prog, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        DrawProgramFrame(*prog, plat);
        benchmark::DoNotOptimize(plat.lastFrame.data());
    }
    state.counters["entities"] = prog->world.entityCount;
    state.counters["quads"] = static_cast<double>(plat.CallsOf(DrawCall::Kind::Quad, plat.lastFrame).size());
}

// An empty world seen 1:1 with its origin at the top-left of the screen, the interface built.
void EmptyScene(Program& prog, Platform& plat) {
    ResetWorld(prog.world);
    InitGui(prog.gui, kScreenWidth, kScreenHeight);
    BuildEditorInterface(EditorSceneOf(prog), plat);
    prog.camera = Camera{};
    prog.shell.input.mouseX = kScreenWidth / 2;
    prog.shell.input.mouseY = kScreenHeight / 2;
}

// Ten half-spaces and ten water spaces whose boundaries cross the screen, every other one slanted.
void SpacesScene(Program& prog, Platform& plat) {
    EmptyScene(prog, plat);
    World& w = prog.world;
    const char* colours[] = {"grass", "gray", "sky", "mudd", "blue"};
    for (int i = 0; i < 20; ++i) {
        const bool slanted = i % 2 == 1;
        const float angle = slanted ? 0.4f + 0.25f * static_cast<float>(i % 5) : 0.0f;
        const int32_t x = 100 + 50 * i, y = 100 + 40 * i;
        const float vx = std::cos(angle), vy = std::sin(angle);
        if (i < 10)
            NewHalfSpace(w, x, y, (i / 2) % 2 ? -vx : vx, vy).type = colours[i % 5];
        else
            NewWaterSpace(w, x, y, (i / 2) % 2 ? -vx : vx, vy, 0.9f).type = colours[i % 5];
    }
}

// One coloured region `size` units wide centred on the screen.
void RegionScene(Program& prog, Platform& plat, int32_t size) {
    EmptyScene(prog, plat);
    const int32_t cx = kScreenWidth / 2, cy = kScreenHeight / 2;
    NewRegion(prog.world, cx - size / 2, cy - size / 2, cx + size / 2, cy + size / 2).type = "green";
}

#ifdef TUMBLEBOX_HAVE_SDL
// The art lives in the run folder; without it the quads are skipped and only the overlay is filled.
template <typename Build> void DrawSoftware(benchmark::State& state, Build build) {
    std::error_code ec;
    std::filesystem::current_path(TUMBLEBOX_RUN_DIR, ec);
    auto prog = std::make_unique<Program>();
    SdlPlatform plat(true);
    if (!plat.OpenScreen(kScreenWidth, kScreenHeight, false)) {
        state.SkipWithError("the off-screen surface could not be opened");
        return;
    }
    LoadAllImages(prog->images, plat, kScreenWidth, kScreenHeight);
    build(*prog, plat);
    for (auto _ : state) DrawProgramFrame(*prog, plat);
    state.counters["art"] = plat.HasImage(1) ? 1 : 0;
}

void FrameSoftware(benchmark::State& state) {
    DrawSoftware(state,
                 [&](Program& prog, Platform&) { BuildScene(prog, static_cast<int>(state.range(0))); });
}
void InterfaceSoftware(benchmark::State& state) {
    DrawSoftware(state, EmptyScene);
}
void SpacesSoftware(benchmark::State& state) {
    DrawSoftware(state, SpacesScene);
}
void RegionSoftware(benchmark::State& state) {
    DrawSoftware(state, [&](Program& prog, Platform& plat) {
        RegionScene(prog, plat, static_cast<int32_t>(state.range(0)));
    });
}
#endif

} // namespace

BENCHMARK(FrameRecording)
    ->Name("frame/recording")
    ->Arg(10)
    ->Arg(0)
    ->ArgName("lanterns")
    ->Unit(benchmark::kMillisecond);
#ifdef TUMBLEBOX_HAVE_SDL
BENCHMARK(FrameSoftware)
    ->Name("frame/software")
    ->Arg(10)
    ->Arg(0)
    ->ArgName("lanterns")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(InterfaceSoftware)->Name("frame/software/interface")->Unit(benchmark::kMillisecond);
BENCHMARK(SpacesSoftware)->Name("frame/software/spaces")->Unit(benchmark::kMillisecond);
BENCHMARK(RegionSoftware)->Name("frame/software/region")->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK_MAIN();
