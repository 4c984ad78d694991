// The WebAssembly build's entry. For node (TUMBLEBOX_WEB_NODE) it is the program's command line over the
// real files of the working folder, always headless (node has no screen). For the browser it is a frame
// driver: the page's address becomes the command line, each browser frame runs one program frame and
// presents it on the canvas, and the page's buttons and its API reach the program through the functions
// exported at the end.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "level/level.h"
#include "platform/web_platform.h"
#include "shell/history.h"
#include "shell/levels.h"
#include "shell/program.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#include <emscripten/html5.h>
#endif

#if defined(TUMBLEBOX_WEB_NODE) || !defined(__EMSCRIPTEN__)

int main(int argc, char** argv) {
    Options opt;
    if (int status = TakeCommandLine(argc, argv, opt); status >= 0) return status;
    opt.headless = true;
    WebPlatform platform(
        true, {"fonts/", "/usr/share/fonts/truetype/quicksand/", "/usr/share/fonts/truetype/dejavu/"});
    return RunProgram(opt, platform);
}

#else

namespace {

struct WebRun {
    WebPlatform platform{false, {"fonts/"}};
    Program prog;
    bool ended = false;
    // Where a frame's time goes, in milliseconds summed over the frames: the program's frame (simulation
    // and drawing) and the hand-over to the canvas.
    double frameMs = 0, presentMs = 0;
    uint32_t savesStored = 0; // the saves handed to the page to store
    std::string text;         // the last text handed to the page
};

WebRun* run = nullptr;

// The canvas is opaque and desynchronized: the browser then need not blend it with the page nor wait for
// its compositor, which in a browser drawing on the processor costs more than the program's whole frame.
// The ImageData reads the frame where it lies in the program's memory (made again when memory grows).
void Present(const WebPlatform& plat) {
    EM_ASM(
        {
            var canvas = Module.canvas;
            var ctx = canvas.tbContext ||
                      (canvas.tbContext = canvas.getContext('2d', {alpha : false, desynchronized : true}));
            var image = canvas.tbImage;
            if (!image || image.width != $1 || image.height != $2 || image.data.buffer != HEAPU8.buffer ||
                image.data.byteOffset != $0)
                image = canvas.tbImage =
                    new ImageData(new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4), $1, $2);
            ctx.putImageData(image, 0, 0);
            if (Module.onFrame) Module.onFrame();
        },
        plat.FrameRgba(), plat.Width(), plat.Height());
}

void Frame(void*) {
    if (run->ended) return;
    const double start = emscripten_get_now();
    const bool going = RunFrame(run->prog, run->platform);
    const double drawn = emscripten_get_now();
    run->frameMs += drawn - start;
    if (!going) {
        run->ended = true;
        emscripten_cancel_main_loop();
        EM_ASM({
            if (Module.onEnd) Module.onEnd();
        });
        return;
    }
    Present(run->platform);
    run->presentMs += emscripten_get_now() - drawn;
    // A save that reached its file goes to the browser's storage now, not at the page's next round.
    if (run->prog.shell.savesWritten != run->savesStored) {
        run->savesStored = run->prog.shell.savesWritten;
        EM_ASM({
            if (Module.storeLevels) Module.storeLevels();
        });
    }
}

// Canvas pixels on the page to frame pixels: the canvas keeps the frame's proportions however it is scaled.
void ToFrame(int cssX, int cssY, int& x, int& y) {
    double w = 0, h = 0;
    emscripten_get_element_css_size("#canvas", &w, &h);
    const double sx = w > 0 ? run->platform.Width() / w : 1, sy = h > 0 ? run->platform.Height() / h : 1;
    x = static_cast<int>(std::floor(cssX * sx));
    y = static_cast<int>(std::floor(cssY * sy));
}

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void*) {
    if (type == EMSCRIPTEN_EVENT_MOUSELEAVE) {
        run->platform.MouseLeft();
        return EM_FALSE;
    }
    // A release is heard on the whole window (a drag may end beside the canvas); its position is not the
    // canvas's, and the pointer stays where the canvas last saw it.
    if (type != EMSCRIPTEN_EVENT_MOUSEUP) {
        int x = 0, y = 0;
        ToFrame(e->targetX, e->targetY, x, y);
        run->platform.MouseMoved(x, y);
    }
    const int button = e->button == 0 ? 0 : e->button == 2 ? 1 : -1;
    if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) {
        EM_ASM({ Module.canvas.focus(); });
        run->platform.MouseButton(button, true);
    }
    if (type == EMSCRIPTEN_EVENT_MOUSEUP) run->platform.MouseButton(button, false);
    return type != EMSCRIPTEN_EVENT_MOUSEMOVE;
}

