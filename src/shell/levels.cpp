// Replacing the world, and the level operations built on it.
#include "shell/levels.h"

#include <iostream>
#include <map>
#include <system_error>

#include "common/text.h"
#include "editor/editor.h"
#include "effects/effects.h"
#include "platform/platform.h"
#include "render/picture.h"
#include "shell/history.h"
#include "shell/program.h"
#include "triggers/triggers.h"
#include "world/builders.h"
#include "world/trigger_records.h"
#include "world/validate.h"

ReplaceSteps StepsAfter(WorldSource source) {
    ReplaceSteps s;
    switch (source) {
    case WorldSource::Load:
    case WorldSource::Browser:
    case WorldSource::CommandLine:
    case WorldSource::Trigger:
    case WorldSource::New:
        s.clearBuffs = true;
        s.resetTriggerEngine = true;
        s.resetLevelTime = true;
        s.missingParticleMessages = source != WorldSource::New;
        s.loadStatus = source == WorldSource::Browser || source == WorldSource::CommandLine;
        s.setLevelPath = source != WorldSource::Load;
        s.setFolder = source == WorldSource::CommandLine || source == WorldSource::New;
        s.bindPlayers = source == WorldSource::Trigger;
        s.restoreCamera = source == WorldSource::New;
        s.rememberHome = true;
        break;
    case WorldSource::Delete:
        s.panels = PanelsAfter::Retarget;
        s.clearBuffs = true;
        s.resetTriggerEngine = true;
        s.resetLevelTime = true;
        s.missingParticleMessages = true;
        s.keepLiquids = true;
        break;
    case WorldSource::Undo:
    case WorldSource::Redo:
    case WorldSource::Rewind:
        s.clearBuffs = true;
        s.restoreTriggerEngine = source == WorldSource::Rewind;
        s.restoreCamera = source == WorldSource::Rewind;
        break;
    }
    return s;
}

namespace {

// The liquid of every live liquid box, by the id of its container entity.
std::map<int32_t, std::vector<LiquidParticle>> LiquidsByContainer(const World& w) {
    std::map<int32_t, std::vector<LiquidParticle>> kept;
    for (int32_t i = 1; i <= w.liquidBoxCount; ++i) {
        const LiquidBox& b = w.liquidBoxes[static_cast<size_t>(i)];
        if (b.container < 1 || b.container > w.entityCount) continue;
        const int32_t id = w.entities[static_cast<size_t>(b.container)].id;
        if (id != 0) kept.emplace(id, b.particles);
    }
    return kept;
}

void PutLiquidsBack(World& w, std::map<int32_t, std::vector<LiquidParticle>>& kept) {
    for (int32_t i = 1; i <= w.liquidBoxCount; ++i) {
        LiquidBox& b = w.liquidBoxes[static_cast<size_t>(i)];
        if (b.container < 1 || b.container > w.entityCount) continue;
        auto it = kept.find(w.entities[static_cast<size_t>(b.container)].id);
        if (it != kept.end()) b.particles = std::move(it->second);
    }
}

std::string FolderOf(const std::string& storedPath) {
    size_t cut = storedPath.rfind('\\');
    return cut == std::string::npos ? std::string() : storedPath.substr(0, cut + 1);
}

void ShowMissingParticles(Platform& plat, const LoadReport& r) {
    if (r.missingParticles < 1) return;
    plat.ShowMessage("Error", "particleid " + std::to_string(r.firstMissingParticle) + " not found.");
    if (r.missingParticles > 1)
        plat.ShowMessage("Error",
                         std::to_string(r.missingParticles - 1) + " further particle ids not found.");
}

void LoadDoneStatus(Editor& ed, const LoadReport& r) {
    SetStatus(ed, LoadDoneStatus(r));
}

} // namespace

