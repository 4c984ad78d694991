// The program-wide state, grouped by owner, and the entry points of the shell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/random.h"
#include "editor/editor.h"
#include "effects/effects.h"
#include "gui/gui.h"
#include "level/files.h"
#include "physics/worker.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/catalogue.h"
#include "shell/history.h"
#include "shell/options.h"
#include "shell/script.h"
#include "shell/timeline.h"
#include "triggers/triggers.h"
#include "world/camera.h"
#include "world/world.h"

struct Settings {
    double screenWidth = 1280;
    double screenHeight = 1024;
    int16_t windowed = 0;
    bool triggers = false; // a Triggers(1) line switches the trigger runner on
};

struct SaveJob; // the background save (shell/levels.h)

struct Shell {
    Shell();
    ~Shell();

    bool paused = true;
    bool saving = false;
    uint32_t savesWritten = 0; // saves that have reached their file (the page then stores its folder)
    int16_t windowed = 0;
    int16_t texturedView = 1;
    std::string levelPath = "levels\\new.lvl"; // the file "Save" writes
    std::string currentFolder = "levels\\";    // the folder the level browser shows
    std::array<bool, kKeyCount> keysBefore{};  // the keys down in the previous frame
    Settings settings;

    uint32_t frameCounter = 0; // frames-per-second count
    uint32_t fps = 0;
    double timeMark = 0;
    int64_t frame = 0; // frames run since start

    InputState input; // this frame's sample
    bool scripted = false;
    InputScript script; // replayed instead of the platform's input when `scripted`
    InputRecorder recorder;
    bool recordingFailed = false; // said once; the run then ends with a failure status
    bool headless = false;
    bool triggersOn = false;
    bool quit = false;
    // Frames before this one have their pixels skipped: nothing will look at them (headless runs).
    int64_t firstSeenFrame = 0;

    std::unique_ptr<SaveJob> save;
    OverwriteGuard overwrite; // which existing files "Save" may replace without asking
};

struct Program {
    Shell shell;
    Images images;
    World world;
    PhysicsHost physics; // the step's working memory and second thread, handed to every step
    Effects effects;
    Camera camera;
    RenderState render;
    Gui gui;
    Editor editor;
    Rng rng;
    TriggerEngine triggerEngine;
    History history;
    Timeline timeline; // speed, single steps and the last run kept for scrubbing
};

// Reads settings.ini from the working directory, opens the screen and loads every image. On failure shows
// the message box and returns false.
bool ReadSettingsAndOpenScreen(Program& prog, Platform& plat);
// Reads settings lines into `s` (over-long lines are skipped); false, with the reason in `why`, when the file
// cannot be opened or is not a regular file.
bool ReadSettingsFile(const std::string& nativePath, Settings& s, std::string* why = nullptr);
void ApplySettingsLine(const std::string& line, Settings& s);

// Start-up: state, world reset, settings, screen, images, editor interface. False when the program must end.
bool StartProgram(Program& prog, Platform& plat);

// The frame as the renderer reads it, and the view it draws with.
FrameScene FrameSceneOf(Program& prog);
View ProgramView(const Program& prog);
// Draws the program's frame and flips the screen.
void DrawProgramFrame(Program& prog, Platform& plat);

// One pass of the frame loop; false when the program ends (Escape, window closed).
bool RunFrame(Program& prog, Platform& plat);

// The whole program: start-up, the frame loop, the batch steps of the options. Returns the exit status.
int RunProgram(const Options& opt, Platform& plat);
