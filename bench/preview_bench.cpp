// The level browser's previews, for each shipped level: "preview/read" reads the file into a world of its
// own (the worker thread's part, world construction included); "preview/draw" draws the 256-pixel picture
// into the off-screen software surface and grabs it (the frame thread's part, the only part a frame waits
// for).
//
//   cmake --build build -j2 --target preview_bench && ./build/bench/preview_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "common/text.h"
#include "level/level.h"
#include "render/picture.h"
#include "shell/program.h"

#ifdef TUMBLEBOX_HAVE_SDL
#include "platform/sdl_platform.h"
#endif

namespace {

const char* const kLevels[] = {"levels\\playground.lvl", "levels\\tower.lvl", "levels\\water.lvl",
                               "levels\\portals.lvl", "levels\\delivery.lvl"};

void PreviewRead(benchmark::State& state) {
    std::error_code ec;
    std::filesystem::current_path(TUMBLEBOX_RUN_DIR, ec);
    const char* path = kLevels[state.range(0)];
    for (auto _ : state) {
        auto w = std::make_unique<World>();
        Camera cam;
        Rng rng;
        benchmark::DoNotOptimize(ReadLevelFile(*w, cam, rng, path));
    }
    state.SetLabel(path);
}

#ifdef TUMBLEBOX_HAVE_SDL
void PreviewDraw(benchmark::State& state) {
    std::error_code ec;
    std::filesystem::current_path(TUMBLEBOX_RUN_DIR, ec);
    auto prog = std::make_unique<Program>();
    SdlPlatform plat(true);
    if (!plat.OpenScreen(1280, 1024, false)) {
        state.SkipWithError("the off-screen surface could not be opened");
        return;
    }
    LoadAllImages(prog->images, plat, 1280, 1024);
    const char* path = kLevels[state.range(0)];
    World w;
    Camera cam;
    Rng rng;
    ReadLevelFile(w, cam, rng, path);
    FrameScene scene = FrameSceneOf(*prog);
    for (auto _ : state) DrawWorldPicture(scene, plat, w, cam, 150, 256, 205);
    state.SetLabel(path);
}
#endif

} // namespace

BENCHMARK(PreviewRead)->Name("preview/read")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
#ifdef TUMBLEBOX_HAVE_SDL
BENCHMARK(PreviewDraw)->Name("preview/draw")->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK_MAIN();