bool ReplaceWorld(Program& prog, Platform& plat, const WorldOrigin& origin, LoadReport* out) {
    const ReplaceSteps steps = StepsAfter(origin.source);
    Editor& ed = prog.editor;
    Shell& sh = prog.shell;
    World& w = prog.world;

    WaitForSave(prog); // the worker reads a snapshot, but a load waits for it all the same
    if (steps.loadStatus) SetStatus(ed, "loading...");

    PanelPlaces places;
    if (steps.panels == PanelsAfter::Retarget) places = NotePanelPlaces(EditorSceneOf(prog));
    std::map<int32_t, std::vector<LiquidParticle>> liquids;
    if (steps.keepLiquids) liquids = LiquidsByContainer(w);

    // The new world.
    LoadReport report;
    if (origin.state) {
        RestoreHistoryState(prog, plat, *origin.state, steps.restoreCamera, steps.restoreTriggerEngine);
    } else if (origin.source == WorldSource::New) {
        ResetWorld(w);
        prog.camera = Camera{};
        prog.camera.zoom = ClampZoom(1 - sh.settings.screenWidth / 1280.0);
    } else if (!origin.path.empty() || origin.text.empty()) {
        if (!ReadLevelFile(w, prog.camera, prog.rng, origin.path, &report)) {
            if (steps.loadStatus) SetStatus(ed, "file not found...");
            if (out) *out = report;
            return false; // the world stays as it was
        }
        MarkLevelKnown(sh.overwrite, origin.path);
    } else {
        report = ReadLevelText(w, prog.camera, prog.rng, origin.text);
    }
    if (out) *out = report;

    // What follows, in this order.
    if (steps.keepLiquids) PutLiquidsBack(w, liquids);
    if (steps.panels == PanelsAfter::Retarget) {
        PutPanelsBack(EditorSceneOf(prog), places); // the same world, repacked: its panels stay
    } else {
        CloseAllPanels(EditorSceneOf(prog), plat);
        ed.shaping = 0;
    }
    ed.worldResetsSeen = w.resets;
    if (origin.source != WorldSource::Delete)
        ed.selection.clear(); // another world, or another moment
    else // the same world without what was deleted: an id left behind could be given to a new body
        std::erase_if(ed.selection, [&](int32_t id) { return FindEntityById(w, id) <= 0; });
    if (steps.clearBuffs) ClearBuffs(prog.effects);
    if (steps.resetTriggerEngine) ResetTriggerEngine(prog.triggerEngine, prog.gui, plat);
    if (steps.resetLevelTime) w.levelTime = 0;
    if (steps.missingParticleMessages) ShowMissingParticles(plat, report);
    if (steps.loadStatus) LoadDoneStatus(ed, report);
    if (steps.setLevelPath)
        sh.levelPath = origin.source == WorldSource::New ? "levels\\new.lvl" : origin.path;
    if (steps.setFolder) sh.currentFolder = FolderOf(sh.levelPath);
    if (steps.rememberHome) ed.home = {prog.camera.x, prog.camera.y};
    if (steps.bindPlayers) BindPlayers(prog, plat);
    AssertWorldSound(w, "after a new world");
    return true;
}

// ---- Loading -------------------------------------------------------------------------------------------

int LoadLevel(Program& prog, Platform& plat, const std::string& storedPath, LoadReport* report) {
    return ReplaceWorld(prog, plat, {WorldSource::Load, storedPath}, report) ? 1 : 0;
}

int LoadLevelText(Program& prog, Platform& plat, std::string_view text, LoadReport* report) {
    WorldOrigin origin{WorldSource::Load};
    origin.text = std::string(text);
    if (origin.text.empty()) origin.text = "\r\n"; // an empty text is an empty level, not a file name
    ReplaceWorld(prog, plat, origin, report);
    return 1;
}

bool OpenLevel(Program& prog, Platform& plat, const std::string& storedPath, LoadReport* report) {
    return ReplaceWorld(prog, plat, {WorldSource::Browser, storedPath}, report);
}

// ---- Background save -----------------------------------------------------------------------------------
//
// The save writes a text snapshot of the world taken on the main thread when it starts, so nothing the
// main thread does while the worker runs can race the writer; the tool stays "locked" and the simulation
// held while it runs all the same.

SaveJob::~SaveJob() {
    if (worker.joinable()) worker.join();
}

namespace {

void RunSave(SaveJob& job) {
    job.ok = WriteKeepingBackup(job.path, job.text, &job.why);
    job.done.store(true, std::memory_order_release);
}

void FinishSave(Program& prog) {
    Shell& sh = prog.shell;
    SaveJob& job = *sh.save;
    if (job.worker.joinable()) job.worker.join();
    bool ok = job.ok;
    sh.saving = false;
    if (ok) {
        ++sh.savesWritten;
        MarkLevelKnown(sh.overwrite, job.path);
        sh.levelPath = job.path; // the current level from now on: label 1 and what "Save" writes
    }
    prog.editor.currentTool = job.savedTool;
    SetStatus(prog.editor, ok ? "saving done." : "saving failed");
    if (ok) MarkSaved(prog.history);
    sh.save.reset();
}

} // namespace

void StartSave(Program& prog) {
    StartSave(prog, prog.shell.levelPath);
}

