#include <algorithm>
#include <chrono>
#include <iostream>
#include <limits>

#include "common/text.h"
#include "editor/editor.h"
#include "editor/keymap.h"
#include "effects/effects.h"
#include "gui/gui.h"
#include "physics/physics.h"
#include "platform/unseen_platform.h"
#include "render/render.h"
#include "shell/levels.h"
#include "shell/program.h"
#include "triggers/triggers.h"
#include "world/validate.h"

Shell::Shell() = default;
Shell::~Shell() = default;

bool StartProgram(Program& prog, Platform& plat) {
    Shell& sh = prog.shell;
    sh.levelPath = "levels\\new.lvl";
    sh.currentFolder = "levels\\";
    sh.paused = true;
    sh.saving = false;
    sh.texturedView = 1;
    sh.windowed = 0;
    prog.editor.currentTool.clear();
    prog.camera.zoom = 0;
    ResetWorld(prog.world);
    if (!ReadSettingsAndOpenScreen(prog, plat)) return false;
    InitGui(prog.gui, static_cast<int>(sh.settings.screenWidth), static_cast<int>(sh.settings.screenHeight));
    prog.camera.zoom = ClampZoom(1 - sh.settings.screenWidth / 1280.0);
    BuildEditorInterface(EditorSceneOf(prog), plat);
    if (!prog.images.leftOutCustom.empty()) SetStatus(prog.editor, LeftOutCustomNotice(prog.images));
    return true;
}

FrameScene FrameSceneOf(Program& prog) {
    const Shell& sh = prog.shell;
    FrameScene scene{prog.world,  prog.camera, prog.editor, prog.editor.sparks, prog.gui, prog.effects,
                     prog.images, prog.render, sh.input};
    scene.screenWidth = sh.settings.screenWidth;
    scene.screenHeight = sh.settings.screenHeight;
    scene.fps = sh.fps;
    scene.paused = sh.paused;
    scene.triggersOn = sh.triggersOn;
    scene.textured = sh.texturedView != 0;
    const Timeline& tl = prog.timeline;
    scene.speed = SpeedText(tl);
    const TimeBarBox bar = TimeBarRect(prog);
    if (bar.shown) {
        TimeBarPicture& p = scene.timeBar;
        p.shown = true;
        p.x = bar.x;
        p.y = bar.y;
        p.width = bar.width;
        p.height = bar.height;
        p.knobX = TimeBarKnobX(tl, bar);
        p.knobHeld = tl.knobHeld;
        p.dropped = tl.dropped;
        p.caption = TimeBarCaption(tl);
    }
    return scene;
}

View ProgramView(const Program& prog) {
    return MakeView(prog.camera, prog.shell.settings.screenWidth, prog.shell.settings.screenHeight);
}

void DrawProgramFrame(Program& prog, Platform& plat) {
    FrameScene scene = FrameSceneOf(prog);
    DrawFrame(scene, plat);
}

