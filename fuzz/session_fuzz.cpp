// Fuzzes what users do rather than the files they give: the input becomes a scripted session (mouse moves
// and drags, presses and releases of both buttons, wheel notches, every key of the scripted-input list,
// typed text) played through the script reader on a shipped level, for up to kMaxFrames frames with the
// world validator after every frame. The level is then saved through the level writer, read back from
// the file, and must read back to the same text.
//
// The input: its first byte picks the level (bits 0-1), starts the world running (bit 2) and switches the
// triggers on (bit 3). Then one command a byte, its top three bits the command and its low five an
// argument:
//   0 next frame(s): 1 + arg % 8 frames      4 wheel: arg % 7 - 3 notches
//   1 mouse to (next byte, next byte), scaled to the screen and a little beyond it
//   2 mouse by (arg - 16) * 4 across and (next byte % 32 - 16) * 4 down
//   3 button: bit 0 right, bit 1 release     5 key down, 6 key up: the next byte picks the key
//   7 type arg % 16 + 1 characters, taken from the bytes that follow
//
// The program runs in a scratch folder of its own, laid out afresh for every input (settings.ini and a copy
// of the shipped levels), so what one session saves, deletes or writes cannot change the next; the paths
// on the command line are made absolute first.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "absolute_paths.h"
#include "level_io.h"
#include "platform/test_platform.h"
#include "shell/script.h"
#include "world_check.h"

namespace {

constexpr int kMaxFrames = 240;
constexpr int kWidth = 800, kHeight = 600;
const char* const kLevels[] = {"tower.lvl", "water.lvl", "playground.lvl", "portals.lvl"};

namespace fs = std::filesystem;

struct Scratch {
    fs::path folder;
    std::vector<std::string> keys; // every key name of the scripted-input list

    Scratch() {
        folder = fuzz::NewScratchFolder("session_fuzz");
        for (int k = 0; k < kKeyCount; ++k)
            if (!ScanCodeName(k).empty()) keys.push_back(ScanCodeName(k));
        fuzz::Check(!keys.empty(), "no key names");
    }

    // settings.ini and the shipped levels, and nothing else.
    void LayOut() const {
        fs::current_path(folder);
        for (const fs::directory_entry& e : fs::directory_iterator(folder)) fs::remove_all(e.path());
        fuzz::WriteSettings(kWidth, kHeight);
        fs::copy(TUMBLEBOX_LEVELS_DIR, folder / "levels", fs::copy_options::recursive);
    }
};

// The session the bytes stand for, in the scripted-input format, and the number of frames it lasts.
std::string SessionScript(const uint8_t* data, size_t size, const std::vector<std::string>& keys,
                          int& frames) {
    std::ostringstream out;
    int frame = 1;
    int x = kWidth / 2, y = kHeight / 2;
    auto next = [&](size_t& i) -> uint8_t { return i < size ? data[i++] : 0; };
    for (size_t i = 1; i < size && frame <= kMaxFrames;) {
        const uint8_t b = data[i++];
        const int arg = b & 31;
        switch (b >> 5) {
        case 0:
            frame += 1 + arg % 8;
            continue;
        case 1:
            x = next(i) * (kWidth + 40) / 256 - 20;
            y = next(i) * (kHeight + 40) / 256 - 20;
            out << frame << " mouse " << x << ' ' << y << '\n';
            break;
        case 2:
            x += (arg - 16) * 4;
            y += (next(i) % 32 - 16) * 4;
            out << frame << " mouse " << x << ' ' << y << '\n';
            break;
        case 3:
            out << frame << ((arg & 2) ? " release " : " press ") << ((arg & 1) ? "right" : "left") << '\n';
            break;
        case 4:
            out << frame << " wheel " << arg % 7 - 3 << '\n';
            break;
        case 5:
        case 6:
            out << frame << " key " << keys[next(i) % keys.size()] << ((b >> 5) == 5 ? " down" : " up")
                << '\n';
            break;
        default: {
            std::string text;
            for (int n = arg % 16 + 1; n > 0; --n) {
                const uint8_t c = next(i);
                text += c < 0x80 ? static_cast<char>(' ' + c % 95) : static_cast<char>(c); // no line ends
            }
            out << frame << " type " << text << '\n';
        }
        }
    }
    frames = std::min(frame + 1, kMaxFrames);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::MakePathsAbsolute(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    if (size == 0) return 0;
    scratch.LayOut();

    const std::string level = std::string("levels/") + kLevels[data[0] % 4];
    int frames = 0;
    const std::string text = SessionScript(data, size, scratch.keys, frames);

    auto progPtr = std::make_unique<Program>();
    Program& prog = *progPtr;
    TestPlatform plat;
    Shell& sh = prog.shell;
    sh.headless = true;
    prog.rng.Seed(1);
    fuzz::Check(StartProgram(prog, plat), "the program does not start");
    std::string error;
    fuzz::Check(ParseInputScript(text, sh.script, error), "the session script does not read");
    sh.scripted = true;
    sh.script.state.mouseX = kWidth / 2;
    sh.script.state.mouseY = kHeight / 2;
    sh.triggersOn = (data[0] & 8) != 0;
    fuzz::Check(LoadLevelAtStart(prog, plat, level), "the shipped level does not load");
    fuzz::CheckWorld(prog.world, prog.camera);
    if (data[0] & 4) sh.paused = false;

    while (sh.frame < frames) {
        const bool goOn = RunFrame(prog, plat);
        fuzz::CheckWorld(prog.world, prog.camera);
        if (!goOn) break;
    }
    WaitForSave(prog);
    fuzz::CheckWorld(prog.world, prog.camera);

    // Saved to a file and read back from it, the level reads back the same.
    std::string why;
    fuzz::Check(WriteLevel(prog.world, prog.camera, "levels\\session_end.lvl", &why),
                "the level cannot be saved");
    const std::string written = fuzz::WriteLevel(prog);
    fuzz::Check(fuzz::ReadLevelFile(prog, plat, "levels/session_end.lvl"), "the saved level cannot be read");
    fuzz::CheckWorld(prog.world, prog.camera);
    fuzz::Check(fuzz::WriteLevel(prog) == written, "the saved level does not read back the same");
    return 0;
}