void StartSave(Program& prog, const std::string& storedPath) {
    Shell& sh = prog.shell;
    if (sh.saving) return;
    if (MustAskBeforeSaving(sh.overwrite, storedPath, sh.frame))
        return SetStatus(prog.editor, OverwriteQuestion(storedPath));
    SetStatus(prog.editor, "saving...");
    sh.saving = true;
    sh.save = std::make_unique<SaveJob>();
    SaveJob& job = *sh.save;
    job.savedTool = prog.editor.currentTool;
    prog.editor.currentTool = "locked";
    job.path = storedPath;
    job.text = LevelText(prog.world, prog.camera);
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    RunSave(job); // a build with one thread: write it here (the next PollSave finishes it)
#else
    try {
        job.worker = std::thread(RunSave, std::ref(job));
    } catch (const std::system_error&) {
        RunSave(job); // no thread to be had: write it here
    }
#endif
}

void PollSave(Program& prog) {
    Shell& sh = prog.shell;
    if (!sh.saving || !sh.save) return;
    prog.editor.currentTool = "locked";
    if (sh.headless || sh.save->done.load(std::memory_order_acquire)) FinishSave(prog);
}

void WaitForSave(Program& prog) {
    if (prog.shell.saving && prog.shell.save) FinishSave(prog);
}

// ---- Deleting ------------------------------------------------------------------------------------------

namespace {
constexpr const char* kDeleteFile = "temp.del";

void ReadBackDeleted(Program& prog, Platform& plat, std::string text) {
    // The working copy is kept on disk as before; the world is rebuilt from the same text even when the
    // copy cannot be written, so a read-only working folder does not cost the user the world.
    WriteFileAtomically(kDeleteFile, text, nullptr, false);
    WorldOrigin origin{WorldSource::Delete};
    origin.text = std::move(text);
    ReplaceWorld(prog, plat, origin);
}
} // namespace

bool DeleteEntityByRoundTrip(Program& prog, Platform& plat, int32_t entitySlot) {
    const World& w = prog.world;
    if (entitySlot < 1 || entitySlot > w.entityCount || w.entities[static_cast<size_t>(entitySlot)].id == 0)
        return false;
    WaitForSave(prog);
    ReadBackDeleted(prog, plat, BlankEntityLines(w, LevelText(w, prog.camera), entitySlot));
    return true;
}

bool DeleteEntitiesByRoundTrip(Program& prog, Platform& plat, const std::vector<int32_t>& entitySlots) {
    const World& w = prog.world;
    bool any = false;
    for (int32_t slot : entitySlots)
        any |= slot >= 1 && slot <= w.entityCount && w.entities[static_cast<size_t>(slot)].id != 0;
    if (!any) return false;
    WaitForSave(prog);
    ReadBackDeleted(prog, plat, BlankEntitiesLines(w, LevelText(w, prog.camera), entitySlots));
    return true;
}

bool DeleteFreeParticleByRoundTrip(Program& prog, Platform& plat, int32_t particleSlot) {
    const World& w = prog.world;
    if (particleSlot < 1 || particleSlot > w.particleCount) return false;
    const Particle& doomed = w.particles[static_cast<size_t>(particleSlot)];
    if (doomed.id == 0 || w.entities[static_cast<size_t>(doomed.parent)].id != 1) return false;
    WaitForSave(prog);
    ReadBackDeleted(prog, plat, DropFreeParticleLines(LevelText(w, prog.camera), doomed.id));
    return true;
}

// ---- World progression -----------------------------------------------------------------------------------

namespace {

bool HasEntityOfType(const World& w, const char* type) {
    for (int32_t i = 1; i <= w.entityCount; ++i)
        if (w.entities[static_cast<size_t>(i)].type == type) return true;
    return false;
}

// The descriptor still holds its player through a live control constraint.
bool Bound(const World& w, const PlayerDescriptor& d, const char* type) {
    return d.control > 0 && d.control <= w.constraintCount &&
           w.constraints[static_cast<size_t>(d.control)].id != 0 && d.entity > 0 &&
           d.entity <= w.entityCount && w.entities[static_cast<size_t>(d.entity)].type == type;
}

void BindPlayer(Program& prog, Platform& plat, int which) {
    World& w = prog.world;
    const char* type = which == 0 ? "player" : "player2";
    if (Bound(w, w.playerDescriptors[static_cast<size_t>(which)], type)) return;
    if (!HasEntityOfType(w, type)) {
        // The level lacks this player: say so, and go on with it unbound rather than end the program.
        plat.ShowMessage("Error", which == 0 ? "no player found !" : "no player2 found !");
        return;
    }
    if (which == 0)
        FindPlayer(w);
    else
        FindPlayer2(w);
}

bool LoadAndBind(Program& prog, Platform& plat, const std::string& path) {
    // A file that vanished since it was checked changes nothing.
    return ReplaceWorld(prog, plat, {WorldSource::Trigger, path});
}

} // namespace

void BindPlayers(Program& prog, Platform& plat) {
    BindPlayer(prog, plat, 0);
    BindPlayer(prog, plat, 1);
}