namespace {

constexpr int64_t kScrubStride = 60; // Ctrl+Left and Ctrl+Right: a second of the run at full speed

void SampleFrameInput(Program& prog, Platform& plat) {
    Shell& sh = prog.shell;
    if (sh.scripted) {
        plat.SampleInput(); // keeps the window responsive; the script decides what the program sees
        sh.input = ScriptFrameInput(sh.script, sh.frame);
    } else {
        sh.input = plat.SampleInput();
    }
    if (!RecordFrame(sh.recorder, sh.frame, sh.input) && !sh.recordingFailed) {
        sh.recordingFailed = true;
        std::cerr << "tumblebox: the input recording failed: " << sh.recorder.error << "\n";
        SetStatus(prog.editor, "recording failed: " + sh.recorder.error);
    }
    WorkOutEdges(sh.input, sh.keysBefore);
}

// What the editor asked of the world as a whole in the step just run, in the order asked.
void CarryOutEditorRequests(Program& prog, Platform& plat) {
    Shell& sh = prog.shell;
    std::vector<EditorRequest> requests;
    requests.swap(prog.editor.requests);
    for (const EditorRequest& r : requests) {
        switch (r.kind) {
        case EditorRequestKind::Load:
            // A load waits for a running save and closes the panels.
            if (OpenLevel(prog, plat, r.path)) {
                prog.editor.change = "load " + r.name;
                prog.editor.changeLoadedFile = true;
                prog.editor.changeTarget = true;
            }
            break;
        case EditorRequestKind::Save:
            StartSave(prog);
            break;
        case EditorRequestKind::SaveAs:
            StartSave(prog, r.path);
            break;
        case EditorRequestKind::New:
            if (!sh.saving) NewWorld(prog, plat);
            break;
        case EditorRequestKind::Rewind:
            if (!sh.saving) Rewind(prog, plat);
            break;
        case EditorRequestKind::Pause:
            sh.paused = true;
            break;
        }
    }
}

// The frame's keys, dispatched from the key table in its order. True when Escape asks to quit.
bool CarryOutKeys(Program& prog, Platform& plat) {
    Shell& sh = prog.shell;
    bool quit = false;
    for (KeyAction action : KeyActionsOf(sh.input)) {
        const bool worldFree = !sh.saving; // nothing replaces the world while a save runs
        switch (action) {
        case KeyAction::Pause:
            sh.paused = !sh.paused;
            break;
        case KeyAction::Pan:
            PanKeys(prog.camera, sh.input);
            break;
        case KeyAction::Home:
            HomeKey(prog.camera, prog.editor, sh.settings.screenWidth);
            break;
        case KeyAction::Wireframe:
            sh.texturedView = sh.texturedView ? 0 : 1;
            break;
        case KeyAction::Help:
            ToggleHelpWindow(prog.editor, prog.gui, plat);
            break;
        case KeyAction::Delete:
            DeleteKey(EditorSceneOf(prog), plat);
            break;
        case KeyAction::Duplicate:
            if (DuplicateWanted(prog.editor, prog.world, prog.gui)) {
                WaitForSave(prog); // nothing changes the world while a save runs
                DuplicateKey(prog.editor, prog.world, prog.rng, prog.gui);
            }
            break;
        case KeyAction::Copy:
            CopyKey(EditorSceneOf(prog), plat, false);
            break;
        case KeyAction::Cut:
            if (worldFree) CopyKey(EditorSceneOf(prog), plat, true);
            break;
        case KeyAction::Paste:
            PasteKey(EditorSceneOf(prog), plat);
            break;
        case KeyAction::Grid:
            GridKey(prog.editor);
            break;
        case KeyAction::Undo:
            if (worldFree) Undo(prog, plat);
            break;
        case KeyAction::Redo:
            if (worldFree) Redo(prog, plat);
            break;
        case KeyAction::Rewind:
            if (worldFree) Rewind(prog, plat);
            break;
        case KeyAction::New:
            if (worldFree) NewWorld(prog, plat);
            break;
        case KeyAction::Save:
            StartSave(prog);
            break;
        case KeyAction::SaveAs:
            OpenSaveAsWindow(EditorSceneOf(prog), plat);
            break;
        case KeyAction::Quit:
            quit = !ClearSelectionKey(prog.editor); // the first Escape only clears a selection
            break;
        case KeyAction::StepOnce:
            RequestSingleStep(prog);
            break;
        case KeyAction::Speed:
            CycleSpeed(prog);
            break;
        case KeyAction::ScrubBack:
            ScrubBy(prog, plat, -kScrubStride);
            break;
        case KeyAction::ScrubForward:
            ScrubBy(prog, plat, kScrubStride);
            break;
        case KeyAction::ScrubBackStep:
            ScrubBy(prog, plat, -1);
            break;
        case KeyAction::ScrubForwardStep:
            ScrubBy(prog, plat, 1);
            break;
        }
    }
    return quit;
}

void CountFramesPerSecond(Shell& sh, Platform& plat) {
    double now = plat.Ticks();
    double elapsed = now - sh.timeMark;
    ++sh.frameCounter;
    if (elapsed > 1000) {
        sh.fps = sh.frameCounter;
        sh.frameCounter = 0;
        sh.timeMark = now;
    }
}

// Whether this frame's pixels can be looked at. A frame that cannot is still drawn, through a platform that
// drops the drawing: the passes keep state from frame to frame (trail, marker pulse, sparks), and walking
// them keeps every result the same as drawing every frame.
bool FramePixelsSeen(const Shell& sh) {
    return sh.frame >= sh.firstSeenFrame || sh.quit || sh.input.down[Key::Escape];
}

// The first frame of a headless run whose pixels can be looked at. Only the screenshot after the last
// frame looks at them, and through it the frames a window animation still on screen grabbed its picture
// from: an animation lasts at most a screen's larger side / 40 + 20 frames. (A run ended early by Escape
// draws its last frame by FramePixelsSeen.)
int64_t FirstSeenFrame(const Options& opt, const Shell& sh) {
    if (!opt.headless) return 0;
    if (opt.screenshot.empty()) return std::numeric_limits<int64_t>::max();
    if (opt.frames < 0) return 0; // the last frame is not known in advance
    const double side = std::max(sh.settings.screenWidth, sh.settings.screenHeight);
    return opt.frames - static_cast<int64_t>(std::min(side, 1e6) / 40) - 32;
}

// Writes the last frame's picture to `path` whole, or leaves the file there as it was.
bool SaveScreenshot(Platform& plat, const std::string& path) {
    std::string png, why;
    if (!plat.ScreenshotPng(png)) {
        why = "the picture could not be read";
    } else if (WriteFileAtomically(StoredPath(path), png, &why)) {
        return true;
    }
    std::cerr << "tumblebox: could not write the screenshot '" << path << "': " << why << "\n";
    return false;
}

} // namespace