EM_BOOL OnWheel(int, const EmscriptenWheelEvent* e, void*) {
    if (e->deltaY < 0) run->platform.Wheel(1);
    if (e->deltaY > 0) run->platform.Wheel(-1);
    return EM_TRUE;
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
    const int scan = ScanCodeFromDomCode(e->code);
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    bool taken = false;
    if (scan >= 0 && !(down && e->repeat)) run->platform.KeyChanged(scan, down);
    if (scan >= 0) taken = true;
    // A key that stands for one character is typed text (unless a modifier makes it a shortcut).
    const std::string key = e->key;
    const bool oneChar =
        !key.empty() && (key.size() == 1 || (static_cast<unsigned char>(key[0]) >= 0xc0 && key.size() <= 4));
    if (down && oneChar && !e->ctrlKey && !e->altKey && !e->metaKey) {
        run->platform.Typed(key);
        taken = true;
    }
    return taken;
}

} // namespace

int main(int argc, char** argv) {
    Options opt;
    if (int status = TakeCommandLine(argc, argv, opt); status >= 0) return status;
    run = new WebRun();
    Program& prog = run->prog;
    Shell& sh = prog.shell;
    prog.rng.Seed(opt.seedSet ? opt.seed : static_cast<uint32_t>(emscripten_get_now()));
    if (!StartProgram(prog, run->platform)) {
        EM_ASM({
            if (Module.showMessage) Module.showMessage("Error", "the screen could not be opened");
        });
        return 1;
    }
    sh.triggersOn = opt.triggers || sh.settings.triggers;
    if (!opt.load.empty() && !LoadLevelAtStart(prog, run->platform, opt.load))
        run->platform.ShowMessage("Error", opt.load + ": file not found...");
    if (opt.run) sh.paused = false;

    emscripten_set_mousemove_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_mousedown_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, OnMouse);
    emscripten_set_mouseleave_callback("#canvas", nullptr, EM_TRUE, OnMouse);
    emscripten_set_wheel_callback("#canvas", nullptr, EM_TRUE, OnWheel);
    emscripten_set_keydown_callback("#canvas", nullptr, EM_TRUE, OnKey);
    emscripten_set_keyup_callback("#canvas", nullptr, EM_TRUE, OnKey);
    EM_ASM({
        if (Module.onStart) Module.onStart();
    });
    emscripten_set_main_loop_arg(Frame, nullptr, 0, 0);
    return 0;
}

// ---- What the page calls ----------------------------------------------------------------------------------

extern "C" {

// The current world as level-file text, as Save would write it.
EMSCRIPTEN_KEEPALIVE const char* tb_level_text() {
    run->text = LevelText(run->prog.world, run->prog.camera);
    return run->text.c_str();
}

// The stored path Save writes to.
EMSCRIPTEN_KEEPALIVE const char* tb_level_path() {
    run->text = run->prog.shell.levelPath;
    return run->text.c_str();
}

EMSCRIPTEN_KEEPALIVE int tb_unsaved() {
    return run && !run->ended && HasUnsavedChanges(run->prog.history) ? 1 : 0;
}

// A level from text (a link's data): what cannot be read is reported by the reader, and whatever can
// be read becomes the world.
EMSCRIPTEN_KEEPALIVE void tb_load_text(const char* text, int length) {
    WaitForSave(run->prog);
    LoadLevelText(run->prog, run->platform, std::string_view(text, static_cast<size_t>(length)));
    MarkSaved(run->prog.history);
}

// A level file of the working folder (the Open file button writes it first), loaded as the level browser
// does; 0 when it cannot be opened.
EMSCRIPTEN_KEEPALIVE int tb_open(const char* storedPath) {
    WaitForSave(run->prog);
    const std::string path = storedPath;
    const bool ok = OpenLevel(run->prog, run->platform, storedPath);
    if (ok) {
        run->prog.shell.currentFolder = path.substr(0, path.find_last_of('\\') + 1);
        MarkSaved(run->prog.history);
    }
    return ok ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void tb_key(int scan, int down) {
    run->platform.KeyChanged(scan, down != 0);
}

// 0: milliseconds spent in the program's frames so far; 1: in presenting them.
EMSCRIPTEN_KEEPALIVE double tb_time_spent(int which) {
    return which == 0 ? run->frameMs : run->presentMs;
}

EMSCRIPTEN_KEEPALIVE int tb_frames() {
    return static_cast<int>(run->platform.Frames());
}

} // extern "C"

#endif