bool LoadWorld(Program& prog, Platform& plat, const std::string& name) {
    std::string path = prog.shell.currentFolder + name;
    if (LevelFileReadable(path)) return LoadAndBind(prog, plat, path);
    PostNotice(prog.world, path + " not loaded...", 1000, 255, 0, 0);
    BindPlayers(prog, plat); // the world stays; players it has not bound yet are bound now
    return false;
}

bool StartNextWorld(Program& prog, Platform& plat) {
    std::string next = NextWorldPath(prog.shell.levelPath);
    if (!next.empty() && LevelFileReadable(next)) return LoadAndBind(prog, plat, next);
    PostNotice(prog.world,
               (next.empty() ? prog.shell.levelPath + " has no world number," : next) + " not loaded.", 200,
               255, 0, 0);
    return false;
}

bool RestartLevel(Program& prog, Platform& plat) {
    if (!LevelFileReadable(prog.shell.levelPath)) return false;
    return LoadAndBind(prog, plat, prog.shell.levelPath);
}

void RememberCurrentLevel(Program& prog) {
    if (!WriteFileAtomically("level.ini", "Level(" + prog.shell.levelPath + ")"))
        PostNotice(prog.world, "error in the level.ini !", 1000, 255, 0, 0);
}

TriggerScene TriggerSceneOf(Program& prog, Platform& plat) {
    TriggerHost host;
    host.program = &prog;
    host.loadWorld = [](void* p, Platform& pl, const std::string& name) {
        return LoadWorld(*static_cast<Program*>(p), pl, name);
    };
    host.startNextWorld = [](void* p, Platform& pl) { return StartNextWorld(*static_cast<Program*>(p), pl); };
    host.restartLevel = [](void* p, Platform& pl) { return RestartLevel(*static_cast<Program*>(p), pl); };
    host.rememberLevel = [](void* p) { RememberCurrentLevel(*static_cast<Program*>(p)); };
    return TriggerScene{prog.world,       prog.triggerEngine,      prog.effects, prog.rng, prog.gui, plat,
                        prog.shell.input, prog.editor.toolsWindow, host};
}

EditorScene EditorSceneOf(Program& prog) {
    EditorHost host;
    host.program = &prog;
    host.waitForSave = [](void* p) { WaitForSave(*static_cast<Program*>(p)); };
    host.deleteEntity = [](void* p, Platform& pl, int32_t slot) {
        return DeleteEntityByRoundTrip(*static_cast<Program*>(p), pl, slot);
    };
    host.deleteEntities = [](void* p, Platform& pl, const std::vector<int32_t>& slots) {
        return DeleteEntitiesByRoundTrip(*static_cast<Program*>(p), pl, slots);
    };
    host.deleteFreeParticle = [](void* p, Platform& pl, int32_t slot) {
        return DeleteFreeParticleByRoundTrip(*static_cast<Program*>(p), pl, slot);
    };
    host.drawPicture = [](void* p, Platform& pl, World& world, const Camera& cam, int image, int width,
                          int height) {
        FrameScene scene = FrameSceneOf(*static_cast<Program*>(p));
        DrawWorldPicture(scene, pl, world, cam, image, width, height);
    };
    Shell& sh = prog.shell;
    EditorShell shell{sh.input,
                      sh.levelPath,
                      sh.currentFolder,
                      sh.paused,
                      sh.saving,
                      sh.overwrite,
                      sh.frame,
                      sh.headless,
                      sh.settings.screenWidth,
                      sh.settings.screenHeight};
    return EditorScene{prog.editor, prog.gui,        prog.world, prog.camera, prog.images,
                       prog.rng,    prog.render.rng, shell,      host};
}

// ---- Command line ----------------------------------------------------------------------------------------

bool LoadLevelAtStart(Program& prog, Platform& plat, const std::string& path) {
    Shell& sh = prog.shell;
    std::string stored = StoredPath(path);
    sh.levelPath = stored;
    sh.currentFolder = FolderOf(stored);
    LoadReport report;
    if (!ReplaceWorld(prog, plat, {WorldSource::CommandLine, stored}, &report)) {
        std::cerr << "file not found...\n";
        return false;
    }
    MarkSaved(prog.history); // the world as the file holds it: nothing to lose yet
    if (report.dropped > 0)
        std::cerr << "tumblebox: " << path << ": " << report.dropped
                  << (report.dropped == 1 ? " record" : " records") << " could not be loaded\n";
    return true;
}

bool SaveLevelAtEnd(Program& prog, const std::string& path) {
    WaitForSave(prog);
    std::string why;
    if (!WriteKeepingBackup(StoredPath(path), LevelText(prog.world, prog.camera), &why)) {
        std::cerr << "tumblebox: cannot write " << path << ": " << why << "\n";
        return false;
    }
    return true;
}