bool RunFrame(Program& prog, Platform& plat) {
    Shell& sh = prog.shell;
    ++sh.frame;
    SampleFrameInput(prog, plat);

    if (sh.windowed == 1 && plat.PumpEvents() && MayQuit(prog)) return false;

    const bool steps = StepsThisFrame(prog);
    // A run taken up again from a step before its end keeps the moment it started (for Rewind).
    if (steps && BeginTimelineStep(prog)) prog.history.wasPaused = false;
    NoteRunning(prog);
    if (steps)
        StepWorld(prog, plat);
    else
        RefreshPausedWorld(prog);

    EffectsStep(prog.effects, prog.world, prog.rng);
    BeforeEditing(prog);
    ApplyPanels(EditorSceneOf(prog), plat);
    prog.gui.hidden = sh.texturedView == 0; // the wireframe view draws no windows
    FindHoveredWindow(prog.gui, sh.input);
    ToolbarUpdate(EditorSceneOf(prog), plat);
    CarryOutEditorRequests(prog, plat);
    ToolbarFinish(EditorSceneOf(prog), plat);
    TimeBarInput(prog, plat);
    PollSave(prog);
    GuiUpdate(prog.gui, plat, sh.input);
    if (WindowHovered(prog.gui))
        ToolWindowInput(EditorSceneOf(prog), plat);
    else
        CloseToolGroups(EditorSceneOf(prog));
    CarryOutEditorRequests(prog, plat); // the browser's load
    EditorInput(EditorSceneOf(prog), plat);
    CarryOutEditorRequests(prog, plat);
    const bool escape = CarryOutKeys(prog, plat);
    PollSave(prog); // a save the keys started ends in this frame when it runs inline
    AfterEditing(prog);
    CountFramesPerSecond(sh, plat);
    if (prog.editor.labels.size() > 1) prog.editor.labels[1].text = sh.levelPath; // where "Save" writes
    if (FramePixelsSeen(sh)) {
        DrawProgramFrame(prog, plat);
    } else {
        UnseenPlatform unseen(plat);
        DrawProgramFrame(prog, unseen);
    }
    if (sh.triggersOn) AgeNotices(prog.world);
    EndTimelineFrame(prog, steps);

    // Escape (pressed this frame) ends the program, asking first when there are unsaved changes.
    if ((escape || sh.quit) && MayQuit(prog)) return false;
    return true;
}

int RunProgram(const Options& given, Platform& plat) {
    auto progPtr = std::make_unique<Program>();
    Program& prog = *progPtr;
    Shell& sh = prog.shell;
    Options opt = given;
    sh.headless = opt.headless;

    if (!opt.input.empty()) {
        std::string error;
        if (!LoadInputScript(NativePath(opt.input), sh.script, error)) {
            std::cerr << "tumblebox: " << opt.input << ": " << error << "\n";
            return 2;
        }
        sh.scripted = true;
        TakeRecordedOptions(sh.script.recorded, opt);
    }
    uint32_t seed = opt.seedSet
                        ? opt.seed
                        : static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    prog.rng.Seed(seed);

    if (!StartProgram(prog, plat)) return 1;
    sh.triggersOn = opt.triggers || sh.settings.triggers;

    int w = static_cast<int>(sh.settings.screenWidth);
    int h = static_cast<int>(sh.settings.screenHeight);
    if (opt.headless || sh.scripted) {
        plat.WarpMouse(w / 2, h / 2);
        sh.script.state.mouseX = w / 2;
        sh.script.state.mouseY = h / 2;
    }
    if (!opt.record.empty()) {
        InputState start;
        start.mouseX = w / 2;
        start.mouseY = h / 2;
        if (!OpenRecorder(sh.recorder, opt.record, start, {true, seed, opt.load, opt.run, sh.triggersOn})) {
            std::cerr << "tumblebox: cannot write the input recording '" << opt.record
                      << "': " << sh.recorder.error << "\n";
            return 1;
        }
    }
    if (!opt.load.empty() && !LoadLevelAtStart(prog, plat, opt.load)) return 1;
    if (opt.run) sh.paused = false;
    sh.firstSeenFrame = FirstSeenFrame(opt, sh);

    while (opt.frames < 0 || sh.frame < opt.frames) {
        if (!RunFrame(prog, plat)) break;
        if (sh.recordingFailed && opt.headless) break; // a batch run whose recording failed has failed
    }
    WaitForSave(prog);
    if (sh.recordingFailed && opt.headless) return 1; // its results would not match its recording

    int status = 0;
    if (!CloseRecorder(sh.recorder)) {
        if (!sh.recordingFailed)
            std::cerr << "tumblebox: cannot write the input recording '" << opt.record
                      << "': " << sh.recorder.error << "\n";
        status = 1;
    }
    if (!opt.save.empty() && !SaveLevelAtEnd(prog, opt.save)) status = 1;
    if (!opt.screenshot.empty() && !SaveScreenshot(plat, opt.screenshot)) status = 1;
    return status;
}
